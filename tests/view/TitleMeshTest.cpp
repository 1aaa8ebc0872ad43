#include <gtest/gtest.h>

#include <algorithm>

#include "view/TitleMesh.h"

namespace torvane {
namespace {

TEST(TitleMesh, FitsThreeUnitsWideWithOneThirdVerticalCentre) {
  // A 4 x 1 box and a small inner contour.
  const std::vector<Outline> outlines = {
      {{0, 0}, {4, 0}, {4, 1}, {0, 1}},
      {{1, 0.25}, {2, 0.25}, {2, 0.75}},
  };
  const std::vector<LineVertex> lines = buildTitleWireframe(outlines);
  ASSERT_EQ(lines.size(), (4 + 3) * 6u);  // front, back and side edge per outline point

  auto [xmin, xmax] =
      std::minmax_element(lines.begin(), lines.end(), [](auto& a, auto& b) { return a.x < b.x; });
  auto [ymin, ymax] =
      std::minmax_element(lines.begin(), lines.end(), [](auto& a, auto& b) { return a.y < b.y; });
  EXPECT_FLOAT_EQ(xmin->x, -1.5f);
  EXPECT_FLOAT_EQ(xmax->x, 1.5f);
  // cy = (0 + 1) / 3, k = 3 / 4.
  EXPECT_FLOAT_EQ(ymin->y, static_cast<float>((0 - 1.0 / 3) * 0.75));
  EXPECT_FLOAT_EQ(ymax->y, static_cast<float>((1 - 1.0 / 3) * 0.75));
}

TEST(TitleMesh, FrontIsWhiteAndBackIsBlue) {
  const std::vector<Outline> outlines = {{{0, 0}, {2, 0}, {1, 1}}};
  const std::vector<LineVertex> lines = buildTitleWireframe(outlines);
  int white = 0, blue = 0;
  for (const LineVertex& v : lines) {
    if (v.z < 0) {
      EXPECT_EQ(v.colour, kTitleFrontColour);
      EXPECT_FLOAT_EQ(v.z, -0.2f);
      ++white;
    } else {
      EXPECT_EQ(v.colour, kTitleBackColour);
      EXPECT_FLOAT_EQ(v.z, 0.2f);
      ++blue;
    }
  }
  EXPECT_EQ(white, blue);
  // Every side edge joins a front and a back vertex.
  for (size_t i = 0; i + 5 < lines.size(); i += 6) {
    EXPECT_EQ(lines[i + 4].x, lines[i + 5].x);
    EXPECT_NE(lines[i + 4].colour, lines[i + 5].colour);
  }
}

TEST(TitleMesh, NothingToDrawWithoutWidth) {
  EXPECT_TRUE(buildTitleWireframe({}).empty());
  const std::vector<Outline> line = {{{1, 0}, {1, 3}}};
  EXPECT_TRUE(buildTitleWireframe(line).empty());
  const std::vector<Outline> single = {{{1, 0}}};
  EXPECT_TRUE(buildTitleWireframe(single).empty());
}

}  // namespace
}  // namespace torvane
