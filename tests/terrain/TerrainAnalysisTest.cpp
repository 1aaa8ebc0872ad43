#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "tests/support/GridBuilder.h"
#include "terrain/TerrainAnalysis.h"
#include "terrain/AtanApprox.h"

namespace torvane {
namespace {

using fixtures::at;
using fixtures::buildGrid;
using fixtures::SubGrid;

constexpr double kDeg = 180.0 / 3.141592653589793;

void expectAllNodes(const ElevationGrid& g, double slope, double above, double below,
                    double tolerance = 1e-9) {
  for (uint32_t i = 0; i < g.count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(g.slope[i], slope, tolerance);
    EXPECT_NEAR(g.openAbove[i], above, tolerance);
    EXPECT_NEAR(g.openBelow[i], below, tolerance);
  }
}

TEST(TerrainAnalysis, FlatGridIsZeroEverywhere) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{7, 5, 0, 0, 10, [](int, int) { return 123.0; }}});
  ASSERT_TRUE(analyseTerrain(g));
  EXPECT_TRUE(g.analysed);
  expectAllNodes(g, 0, 0, 0, 0);
  EXPECT_EQ(g.slopeMax, 0);
  EXPECT_EQ(g.openAboveMax, 0);
  EXPECT_EQ(g.openBelowMax, 0);
}

TEST(TerrainAnalysis, PlaneRisingEastIs45DegreesOnInteriorAndBorder) {
  // H = X: 1 m per metre towards the east. Openness: NE, E_, SE lie higher (NE and SE at 45
  // degrees over the diagonal distance), NW, W_, SW as much lower.
  ElevationGrid g;
  buildGrid(g, {SubGrid{6, 5, 100, 500, 10, [](int, int c) { return 10.0 * c + 5; }}});
  ASSERT_TRUE(analyseTerrain(g));
  const double side = (std::atan(1.0) + 2 * std::atan(1 / std::sqrt(2.0))) / 8 * kDeg;
  expectAllNodes(g, 45, side, side);
  EXPECT_NEAR(g.slopeMin, 45, 1e-9);
  EXPECT_NEAR(g.slopeMax, 45, 1e-9);
}

TEST(TerrainAnalysis, SingleSpike) {
  // 5 x 5 nodes 10 m apart, flat at 0 except the centre at 10 m.
  ElevationGrid g;
  buildGrid(g, {SubGrid{5, 5, 0, 0, 10, [](int r, int c) { return r == 2 && c == 2 ? 10.0 : 0; }}});
  ASSERT_TRUE(analyseTerrain(g));
  const uint64_t centre = at(5, 2, 2);
  const double spikeBelow = (4 * std::atan(1.0) + 4 * std::atan(1 / std::sqrt(2.0))) / 8 * kDeg;
  EXPECT_NEAR(g.openBelow[centre], spikeBelow, 1e-12);
  EXPECT_NEAR(g.openBelow[centre], 40.13, 0.005);
  EXPECT_EQ(g.openAbove[centre], 0);

  for (int r = 1; r <= 3; ++r) {
    for (int c = 1; c <= 3; ++c) {
      if (r == 2 && c == 2) {
        continue;
      }
      SCOPED_TRACE(fixtures::at(5, r, c));
      const bool diagonal = r != 2 && c != 2;
      const double expected =
          (diagonal ? std::atan(10 / std::sqrt(200.0)) : std::atan(1.0)) / 8 * kDeg;
      EXPECT_NEAR(g.openAbove[at(5, r, c)], expected, 1e-12);
      EXPECT_NEAR(g.openAbove[at(5, r, c)], diagonal ? 4.41 : 5.625, 0.005);
      EXPECT_EQ(g.openBelow[at(5, r, c)], 0);
    }
  }
  // The border copies its inner neighbour: (0, 2) from (1, 2), the corner (0, 0) from (1, 1).
  EXPECT_EQ(g.openAbove[at(5, 0, 2)], g.openAbove[at(5, 1, 2)]);
  EXPECT_EQ(g.openAbove[at(5, 0, 0)], g.openAbove[at(5, 1, 1)]);
  EXPECT_EQ(g.openAbove[at(5, 4, 4)], g.openAbove[at(5, 3, 3)]);
  EXPECT_EQ(g.slope[at(5, 2, 4)], g.slope[at(5, 2, 3)]);
  EXPECT_NEAR(g.openBelowMax, spikeBelow, 1e-12);
  EXPECT_EQ(g.openBelowMin, 0);
}

TEST(TerrainAnalysis, SubGridsAreIndependent) {
  // Two flat files one after the other in the node arrays, at very different heights and at
  // the same place: a neighbour taken across the file boundary would show a slope.
  ElevationGrid g;
  buildGrid(g, {SubGrid{4, 4, 0, 0, 10, [](int, int) { return 0.0; }},
                SubGrid{4, 4, 0, 0, 10, [](int, int) { return 500.0; }}});
  ASSERT_TRUE(analyseTerrain(g));
  expectAllNodes(g, 0, 0, 0, 0);
}

TEST(TerrainAnalysis, NarrowSubGridGetsZeroAndTooFewNodesFail) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{2, 6, 0, 0, 10, [](int r, int) { return 100.0 * r; }},
                SubGrid{3, 3, 0, 0, 10, [](int, int c) { return 10.0 * c; }}});
  ASSERT_TRUE(analyseTerrain(g));
  for (uint32_t i = 0; i < 12; ++i) {
    EXPECT_EQ(g.slope[i], 0);
    EXPECT_EQ(g.openAbove[i], 0);
  }
  EXPECT_NEAR(g.slope[12 + 4], 45, 1e-9);

  ElevationGrid small;
  buildGrid(small, {SubGrid{4, 2, 0, 0, 10, [](int, int c) { return 1.0 * c; }}});
  EXPECT_FALSE(analyseTerrain(small));
  EXPECT_FALSE(small.analysed);
}

TEST(TerrainAnalysis, CoincidentNodesGiveFiniteValues) {
  // Every column at the same X (a degenerate thinning): the east-west spans are zero, so only
  // the north-south gradient and the north and south neighbours count.
  ElevationGrid g;
  buildGrid(g, {SubGrid{4, 4, 0, 0, 0, [](int r, int c) { return 3.0 * r + c; }}});
  for (uint32_t i = 0; i < g.count; ++i) {
    g.Y[i] = -10.0 * static_cast<double>(i / 4);
  }
  ASSERT_TRUE(analyseTerrain(g));
  for (uint32_t i = 0; i < g.count; ++i) {
    ASSERT_TRUE(std::isfinite(g.slope[i]) && std::isfinite(g.openAbove[i]) &&
                std::isfinite(g.openBelow[i]));
  }
  // gy = (3 + 2*3 + 3 ... ) / 40: a fall of 3 m per 10 m towards the south.
  EXPECT_NEAR(g.slope[at(4, 1, 1)], std::atan(0.3) * kDeg, 1e-9);
}

// The formulas written out node by node with std::atan, as an independent reference.
struct Reference {
  std::vector<double> slope, above, below;
};

Reference scalarReference(const ElevationGrid& g) {
  Reference ref{std::vector<double>(g.count), std::vector<double>(g.count),
                std::vector<double>(g.count)};
  uint64_t base = 0;
  for (const GridFile& f : g.files) {
    const int64_t w = f.sampledColumns, rows = f.sampledRows;
    for (int64_t r = 1; r + 1 < rows; ++r) {
      for (int64_t c = 1; c + 1 < w; ++c) {
        const int64_t h = static_cast<int64_t>(base) + r * w + c;
        auto dX = [&](int64_t n) { return g.X[n] - g.X[h]; };
        auto dY = [&](int64_t n) { return g.Y[n] - g.Y[h]; };
        const int64_t NW = h - w - 1, N = h - w, NE = h - w + 1, W = h - 1, E = h + 1,
                      SW = h + w - 1, S = h + w, SE = h + w + 1;
        const double sx = std::fabs(dX(NW)) + 2 * std::fabs(dX(W)) + std::fabs(dX(SW)) +
                          std::fabs(dX(NE)) + 2 * std::fabs(dX(E)) + std::fabs(dX(SE));
        const double gx =
            sx > 0.00005 ? (g.H[NW] + 2 * g.H[W] + g.H[SW] - g.H[NE] - 2 * g.H[E] - g.H[SE]) / sx
                         : 0;
        const double sy = std::fabs(dY(NW)) + 2 * std::fabs(dY(N)) + std::fabs(dY(NE)) +
                          std::fabs(dY(SW)) + 2 * std::fabs(dY(S)) + std::fabs(dY(SE));
        const double gy =
            sy > 0.00005 ? (g.H[NW] + 2 * g.H[N] + g.H[NE] - g.H[SW] - 2 * g.H[S] - g.H[SE]) / sy
                         : 0;
        ref.slope[h] = std::atan(std::sqrt(gx * gx + gy * gy)) * kDeg;
        double up = 0, down = 0;
        for (int64_t n : {NW, N, NE, W, E, SW, S, SE}) {
          double d;
          if (n == N || n == S) {
            d = std::fabs(dY(n));
          } else if (n == W || n == E) {
            d = std::fabs(dX(n));
          } else {
            d = std::sqrt(dX(n) * dX(n) + dY(n) * dY(n));
          }
          if (d <= 0.00005) {
            continue;
          }
          const double dh = g.H[n] - g.H[h];
          if (dh > 0) {
            up += std::atan(dh / d);
          } else if (dh < 0) {
            down += std::atan(dh / d);
          }
        }
        ref.above[h] = std::fabs(up * 0.125) * kDeg;
        ref.below[h] = std::fabs(down * 0.125) * kDeg;
      }
    }
    base += static_cast<uint64_t>(w * rows);
  }
  return ref;
}

void buildRoughTerrain(ElevationGrid& g) {
  // Two rough sub-grids with jittered node positions (as after projection), one wide and one
  // narrow, so rows split unevenly across threads.
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> noise(-1, 1);
  std::vector<double> heights(400 * 300);
  for (double& h : heights) {
    h = 200 + 150 * noise(rng);
  }
  buildGrid(g, {SubGrid{400, 250, 0, 0, 5,
                        [&](int r, int c) { return heights[static_cast<size_t>(r * 400 + c)]; }},
                SubGrid{37, 300, 3000, 0, 5, [&](int r, int c) {
                          return std::max(0.0, heights[static_cast<size_t>(r * 37 + c)] - 150);
                        }}});
  for (uint32_t i = 0; i < g.count; ++i) {
    g.X[i] += 0.3 * noise(rng);
    g.Y[i] += 0.3 * noise(rng);
  }
}

TEST(TerrainAnalysis, MatchesScalarFormulasAndIsTheSameOnAnyThreadCount) {
  ElevationGrid g;
  buildRoughTerrain(g);
  const Reference ref = scalarReference(g);
  ASSERT_TRUE(analyseTerrain(g, 1));
  const std::vector<double> serial(g.slope.get(), g.slope.get() + g.count);
  const std::vector<double> serialAbove(g.openAbove.get(), g.openAbove.get() + g.count);
  const std::vector<double> serialBelow(g.openBelow.get(), g.openBelow.get() + g.count);

  uint64_t base = 0;
  for (const GridFile& f : g.files) {
    for (uint32_t r = 1; r + 1 < f.sampledRows; ++r) {
      for (uint32_t c = 1; c + 1 < f.sampledColumns; ++c) {
        const uint64_t h = base + uint64_t{r} * f.sampledColumns + c;
        ASSERT_NEAR(g.slope[h], ref.slope[h], 1e-12 * ref.slope[h]) << h;
        ASSERT_NEAR(g.openAbove[h], ref.above[h], 1e-12 * ref.above[h]) << h;
        ASSERT_NEAR(g.openBelow[h], ref.below[h], 1e-12 * ref.below[h]) << h;
      }
    }
    base += uint64_t{f.sampledColumns} * f.sampledRows;
  }

  for (unsigned threads : {2u, 3u, 7u}) {
    SCOPED_TRACE(threads);
    std::fill_n(g.slope.get(), g.count, -1.0);
    ASSERT_TRUE(analyseTerrain(g, threads));
    EXPECT_EQ(std::memcmp(serial.data(), g.slope.get(), g.count * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(serialAbove.data(), g.openAbove.get(), g.count * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(serialBelow.data(), g.openBelow.get(), g.count * sizeof(double)), 0);
  }
}

TEST(TerrainAnalysis, NarrowAndWideRowsGiveTheSameBits) {
  // Rows of 5 nodes go through the one-node-at-a-time code, rows of 9 four nodes at a time
  // where the CPU has AVX. Columns 0..4 hold the same data in both sub-grids, so interior
  // columns 1..3 have the same neighbourhoods and must get the same values.
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> noise(0, 50);
  std::vector<double> h(9 * 6);
  for (double& v : h) {
    v = noise(rng);
  }
  auto height = [&](int r, int c) { return h[static_cast<size_t>(r * 9 + c)]; };
  ElevationGrid g;
  buildGrid(g, {SubGrid{5, 6, 0, 0, 7, height}, SubGrid{9, 6, 0, 0, 7, height}});
  ASSERT_TRUE(analyseTerrain(g));
  for (uint32_t r = 1; r < 5; ++r) {
    for (uint32_t c = 1; c < 4; ++c) {
      const uint64_t narrow = r * 5 + c, wide = 30 + r * 9 + c;
      EXPECT_EQ(g.slope[narrow], g.slope[wide]);
      EXPECT_EQ(g.openAbove[narrow], g.openAbove[wide]);
      EXPECT_EQ(g.openBelow[narrow], g.openBelow[wide]);
    }
  }
}

TEST(AtanApprox, WithinAnUlpOrSoOfStdAtan) {
  std::vector<double> in = {0.0,
                            -0.0,
                            1e-300,
                            -1e-300,
                            1e-8,
                            0.5,
                            -0.5,
                            0.66,
                            0.6600000000000001,
                            1,
                            -1,
                            2.414213562373095,
                            2.4142135623730954,
                            2.5,
                            1e8,
                            -1e8,
                            1e300,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> wide(-40, 40);
  for (int i = 0; i < 20000; ++i) {
    in.push_back(wide(rng));
    in.push_back(std::ldexp(wide(rng), -static_cast<int>(i % 60)));
  }
  for (double x : in) {
    const double expected = std::atan(x);
    const double got = approxAtan(x);
    ASSERT_NEAR(got, expected, 2.3e-16 * std::fabs(expected)) << x;
    ASSERT_EQ(std::signbit(got), std::signbit(expected)) << x;
  }
  EXPECT_TRUE(std::isnan(approxAtan(std::numeric_limits<double>::quiet_NaN())));
  // As a ratio, across the reduction thresholds and scales of the spacing.
  for (double x : {0.3, 1.0, 10.0, 12.5, 1e4}) {
    for (double t : {0.0, 1e-9, 0.5, 0.66, 0.661, 1.0, 2.4142, 2.4143, 30.0, 1e6}) {
      const double expected = std::atan(t);
      EXPECT_NEAR(approxAtanRatio(t * x, x), expected, 4.5e-16 * expected) << t << " " << x;
    }
  }
}

}  // namespace
}  // namespace torvane
