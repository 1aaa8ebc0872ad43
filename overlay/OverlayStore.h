#pragma once
// The line/point layers laid over the terrain: GSI vector features, GPS tracks, marks and
// coloured point clouds. One OverlayStore per scene; each layer (OverlayLayer) is one group of
// it, with the file it came from, a point size, a draw mode and a text label per point.
//
// Lifecycle: not allocated at start, after every open of elevation data and after the last layer
// was deleted; allocated by the first successful addLineFiles() and reused, at the same capacity,
// for every later file. The vertex buffer exists exactly while the store holds a layer.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/GroupStore.h"

namespace torvane {

//! Layers a store holds at most.
inline constexpr int kMaxLayers = 100;
//! Bytes of one label slot: at most 31 bytes of text and a terminating zero.
inline constexpr size_t kLabelSlot = 32;
inline constexpr size_t kMaxLabelBytes = kLabelSlot - 1;

//! How the renderer draws a layer's polylines.
enum DrawMode : uint32_t {
  kDrawPoints = 0,     //!< point list at the layer's point size
  kDrawLineStrip = 1,  //!< one line strip per polyline (polylines under 2 points not drawn)
  kDrawTriangles = 2,  //!< triangle list, a polyline's point count / 3 triangles (unused)
  kDrawMarks = 10,     //!< per labelled point a short vertical tick and the label as 3D text
};

// Kinds the program itself gives; GSI feature kinds come from the kind table (kindTable()).
inline constexpr int32_t kKindMark = 191;         //!< BLN or XYN marks
inline constexpr int32_t kKindPointCloud = 192;   //!< BLHRGB point cloud
inline constexpr int32_t kKindOtherPoints = 199;  //!< GSI file with <gml:pos>, no known tag
inline constexpr int32_t kKindNmea = 291;         //!< NMEA track
inline constexpr int32_t kKindOtherLines = 299;   //!< GSI file with <gml:posList>, no known tag

// Layer colours (A8R8G8B8).
inline constexpr uint32_t kColourWhite = 0xFFFFFFFF;
inline constexpr uint32_t kColourBlue = 0xFF0000FF;
inline constexpr uint32_t kColourLightGrey = 0xFFC0C0C0;
inline constexpr uint32_t kColourLightRed = 0xFFFF8080;
inline constexpr uint32_t kColourLightBlue = 0xFF8080FF;

//! One row of the kind table: the kind code, the GSI feature tag that gives it ("" for the
//! program's own kinds), and the names the layer list shows.
struct KindInfo {
  int32_t kind;
  std::string_view tag;
  std::string_view english;
  std::string_view japanese;
};

/// The kind table in ascending kind order, which is also the order GSI tags are tried in.
std::span<const KindInfo> kindTable();
/// The name of a kind: Japanese, or English when `english`; "その他"/"Others" for a kind the
/// table does not hold.
std::string_view kindName(int32_t kind, bool english);

/**
 * @brief The line/point layers: a GroupStore of at most 100 groups with per-layer file names,
 * point sizes and draw modes, and a 32-byte label slot per point.
 *
 * Readers append layers through GroupStore::Builder and the slot setters below; the layer
 * dialog, the project file and the renderer use the accessors. Layer indices passed to the
 * accessors must be below groupCount() unless stated otherwise.
 */
class OverlayStore : public GroupStore {
public:
  OverlayStore() = default;
  ~OverlayStore() override;

  /// allocateStore(kMaxLayers, capacity) with the per-layer and per-point arrays of layers.
  bool allocateOverlayStore(uint32_t capacity) { return allocateStore(kMaxLayers, capacity); }
  /// Frees everything (the device buffer included).
  void freeOverlayStore() { freeStore(); }

  /// The layer's source file, as it was given (the empty path for g outside the layers).
  std::filesystem::path layerName(int g) const;
  /// The layer's kind name (English when `english`); empty for g outside the layers.
  std::string_view layerKindName(int g, bool english) const;
  /// Point size in pixels 1..10; 0 for line layers.
  int pointSize(int g) const { return mPointSize[g]; }
  /// Sets the point size. False when g is outside the layers or size outside 1..10.
  bool setPointSize(int g, int size);
  uint32_t drawMode(int g) const { return mDrawMode[g]; }

  /// Label bytes of point i as read from its file (UTF-8 or CP932), empty for none.
  std::string_view label(uint32_t i) const;
  /// Label of point i as UTF-8 text for display.
  std::string labelText(uint32_t i) const;

  // For readers, between Builder::begin() and Builder::finish(): the settings of the layer being
  // added (slot groupCount) and the label of a point being appended.

  /// Sets name, point size and draw mode of the layer being added.
  void setNewLayer(const std::filesystem::path& name, int pointSize, uint32_t drawMode);
  /// Writes the label of point i: at most 31 bytes of `bytes` (see truncateLabel()).
  void setLabel(uint32_t i, std::string_view bytes);
  /// Copies the label of point `from` to point `to`.
  void copyLabel(uint32_t to, uint32_t from);

protected:
  bool allocateExtra(int maxGroups, uint32_t capacity) override;
  void freeExtra() override;
  void removeExtra(int g, const GroupRange& range) override;

private:
  std::vector<std::filesystem::path> mNames;
  std::unique_ptr<int32_t[]> mPointSize;
  std::unique_ptr<uint32_t[]> mDrawMode;
  std::unique_ptr<char[]> mLabels;  // capacity x kLabelSlot bytes
};

}  // namespace torvane
