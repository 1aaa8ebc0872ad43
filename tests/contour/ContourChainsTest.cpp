// Contour segments joined into lines: one line per connected piece, every segment drawn once,
// rings closed.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <set>

#include "tests/support/GridBuilder.h"
#include "contour/ContourChains.h"
#include "contour/ContourTrace.h"

namespace torvane {
namespace {

using Key = std::tuple<float, float, float>;
Key keyOf(const OverlayVertex& v) { return {v.x, v.y, v.z}; }

// The connected pieces of a set of segments, counted by union-find over their end points.
size_t countPieces(const std::vector<OverlayVertex>& points) {
  std::map<Key, size_t> ids;
  std::vector<size_t> parent;
  auto id = [&](const OverlayVertex& v) {
    const auto [it, added] = ids.try_emplace(keyOf(v), parent.size());
    if (added) {
      parent.push_back(parent.size());
    }
    return it->second;
  };
  auto root = [&](size_t i) {
    while (parent[i] != i) {
      i = parent[i] = parent[parent[i]];
    }
    return i;
  };
  for (size_t p = 0; p + 1 < points.size(); p += 2) {
    const size_t a = id(points[p]), b = id(points[p + 1]);
    parent[root(a)] = root(b);
  }
  size_t pieces = 0;
  for (size_t i = 0; i < parent.size(); ++i) {
    pieces += root(i) == i;
  }
  return pieces;
}

// Two hills on a slope rising east, on a 41 x 41 grid: rings around each hill, lines from edge
// to edge across the slope, and the two branches near the saddle between the hills.
TEST(ContourChains, OneLinePerConnectedPieceAndEverySegmentOnce) {
  ElevationGrid grid;
  fixtures::SubGrid s;
  s.columns = s.rows = 41;
  s.height = [](int r, int c) {
    auto hill = [&](double r0, double c0) {
      return 100 * std::exp(-((r - r0) * (r - r0) + (c - c0) * (c - c0)) / 30);
    };
    return hill(20, 10) + hill(20, 28) + 0.5 * c + 0.123;
  };
  fixtures::buildGrid(grid, {s});
  size_t closedRings = 0, edgeToEdge = 0;
  for (int level = 2; level < 120; level += 3) {
    SCOPED_TRACE(level);
    ContourTrace trace;
    traceContours(grid, kElevationContour, level, 1'000'000, trace);
    std::vector<OverlayVertex> points;
    for (uint64_t i = 0; i < trace.size(); ++i) {
      points.push_back({static_cast<float>(trace.X[i]), static_cast<float>(trace.Y[i]),
                        static_cast<float>(trace.H[i]), 0});
    }
    const auto lines = chainSegments(points);
    EXPECT_EQ(lines.size(), countPieces(points));
    std::multiset<std::pair<Key, Key>> drawn, traced;
    for (size_t p = 0; p + 1 < points.size(); p += 2) {
      traced.insert(std::minmax(keyOf(points[p]), keyOf(points[p + 1])));
    }
    for (const auto& line : lines) {
      ASSERT_GE(line.size(), 2u);
      for (size_t i = 0; i + 1 < line.size(); ++i) {
        drawn.insert(std::minmax(keyOf(points[line[i]]), keyOf(points[line[i + 1]])));
      }
      const bool closed = keyOf(points[line.front()]) == keyOf(points[line.back()]);
      closedRings += closed;
      edgeToEdge += !closed;
    }
    EXPECT_EQ(drawn, traced) << "each traced segment once, nothing else";
  }
  EXPECT_GT(closedRings, 10u);
  EXPECT_GT(edgeToEdge, 5u);
}

// Two lines crossing at a saddle node and an edge lying on the level: the crossing piece needs
// two strokes, and the edge traced from both of its triangles is drawn once.
TEST(ContourChains, CrossingAtANodeAndRepeatedSegments) {
  auto at = [](float x, float y) { return OverlayVertex{x, y, 0, 0}; };
  const std::vector<OverlayVertex> cross = {at(0, 0), at(1, 1), at(1, 1), at(2, 2),
                                            at(0, 2), at(1, 1), at(1, 1), at(2, 0),
                                            at(5, 5), at(6, 5), at(6, 5), at(5, 5)};
  const auto lines = chainSegments(cross);
  ASSERT_EQ(lines.size(), 3u);
  size_t points = 0;
  for (const auto& line : lines) {
    points += line.size() - 1;
  }
  EXPECT_EQ(points, 5u) << "four arms and the repeated edge once";
}

}  // namespace
}  // namespace torvane
