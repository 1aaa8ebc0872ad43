#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "elevation/ElevationGrid.h"
#include "scene/ViewState.h"
#include "terrain/TerrainMesh.h"
#include "view/Furniture.h"

namespace torvane {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(Furniture, CompassTurnsWithTheAzimuth) {
  // Strokes in order: circle, south (blue) needle, north (red) needle, two centre marks, ticks.
  struct Case {
    double RotaZ;
    ScreenPoint northTip, southTip;
  };
  const Case cases[] = {
      {0, {770, 9}, {770, 51}},
      {kPi / 2, {749, 30}, {791, 30}},  // key E: north to the left
      {kPi, {770, 51}, {770, 9}},
      {3 * kPi / 2, {791, 30}, {749, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.RotaZ);
    const std::vector<ScreenStroke> s = compassStrokes(c.RotaZ, 800);
    ASSERT_EQ(s.size(), 7u);
    EXPECT_EQ(s[2].colour, 0xFFFF0000u);
    EXPECT_EQ(s[1].colour, 0xFF0000FFu);
    EXPECT_NEAR(s[2].points[1].x, c.northTip.x, 1e-9);
    EXPECT_NEAR(s[2].points[1].y, c.northTip.y, 1e-9);
    EXPECT_NEAR(s[1].points[1].x, c.southTip.x, 1e-9);
    EXPECT_NEAR(s[1].points[1].y, c.southTip.y, 1e-9);
    // The needles' bases lie 5 pixels across the needle on each side of the centre.
    EXPECT_NEAR(std::hypot(s[2].points[0].x - 770, s[2].points[0].y - 30), 5, 1e-9);
    // The yellow ticks lie across the needles, 19 to 21 pixels out.
    EXPECT_NEAR(std::hypot(s[5].points[0].x - 770, s[5].points[0].y - 30), 21, 1e-9);
    EXPECT_NEAR((s[5].points[0].x - 770) * (c.northTip.x - 770) +
                    (s[5].points[0].y - 30) * (c.northTip.y - 30),
                0, 1e-9);
  }
  const ScreenStroke ring = compassStrokes(0, 800)[0];
  ASSERT_EQ(ring.points.size(), 21u);
  EXPECT_EQ(ring.points.front().x, ring.points.back().x);
  EXPECT_EQ(ring.points.front().y, ring.points.back().y);
  for (const ScreenStroke& s : compassStrokes(1, 800)) {
    EXPECT_EQ(s.width, 3);
    EXPECT_TRUE(s.antialias);
  }
}

TEST(Furniture, TrackbarAndBoxes) {
  const std::vector<ScreenStroke> bar = trackbarStrokes(35, 575, 20);
  ASSERT_EQ(bar.size(), 12u);
  // Track from 25 to 75 pixels above the base line, value mark at the thumb's offset.
  EXPECT_EQ(bar[0].points[0].y, 550);
  EXPECT_EQ(bar[0].points[1].y, 500);
  const ScreenStroke& mark = bar.back();
  EXPECT_EQ(mark.colour, 0xFF00FF00u);
  EXPECT_EQ(mark.points[0].y, 575 - 25 - 20);
  EXPECT_EQ(mark.points[0].x, 32);
  EXPECT_EQ(mark.points[1].x, 39);
  EXPECT_EQ(bar[2].points[0].y, 575 - 23 - 20);  // the knob around the mark
  EXPECT_EQ(bar[2].points[2].y, 575 - 27 - 20);
  for (const ScreenStroke& s : bar) {
    EXPECT_TRUE(std::all_of(s.points.begin(), s.points.end(),
                            [](const ScreenPoint& p) { return p.x >= 30 && p.x <= 40; }));
  }

  const std::vector<ScreenStroke> box = labelBoxStrokes(24, 15, 471);
  ASSERT_EQ(box.size(), 2u);
  EXPECT_EQ(box[0].width, 19);
  EXPECT_EQ(box[0].colour, 0x80000000u);
  EXPECT_EQ(box[0].points[0].x, 0);
  EXPECT_EQ(box[0].points[1].x, 30);
  EXPECT_EQ(box[1].points[2].y, 480);
  const TextBox text = labelBoxTextBox(24, 15, 471);
  EXPECT_EQ(text.left, 2);
  EXPECT_EQ(text.top, 466);
  EXPECT_EQ(text.right, 30);
  EXPECT_EQ(topLabelBoxStrokes(196, 400)[0].width, 21);
  EXPECT_EQ(topLabelBoxTextBox(196, 400).left, 301);

  // The label shows for the dragged thumb, else for the hovered bar, never during a view drag.
  EXPECT_EQ(highlightedTrackbar(4, 52), 4);
  EXPECT_EQ(highlightedTrackbar(0, 52), 5);
  EXPECT_EQ(highlightedTrackbar(0, -1), 0);
  EXPECT_EQ(highlightedTrackbar(-2, 52), 0);
  EXPECT_EQ(highlightedTrackbar(-1, 12), 0);

  // The band covers the bottom 25 pixel rows: 12.5 on each side of bottom - 13.
  const ScreenStroke band = statusBandStroke(800, 600);
  EXPECT_EQ(band.points[0].y, 587);
  EXPECT_EQ(band.width, 25);
  EXPECT_EQ(band.colour, 0x80000000u);
}

class DataFrame : public ::testing::Test {
protected:
  void SetUp() override {
    grid.Xmin = 1000;
    grid.Xmax = 3000;
    grid.Ymin = -500;
    grid.Ymax = 500;
    grid.Hmin = 10;
    grid.Hmax = 110;
    fit.scale = 0.001;
    fit.offsetX = -1;
    fit.offsetY = 0.5;
    fit.Xmin = 1000;
    fit.Ymax = 500;
    fit.Hmin = 10;
  }
  ElevationGrid grid;
  ModelFit fit;
};

TEST_F(DataFrame, EdgesAndCaptionsLieWhereToModelSays) {
  const std::vector<OverlayVertex> v = dataFrameVertices(grid, fit, 4);
  ASSERT_EQ(v.size(), 24u);
  float xmin = 9, xmax = -9, ymin = 9, ymax = -9, zmin = 9, zmax = -9;
  for (const OverlayVertex& p : v) {
    EXPECT_EQ(p.diffuse, 0x80FFFFFFu);
    xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
    zmin = std::min(zmin, p.z), zmax = std::max(zmax, p.z);
  }
  EXPECT_FLOAT_EQ(xmin, -1);
  EXPECT_FLOAT_EQ(xmax, 1);
  EXPECT_FLOAT_EQ(ymin, -0.5f);
  EXPECT_FLOAT_EQ(ymax, 0.5f);
  EXPECT_FLOAT_EQ(zmin, -0.2f);  // (10 - 110) x 0.001 x 4 x 0.5
  EXPECT_FLOAT_EQ(zmax, 0);
  // Every edge is parallel to one axis and joins two corners.
  for (size_t i = 0; i < v.size(); i += 2) {
    const int same = (v[i].x == v[i + 1].x) + (v[i].y == v[i + 1].y) + (v[i].z == v[i + 1].z);
    EXPECT_EQ(same, 2) << i;
  }

  const std::vector<Caption> c = dataFrameCaptions(grid, fit, 4);
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[0].text, "1000.000000");
  EXPECT_EQ(c[0].alignment, CaptionAlignment::RunSouth);
  EXPECT_DOUBLE_EQ(c[1].position.x, 1);
  EXPECT_DOUBLE_EQ(c[1].position.y, -0.5);
  EXPECT_EQ(c[2].text, "-500.000000");
  EXPECT_EQ(c[3].alignment, CaptionAlignment::EndWest);
  EXPECT_DOUBLE_EQ(c[3].position.x, -1);
  EXPECT_DOUBLE_EQ(c[3].position.y, 0.5);
  EXPECT_DOUBLE_EQ(c[3].position.z, 0);
  EXPECT_EQ(c[5].text, "110.000000");
  EXPECT_EQ(c[5].alignment, CaptionAlignment::StartEast);
  EXPECT_DOUBLE_EQ(c[5].position.z, -0.2);
  EXPECT_DOUBLE_EQ(c[5].position.y, 0.5);

  // A flat terrain has no height extent to frame: no edges, only the captions.
  grid.Hmax = grid.Hmin;
  EXPECT_TRUE(dataFrameVertices(grid, fit, 4).empty());
  EXPECT_EQ(dataFrameCaptions(grid, fit, 4).size(), 6u);

  const auto axes = axesVertices();
  EXPECT_EQ(axes[3].y, 1.5f);  // north
  EXPECT_EQ(axes[3].diffuse, 0xC0FF0000u);
}

TEST(Furniture, TextPlacements) {
  const GlyphBounds b{1, 11, 0, 5};  // 10 wide, 5 high
  const Vec3d p{0.5, -0.25, -0.1};
  struct Case {
    CaptionAlignment a;
    Vec3d start, end;  // where the ink's left and right ends on the middle line land
  };
  const Case cases[] = {
      {CaptionAlignment::StartEast, {0.524, -0.25, -0.1}, {0.564, -0.25, -0.1}},
      {CaptionAlignment::EndWest, {0.444, -0.25, -0.1}, {0.484, -0.25, -0.1}},
      {CaptionAlignment::RunSouth, {0.5, -0.274, -0.1}, {0.5, -0.314, -0.1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.a));
    const std::optional<TextPlacement> t = captionPlacement(b, p, c.a);
    ASSERT_TRUE(t);
    const Vec3d s = t->apply(b.xmin, 2.5), e = t->apply(b.xmax, 2.5);
    EXPECT_NEAR(s.x, c.start.x, 1e-12);
    EXPECT_NEAR(s.y, c.start.y, 1e-12);
    EXPECT_NEAR(e.x, c.end.x, 1e-12);
    EXPECT_NEAR(e.y, c.end.y, 1e-12);
    EXPECT_EQ(s.z, -0.1);
    // 0.02 model units high, across the text's direction.
    const Vec3d top = t->apply(b.xmin, 5), bottom = t->apply(b.xmin, 0);
    EXPECT_NEAR(std::hypot(top.x - bottom.x, top.y - bottom.y), 0.02, 1e-12);
  }
  const std::optional<TextPlacement> label = pointLabelPlacement(b, p, 0.008);
  ASSERT_TRUE(label);
  EXPECT_NEAR(label->apply(6, 2.5).x, 0.5, 1e-12);
  EXPECT_NEAR(label->apply(6, 2.5).y, -0.25, 1e-12);
  EXPECT_NEAR(label->apply(6, 5).y - label->apply(6, 0).y, 0.008, 1e-12);
  EXPECT_FALSE(captionPlacement({0, 4, 1, 1}, p, CaptionAlignment::StartEast));
  EXPECT_FALSE(pointLabelPlacement({0, 0, 0, 0}, p, 0.02));
}

TEST(Furniture, RulerSegmentsProjectAndClipAtTheNearPlane) {
  ViewState view;
  const Mat4d m = computeFrameTransforms(view, 800, 600).worldViewProjection();
  const auto centre = projectSegment(m, {0, 0, 0}, {0, 0.5, 0}, 800, 600);
  ASSERT_TRUE(centre);
  EXPECT_NEAR((*centre)[0].x, 399.5, 1e-9);
  EXPECT_NEAR((*centre)[0].y, 299.5, 1e-9);
  EXPECT_LT((*centre)[1].y, (*centre)[0].y);  // north is up
  // The eye sits at z = -3, the near plane at z = -2: a segment from behind the eye is cut there.
  const auto cut = projectSegment(m, {0.1, 0, -2.5}, {0.1, 0, 0}, 800, 600);
  ASSERT_TRUE(cut);
  const Vec3d nearPoint = projectPoint(m, {0.1, 0, -2});
  EXPECT_NEAR((*cut)[0].x, (nearPoint.x + 1) / 2 * 800 - 0.5, 1e-6);
  EXPECT_FALSE(projectSegment(m, {0, 0, -2.5}, {0.1, 0, -2.9}, 800, 600));
}

}  // namespace
}  // namespace torvane
