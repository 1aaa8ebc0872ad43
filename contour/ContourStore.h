#pragma once
// The contour sets laid over the terrain: one ContourStore per scene; each set (ContourSet) is one
// group of it, the segments where one kind's field crosses one value, stored already in model
// space as pairs of points. A set's polylines are chunks of at most 65,534 points (32,767
// segments) that the renderer draws as one line list each; they carry no connectivity.
//
// Lifecycle: not allocated at start; allocated by the first successful build; freed when the last
// set is deleted, by "全削除", on every open of elevation data and at exit. The vertex buffer
// exists exactly while at least one set exists.
//
// Invariants: no two sets have the same kind and value; at most 300 sets; every set has at least
// one chunk; chunk sizes are even.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "contour/ContourTrace.h"
#include "overlay/GroupStore.h"

namespace torvane {

class ElevationGrid;

//! Sets a store holds at most.
inline constexpr int kMaxContourSets = 300;
//! Points of one chunk at most: an even count within one draw call's 16-bit vertex range.
inline constexpr uint32_t kMaxContourChunkPoints = 65534;

//! Initial set colours (A8R8G8B8).
inline constexpr uint32_t kElevationContourColour = 0xFFFFFFFF;  //!< white
inline constexpr uint32_t kSlopeContourColour = 0xFF000000;      //!< black

/// The name of a contour kind as the set list shows it: "標高"/"Elevation", "傾斜量"/"Slant",
/// "差分"/"Difference", "その他"/"Others" for any other kind.
std::string_view contourKindLabel(int kind, bool english);

/**
 * @brief The contour sets: a GroupStore of at most 300 groups with the value of each set.
 *
 * Builders add sets through addContourSet() and the range and single-set builds below; the
 * contour list, the project file and the renderer use the GroupStore accessors and value().
 */
class ContourStore : public GroupStore {
public:
  ContourStore() = default;
  ~ContourStore() override;

  /// allocateStore(kMaxContourSets, capacity) with the value of each set.
  bool allocateContourStore(uint32_t capacity) { return allocateStore(kMaxContourSets, capacity); }
  /// Frees everything (the device buffer included).
  void freeContourStore() { freeStore(); }

  /// The contour value of set g: metres for elevation, degrees for slope.
  int32_t value(int g) const { return mValue[g]; }
  /// The name of set g's kind (English when `english`); empty for g outside the sets.
  std::string_view contourKindName(int g, bool english) const;
  /// Whether a set of that kind and value exists.
  bool hasContourSet(int32_t value, int32_t kind) const;

  /// Registers `value` for the set being added (slot groupCount), before Builder::finish().
  void setNewValue(int32_t value);

protected:
  bool allocateExtra(int maxGroups, uint32_t capacity) override;
  void freeExtra() override;
  void removeExtra(int g, const GroupRange& range) override;

private:
  std::unique_ptr<int32_t[]> mValue;
};

//! What a build takes from the scene besides the grid: where model space lies and the settings
//! the new vertices follow.
struct ContourPlacement {
  ModelFit fit;               //!< the terrain's model-space fit
  int Scale = 2;              //!< relief
  bool alphaEnabled = false;  //!< ContourAlphaEnabled: the transparency applies to contours
  int Alpha = 255;            //!< the transparency value
};

/**
 * @brief Traces and stores one set of `kind` at `value`.
 *
 * Refused (false, nothing stored) when the store is not allocated, has fewer than two points
 * free, holds 300 sets or a set of that kind and value already, when there is no grid, or when
 * the level crosses no triangle. Vertex heights are the value for elevation sets and the
 * interpolated terrain height for slope sets, placed by toModel without the 0.0001 lift (relief
 * changes add it). When the store fills, the set keeps the segments stored so far. Does not
 * upload.
 */
bool addContourSet(ContourStore& store, const ElevationGrid& grid,
                   const ContourPlacement& placement, int kind, int value,
                   const ContourProgressFn& progress = {});

/**
 * @brief Builds a range of sets of kind 1 or 2: value first, first + s, ... while at most last
 * (s = step when positive, else 1), as addContourSet one value after another would, with the
 * same sets, segments and order, but tracing all values in one walk over the triangles.
 *
 * Allocates the store (shrinking capacity) when it has no vertex buffer. Values already present
 * are skipped. False when there is no grid, the allocation fails, last < first, or no value added
 * a set (the store then stays allocated). Then applies the transparency when enabled and
 * uploads; when the upload fails the whole store is freed (every set is lost) and the result is
 * false.
 */
bool buildContourRange(ContourStore& store, const ElevationGrid& grid,
                       const ContourPlacement& placement, int kind, int first, int last, int step,
                       const ContourProgressFn& progress = {});

/// buildContourRange for the single value `value` (the project file's sets); kinds other than
/// 1 and 2 are refused.
bool buildContourSet(ContourStore& store, const ElevationGrid& grid,
                     const ContourPlacement& placement, int kind, int value);

//! One set to rebuild, as a project file stores it.
struct ContourSetRequest {
  int kind = kElevationContour;
  int value = 0;
  uint32_t colour = kElevationContourColour;  //!< A8R8G8B8
  bool visible = true;
};

/**
 * @brief Rebuilds sets one after another as buildContourSet would, each added set then taking
 * the request's colour and visibility, but tracing each kind's values in one walk.
 *
 * Returns, per request, whether it added a set (in request order, so added sets follow one
 * another in the store). Requests that fail are skipped. The transparency is applied when
 * enabled and the store is uploaded once at the end; when that fails the whole store is freed
 * and nothing counts as added.
 */
std::vector<bool> buildContourSets(ContourStore& store, const ElevationGrid& grid,
                                   const ContourPlacement& placement,
                                   std::span<const ContourSetRequest> requests,
                                   const ContourProgressFn& progress = {});

}  // namespace torvane
