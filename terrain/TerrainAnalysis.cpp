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
// The nine arc tangents per node dominate the cost. Each row is done in three steps: the
// arguments of all nine for the whole row, the arc tangents as one array (vectorised), then
// the sums. Rows are independent, so they are split across threads.

#include "terrain/TerrainAnalysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "elevation/ElevationGrid.h"
#include "terrain/Parallel.h"
#include "terrain/VectorAtan.h"

namespace torvane {

namespace {

constexpr double kEpsilon = 0.00005;
constexpr double kPi = 3.141592653589793;
constexpr int kSlots = 9;      // 8 neighbour angles, then the slope
constexpr int kSlopeSlot = 8;

double degrees(double radians) { return radians * 180.0 / kPi; }

//! One interior row of one sub-grid.
struct RowTask {
  uint64_t rowStart;  // node index of column 0 of the row
  uint32_t width;     // W
};

//! Per-thread scratch: the arc tangent arguments and results of one row, slot-major.
struct RowScratch {
  std::vector<double> in;
  std::vector<double> out;
};

void analyseRow(const ElevationGrid& g, const RowTask& task, RowScratch& s,
                double* slope, double* openAbove, double* openBelow) {
  const uint64_t w = task.width;
  const size_t n = static_cast<size_t>(w - 2);  // interior nodes of the row
  const double* X = g.X.get();
  const double* Y = g.Y.get();
  const double* H = g.H.get();
  double* in = s.in.data();

  for (size_t k = 0; k < n; ++k) {
    const uint64_t h = task.rowStart + 1 + k;
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
    in[kSlopeSlot * n + k] = std::sqrt(gx * gx + gy * gy);

    // Elevation-angle tangents in the order NW, N, NE, W_, E_, SW, S, SE. A neighbour too close
    // to measure gets 0, which adds nothing to either sum.
    auto diagonal = [&](uint64_t m) {
      const double dx = X[m] - xh, dy = Y[m] - yh;
      const double d = std::sqrt(dx * dx + dy * dy);
      return d > kEpsilon ? (H[m] - hh) / d : 0.0;
    };
    auto northSouth = [&](uint64_t m) {
      const double d = std::fabs(Y[m] - yh);
      return d > kEpsilon ? (H[m] - hh) / d : 0.0;
    };
    auto eastWest = [&](uint64_t m) {
      const double d = std::fabs(X[m] - xh);
      return d > kEpsilon ? (H[m] - hh) / d : 0.0;
    };
    in[0 * n + k] = diagonal(nw);
    in[1 * n + k] = northSouth(no);
    in[2 * n + k] = diagonal(ne);
    in[3 * n + k] = eastWest(we);
    in[4 * n + k] = eastWest(ea);
    in[5 * n + k] = diagonal(sw);
    in[6 * n + k] = northSouth(so);
    in[7 * n + k] = diagonal(se);
  }

  atanArray(in, s.out.data(), kSlots * n);

  const double* out = s.out.data();
  for (size_t k = 0; k < n; ++k) {
    double above = 0.0, below = 0.0;
    for (int slot = 0; slot < 8; ++slot) {
      const double t = in[static_cast<size_t>(slot) * n + k];
      const double a = out[static_cast<size_t>(slot) * n + k];
      above += t > 0 ? a : 0.0;
      below += t < 0 ? a : 0.0;
    }
    const uint64_t h = task.rowStart + 1 + k;
    slope[h] = degrees(out[kSlopeSlot * n + k]);
    openAbove[h] = degrees(std::fabs(above * 0.125));
    openBelow[h] = degrees(std::fabs(below * 0.125));
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

bool analyseTerrain(ElevationGrid& grid, unsigned threads) {
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
  uint32_t maxWidth = 0;
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
    maxWidth = std::max(maxWidth, f.sampledColumns);
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
    RowScratch scratch;
    scratch.in.resize(static_cast<size_t>(kSlots) * maxWidth);
    scratch.out.resize(static_cast<size_t>(kSlots) * maxWidth);
    for (size_t i = first; i < last; ++i) {
      analyseRow(grid, rows[i], scratch, grid.slope.get(), grid.openAbove.get(),
                 grid.openBelow.get());
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
