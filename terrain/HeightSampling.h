#pragma once
// The terrain height at points that are not grid nodes (track fixes, marks, ruler points, the
// cursor readout). A point's height is read from the drawn triangle that contains it, so sampled
// heights lie exactly on the rendered surface: the linear interpolation of the triangle's three
// node heights.

#include <cstdint>
#include <vector>

namespace torvane {

class ElevationGrid;
class TerrainMesh;

/**
 * @brief Height at a geographic point (degrees), with its grid plane coordinates.
 *
 * X, Y and H are set to 0 first. Returns false when no terrain with an index list is loaded,
 * when the point lies outside the data's geographic bounds (then nothing is converted), or when
 * no drawn triangle contains it (X and Y then already hold the converted position). For data in
 * plane coordinates (LEM) the point is projected into the grid's zone and sampled there.
 * The first sub-grid in load order whose extent holds the point answers, hidden ones included.
 */
bool heightAtGeo(const ElevationGrid& grid, const TerrainMesh& mesh, double lon, double lat,
                 double& X, double& Y, double& H);

/**
 * @brief Height at a point in grid plane metres (X easting, Y northing).
 *
 * H is set to 0 first; the result is false under the same conditions as heightAtGeo().
 */
bool heightAtGrid(const ElevationGrid& grid, const TerrainMesh& mesh, double X, double Y,
                  double& H);

/**
 * @brief The same sampling for many queries: the sub-grids' corner keys are worked out once, and
 * their row and column keys, where they run monotonically, are copied side by side so that the
 * cell search becomes a binary search (the results are identical to heightAtGeo and
 * heightAtGrid).
 *
 * Build it after every open (the node arrays, the file list or the index list changed); it
 * keeps no pointer into the grid or the mesh, which every query passes again. A sampler built
 * on an empty scene answers false.
 */
class HeightSampler {
public:
  HeightSampler() = default;
  HeightSampler(const ElevationGrid& grid, const TerrainMesh& mesh) { build(grid, mesh); }

  void build(const ElevationGrid& grid, const TerrainMesh& mesh);

  bool heightAtGeo(const ElevationGrid& grid, const TerrainMesh& mesh, double lon, double lat,
                   double& X, double& Y, double& H) const;
  bool heightAtGrid(const ElevationGrid& grid, const TerrainMesh& mesh, double X, double Y,
                    double& H) const;

  //! What the cell search needs of one sub-grid.
  struct SubGrid {
    uint64_t base = 0;     //!< first node
    uint32_t columns = 0;  //!< W
    uint32_t rows = 0;     //!< R
    bool usable = false;   //!< at least one cell, and its nodes lie inside the arrays
    double uWest = 0, uEast = 0, vSouth = 0, vNorth = 0;  //!< corner keys
    //! u of row 0 when it never decreases west to east, else empty (linear search)
    std::vector<double> columnKeys;
    //! v of column 0 when it never increases north to south, else empty (linear search)
    std::vector<double> rowKeys;
  };

private:
  std::vector<SubGrid> mSubGrids;
};

}  // namespace torvane
