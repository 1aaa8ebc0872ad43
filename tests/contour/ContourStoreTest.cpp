#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "tests/support/GridBuilder.h"
#include "contour/ContourRules.h"
#include "contour/ContourStore.h"
#include "elevation/ElevationGrid.h"

namespace torvane {
namespace {

using fixtures::buildGrid;
using fixtures::SubGrid;

ContourPlacement placementFor(const ElevationGrid& grid) {
  ContourPlacement p;
  p.fit = fitModelSpace(grid);
  return p;
}

// A ramp of W x R nodes 10 m apart whose height rises east from `low` to `high`.
SubGrid ramp(uint32_t columns, uint32_t rows, double low, double high) {
  SubGrid s;
  s.columns = columns;
  s.rows = rows;
  s.height = [=](int, int c) { return low + (high - low) * c / (columns - 1); };
  return s;
}

// Everything a store holds, set by set and point by point.
void expectSameStore(const ContourStore& a, const ContourStore& b) {
  ASSERT_EQ(a.groupCount(), b.groupCount());
  for (int g = 0; g < a.groupCount(); ++g) {
    SCOPED_TRACE(::testing::Message() << "set " << g);
    EXPECT_EQ(a.kind(g), b.kind(g));
    EXPECT_EQ(a.value(g), b.value(g));
    EXPECT_EQ(a.colour(g), b.colour(g));
    EXPECT_EQ(a.visible(g), b.visible(g));
    EXPECT_EQ(a.polylineCount(g), b.polylineCount(g));
  }
  ASSERT_EQ(a.pointTotal(), b.pointTotal());
  ASSERT_EQ(a.polylineTotal(), b.polylineTotal());
  EXPECT_TRUE(std::equal(a.pointsPerPolyline().begin(), a.pointsPerPolyline().end(),
                         b.pointsPerPolyline().begin()));
  EXPECT_TRUE(std::equal(a.heights().begin(), a.heights().end(), b.heights().begin()));
  EXPECT_EQ(
      std::memcmp(a.vertices().data(), b.vertices().data(), a.pointTotal() * sizeof(OverlayVertex)),
      0);
}

// Two stores of one small capacity, both given the same first set and uploaded, so that the
// range build reuses the store instead of allocating the full one.
void prepareTwin(ContourStore& store, const ElevationGrid& grid, uint32_t capacity, int seed) {
  ASSERT_TRUE(store.allocateContourStore(capacity));
  addContourSet(store, grid, placementFor(grid), kElevationContour, seed);
  if (store.groupCount() == 0) {
    addContourSet(store, grid, placementFor(grid), kElevationContour, 20);
  }
  ASSERT_TRUE(store.uploadStore());
}

TEST(ContourStore, RangeAndListBuildsEqualOneSetAfterAnother) {
  std::mt19937 random(6);
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    std::vector<double> h(30 * 25);
    for (double& v : h) {
      v = std::round(std::uniform_real_distribution<double>(0, 80)(random) * 2) / 2;
    }
    SubGrid s;
    s.columns = 30;
    s.rows = 25;
    s.height = [&h](int r, int c) { return h[static_cast<size_t>(r) * 30 + c]; };
    ElevationGrid grid;
    buildGrid(grid, {s, s});
    for (uint32_t i = 0; i < grid.count; ++i) {
      grid.slope[i] = std::fmod(grid.H[i] * 0.7, 40);
    }
    grid.analysed = true;
    const ContourPlacement placement = placementFor(grid);
    // Small stores fill during the range; large ones take every value.
    const uint32_t capacity = round % 3 == 0 ? 200'000 : 500 + random() % 60000;
    const int kind = round % 4 == 1 ? kSlopeContour : kElevationContour;
    const int first = static_cast<int>(random() % 10) - 4;
    const int step = 1 + static_cast<int>(random() % 4);
    const int last = 85;

    ContourStore reference, range;
    prepareTwin(reference, grid, capacity, 10 + round % 3 * 5);
    prepareTwin(range, grid, capacity, 10 + round % 3 * 5);
    bool anyAdded = false;
    for (int v = first; v <= last; v += step) {
      anyAdded = addContourSet(reference, grid, placement, kind, v) || anyAdded;
    }
    EXPECT_EQ(buildContourRange(range, grid, placement, kind, first, last, step), anyAdded);
    expectSameStore(reference, range);

    // A project's list: mixed kinds, repeats and values outside the data, with colours and
    // visibility, against buildContourSet one request after another.
    std::vector<ContourSetRequest> requests;
    for (int i = 0; i < 40; ++i) {
      requests.push_back({random() % 3 == 0 ? kSlopeContour : kElevationContour,
                          static_cast<int>(random() % 25) - 3,
                          0xFF000000u | static_cast<uint32_t>(random() & 0xFFFFFF),
                          random() % 4 != 0});
    }
    requests.push_back({kDifferenceContour, 30, 0xFFFFFFFF, true});
    ContourStore oneByOne, batch;
    prepareTwin(oneByOne, grid, capacity, 15);
    prepareTwin(batch, grid, capacity, 15);
    std::vector<bool> expected;
    for (const ContourSetRequest& r : requests) {
      expected.push_back(buildContourSet(oneByOne, grid, placement, r.kind, r.value));
      if (expected.back()) {
        oneByOne.setVisible(oneByOne.groupCount() - 1, r.visible);
        oneByOne.setGroupColour(oneByOne.groupCount() - 1, r.colour);
      }
    }
    EXPECT_EQ(buildContourSets(batch, grid, placement, requests), expected);
    expectSameStore(oneByOne, batch);
  }
}

TEST(ContourStore, RangeRules) {
  struct Case {
    const char* name;
    double low, high;  // ramp heights
    int pitch;
    bool analysed;
    int kind;
    int sets;  // after the first build
    int firstValue, lastValue;
  };
  // clang-format off
  const Case cases[] = {
      // Proposed 12 .. 987: 10, 20, ... 980 are asked; 10 lies below the terrain.
      {"97 sets", 12.3, 987.6, 10, false, kElevationContour, 97, 20, 980},
      {"no value in the data", 0, 5, 10, false, kElevationContour, 0, 0, 0},
      {"slope before analysis", 12.3, 987.6, 5, false, kSlopeContour, 0, 0, 0},
      {"300 sets at most", 0.5, 400.5, 1, false, kElevationContour, 300, 1, 300},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ElevationGrid grid;
    buildGrid(grid, {ramp(40, 3, c.low, c.high)});
    grid.analysed = c.analysed;
    const FieldRange field = *contourFieldRange(grid, kElevationContour);
    const ProposedBounds proposed = proposeContourBounds(field);
    const auto levels = contourRangeFor(field, c.pitch, proposed.minimum, proposed.maximum);
    ContourStore store;
    if (!levels) {
      EXPECT_EQ(c.sets, 0);
      continue;
    }
    const ContourPlacement placement = placementFor(grid);
    EXPECT_EQ(buildContourRange(store, grid, placement, c.kind, levels->first, levels->last,
                                levels->step),
              c.sets > 0);
    ASSERT_EQ(store.groupCount(), c.sets);
    EXPECT_EQ(store.hasVertexBuffer(), c.sets > 0);
    if (c.sets == 0) {
      continue;
    }
    EXPECT_EQ(store.value(0), c.firstValue);
    EXPECT_EQ(store.value(c.sets - 1), c.lastValue);
    EXPECT_EQ(store.contourKindName(0, false), "標高");
    // Asking again adds nothing: every value is a duplicate.
    const uint32_t points = store.pointTotal();
    EXPECT_FALSE(buildContourRange(store, grid, placement, c.kind, levels->first, levels->last,
                                   levels->step));
    EXPECT_EQ(store.groupCount(), c.sets);
    EXPECT_EQ(store.pointTotal(), points);
  }
}

TEST(ContourStore, SetContents) {
  // 200 x 200 nodes alternating 0 and 20 m by column: level 10 crosses every cell twice, 158,404
  // points in chunks of 65,534.
  SubGrid zigzag;
  zigzag.columns = 200;
  zigzag.rows = 200;
  zigzag.height = [](int, int c) { return c % 2 == 0 ? 0.0 : 20.0; };
  ElevationGrid grid;
  buildGrid(grid, {zigzag});
  for (uint32_t i = 0; i < grid.count; ++i) {
    grid.slope[i] = grid.H[i] / 2;
  }
  grid.analysed = true;
  ContourPlacement placement = placementFor(grid);
  placement.Scale = 3;
  ContourStore store;
  ASSERT_TRUE(buildContourSet(store, grid, placement, kElevationContour, 10));
  EXPECT_EQ(store.groupPointCount(0), 158404);
  ASSERT_EQ(store.polylineCount(0), 3u);
  EXPECT_EQ(store.pointsPerPolyline()[0], 65534u);
  EXPECT_EQ(store.pointsPerPolyline()[1], 65534u);
  EXPECT_EQ(store.pointsPerPolyline()[2], 27336u);

  // Elevation points sit at the value, slope points at the interpolated terrain height, both
  // placed without the lift; initial colours white and black.
  ASSERT_TRUE(buildContourSet(store, grid, placement, kSlopeContour, 4));
  const GroupRange slope = store.groupRange(1);
  const double H = store.heights()[slope.firstPoint];
  EXPECT_DOUBLE_EQ(H, 8);
  EXPECT_EQ(store.heights()[0], 10);
  const OverlayVertex v = store.vertices()[slope.firstPoint];
  EXPECT_EQ(v.z, static_cast<float>(toModel(placement.fit, 0, 0, H, 3).z));
  EXPECT_EQ(store.colour(0), kElevationContourColour);
  EXPECT_EQ(store.colour(1), kSlopeContourColour);
  EXPECT_EQ(v.diffuse, kSlopeContourColour);
  EXPECT_EQ(store.contourKindName(1, true), "Slant");
  EXPECT_FALSE(buildContourSet(store, grid, placement, kDifferenceContour, 10));
  EXPECT_EQ(contourKindLabel(kDifferenceContour, false), "差分");
  EXPECT_EQ(contourKindLabel(7, true), "Others");

  // Deleting the first set moves the values down with the sets.
  ASSERT_TRUE(buildContourSet(store, grid, placement, kElevationContour, 5));
  ASSERT_TRUE(store.deleteGroup(0));
  EXPECT_EQ(store.value(0), 4);
  EXPECT_EQ(store.value(1), 5);
  EXPECT_TRUE(store.hasContourSet(5, kElevationContour));
  EXPECT_FALSE(store.hasContourSet(10, kElevationContour));
  EXPECT_FALSE(store.hasContourSet(4, kElevationContour));

  // With the transparency enabled a build writes it into every vertex.
  placement.alphaEnabled = true;
  placement.Alpha = 0x40;
  ASSERT_TRUE(buildContourSet(store, grid, placement, kElevationContour, 15));
  for (const OverlayVertex& vertex : store.vertices()) {
    ASSERT_EQ(vertex.diffuse >> 24, 0x40u);
  }
}

TEST(ContourStore, FullStoreAndFailedUpload) {
  ElevationGrid grid;
  buildGrid(grid, {ramp(50, 50, 0, 100)});
  const ContourPlacement placement = placementFor(grid);
  // 49 rows x 2 triangles cross each level: 196 points per set. A store of 300 points keeps the
  // first set whole, cuts the second where it is full and refuses the rest.
  ContourStore store;
  ASSERT_TRUE(store.allocateContourStore(300));
  ASSERT_TRUE(addContourSet(store, grid, placement, kElevationContour, 10));
  ASSERT_TRUE(store.uploadStore());
  EXPECT_TRUE(buildContourRange(store, grid, placement, kElevationContour, 20, 90, 10));
  ASSERT_EQ(store.groupCount(), 2);
  EXPECT_EQ(store.groupPointCount(0), 196);
  EXPECT_EQ(store.groupPointCount(1), 104);  // stopped once 196 + n + 1 >= 300
  EXPECT_EQ(store.pointTotal(), 300u);

  // A device that refuses the buffer: the whole store is discarded.
  struct Refusing : GroupBufferDevice {
    bool createVertexBuffer(std::span<const OverlayVertex>) override { return false; }
    void releaseVertexBuffer() override {}
  } device;
  ContourStore other;
  other.setDevice(&device);
  EXPECT_FALSE(buildContourRange(other, grid, placement, kElevationContour, 10, 30, 10));
  EXPECT_FALSE(other.allocated());
  EXPECT_EQ(other.groupCount(), 0);
  other.setDevice(nullptr);
  EXPECT_FALSE(buildContourRange(other, ElevationGrid{}, placement, kElevationContour, 10, 30, 10));
}

}  // namespace
}  // namespace torvane
