#include <gtest/gtest.h>

#include "elevation/ElevationGrid.h"

using namespace torvane;

TEST(ElevationGrid, ThinningKeepsEveryStepAndTheLastIndex) {
  EXPECT_EQ(sampledCount(2, 1), 2u);
  EXPECT_EQ(sampledCount(2, 7), 2u);
  EXPECT_EQ(sampledCount(10, 3), 4u);  // 0 3 6 9
  EXPECT_EQ(sampledCount(11, 3), 5u);  // 0 3 6 9 10
  EXPECT_EQ(sampledCount(5, 2), 3u);   // 0 2 4
  EXPECT_EQ(sampledCount(6, 2), 4u);   // 0 2 4 5
  EXPECT_EQ(sampledCount(4294967295u, 1), 4294967295u);

  // The iteration helpers visit exactly the counted indices.
  for (uint64_t n : {2u, 5u, 6u, 10u, 11u, 37u}) {
    for (uint64_t s : {1u, 2u, 3u, 5u, 40u}) {
      uint64_t visited = 0;
      for (uint64_t i = 0; i < n; i = nextKept(i, n, s)) {
        EXPECT_TRUE(isKept(i, n, s));
        ++visited;
      }
      EXPECT_EQ(visited, sampledCount(n, s)) << "n=" << n << " s=" << s;
    }
  }
}

TEST(ElevationGrid, FileListAndBounds) {
  ElevationGrid grid;
  EXPECT_TRUE(grid.filePath(0).empty());
  ASSERT_TRUE(grid.recordGeographicFile("a.xml", 3, 3, 139.0, 139.1, 35.0, 35.1));
  ASSERT_TRUE(grid.recordGeographicFile("b.xml", 3, 3, 139.5, 139.6, 35.4, 35.5));
  // Disjoint files: the bounds span both.
  EXPECT_EQ(grid.lonMin, 139.0);
  EXPECT_EQ(grid.lonMax, 139.6);
  EXPECT_EQ(grid.latMin, 35.0);
  EXPECT_EQ(grid.latMax, 35.5);
  EXPECT_EQ(grid.filePath(1), "b.xml");
  EXPECT_TRUE(grid.filePath(2).empty());
  EXPECT_TRUE(grid.filePath(-1).empty());
  EXPECT_TRUE(grid.filePath(100).empty());

  for (int i = 2; i < kMaxFiles; ++i) {
    ASSERT_TRUE(grid.recordFile("c.xml", 2, 2));
  }
  EXPECT_FALSE(grid.recordFile("d.xml", 2, 2));
  EXPECT_EQ(grid.fileCount, kMaxFiles);
}

TEST(ElevationGrid, AllocationExtentsAndRelease) {
  ElevationGrid grid;
  EXPECT_FALSE(grid.allocateGrid(0));
  EXPECT_FALSE(grid.allocateGrid(uint64_t{1} << 33));  // beyond a 32-bit node count
  ASSERT_TRUE(grid.allocateGrid(9));
  EXPECT_EQ(grid.capacity, 9u);
  EXPECT_EQ(grid.count, 0u);
  for (int i = 0; i < 8; ++i) {
    grid.appendNode(i, -i, i * 10.0, 0, 0);
  }
  EXPECT_FALSE(grid.computeExtents());  // fewer than 9 nodes: extents untouched
  EXPECT_EQ(grid.Hmax, 0);
  grid.appendNode(100, 5, 3, 0, 0);
  EXPECT_TRUE(grid.full());
  ASSERT_TRUE(grid.computeExtents());
  EXPECT_EQ(grid.Xmin, 0);
  EXPECT_EQ(grid.Xmax, 100);
  EXPECT_EQ(grid.Ymin, -7);
  EXPECT_EQ(grid.Ymax, 5);
  EXPECT_EQ(grid.Hmin, 0);
  EXPECT_EQ(grid.Hmax, 70);

  // One node stands out in X, Y and H at once: the first, the second (the east column of a
  // two-column grid) or the last. Every scan must see it.
  for (uint32_t at : {0u, 1u, 8u}) {
    for (double extreme : {1000.0, -1000.0}) {
      SCOPED_TRACE(testing::Message() << at << " " << extreme);
      ElevationGrid g;
      ASSERT_TRUE(g.allocateGrid(9));
      for (uint32_t i = 0; i < 9; ++i) {
        const double v = i == at ? extreme : 5.0;
        g.appendNode(v, v, v, 0, 0);
      }
      ASSERT_TRUE(g.computeExtents());
      const double lo = std::min(extreme, 5.0), hi = std::max(extreme, 5.0);
      EXPECT_EQ(g.Xmin, lo);
      EXPECT_EQ(g.Xmax, hi);
      EXPECT_EQ(g.Ymin, lo);
      EXPECT_EQ(g.Ymax, hi);
      EXPECT_EQ(g.Hmin, lo);
      EXPECT_EQ(g.Hmax, hi);
    }
  }

  grid.recordFile("x.xml", 3, 3);
  grid.planeZone = 9;
  grid.GeoCoordinates = false;
  grid.releaseGrid();
  EXPECT_EQ(grid.count, 0u);
  EXPECT_EQ(grid.capacity, 0u);
  EXPECT_EQ(grid.fileCount, 0);
  EXPECT_EQ(grid.planeZone, 0);
  EXPECT_TRUE(grid.GeoCoordinates);
  EXPECT_FALSE(grid.X);
}
