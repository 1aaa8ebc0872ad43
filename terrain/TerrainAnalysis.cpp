// Slope and openness from the 3 x 3 neighbourhood of each node:
//
//   NW N  NE      h - W - 1   h - W   h - W + 1
//   W_ h  E_      h - 1       h       h + 1
//   SW S  SE      h + W - 1   h + W   h + W + 1
//
// Slope is the Sobel (Horn 1981) gradient with the spans measured from the neighbours' own
// plane coordinates, so thinned or projected grids with uneven spacing get true gradients.
// Openness (Yokoyama, Shirasawa and Pike 2002) is reduced to the immediate neighbours: the mean
// over the 8 directions of the elevation angle towards higher neighbours (above-ground) or
// lower ones (below-ground), a direction without such a neighbour counting as 0.
//
// The nine arc tangents per node dominate the cost. They use a fast approximation within about
// one unit in the last place of std::atan (AtanApprox.h), on CPUs with AVX four nodes at a time
// entirely in vector registers (TerrainAvx.cpp). Both paths perform the same operations in the
// same order and give the same bits. Rows are independent, so they are split across threads.

#include "terrain/TerrainAnalysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "elevation/ElevationGrid.h"
#include "terrain/AtanApprox.h"
#include "terrain/AtanCoefficients.h"
#include "terrain/Parallel.h"
#include "terrain/TerrainAvx.h"

namespace torvane {

namespace {

constexpr double kEpsilon = 0.00005;

//! One interior row of one sub-grid.
struct RowTask {
  uint64_t rowStart;  // node index of column 0 of the row
  uint32_t width;     // W
};

// Slope and openness of interior node h of a sub-grid of row length w. `atanRatio(y, x)` is
// atan(y / x) for y >= 0, x > 0.
template <typename AtanRatio>
void analyseNode(const ElevationGrid& g, uint64_t h, uint64_t w, AtanRatio atanRatio) {
  const double* X = g.X.get();
  const double* Y = g.Y.get();
  const double* H = g.H.get();
  const uint64_t nw = h - w - 1, no = h - w, ne = h - w + 1;
  const uint64_t we = h - 1, ea = h + 1;
  const uint64_t sw = h + w - 1, so = h + w, se = h + w + 1;
  const double xh = X[h], yh = Y[h], hh = H[h];

  const double sx = std::fabs(X[nw] - xh) + 2 * std::fabs(X[we] - xh) + std::fabs(X[sw] - xh) +
                    std::fabs(X[ne] - xh) + 2 * std::fabs(X[ea] - xh) + std::fabs(X[se] - xh);
  const double gx =
      sx > kEpsilon ? (H[nw] + 2 * H[we] + H[sw] - H[ne] - 2 * H[ea] - H[se]) / sx : 0.0;
  const double sy = std::fabs(Y[nw] - yh) + 2 * std::fabs(Y[no] - yh) + std::fabs(Y[ne] - yh) +
                    std::fabs(Y[sw] - yh) + 2 * std::fabs(Y[so] - yh) + std::fabs(Y[se] - yh);
  const double gy =
      sy > kEpsilon ? (H[nw] + 2 * H[no] + H[ne] - H[sw] - 2 * H[so] - H[se]) / sy : 0.0;
  g.slope[h] = atanRatio(std::sqrt(gx * gx + gy * gy), 1.0) * atancoeff::kDegrees;

  // Elevation angles towards the neighbours in the order NW, N, NE, W_, E_, SW, S, SE; one too
  // close to measure, or at the same height, adds to neither sum.
  double up = 0.0, down = 0.0;
  auto add = [&](uint64_t m, double d) {
    const double dh = H[m] - hh;
    if (d > kEpsilon) {
      if (dh > 0) {
        up += atanRatio(dh, d);
      } else if (dh < 0) {
        down += -atanRatio(-dh, d);
      }
    }
  };
  auto diagonal = [&](uint64_t m) {
    const double dx = X[m] - xh, dy = Y[m] - yh;
    add(m, std::sqrt(dx * dx + dy * dy));
  };
  diagonal(nw);
  add(no, std::fabs(Y[no] - yh));
  diagonal(ne);
  add(we, std::fabs(X[we] - xh));
  add(ea, std::fabs(X[ea] - xh));
  diagonal(sw);
  add(so, std::fabs(Y[so] - yh));
  diagonal(se);
  g.openAbove[h] = std::fabs(up * 0.125) * atancoeff::kDegrees;
  g.openBelow[h] = std::fabs(down * 0.125) * atancoeff::kDegrees;
}

void analyseRow(ElevationGrid& g, const RowTask& row, bool useAvx, bool reference) {
  const uint64_t w = row.width;
  if (reference) {
    const auto libraryAtan = [](double y, double x) { return std::atan(y / x); };
    for (uint64_t c = 1; c + 1 < w; ++c) {
      analyseNode(g, row.rowStart + c, w, libraryAtan);
    }
  } else if (useAvx && w >= 6) {
    const uint64_t at = row.rowStart;
    analyseRowAvx(g.X.get() + at, g.Y.get() + at, g.H.get() + at, w, g.slope.get() + at,
                  g.openAbove.get() + at, g.openBelow.get() + at);
  } else {
    for (uint64_t c = 1; c + 1 < w; ++c) {
      analyseNode(g, row.rowStart + c, w, approxAtanRatio);
    }
  }
}

void copyNode(ElevationGrid& g, uint64_t to, uint64_t from) {
  g.slope[to] = g.slope[from];
  g.openAbove[to] = g.openAbove[from];
  g.openBelow[to] = g.openBelow[from];
}

// Border nodes take the values of their nearest interior node.
void copyBorders(ElevationGrid& g, uint64_t base, uint64_t w, uint64_t r) {
  auto at = [&](uint64_t row, uint64_t col) { return base + row * w + col; };
  for (uint64_t c = 1; c + 1 < w; ++c) {
    copyNode(g, at(0, c), at(1, c));
    copyNode(g, at(r - 1, c), at(r - 2, c));
  }
  for (uint64_t row = 1; row + 1 < r; ++row) {
    copyNode(g, at(row, 0), at(row, 1));
    copyNode(g, at(row, w - 1), at(row, w - 2));
  }
  copyNode(g, at(0, 0), at(1, 1));
  copyNode(g, at(0, w - 1), at(1, w - 2));
  copyNode(g, at(r - 1, 0), at(r - 2, 1));
  copyNode(g, at(r - 1, w - 1), at(r - 2, w - 2));
}

struct Extents {
  double lo[3];
  double hi[3];
};

Extents extentsOf(const ElevationGrid& g, uint64_t begin, uint64_t end) {
  const double* arrays[3] = {g.slope.get(), g.openAbove.get(), g.openBelow.get()};
  Extents e;
  for (int m = 0; m < 3; ++m) {
    double lo = arrays[m][begin], hi = lo;
    for (uint64_t i = begin + 1; i < end; ++i) {
      lo = std::min(lo, arrays[m][i]);
      hi = std::max(hi, arrays[m][i]);
    }
    e.lo[m] = lo;
    e.hi[m] = hi;
  }
  return e;
}

}  // namespace

bool analyseTerrain(ElevationGrid& grid, unsigned threads, bool fastAtan) {
  if (grid.count < 9 || !grid.slope || !grid.openAbove || !grid.openBelow) {
    return false;
  }
  uint64_t total = 0;
  for (int k = 0; k < grid.fileCount; ++k) {
    total += grid.fileNodeCount(k);
  }
  if (total != grid.count) {
    return false;
  }

  // Interior rows of every sub-grid, with a running count of interior nodes for splitting.
  std::vector<RowTask> rows;
  std::vector<uint64_t> nodesBefore;
  uint64_t interior = 0;
  for (int k = 0; k < grid.fileCount; ++k) {
    const GridFile& f = grid.files[static_cast<size_t>(k)];
    const uint64_t base = grid.fileBase(k);
    const uint64_t w = f.sampledColumns, r = f.sampledRows;
    if (w < 3 || r < 3) {
      // No interior node to measure or copy from.
      std::fill_n(grid.slope.get() + base, w * r, 0.0);
      std::fill_n(grid.openAbove.get() + base, w * r, 0.0);
      std::fill_n(grid.openBelow.get() + base, w * r, 0.0);
      continue;
    }
    for (uint64_t row = 1; row + 1 < r; ++row) {
      rows.push_back(RowTask{base + row * w, f.sampledColumns});
      nodesBefore.push_back(interior);
      interior += w - 2;
    }
  }

  const unsigned parts = workerCount(interior, threads, 1u << 16);
  forEachSlice(interior, parts, [&](unsigned, uint64_t begin, uint64_t end) {
    // Rows whose first interior node falls in [begin, end).
    const size_t first = static_cast<size_t>(
        std::lower_bound(nodesBefore.begin(), nodesBefore.end(), begin) - nodesBefore.begin());
    const size_t last = static_cast<size_t>(
        std::lower_bound(nodesBefore.begin(), nodesBefore.end(), end) - nodesBefore.begin());
    const bool avx = avxAvailable();
    for (size_t i = first; i < last; ++i) {
      analyseRow(grid, rows[i], avx, !fastAtan);
    }
  });

  for (int k = 0; k < grid.fileCount; ++k) {
    const GridFile& f = grid.files[static_cast<size_t>(k)];
    if (f.sampledColumns >= 3 && f.sampledRows >= 3) {
      copyBorders(grid, grid.fileBase(k), f.sampledColumns, f.sampledRows);
    }
  }

  const uint64_t count = grid.count;
  const unsigned extentParts = workerCount(count, threads, 1u << 20);
  std::vector<Extents> partial(extentParts);
  forEachSlice(count, extentParts, [&](unsigned p, uint64_t begin, uint64_t end) {
    partial[p] = extentsOf(grid, begin, end);
  });
  Extents e = partial[0];
  for (const Extents& part : partial) {
    for (int m = 0; m < 3; ++m) {
      e.lo[m] = std::min(e.lo[m], part.lo[m]);
      e.hi[m] = std::max(e.hi[m], part.hi[m]);
    }
  }
  grid.slopeMin = e.lo[0];
  grid.slopeMax = e.hi[0];
  grid.openAboveMin = e.lo[1];
  grid.openAboveMax = e.hi[1];
  grid.openBelowMin = e.lo[2];
  grid.openBelowMax = e.hi[2];
  grid.analysed = true;
  return true;
}

}  // namespace torvane
