#include "contour/ContourTrace.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "elevation/ElevationGrid.h"

namespace torvane {

namespace {

struct Nodes {
  const double* F;  // the traced field
  const double* X;
  const double* Y;
  const double* H;
};

struct Point {
  double X, Y, H;
};

// The segment that `level` cuts from triangle (a, b, c), if any. Both the single-level trace and
// the range trace call exactly this, so their segments agree to the bit.
inline bool triangleSegment(const Nodes& n, uint64_t a, uint64_t b, uint64_t c, double level,
                            Point (&p)[2]) {
  const uint64_t corner[3] = {a, b, c};
  Point found[3];
  int count = 0;
  for (uint64_t i : corner) {
    if (std::fabs(n.F[i] - level) < kContourEpsilon) {
      found[count++] = {n.X[i], n.Y[i], n.H[i]};
    }
  }
  if (count <= 1) {
    const uint64_t edge[3][2] = {{a, b}, {b, c}, {c, a}};
    for (const auto& e : edge) {
      if (count == 2) {
        break;
      }
      const double fp = n.F[e[0]];
      const double fq = n.F[e[1]];
      if (fp == fq) {
        continue;
      }
      const uint64_t low = fp < fq ? e[0] : e[1];
      const uint64_t high = fp < fq ? e[1] : e[0];
      const double fLow = n.F[low];
      const double fHigh = n.F[high];
      if (fLow + kContourEpsilon < level && level < fHigh - kContourEpsilon) {
        const double t = (level - fLow) / (fHigh - fLow);
        found[count++] = {n.X[low] + t * (n.X[high] - n.X[low]),
                          n.Y[low] + t * (n.Y[high] - n.Y[low]),
                          n.H[low] + t * (n.H[high] - n.H[low])};
      }
    }
  }
  if (count != 2) {
    return false;
  }
  p[0] = found[0];
  p[1] = found[1];
  return true;
}

inline void appendSegment(ContourTrace& out, const Point (&p)[2]) {
  out.append(p[0].X, p[0].Y, p[0].H);
  out.append(p[1].X, p[1].Y, p[1].H);
}

bool nodesOf(const ElevationGrid& grid, int kind, Nodes& n) {
  n.F = contourField(grid, kind);
  n.X = grid.X.get();
  n.Y = grid.Y.get();
  n.H = grid.H.get();
  return n.F != nullptr;
}

// Calls fn(file base, W, R) for every file whose triangles fit the stored nodes, in load order.
template <typename Fn>
void forEachFile(const ElevationGrid& grid, Fn&& fn) {
  uint64_t base = 0;
  for (const GridFile& f : grid.files) {
    const uint64_t w = f.sampledColumns;
    const uint64_t r = f.sampledRows;
    if (base + w * r > grid.count) {
      return;  // a file list that disagrees with the nodes: trace what is really there
    }
    if (w >= 2 && r >= 2) {
      fn(base, w, r);
    }
    base += w * r;
  }
}

}  // namespace

const double* contourField(const ElevationGrid& grid, int kind) {
  if (grid.count == 0) {
    return nullptr;
  }
  if (kind == kElevationContour) {
    return grid.H.get();
  }
  if (kind == kSlopeContour && grid.analysed) {
    return grid.slope.get();
  }
  return nullptr;
}

uint64_t traceContours(const ElevationGrid& grid, int kind, double level, uint64_t outCapacity,
                       ContourTrace& out) {
  out.clear();
  Nodes n;
  if (!nodesOf(grid, kind, n)) {
    return 0;
  }
  bool stopped = false;
  Point p[2];
  auto triangle = [&](uint64_t a, uint64_t b, uint64_t c) {
    if (triangleSegment(n, a, b, c, level, p)) {
      appendSegment(out, p);
      stopped = out.size() + 2 >= outCapacity;
    }
  };
  forEachFile(grid, [&](uint64_t base, uint64_t w, uint64_t r) {
    for (uint64_t m = 0; m + 1 < r && !stopped; ++m) {
      for (uint64_t b = 0; b + 1 < w && !stopped; ++b) {
        const uint64_t c = base + m * w + b;
        triangle(c, c + 1, c + w);
        if (!stopped) {
          triangle(c + w + 1, c + w, c + 1);
        }
      }
    }
  });
  return out.size();
}

int64_t ContourLevels::count() const {
  if (last < first) {
    return 0;
  }
  return (int64_t{last} - first) / std::max(1, step) + 1;
}

namespace {

// The levels a range trace still records, and the proof that the ones after a prefix can never
// be stored.
class RangeRecorder {
public:
  RangeRecorder(size_t levels, const ContourRangeLimits& limits)
      : mLimits(limits),
        mTraces(levels),
        mRecording(mTraces.size(), true),
        mAlive(static_cast<int>(mTraces.size())) {
    for (size_t k = 0; k < mTraces.size() && k < limits.skip.size(); ++k) {
      mRecording[k] = !limits.skip[k];
    }
    prune();
  }

  int alive() const { return mAlive; }
  bool recording(int k) const { return mRecording[static_cast<size_t>(k)]; }

  void add(int k, const Point (&p)[2]) {
    ContourTrace& t = mTraces[static_cast<size_t>(k)];
    appendSegment(t, p);
    ++mAdded;
    if (t.size() + 2 >= mLimits.outCapacity) {
      mRecording[static_cast<size_t>(k)] = false;  // the single-level trace stops here too
    }
  }

  // Levels are stored in order. A level is refused once the levels with segments before it have
  // used up the free set slots, or their points leave fewer than two free: counts only grow, so
  // what is refused now stays refused, and its trace is not needed.
  void prune() {
    if (mAdded == 0 && mPruned) {
      return;
    }
    mPruned = true;
    mAdded = 0;
    uint64_t points = 0;
    int sets = 0;
    int k = 0;
    for (; k < mAlive; ++k) {
      if (points + 1 >= mLimits.pointsLeft || sets >= mLimits.setsLeft) {
        break;
      }
      const ContourTrace& t = mTraces[static_cast<size_t>(k)];
      if (!isSkipped(k) && t.size() >= 2) {
        points += t.size();
        ++sets;
      }
    }
    for (int j = k; j < mAlive; ++j) {
      mTraces[static_cast<size_t>(j)] = ContourTrace{};
      mRecording[static_cast<size_t>(j)] = false;
    }
    mAlive = k;
  }

  std::vector<ContourTrace> take() { return std::move(mTraces); }

private:
  bool isSkipped(int k) const {
    return static_cast<size_t>(k) < mLimits.skip.size() && mLimits.skip[static_cast<size_t>(k)];
  }

  const ContourRangeLimits& mLimits;
  std::vector<ContourTrace> mTraces;
  std::vector<bool> mRecording;
  int mAlive;
  uint64_t mAdded = 0;
  bool mPruned = false;
};

// Lowest and highest of four values, ignoring NaN (a NaN node lies on no level and bounds no
// crossing edge). False when all four are NaN.
inline bool cellRange(double a, double b, double c, double d, double& lo, double& hi) {
  if (!std::isnan(a + b + c + d)) {
    lo = std::min(std::min(a, b), std::min(c, d));
    hi = std::max(std::max(a, b), std::max(c, d));
    return true;
  }
  lo = std::numeric_limits<double>::infinity();
  hi = -lo;
  for (double v : {a, b, c, d}) {
    if (!std::isnan(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  return lo <= hi;
}

// The one walk of a range trace: every cell once; `candidates(lo, hi, visit)` calls visit(k) for
// each level k that may lie within epsilon of the cell's value range lo..hi (the exact test of
// each triangle decides); the cell's two triangles are then tested against level k in their
// order, so every level's segments keep the order of the single-level trace.
template <typename Candidates>
std::vector<ContourTrace> walkLevels(const ElevationGrid& grid, const Nodes& n,
                                     RangeRecorder& recorder, const std::vector<double>& values,
                                     const ContourProgressFn& progress, Candidates&& candidates) {
  uint64_t rowsDone = 0;
  uint64_t rowsTotal = 0;
  forEachFile(grid, [&](uint64_t, uint64_t, uint64_t r) { rowsTotal += r - 1; });

  Point p[2];
  forEachFile(grid, [&](uint64_t base, uint64_t w, uint64_t r) {
    for (uint64_t m = 0; m + 1 < r && recorder.alive() > 0; ++m) {
      const uint64_t row = base + m * w;
      for (uint64_t b = 0; b + 1 < w; ++b) {
        const uint64_t c = row + b;
        double lo, hi;
        if (!cellRange(n.F[c], n.F[c + 1], n.F[c + w], n.F[c + w + 1], lo, hi)) {
          continue;
        }
        candidates(lo, hi, [&](int k) {
          if (!recorder.recording(k)) {
            return;
          }
          const double level = values[static_cast<size_t>(k)];
          if (triangleSegment(n, c, c + 1, c + w, level, p)) {
            recorder.add(k, p);
            if (!recorder.recording(k)) {
              return;
            }
          }
          if (triangleSegment(n, c + w + 1, c + w, c + 1, level, p)) {
            recorder.add(k, p);
          }
        });
      }
      recorder.prune();
      ++rowsDone;
      if (progress && (rowsDone & 63) == 0) {
        progress(static_cast<double>(rowsDone) / static_cast<double>(rowsTotal));
      }
    }
  });
  if (progress) {
    progress(1.0);
  }
  return recorder.take();
}

// Every level that a cell's triangles can give a point for lies strictly within epsilon of the
// cell's value range; twice epsilon keeps rounding of the candidate search on the safe side.
constexpr double kCandidateMargin = 2 * kContourEpsilon;

}  // namespace

std::vector<ContourTrace> traceContourRange(const ElevationGrid& grid, int kind,
                                            const ContourLevels& levels,
                                            const ContourRangeLimits& limits,
                                            const ContourProgressFn& progress) {
  const size_t count =
      static_cast<size_t>(std::min<int64_t>(levels.count(), kContourLevelsPerPass));
  RangeRecorder recorder(count, limits);
  Nodes n;
  if (!nodesOf(grid, kind, n) || recorder.alive() == 0) {
    return recorder.take();
  }
  std::vector<double> values(count);
  for (size_t k = 0; k < count; ++k) {
    values[k] = levels.value(static_cast<int64_t>(k));
  }
  // Equally spaced levels: the candidates follow from the cell's range by arithmetic.
  const double first = levels.first;
  const double inverse = 1.0 / std::max(1, levels.step);
  return walkLevels(grid, n, recorder, values, progress, [&](double lo, double hi, auto&& visit) {
    const double kLow = std::max(0.0, std::ceil((lo - kCandidateMargin - first) * inverse));
    const double kHigh = std::min<double>(recorder.alive() - 1,
                                          std::floor((hi + kCandidateMargin - first) * inverse));
    if (kLow <= kHigh) {
      for (int k = static_cast<int>(kLow), end = static_cast<int>(kHigh); k <= end; ++k) {
        visit(k);
      }
    }
  });
}

std::vector<ContourTrace> traceContourLevels(const ElevationGrid& grid, int kind,
                                             std::span<const int> levels,
                                             const ContourRangeLimits& limits,
                                             const ContourProgressFn& progress) {
  const size_t count = std::min<size_t>(levels.size(), kContourLevelsPerPass);
  RangeRecorder recorder(count, limits);
  Nodes n;
  if (!nodesOf(grid, kind, n) || recorder.alive() == 0) {
    return recorder.take();
  }
  std::vector<double> values(levels.begin(), levels.begin() + static_cast<ptrdiff_t>(count));
  // Levels in any order: search the cell's range in the levels sorted by value.
  std::vector<std::pair<double, int>> sorted(count);
  for (size_t k = 0; k < count; ++k) {
    sorted[k] = {values[k], static_cast<int>(k)};
  }
  std::sort(sorted.begin(), sorted.end());
  return walkLevels(grid, n, recorder, values, progress, [&](double lo, double hi, auto&& visit) {
    const double low = lo - kCandidateMargin;
    const double high = hi + kCandidateMargin;
    auto it =
        std::lower_bound(sorted.begin(), sorted.end(), low,
                         [](const std::pair<double, int>& e, double v) { return e.first < v; });
    for (; it != sorted.end() && it->first <= high; ++it) {
      if (it->second < recorder.alive()) {
        visit(it->second);
      }
    }
  });
}

}  // namespace torvane
