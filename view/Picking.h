#pragma once
// From a point of the window back into the model: the unprojection of a client point through
// the last frame's matrices, and the terrain point under it. The terrain test is defined by the
// exhaustive walk over every drawn triangle (intersectTerrain); TerrainPicker answers the same
// question from a bounding-box pyramid and returns exactly the same point.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "view/Transforms.h"

namespace torvane {

class ElevationGrid;
class TerrainMesh;

//! A point in single precision, as the intersection arithmetic works.
struct Vec3f {
  float x = 0, y = 0, z = 0;
};

//! The part of the client area a frame was drawn into, with its depth range.
struct Viewport {
  int x = 0, y = 0;
  int width = 0, height = 0;
  double minZ = 0, maxZ = 1;
};

//! What one frame was drawn with: enough to turn its pixels back into model space.
struct FrameGeometry {
  FrameTransforms transforms;
  Viewport viewport;

  bool valid() const { return viewport.width > 0 && viewport.height > 0; }
};

/// The frame geometry of a frame of width x height client pixels drawn from `view`.
FrameGeometry frameGeometryFor(const ViewState& view, int width, int height);

/// Inverse of m; false (out untouched) when m is singular or not finite.
bool invertMatrix(const Mat4d& m, Mat4d& out);

/**
 * @brief The model-space point at client pixel (screenX, screenY) and depth 0 (near plane) ..
 * 1 (far plane): viewport to normalised device coordinates, then through the inverse of
 * world x view x projection with the division by w.
 *
 * False when the frame has no area or its matrices cannot be inverted.
 */
bool unprojectPoint(const FrameGeometry& frame, double screenX, double screenY, double depth,
                    Vec3d& out);

struct PickResult {
  bool found = false;
  double x = 0, y = 0, z = 0;  //!< model space
};

/**
 * @brief The terrain point nearest to nearPoint on the infinite line through nearPoint and
 * farPoint, by testing every triangle of every sub-grid (shown or hidden) in index order.
 *
 * Each triangle's plane is met by the line in single precision; the meeting point counts when
 * it lies inside the triangle seen from above (x-y plane, edges and corners included). The
 * smallest squared distance to nearPoint wins; equal distances keep the earlier triangle. Not
 * found without an index list or when nothing is hit.
 */
PickResult intersectTerrain(const TerrainMesh& mesh, const ElevationGrid& grid,
                            const Vec3f& nearPoint, const Vec3f& farPoint);

/**
 * @brief A bounding-box pyramid over the terrain's cells that answers intersectTerrain's
 * question in far fewer triangle tests, with bit-identical results.
 *
 * Every box is widened by a bound on the single-precision rounding of the exhaustive test, so
 * no triangle that test would accept is skipped; the candidates are then tested with the very
 * same arithmetic and ranked by (distance, triangle index). Sub-grids whose triangles are too
 * steep or not finite for such a bound are tested exhaustively.
 *
 * The pyramid follows the mesh: it is rebuilt by update() whenever the mesh's positions or
 * indices changed since (an open, a relief change), and only then.
 */
class TerrainPicker {
public:
  /// Rebuilds when the mesh changed since the last build; returns true when it rebuilt.
  bool update(const TerrainMesh& mesh, const ElevationGrid& grid);
  /// Builds from scratch.
  void build(const TerrainMesh& mesh, const ElevationGrid& grid);
  void clear();

  /// intersectTerrain's result. The picker must be up to date with the mesh (see update()).
  PickResult intersect(const TerrainMesh& mesh, const Vec3f& nearPoint,
                       const Vec3f& farPoint) const;

  /// Bytes held by the pyramid.
  size_t memoryBytes() const;
  //! Triangles tested by the last intersect() (for benchmarks and tests).
  uint64_t lastTriangleTests() const { return mLastTests; }

  //! A box in model space.
  struct Box {
    float lo[3];
    float hi[3];
  };

private:
  struct RayQuery;
  struct BestHit;
  struct SubGrid {
    uint64_t base = 0;  //!< first vertex
    uint64_t firstTriangle = 0;
    uint32_t cellColumns = 0, cellRows = 0;
    bool exhaustive = false;  //!< no pyramid: every triangle is tested
    double slope = 0;         //!< steepest |gradient| of its triangles
    std::vector<int> levelWidth, levelHeight;
    std::vector<size_t> levelOffset;  //!< into mBoxes, level 0 = leaf blocks
  };
  void searchSubGrid(const TerrainMesh& mesh, const SubGrid& s, const RayQuery& q,
                     BestHit& best) const;

  std::vector<SubGrid> mSubGrids;
  std::vector<Box> mBoxes;
  double mMagnitude = 0;  //!< largest |coordinate| of any vertex
  uint64_t mRevision = 0;
  bool mBuilt = false;
  mutable uint64_t mLastTests = 0;
};

/**
 * @brief The point of the model under client pixel (screenX, screenY) of the frame.
 *
 * With `intersect`: the nearest terrain point under the pixel (intersectTerrain between the
 * near-plane and far-plane points), answered by `picker` when given (it must be up to date).
 * Without: the near-plane point scaled by the eye distance, which is where the viewing ray
 * meets the plane z = 0 when the world matrix is the identity; pan distances are differences
 * of two such points. Not found when the frame cannot be unprojected.
 */
PickResult pickTerrain(const TerrainMesh& mesh, const ElevationGrid& grid,
                       const FrameGeometry& frame, double screenX, double screenY, bool intersect,
                       const TerrainPicker* picker = nullptr);

}  // namespace torvane
