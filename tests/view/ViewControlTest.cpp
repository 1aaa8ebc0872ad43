#include <gtest/gtest.h>

#include <cmath>

#include "scene/Scene.h"
#include "tests/support/GridBuilder.h"
#include "view/Trackbars.h"
#include "view/ViewControl.h"

namespace torvane {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegree = kRotationUnit;

// An 800 x 600 view of a small loaded terrain (6 x 5 nodes rising eastwards), drawn once.
struct LoadedView : ::testing::Test {
  Scene scene;
  InputState input;
  ViewWindow window;
  void SetUp() override {
    fixtures::buildGrid(scene.grid,
                        {fixtures::SubGrid{6, 5, 0, 0, 10, [](int, int c) { return 4.0 * c; }}});
    SamplingPlan plan;
    plan.nodeTotal = 30;
    plan.indexTotal = 6 * 5 * 4;
    ASSERT_TRUE(scene.postProcess(plan));
    drawn();
  }
  // The frame drawn from the view as it now stands.
  void drawn() { window = {800, 600, frameGeometryFor(scene.view, 800, 600)}; }
  ViewResponse key(ViewKey k, bool ctrl = false, bool shift = false) {
    return viewKeyDown(scene, window, k, ctrl, shift);
  }
};

// Trackbars with the status bar shown in a 600-pixel-high view: base line B = 575, bars hit at
// x 10..19, 30..39, 50..59; zones above B: upper arrow 100..81, thumb 80..21, lower arrow
// 20..11, nothing below.
TEST_F(LoadedView, TrackbarHitTest) {
  struct Case {
    int ColorT;
    bool statusBar;
    int x, y, hit;
  };
  const Case cases[] = {
      {3, true, 15, 485, 11},  {3, true, 35, 500, 42}, {3, true, 55, 560, 53},
      {3, true, 19, 476, 11},  {3, true, 15, 475, 0},  {3, true, 55, 565, -1},
      {3, true, 5, 500, -1},   {3, true, 25, 500, -1}, {3, true, 65, 500, -1},
      {3, true, 70, 500, 0},   {3, true, 15, 576, 0},  {3, false, 15, 585, 13},
      {3, false, 15, 590, -1}, {1, true, 15, 500, 42}, {1, true, 35, 500, 52},
      {1, true, 50, 500, 0},   {2, true, 15, 500, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.ColorT << " " << c.statusBar << " " << c.x << "," << c.y);
    scene.view.ColorT = c.ColorT;
    scene.view.statusBar = c.statusBar;
    EXPECT_EQ(hitTrackbar(scene, window, c.x, c.y), c.hit);
  }
  // The status bar's strip never hits a trackbar; hidden trackbars or no grid hit nothing.
  scene.view.statusBar = true;
  for (int y = 576; y < 600; ++y) {
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(hitTrackbar(scene, window, x, y), 0) << x << "," << y;
    }
  }
  scene.view.trackbar = false;
  EXPECT_EQ(hitTrackbar(scene, window, 35, 500), 0);
  scene.view.trackbar = true;
  EXPECT_EQ(HitTestTrackbar(scene.view, false, 600, 35, 500), 0);

  // The thumb: 50 pixels above the zero line (B - 25 = 550) or more is the full range, below
  // it nothing; the sea level's thumb goes by the effective level.
  EXPECT_EQ(trackbarValueAt(kReliefBar, scene.view, 600, 500), 100);
  EXPECT_EQ(trackbarValueAt(kReliefBar, scene.view, 600, 420), 100);
  EXPECT_EQ(trackbarValueAt(kReliefBar, scene.view, 600, 525), 50);
  EXPECT_EQ(trackbarValueAt(kReliefBar, scene.view, 600, 551), 0);
  EXPECT_EQ(trackbarValueAt(kTransparencyBar, scene.view, 600, 549), 5);  // 1 x 255 / 50
  EXPECT_EQ(trackbarValueAt(kSeaLevelBar, scene.view, 600, 530), 400);
  scene.view.ColorK = 500;
  EXPECT_EQ(trackbarThumbOffset(kSeaLevelBar, scene.view, scene.grid), 25);
  EXPECT_EQ(trackbarThumbOffset(kTransparencyBar, scene.view, scene.grid), 50);
}

TEST_F(LoadedView, KeysAndSteps) {
  ViewState& v = scene.view;
  // Zoom: ten notches in from 45 degrees leave tan 45 / 1.25^10, about 6.1 degrees, and the
  // field of view stays within 0.1 .. 45 degrees.
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(key(ViewKey::PageUp).repaint);
  }
  EXPECT_NEAR(v.RZoom, std::atan(1 / std::pow(1.25, 10)), 1e-12);
  EXPECT_NEAR(v.RZoom / kDegree, 6.1, 0.05);
  for (int i = 0; i < 60; ++i) {
    key(ViewKey::PageUp);
  }
  EXPECT_EQ(v.RZoom, kMinZoom);
  for (int i = 0; i < 60; ++i) {
    key(ViewKey::PageDown);
  }
  EXPECT_EQ(v.RZoom, kQuarterPi);

  // Angles: one degree per key, wrapped once; presets; Shift+arrow does nothing.
  struct Case {
    ViewKey key;
    bool ctrl, shift;
    double RotaX, RotaZ;  // before
    double wantX, wantZ;  // after
  };
  const Case cases[] = {
      {ViewKey::Left, true, false, 0, 0, 0, 2 * kPi - kDegree},
      {ViewKey::Right, true, false, 0, 2 * kPi - 0.5 * kDegree, 0, 0.5 * kDegree},
      {ViewKey::Up, true, false, 1, 0, 1 + kDegree, 0},
      {ViewKey::Down, true, false, 0.5 * kDegree, 0, 2 * kPi - 0.5 * kDegree, 0},
      {ViewKey::D, false, false, 0.3, 1, kPi / 2, 1},
      {ViewKey::U, false, true, 0.3, 1, 0, 1},
      {ViewKey::E, false, false, 0.3, 1, 0.3, kPi / 2},
      {ViewKey::S, false, false, 0.3, 1, 0.3, kPi},
      {ViewKey::W, true, false, 0.3, 1, 0.3, 3 * kPi / 2},
      {ViewKey::N, false, false, 0.3, 1, 0.3, 0},
      {ViewKey::Left, true, true, 0.3, 1, 0.3, 1},
      {ViewKey::H, false, false, 0.3, 1, 0.3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key));
    v.RotaX = c.RotaX;
    v.RotaZ = c.RotaZ;
    key(c.key, c.ctrl, c.shift);
    EXPECT_NEAR(v.RotaX, c.wantX, 1e-12);
    EXPECT_NEAR(v.RotaZ, c.wantZ, 1e-12);
  }

  // F1 and F2 cycle; Shift+numpad +/- move the fog start only while fog is on, within 0..39.
  key(ViewKey::F2);
  key(ViewKey::F2);
  EXPECT_EQ(v.fogMode, 2);
  v.fogStart = 1;
  key(ViewKey::NumpadPlus, false, true);
  key(ViewKey::NumpadPlus, false, true);
  EXPECT_EQ(v.fogStart, 0);
  key(ViewKey::NumpadMinus);  // without Shift
  EXPECT_EQ(v.fogStart, 0);
  key(ViewKey::F2);
  EXPECT_EQ(v.fogMode, 0);
  EXPECT_FALSE(key(ViewKey::NumpadMinus, false, true).repaint);
  for (int i = 0; i < 3; ++i) {
    key(ViewKey::F1);
  }
  EXPECT_EQ(v.overlayTextMode, 0);
  key(ViewKey::F3);
  key(ViewKey::F4);
  EXPECT_EQ(v.frameMode, 1);
  EXPECT_TRUE(v.readout);

  // Trackbar steps: transparency counts opaque as 256; relief stays within 0..100; the sea
  // level starts from the effective level and needs ColorT >= 2.
  ViewResponse r;
  v.Alpha = 240;
  EXPECT_TRUE(StepSetting(scene, kTransparencyBar, 1, r));
  EXPECT_EQ(v.Alpha, 255);
  StepSetting(scene, kTransparencyBar, -1, r);
  EXPECT_EQ(v.Alpha, 240);
  EXPECT_EQ(scene.mesh.vertices()[0].diffuse >> 24, 240u);  // pushed into the vertices
  EXPECT_TRUE(r.updateMenus && r.repaint);
  v.Scale = 100;
  StepSetting(scene, kReliefBar, 1, r);
  EXPECT_EQ(v.Scale, 100);
  v.ColorK = -1;
  StepSetting(scene, kSeaLevelBar, 1, r);
  EXPECT_EQ(v.ColorK, 1);  // from the effective level (0 for Hmin 0), one up
  v.ColorT = 1;
  EXPECT_FALSE(StepSetting(scene, kSeaLevelBar, 1, r));
  EXPECT_FALSE(StepSetting(scene, 2, 1, r));

  // Esc stops the rotation first, and only then ends the ruler.
  v.rotating = true;
  toggleStraightRuler(scene.ruler);
  EXPECT_EQ(key(ViewKey::Escape).rotation, RotationRequest::Stop);
  EXPECT_TRUE(scene.ruler.active());
  v.rotating = false;
  r = key(ViewKey::Escape);
  EXPECT_FALSE(scene.ruler.active());
  EXPECT_TRUE(r.updateMenus && r.refreshCursor);

  // Without a grid, F3, F4 and the trackbars do nothing.
  scene.clearScene();
  EXPECT_FALSE(key(ViewKey::F3).repaint);
  EXPECT_FALSE(StepSetting(scene, kReliefBar, 1, r));
}

// A left drag pans so that the model point under the cursor on the plane through the view's
// centre (where pans are measured) stays under the cursor, whatever the tilt and azimuth; a
// right drag turns the view by pi per window width or height.
TEST_F(LoadedView, DragsPanAndRotate) {
  auto toScreen = [&](const Vec3d& m) {
    const Vec3d ndc = projectPoint(window.frame.transforms.worldViewProjection(), m);
    return std::pair<double, double>{(ndc.x + 1) / 2 * 800, (1 - ndc.y) / 2 * 600};
  };
  for (const double tilt : {0.0, 0.7, 2.0}) {
    SCOPED_TRACE(tilt);
    scene.view.RotaX = tilt;
    scene.view.RotaZ = 2.1;
    drawn();
    const ViewState& v = scene.view;
    const double centreDepth =
        projectPoint(window.frame.transforms.worldViewProjection(), {v.MoveX, v.MoveY, v.MoveZ}).z;
    Vec3d grabbed;
    ASSERT_TRUE(unprojectPoint(window.frame, 300, 200, centreDepth, grabbed));
    EXPECT_EQ(viewMousePress(scene, input, window, 300, 200).cursor, ViewCursor::Grab);
    EXPECT_EQ(input.MouseMode, -1);
    viewMouseMove(scene, input, window, 340, 230, true, false);
    EXPECT_EQ(input.MouseMode, -2);
    EXPECT_EQ(viewMouseMove(scene, input, window, 420, 260, true, false).cursor, ViewCursor::Grab);
    const ViewResponse r = viewMouseRelease(scene, input, window, MouseButton::Left, 420, 260);
    EXPECT_TRUE(r.release);
    EXPECT_EQ(r.cursor, ViewCursor::Hover);
    EXPECT_EQ(input.MouseMode, 0);
    drawn();
    const auto [x, y] = toScreen(grabbed);
    EXPECT_NEAR(x, 420, 1e-6);
    EXPECT_NEAR(y, 260, 1e-6);
  }
  // Keyboard pans are drags from the corner by a hundredth of the window.
  drawn();
  const double moveX = scene.view.MoveX;
  key(ViewKey::Left);
  EXPECT_NE(scene.view.MoveX, moveX);
  key(ViewKey::Right);
  EXPECT_NEAR(scene.view.MoveX, moveX, 1e-12);

  scene.view.RotaX = 0.1;
  scene.view.RotaZ = 6.2;
  viewMousePress(scene, input, window, 400, 300);
  viewMouseMove(scene, input, window, 480, 360, false, true);  // right button
  EXPECT_NEAR(scene.view.RotaZ, 6.2 + kPi * 80 / 800 - 2 * kPi, 1e-12);
  EXPECT_NEAR(scene.view.RotaX, 0.1 - kPi * 60 / 600 + 2 * kPi, 1e-12);
  viewMouseRelease(scene, input, window, MouseButton::Right, 480, 360);
}

TEST_F(LoadedView, ButtonsOnTrackbarsAndTheView) {
  ViewState& v = scene.view;
  int clicks = 0;
  const RulerClick ruler = [&](int, int) { return ++clicks > 0; };
  auto click = [&](int x, int y) {
    viewMousePress(scene, input, window, x, y);
    return viewMouseRelease(scene, input, window, MouseButton::Left, x, y, ruler);
  };
  // Arrow zones step on release; the thumb zone starts a drag that sets the value; the band
  // beside the bars starts nothing.
  v.Scale = 10;
  click(35, 485);  // relief, upper arrow
  EXPECT_EQ(v.Scale, 11);
  click(35, 560);
  click(35, 560);
  EXPECT_EQ(v.Scale, 9);
  viewMousePress(scene, input, window, 35, 530);
  EXPECT_EQ(input.MouseMode, kReliefBar);
  viewMouseMove(scene, input, window, 90, 500, true, false);  // 50 px above the zero line
  EXPECT_EQ(v.Scale, 100);
  viewMouseMove(scene, input, window, 90, 570, true, false);
  EXPECT_EQ(v.Scale, 0);
  viewMouseRelease(scene, input, window, MouseButton::Left, 90, 570, ruler);
  EXPECT_EQ(v.Scale, 0);
  viewMousePress(scene, input, window, 25, 500);
  EXPECT_EQ(input.MouseMode, 0);
  viewMouseMove(scene, input, window, 200, 100, true, false);
  viewMouseRelease(scene, input, window, MouseButton::Left, 200, 100, ruler);
  EXPECT_EQ(v.MoveX, 0);
  EXPECT_EQ(v.Scale, 0);

  // The wheel steps a bar under the cursor and zooms elsewhere.
  viewWheel(scene, window, 120, 55, 500);
  EXPECT_EQ(v.Alpha, 255);
  viewWheel(scene, window, -120, 55, 500);
  EXPECT_EQ(v.Alpha, 240);
  viewWheel(scene, window, 120, 400, 300);
  EXPECT_LT(v.RZoom, kQuarterPi);

  // The middle button toggles auto-rotation, clockwise from the left half (centre included),
  // but not over a trackbar.
  EXPECT_EQ(viewMouseRelease(scene, input, window, MouseButton::Middle, 400, 300).rotation,
            RotationRequest::StartClockwise);
  EXPECT_EQ(viewMouseRelease(scene, input, window, MouseButton::Middle, 401, 300).rotation,
            RotationRequest::StartCounterClockwise);
  EXPECT_EQ(viewMouseRelease(scene, input, window, MouseButton::Middle, 35, 530).rotation,
            RotationRequest::None);
  v.rotating = true;
  EXPECT_EQ(viewMouseRelease(scene, input, window, MouseButton::Middle, 700, 300).rotation,
            RotationRequest::Stop);

  // Ruler points come from clicks on the view, not from drags; the cursor says which mode.
  EXPECT_EQ(viewCursorAt(scene, window, 400, 300), ViewCursor::Hover);
  EXPECT_EQ(viewCursorAt(scene, window, 35, 530), ViewCursor::Arrow);
  EXPECT_EQ(viewCursorAt(scene, window, 0, 300), ViewCursor::Arrow);
  click(400, 300);
  EXPECT_EQ(clicks, 0);
  togglePathRuler(scene.ruler);
  EXPECT_EQ(viewCursorAt(scene, window, 400, 300), ViewCursor::Cross);
  EXPECT_EQ(viewMousePress(scene, input, window, 400, 300).cursor, ViewCursor::Unchanged);
  EXPECT_TRUE(
      viewMouseRelease(scene, input, window, MouseButton::Left, 400, 300, ruler).updateMenus);
  EXPECT_EQ(clicks, 1);
  viewMousePress(scene, input, window, 400, 300);
  viewMouseMove(scene, input, window, 410, 300, true, false);
  viewMouseRelease(scene, input, window, MouseButton::Left, 410, 300, ruler);
  EXPECT_EQ(clicks, 1);
  // While fewer than two points are fixed, every move repaints the pending segment.
  EXPECT_TRUE(viewMouseMove(scene, input, window, 420, 300, false, false).repaint);
}

}  // namespace
}  // namespace torvane
