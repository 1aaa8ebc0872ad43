#pragma once
// The CPU side of the terrain mesh: one coloured, textured vertex per grid node, two triangles
// per grid cell, the model-space fit that every drawn thing shares, and the per-sub-grid draw
// ranges. The graphics device is reached only through TerrainBufferDevice, which the renderer
// implements; without one, uploads succeed and do nothing (the command-line tool, tests).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace torvane {

class ElevationGrid;

/**
 * @brief One terrain vertex as the device reads it: 24 bytes, no padding.
 *
 * Position in model units (x east, y north, z height with 0 at the grid's lowest height and
 * negative above it), colour A8R8G8B8 (alpha in bits 24-31, then red, green, blue), texture
 * coordinates u (0 west .. 1 east) and v (0 north .. 1 south).
 */
struct TerrainVertex {
  float x;
  float y;
  float z;
  uint32_t diffuse;
  float u;
  float v;
};
static_assert(sizeof(TerrainVertex) == 24, "TerrainVertex must be 24 bytes");
static_assert(offsetof(TerrainVertex, x) == 0 && offsetof(TerrainVertex, y) == 4 &&
                  offsetof(TerrainVertex, z) == 8 && offsetof(TerrainVertex, diffuse) == 12 &&
                  offsetof(TerrainVertex, u) == 16 && offsetof(TerrainVertex, v) == 20,
              "TerrainVertex layout: x, y, z, diffuse, u, v");

/**
 * @brief The mapping of grid plane metres into model space.
 *
 * x = (X - Xmin) * scale + offsetX; y = (Y - Ymax) * scale + offsetY;
 * z = (Hmin - H) * scale * relief * 0.5. The larger horizontal side spans 2 units and the data
 * is centred on the origin (unless the height range is more than half that side). The grid
 * extents the mapping is anchored to are kept here so that overlays and picking need only this.
 */
struct ModelFit {
  double scale = 1;
  double offsetX = 0;
  double offsetY = 0;
  double Xmin = 0;  //!< grid extents at the time of the fit (plane metres)
  double Ymax = 0;
  double Hmin = 0;
};

//! A point in model space.
struct ModelPoint {
  double x = 0, y = 0, z = 0;
};
//! A point in grid plane metres with its height.
struct GridPoint {
  double X = 0, Y = 0, H = 0;
};

/// Computes the fit from the grid's X, Y and H extents (computeExtents must have run).
ModelFit fitModelSpace(const ElevationGrid& grid);

/// Grid plane metres to model space; `relief` is the relief setting (Scale).
ModelPoint toModel(const ModelFit& fit, double X, double Y, double H, double relief);
/// Model space to grid plane metres. With Scale 0 the height cannot be recovered (H is then
/// not finite); callers take the height from the grid instead.
GridPoint fromModel(const ModelFit& fit, double x, double y, double z, int Scale);

enum class IndexType { None, UInt16, UInt32 };

/// 16-bit indices when the total node count is below 65,536, else 32-bit.
IndexType indexTypeFor(uint64_t nodeCount);

/**
 * @brief What one draw call of one sub-grid (one loaded file) needs.
 *
 * Indices are relative to the sub-grid's first node; baseVertex supplies it. Hidden sub-grids
 * still advance baseVertex and startIndex of the ones after them.
 */
struct DrawRange {
  uint32_t baseVertex = 0;      //!< B_k: first node of the sub-grid
  uint32_t vertexCount = 0;     //!< V_k = W * R
  uint64_t startIndex = 0;      //!< S_k: first index (multiply by the index size for bytes)
  uint64_t primitiveCount = 0;  //!< P_k = (W - 1) * (R - 1) * 2 triangles, 3 * P_k indices
  bool shown = true;            //!< the file's display flag; skip the draw when false
};

/// The draw ranges of every sub-grid in load order, with the files' current display flags.
std::vector<DrawRange> computeDrawRanges(const ElevationGrid& grid);

/**
 * @brief The device side of the terrain buffers, implemented by the renderer.
 *
 * Buffers are created whole from the mesh arrays and released whole; never updated in part.
 * An implementation may copy at once or keep the span and copy before its next draw: the data
 * stays valid and unchanged until the next create or release of the same buffer, and the mesh
 * releases both buffers before it frees or reallocates its arrays.
 */
class TerrainBufferDevice {
public:
  virtual ~TerrainBufferDevice() = default;
  /// Replaces the vertex buffer with a copy of the vertices (24 bytes each). False when the
  /// device refuses; then no vertex buffer exists.
  virtual bool createVertexBuffer(std::span<const TerrainVertex> vertices) = 0;
  /// Replaces the index buffer with a copy of `count` indices of `type` (UInt16 or UInt32)
  /// starting at `data`. False when the device refuses; then no index buffer exists.
  virtual bool createIndexBuffer(IndexType type, const void* data, uint64_t count) = 0;
  virtual void releaseVertexBuffer() = 0;
  virtual void releaseIndexBuffer() = 0;
};

/**
 * @brief The terrain vertex and index arrays and the model-space fit of the loaded grid.
 *
 * Created empty. An open fills it in this order: allocateVertices, fitModelSpace (setFit),
 * placeVertices, computeVertexHeights, land colouring, buildIndices, uploadVertices,
 * uploadIndices. Release the buffers (releaseBuffers) before the grid.
 */
class TerrainMesh {
public:
  TerrainMesh() = default;
  TerrainMesh(const TerrainMesh&) = delete;
  TerrainMesh& operator=(const TerrainMesh&) = delete;
  ~TerrainMesh();

  /// Attaches the renderer's buffers (nullptr detaches; the mesh does not own it). When the
  /// mesh holds arrays, attaching uploads them, so a new device gets the current terrain.
  /// Returns false when that upload fails. Detach before the device is destroyed: detaching
  /// releases its buffers.
  bool setDevice(TerrainBufferDevice* device);
  TerrainBufferDevice* device() const { return mDevice; }

  /// Allocates the vertex array at the grid's node count, once, white and opaque. Releases any
  /// previous arrays and buffers first. False (no vertices) when count < 9 or memory runs out.
  bool allocateVertices(const ElevationGrid& grid);

  /// Computes and keeps the model-space fit from the grid's extents.
  void fitModelSpace(const ElevationGrid& grid);
  const ModelFit& fit() const { return mFit; }

  /// Writes x, y, u, v of every vertex. False when there are no vertices.
  bool placeVertices(const ElevationGrid& grid);
  /// Writes z of every vertex from H and the relief setting. False when there are no vertices.
  bool computeVertexHeights(const ElevationGrid& grid, int Scale);
  /// Sets the alpha byte of every vertex colour to Alpha & 0xFF, RGB unchanged.
  bool applyVertexAlpha(int Alpha);

  /// Allocates and fills the triangle index list of `indexCount` entries (the sum over
  /// sub-grids of 6 (W-1)(R-1)). False (no index list) when indexCount <= 5, when it does not
  /// match the grid's files, or memory runs out.
  bool buildIndices(const ElevationGrid& grid, uint64_t indexCount);

  /// (Re)creates the device vertex buffer from the array. False when there are fewer than 9
  /// vertices or the device refuses. Without a device: true when there are vertices.
  bool uploadVertices();
  /// (Re)creates the device index buffer from the array. False when the index count <= 5 or the
  /// device refuses. Without a device: true when there is an index list.
  bool uploadIndices();

  /// Releases the device buffers; the arrays stay (a device reset re-uploads them).
  void releaseBuffers();
  /// Releases the device buffers, then frees the arrays: the empty state.
  void release();

  bool hasVertices() const { return mVertexCount >= 9; }
  uint32_t vertexCount() const { return mVertexCount; }
  std::span<TerrainVertex> vertices() { return {mVertices.get(), mVertexCount}; }
  std::span<const TerrainVertex> vertices() const { return {mVertices.get(), mVertexCount}; }

  IndexType indexType() const { return mIndexType; }
  uint64_t indexCount() const { return mIndexCount; }
  std::span<const uint16_t> indices16() const;
  std::span<const uint32_t> indices32() const;

  /// Changes whenever vertex positions or the index list may have changed (allocation,
  /// placement, heights, indices, release), so derived structures know when to rebuild.
  uint64_t revision() const { return mRevision; }

private:
  TerrainBufferDevice* mDevice = nullptr;
  ModelFit mFit;
  std::unique_ptr<TerrainVertex[]> mVertices;
  uint32_t mVertexCount = 0;
  IndexType mIndexType = IndexType::None;
  std::unique_ptr<uint16_t[]> mIndices16;
  std::unique_ptr<uint32_t[]> mIndices32;
  uint64_t mIndexCount = 0;
  uint64_t mRevision = 0;
};

}  // namespace torvane
