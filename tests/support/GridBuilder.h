#pragma once
// Builds elevation grids in memory for the terrain tests: sub-grids of W x R nodes with plane
// coordinates X = x0 + c * spacing (east), Y = y0 - r * spacing (rows run north to south), and
// heights from a function of (row, column).

#include <cmath>
#include <functional>
#include <vector>

#include "elevation/ElevationGrid.h"

namespace torvane::fixtures {

struct SubGrid {
  uint32_t columns = 3;
  uint32_t rows = 3;
  double x0 = 0;
  double y0 = 0;
  double spacing = 10;
  std::function<double(int row, int column)> height = [](int, int) { return 0.0; };
};

/// Fills `grid` with the sub-grids in order and computes its extents. Longitude and latitude
/// are a linear map of X and Y (1 degree per 100 km) so that texture coordinates are defined.
inline void buildGrid(ElevationGrid& grid, const std::vector<SubGrid>& subs) {
  grid.releaseGrid();
  uint64_t total = 0;
  for (const SubGrid& s : subs) {
    grid.recordFile("sub.xml", s.columns, s.rows);
    grid.files.back().sampledColumns = s.columns;
    grid.files.back().sampledRows = s.rows;
    total += uint64_t{s.columns} * s.rows;
  }
  grid.allocateGrid(total);
  for (const SubGrid& s : subs) {
    for (uint32_t r = 0; r < s.rows; ++r) {
      for (uint32_t c = 0; c < s.columns; ++c) {
        const double x = s.x0 + c * s.spacing;
        const double y = s.y0 - r * s.spacing;
        grid.appendNode(x, y, s.height(static_cast<int>(r), static_cast<int>(c)), x / 1e5, y / 1e5);
      }
    }
  }
  grid.computeExtents();
  grid.lonMin = grid.Xmin / 1e5;
  grid.lonMax = grid.Xmax / 1e5;
  grid.latMin = grid.Ymin / 1e5;
  grid.latMax = grid.Ymax / 1e5;
}

/// Node index of (row, column) in a grid made of one sub-grid of width w.
inline uint64_t at(uint32_t w, int row, int column) {
  return static_cast<uint64_t>(row) * w + static_cast<uint64_t>(column);
}

}  // namespace torvane::fixtures
