#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/GridBuilder.h"
#include "contour/ContourTrace.h"

namespace torvane {
namespace {

using fixtures::buildGrid;
using fixtures::SubGrid;

// One cell of 10 m: NW (0, 10), NE (10, 10), SW (0, 0), SE (10, 0). Its triangles are
// (NW, NE, SW) and (SE, SW, NE).
SubGrid cell(double nw, double ne, double sw, double se) {
  SubGrid s;
  s.columns = 2;
  s.rows = 2;
  s.y0 = 10;
  s.height = [=](int r, int c) { return r == 0 ? (c == 0 ? nw : ne) : (c == 0 ? sw : se); };
  return s;
}

struct Segment {
  double x0, y0, h0, x1, y1, h1;
};

TEST(TraceContours, TriangleRules) {
  struct Case {
    const char* name;
    double nw, ne, sw, se, level;
    std::vector<Segment> expected;  // first segments, in order
    uint64_t points;
  };
  // clang-format off
  const Case cases[] = {
      // A=90, B=110, C=130: halfway along A-B, then a quarter along A-C, both from A. The
      // second triangle (120, 130, 110) lies above the level.
      {"crossing edges", 90, 110, 130, 120, 100, {{5, 10, 100, 0, 7.5, 100}}, 2},
      // Two nodes on the level give their edge; the other triangle touches it at NE only.
      {"edge on level", 100, 100, 120, 130, 100, {{0, 10, 100, 10, 10, 100}}, 2},
      {"flat on level", 100, 100, 100, 100, 100, {}, 0},
      // NW lies within epsilon: it is used itself, never an edge crossing next to it; then
      // B-C is crossed halfway. The second triangle (120, 110, 90) crosses SW-NE and NE-SE.
      {"node within epsilon", 100.00003, 90, 110, 120, 100,
       {{0, 10, 100.00003, 5, 5, 100}, {5, 5, 100, 10, 10 - 10.0 / 3, 100}}, 4},
      {"level below the terrain", 90, 110, 130, 120, 50, {}, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ElevationGrid grid;
    buildGrid(grid, {cell(c.nw, c.ne, c.sw, c.se)});
    ContourTrace out;
    ASSERT_EQ(traceContours(grid, kElevationContour, c.level, 1000, out), c.points);
    ASSERT_EQ(out.size(), c.points);
    for (size_t i = 0; i < c.expected.size(); ++i) {
      const Segment& s = c.expected[i];
      EXPECT_DOUBLE_EQ(out.X[2 * i], s.x0);
      EXPECT_DOUBLE_EQ(out.Y[2 * i], s.y0);
      EXPECT_DOUBLE_EQ(out.H[2 * i], s.h0);
      EXPECT_DOUBLE_EQ(out.X[2 * i + 1], s.x1);
      EXPECT_DOUBLE_EQ(out.Y[2 * i + 1], s.y1);
      EXPECT_DOUBLE_EQ(out.H[2 * i + 1], s.h1);
    }
  }
}

TEST(TraceContours, FieldsFilesAndCapacity) {
  // Two files: a ramp rising east (3 x 2) and, after it, one cell rising south.
  SubGrid ramp;
  ramp.columns = 3;
  ramp.rows = 2;
  ramp.height = [](int, int c) { return 10.0 * c; };  // 0, 10, 20
  SubGrid second = cell(0, 0, 20, 20);
  second.x0 = 100;
  ElevationGrid grid;
  buildGrid(grid, {ramp, second});
  grid.files[1].shown = false;  // hidden files are traced all the same

  ContourTrace out;
  // Level 5: both triangles of the ramp's first cell, then both of the second file.
  ASSERT_EQ(traceContours(grid, kElevationContour, 5, 1000, out), 8u);
  EXPECT_DOUBLE_EQ(out.X[0], 5);
  EXPECT_DOUBLE_EQ(out.X[2], 5);
  EXPECT_DOUBLE_EQ(out.X[4], 107.5);  // the second file comes last: NE to SW, a quarter on

  // The trace stops once the count reaches outCapacity - 2.
  ContourTrace cut;
  EXPECT_EQ(traceContours(grid, kElevationContour, 5, 6, cut), 4u);
  EXPECT_EQ(cut.X, std::vector<double>(out.X.begin(), out.X.begin() + 4));

  // Slope before analysis, other kinds, and no grid trace nothing; slope after analysis does.
  EXPECT_EQ(traceContours(grid, kSlopeContour, 5, 1000, out), 0u);
  EXPECT_EQ(traceContours(grid, kDifferenceContour, 5, 1000, out), 0u);
  EXPECT_EQ(traceContours(ElevationGrid{}, kElevationContour, 5, 1000, out), 0u);
  for (uint32_t i = 0; i < grid.count; ++i) {
    grid.slope[i] = grid.H[i];  // a slope field equal to the heights
  }
  grid.analysed = true;
  EXPECT_EQ(traceContours(grid, kSlopeContour, 5, 1000, out), 8u);
}

// The range trace against one trace per level, with the levels refused as a store refuses them
// in order: skipped levels, no free set, fewer than two free points.
void expectRangeMatchesReference(const ElevationGrid& grid, int kind, const ContourLevels& levels,
                                 const ContourRangeLimits& limits) {
  const std::vector<ContourTrace> range = traceContourRange(grid, kind, levels, limits);
  ASSERT_EQ(static_cast<int64_t>(range.size()), levels.count());
  uint64_t pointsLeft = limits.pointsLeft;
  int setsLeft = limits.setsLeft;
  ContourTrace reference;
  for (int64_t k = 0; k < levels.count(); ++k) {
    if ((k < static_cast<int64_t>(limits.skip.size()) && limits.skip[static_cast<size_t>(k)]) ||
        setsLeft == 0 || pointsLeft <= 1) {
      continue;
    }
    const uint64_t n = traceContours(grid, kind, levels.value(k), limits.outCapacity, reference);
    SCOPED_TRACE(::testing::Message() << "level " << levels.value(k));
    EXPECT_EQ(range[static_cast<size_t>(k)].X, reference.X);
    EXPECT_EQ(range[static_cast<size_t>(k)].Y, reference.Y);
    EXPECT_EQ(range[static_cast<size_t>(k)].H, reference.H);
    if (n >= 2) {
      --setsLeft;
      pointsLeft -= std::min(n, pointsLeft - 1);
    }
  }
}

TEST(TraceContourRange, EqualsOneTracePerLevelOnRandomGrids) {
  std::mt19937 random(14);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    // Whole-metre heights put nodes and whole edges on the levels; plateaus give flat cells.
    std::vector<SubGrid> subs;
    const int files = 1 + static_cast<int>(random() % 3);
    for (int f = 0; f < files; ++f) {
      SubGrid s;
      s.columns = 2 + random() % 12;
      s.rows = 2 + random() % 12;
      s.x0 = 200.0 * f;
      const bool integral = random() % 2 == 0;
      std::vector<double> h(s.columns * s.rows);
      for (double& v : h) {
        const double raw = std::uniform_real_distribution<double>(0, 60)(random);
        v = integral ? std::round(raw / 5) * 5 : raw;
      }
      s.height = [h, w = s.columns](int r, int c) { return h[static_cast<size_t>(r) * w + c]; };
      subs.push_back(s);
    }
    ElevationGrid grid;
    buildGrid(grid, subs);
    const int kind = round % 4 == 3 ? kSlopeContour : kElevationContour;
    if (kind == kSlopeContour) {
      for (uint32_t i = 0; i < grid.count; ++i) {
        grid.slope[i] = std::fmod(grid.H[i] * 1.7, 45);
      }
      grid.analysed = true;
    }
    const ContourLevels levels{static_cast<int>(random() % 10) - 5, 65,
                               1 + static_cast<int>(random() % 7)};
    ContourRangeLimits limits;
    const bool tight = round % 2 == 1;  // the store fills during the range
    limits.outCapacity = tight ? 6 + random() % 40 : 1'000'000;
    limits.pointsLeft = tight ? 2 + random() % 200 : 1'000'000;
    limits.setsLeft = tight ? 1 + static_cast<int>(random() % 8) : 300;
    for (int64_t k = 0; k < levels.count(); ++k) {
      limits.skip.push_back(random() % 5 == 0);
    }
    expectRangeMatchesReference(grid, kind, levels, limits);
  }
}

}  // namespace
}  // namespace torvane
