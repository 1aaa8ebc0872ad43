#pragma once
// A store of groups of polylines, ready to draw: the common record of the line/point layers
// (OverlayStore) and of the contour sets. Everything is kept in model space, in flat arrays
// allocated once at a fixed capacity, with each point's terrain height beside its vertex so that
// a relief change can recompute the vertical position.
//
// Storage order: groups one after the other in the order they were added; within a group its
// polylines; within a polyline its points. Group g owns the polylines after those of groups
// 0 .. g-1, and polyline p's points start at the sum of pointsPerPolyline of the polylines before
// it. Nothing else indexes the data: per-group ranges are found by summing (groupRange()).
//
// The graphics device is reached only through GroupBufferDevice, which the renderer implements;
// without one, uploads succeed whenever there are points (the command-line tool, tests).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "terrain/TerrainMesh.h"

namespace torvane {

/**
 * @brief One drawable point: 16 bytes, position x, y, z in model space (as toModel() returns
 * them) and the colour A8R8G8B8 (alpha in bits 24-31, then red, green, blue).
 */
struct OverlayVertex {
  float x;
  float y;
  float z;
  uint32_t diffuse;
};
static_assert(sizeof(OverlayVertex) == 16, "OverlayVertex must be 16 bytes");
static_assert(offsetof(OverlayVertex, x) == 0 && offsetof(OverlayVertex, y) == 4 &&
                  offsetof(OverlayVertex, z) == 8 && offsetof(OverlayVertex, diffuse) == 12,
              "OverlayVertex layout: x, y, z, diffuse");

//! A polyline never holds more points than one draw call may take.
inline constexpr uint32_t kMaxPolylinePoints = 65535;
//! The capacity a store is first tried with, and the most points it ever holds.
inline constexpr uint32_t kMaxStorePoints = 3000000;
//! Below this capacity a store is not worth allocating.
inline constexpr uint32_t kMinStorePoints = 65535;

/// Model-space z of a line or contour point at height H: the terrain's relief rule rounded to a
/// float, then 0.0001 units nearer the eye (in single precision) so the surface does not hide it.
float overlayVertexZ(const ModelFit& fit, int Scale, double H);

/// The vertex of a point at plane metres X, Y and height H with the relief setting `Scale`. With
/// `lift`, z is overlayVertexZ(); without, the plain relief rule rounded to a float (marks and
/// point clouds are stored that way; the first relief change lifts them too).
OverlayVertex makeOverlayVertex(const ModelFit& fit, int Scale, double X, double Y, double H,
                                uint32_t argb, bool lift);

/**
 * @brief The device side of a store's vertex buffer, implemented by the renderer.
 *
 * The buffer is created whole from the first pointTotal vertices and released whole. An
 * implementation may copy at once or keep the span and copy before its next draw: the data stays
 * valid until the next create or release of the buffer (the store releases the buffer before it
 * frees or moves its arrays), though recolouring may change it in place before the store uploads
 * it again.
 */
class GroupBufferDevice {
public:
  virtual ~GroupBufferDevice() = default;
  /// Replaces the vertex buffer with a copy of the vertices. False when the device refuses; then
  /// no vertex buffer exists.
  virtual bool createVertexBuffer(std::span<const OverlayVertex> vertices) = 0;
  virtual void releaseVertexBuffer() = 0;
};

//! Where one group lies in the store.
struct GroupRange {
  uint32_t firstPolyline = 0;
  uint32_t polylineCount = 0;
  uint32_t firstPoint = 0;
  uint32_t pointCount = 0;
};

/**
 * @brief The store record: per-group kind, visibility, colour and polyline count; per-point
 * vertex and height; the polyline lengths; one device vertex buffer.
 *
 * Invariants: groupCount <= maxGroups; pointTotal <= capacity; polylineTotal <= capacity; the
 * polyline counts of the groups sum to polylineTotal and the polyline lengths to pointTotal.
 * Group indices passed to the accessors must be below groupCount() unless stated otherwise.
 */
class GroupStore {
public:
  GroupStore() = default;
  GroupStore(const GroupStore&) = delete;
  GroupStore& operator=(const GroupStore&) = delete;
  virtual ~GroupStore();

  /// Frees the store, then allocates the arrays for `maxGroups` groups and `capacity` points.
  /// False when capacity or maxGroups is 0 or memory runs out; arrays obtained before the failure
  /// stay until freeStore().
  bool allocateStore(int maxGroups, uint32_t capacity);
  /// Releases the device buffer and every array; capacity, group count and totals become 0.
  void freeStore();

  bool allocated() const { return mCapacity > 0; }
  int maxGroups() const { return mMaxGroups; }
  int groupCount() const { return mGroupCount; }
  uint32_t capacity() const { return mCapacity; }
  uint32_t pointTotal() const { return mPointTotal; }
  uint32_t polylineTotal() const { return mPolylineTotal; }

  int32_t kind(int g) const { return mKind[g]; }
  bool visible(int g) const { return mVisible[g] != 0; }
  uint32_t colour(int g) const { return mColour[g]; }  //!< A8R8G8B8
  uint32_t polylineCount(int g) const { return mPolylineCount[g]; }
  /// Shows or hides group g. False for g outside 0 .. groupCount-1.
  bool setVisible(int g, bool shown);

  /// Number of points of group g (0 for g outside 0 .. groupCount-1).
  int groupPointCount(int g) const;
  /// Where group g lies (all zero for g outside 0 .. groupCount-1).
  GroupRange groupRange(int g) const;

  std::span<const uint32_t> pointsPerPolyline() const {
    return {mPointsPerPolyline.get(), mPolylineTotal};
  }
  std::span<const double> heights() const { return {mHeights.get(), mPointTotal}; }
  std::span<const OverlayVertex> vertices() const { return {mVertices.get(), mPointTotal}; }

  /// Sets group g's colour and writes it (alpha included) into every vertex of the group. False
  /// for g outside 0 .. groupCount-1.
  bool setGroupColour(int g, uint32_t argb);
  /// Replaces the alpha byte of every vertex colour by alpha & 0xFF; group colours stay.
  void setAlpha(int alpha);
  /// Recomputes every vertex z from its height with the relief setting `Scale`:
  /// overlayVertexZ(fit, Scale, height).
  void rescaleHeights(const ModelFit& fit, int Scale);

  /// Removes group g and closes the gap: later points, polylines and groups move down. The
  /// device buffer is not touched (the caller uploads again). False for g outside
  /// 0 .. groupCount-1.
  bool deleteGroup(int g);

  /// Attaches the renderer's buffer (nullptr detaches; the store does not own it). Detaching
  /// releases the old device's buffer; attaching uploads when the store has a vertex buffer, so a
  /// new device gets the current data. False when that upload fails.
  bool setDevice(GroupBufferDevice* device);
  GroupBufferDevice* device() const { return mDevice; }
  /// Releases the old buffer and creates one from the first pointTotal vertices. False when there
  /// is no point or the device refuses. Without a device: true when there are points.
  bool uploadStore();
  /// Releases the device buffer, if any.
  void releaseVertexBuffer();
  /// True while the store's data is uploaded (the vertex buffer exists): between a successful
  /// uploadStore() and the next release. The shell tests it to know whether the store holds data.
  bool hasVertexBuffer() const { return mBufferLive; }

  /**
   * @brief Appends one group to a store, following the protocol every reader and builder shares.
   *
   * begin() writes the kind and colour into the slot after the last group; append() places
   * points after pointTotal; close() ends a polyline and counts it into the totals; finish()
   * registers the group if at least one polyline was closed. Points of an unclosed polyline are
   * simply overwritten later.
   */
  class Builder {
  public:
    explicit Builder(GroupStore& store) : mStore(store) {}

    /// Starts a group of `kind` and `argb` in slot groupCount. False when the store is not
    /// allocated or holds maxGroups groups already.
    bool begin(int32_t kind, uint32_t argb);
    /// Index the next appended point goes to (pointTotal + open()).
    uint32_t nextIndex() const { return mStore.mPointTotal + mOpen; }
    /// Points of the open polyline.
    uint32_t open() const { return mOpen; }
    /// True when the store is full: nextIndex() has reached the capacity.
    bool full() const { return nextIndex() >= mStore.mCapacity; }
    /// Appends a point to the open polyline; the caller checks full() first.
    void append(const OverlayVertex& vertex, double H);
    /// Closes the open polyline when it holds at least `minPoints` points (>= 1), else drops it.
    void close(uint32_t minPoints = 1);
    /// Drops the open polyline.
    void drop() { mOpen = 0; }
    /// Polylines closed so far.
    uint32_t closed() const { return mClosed; }
    /// Registers the group (visible, with its polyline count) when a polyline was closed. Returns
    /// whether it did.
    bool finish();

  private:
    GroupStore& mStore;
    uint32_t mOpen = 0;
    uint32_t mClosed = 0;
    bool mBegun = false;
  };

protected:
  /// Extra per-group and per-point arrays of a derived store. allocateExtra runs after the common
  /// arrays were obtained (false: out of memory); freeExtra before they are freed; removeExtra
  /// after the common arrays of group g (which occupied `range`) were moved down, with the group
  /// count not yet reduced.
  virtual bool allocateExtra(int maxGroups, uint32_t capacity) {
    (void)maxGroups;
    (void)capacity;
    return true;
  }
  virtual void freeExtra() {}
  virtual void removeExtra(int g, const GroupRange& range) {
    (void)g;
    (void)range;
  }

private:
  GroupBufferDevice* mDevice = nullptr;
  bool mBufferLive = false;

  int mMaxGroups = 0;
  int mGroupCount = 0;
  std::unique_ptr<int32_t[]> mKind;
  std::unique_ptr<uint8_t[]> mVisible;
  std::unique_ptr<uint32_t[]> mColour;
  std::unique_ptr<uint32_t[]> mPolylineCount;

  uint32_t mCapacity = 0;
  uint32_t mPolylineTotal = 0;
  uint32_t mPointTotal = 0;
  std::unique_ptr<uint32_t[]> mPointsPerPolyline;
  std::unique_ptr<double[]> mHeights;
  std::unique_ptr<OverlayVertex[]> mVertices;
};

/**
 * @brief Allocates a store with a shrinking capacity: first kMaxStorePoints points, then half of
 * that (integer division) after every failure, giving up below kMinStorePoints. Before each try
 * and after the last failure `release` frees whatever was obtained. The capacities tried are
 * 3,000,000, 1,500,000, 750,000, 375,000, 187,500 and 93,750.
 */
bool allocateShrinking(const std::function<bool(uint32_t capacity)>& tryAllocate,
                       const std::function<void()>& release);

/// The shrinking allocation of `store` for `maxGroups` groups, unless the store already has its
/// vertex buffer (it is then used as it is).
bool ensureStoreAllocated(GroupStore& store, int maxGroups);

}  // namespace torvane
