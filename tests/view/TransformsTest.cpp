#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene/ViewState.h"
#include "view/Transforms.h"

namespace torvane {
namespace {

constexpr double kPi = std::numbers::pi;

Vec3d ndc(const ViewState& view, const Vec3d& p, int w = 800, int h = 600) {
  return projectPoint(computeFrameTransforms(view, w, h).worldViewProjection(), p);
}

TEST(Transforms, PlanViewShowsNorthUpEastRight) {
  ViewState view;
  const Vec3d east = ndc(view, {1, 0, 0});
  const Vec3d north = ndc(view, {0, 1, 0});
  EXPECT_GT(east.x, 0);
  EXPECT_NEAR(east.y, 0, 1e-12);
  EXPECT_GT(north.y, 0);
  EXPECT_NEAR(north.x, 0, 1e-12);
  // x_ndc = x * cot(fov / 2) / aspect / 3 for a point on the model plane, 3 units from the eye.
  EXPECT_NEAR(east.x, 1 / std::tan(kQuarterPi / 2) / (800.0 / 600.0) / 3, 1e-7);
  EXPECT_NEAR(north.y, 1 / std::tan(kQuarterPi / 2) / 3, 1e-12);
}

TEST(Transforms, DepthRunsFromNearToFarPlane) {
  const Mat4d wvp = computeFrameTransforms(ViewState{}, 100, 100).worldViewProjection();
  EXPECT_NEAR(projectPoint(wvp, {0, 0, -2}).z, 0, 1e-12);  // 1 unit from the eye: near plane
  EXPECT_NEAR(projectPoint(wvp, {0, 0, 97}).z, 1, 1e-12);  // 100 units: far plane
  // Heights point towards the eye (-z), so a higher point is nearer.
  EXPECT_LT(projectPoint(wvp, {0, 0, -0.5}).z, projectPoint(wvp, {0, 0, 0}).z);
}

TEST(Transforms, GlClipRemapsDepthAndKeepsXY) {
  const Mat4d wvp = computeFrameTransforms(ViewState{}, 640, 480).worldViewProjection();
  const std::array<float, 16> gl = toGlClip(wvp);
  auto apply = [&](const Vec3d& p) {
    // Column vectors with column-major storage: out_j = sum_k gl[k * 4 + j] * in_k.
    const double in[4] = {p.x, p.y, p.z, 1};
    double out[4] = {0, 0, 0, 0};
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) {
        out[j] += gl[static_cast<size_t>(k * 4 + j)] * in[k];
      }
    }
    return Vec3d{out[0] / out[3], out[1] / out[3], out[2] / out[3]};
  };
  EXPECT_NEAR(apply({0, 0, -2}).z, -1, 1e-5);
  EXPECT_NEAR(apply({0, 0, 97}).z, 1, 1e-5);
  const Vec3d p{0.3, -0.7, 0.1};
  EXPECT_NEAR(apply(p).x, projectPoint(wvp, p).x, 1e-6);
  EXPECT_NEAR(apply(p).y, projectPoint(wvp, p).y, 1e-6);
}

TEST(Transforms, ZoomEnlargesByTangentRatio) {
  ViewState wide;
  ViewState narrow;
  narrow.RZoom = kQuarterPi / 2;
  const Vec3d p{0.4, 0.3, 0};
  const double ratio = std::tan(wide.RZoom / 2) / std::tan(narrow.RZoom / 2);
  EXPECT_NEAR(ndc(narrow, p).x / ndc(wide, p).x, ratio, 1e-9);
  EXPECT_NEAR(ndc(narrow, p).y / ndc(wide, p).y, ratio, 1e-9);
}

TEST(Transforms, WiderWindowKeepsScaleAndShowsMoreSideways) {
  const Vec3d p{0.4, 0.3, 0};
  EXPECT_NEAR(ndc(ViewState{}, p, 800, 600).y, ndc(ViewState{}, p, 1600, 600).y, 1e-12);
  EXPECT_NEAR(ndc(ViewState{}, p, 800, 600).x, 2 * ndc(ViewState{}, p, 1600, 600).x, 1e-7);
}

TEST(Transforms, AzimuthPiTurnsTheMapUpsideDown) {
  ViewState view;
  view.RotaZ = kPi;
  EXPECT_LT(ndc(view, {0, 1, 0}).y, 0);
  EXPECT_LT(ndc(view, {1, 0, 0}).x, 0);
  view.RotaZ = kPi / 2;  // east at the top
  EXPECT_GT(ndc(view, {1, 0, 0}).y, 0);
  EXPECT_NEAR(ndc(view, {1, 0, 0}).x, 0, 1e-12);
}

TEST(Transforms, TiltToSideViewShowsHeightsUpward) {
  ViewState view;
  view.RotaX = kPi / 2;
  const Vec3d top = ndc(view, {0, 0, -0.5});  // 0.5 units above the lowest height
  EXPECT_GT(top.y, 0);
  EXPECT_NEAR(top.x, 0, 1e-12);
}

TEST(Transforms, YawPitchRollAppliesRollThenPitchThenYaw) {
  // (1, 0, 0) rolled by 90 degrees becomes (0, 1, 0); pitched by 90 degrees that becomes
  // (0, 0, 1). The other order would leave it at (0, 1, 0).
  const Vec3d r = transformPoint(yawPitchRollMatrix(0, kPi / 2, kPi / 2), {1, 0, 0});
  EXPECT_NEAR(r.x, 0, 1e-12);
  EXPECT_NEAR(r.y, 0, 1e-12);
  EXPECT_NEAR(r.z, 1, 1e-12);
  // Yaw last: (0, 0, 1) yawed by 90 degrees becomes (1, 0, 0).
  const Vec3d y = transformPoint(yawPitchRollMatrix(kPi / 2, kPi / 2, kPi / 2), {1, 0, 0});
  EXPECT_NEAR(y.x, 1, 1e-12);
  EXPECT_NEAR(y.z, 0, 1e-12);
}

TEST(Transforms, PanTranslatesBeforeRotating) {
  ViewState view;
  view.MoveX = 0.5;
  view.RotaZ = kPi / 2;
  const Vec3d centre = ndc(view, {0.5, 0, 0});
  EXPECT_NEAR(centre.x, 0, 1e-12);
  EXPECT_NEAR(centre.y, 0, 1e-12);
}

TEST(Transforms, LookAtFromAnyEyeMapsTargetOntoViewAxis) {
  const Mat4d v = lookAtLH({1, 2, -3}, {0.5, 0.5, 0.5}, {0, 1, 0});
  const Vec3d t = transformPoint(v, {0.5, 0.5, 0.5});
  EXPECT_NEAR(t.x, 0, 1e-12);
  EXPECT_NEAR(t.y, 0, 1e-12);
  EXPECT_NEAR(t.z, std::sqrt(0.25 + 2.25 + 12.25), 1e-12);
}

}  // namespace
}  // namespace torvane
