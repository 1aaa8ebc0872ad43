#include <gtest/gtest.h>

#include <cmath>

#include "view/AutoRotation.h"
#include "scene/ViewState.h"

namespace torvane {
namespace {

constexpr double kTwoPi = 6.283185307179586;

TEST(AutoRotation, AtMostTwentyStepsPerSecondWhateverThePaintRate) {
  ViewState view;
  view.rotating = true;
  view.Pitch = 5;
  RotationClock clock;
  clock.reset(1000);
  int steps = 0;
  for (uint32_t t = 1000; t <= 2000; ++t) {  // a paint every millisecond
    steps += advanceAutoRotation(view, clock, t) ? 1 : 0;
  }
  EXPECT_EQ(steps, 20);
  // Speed 5 turns 0.5 degree per step.
  EXPECT_NEAR(view.RotaZ, 20 * 0.5 * kRotationUnit, 1e-12);
}

TEST(AutoRotation, NothingHappensWhileStopped) {
  ViewState view;
  view.RotaZ = 1;
  RotationClock clock;
  EXPECT_FALSE(advanceAutoRotation(view, clock, 5000));
  EXPECT_EQ(view.RotaZ, 1);
}

TEST(AutoRotation, WrapsIntoZeroToTwoPi) {
  ViewState view;
  view.rotating = true;
  view.Pitch = 10;
  RotationClock clock;

  view.clockwise = true;
  view.RotaZ = 0.001;
  ASSERT_TRUE(advanceAutoRotation(view, clock, 100));
  EXPECT_NEAR(view.RotaZ, 0.001 - kRotationUnit + kTwoPi, 1e-12);

  view.clockwise = false;
  view.RotaZ = kTwoPi - 0.001;
  ASSERT_TRUE(advanceAutoRotation(view, clock, 200));
  EXPECT_NEAR(view.RotaZ, kRotationUnit - 0.001, 1e-12);
  EXPECT_GE(view.RotaZ, 0);
}

TEST(AutoRotation, TickCounterWrapAroundStillSteps) {
  ViewState view;
  view.rotating = true;
  RotationClock clock;
  clock.reset(0xFFFFFFF0u);
  EXPECT_FALSE(advanceAutoRotation(view, clock, 0x00000010u));  // 32 ms later
  EXPECT_TRUE(advanceAutoRotation(view, clock, 0x00000030u));   // 64 ms later
}

}  // namespace
}  // namespace torvane
