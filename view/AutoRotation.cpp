#include "view/AutoRotation.h"

#include "scene/ViewState.h"

namespace torvane {

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

bool advanceAutoRotation(ViewState& view, RotationClock& clock, uint32_t now) {
  if (!view.rotating) {
    return false;
  }
  clock.lastPaint = now;
  if (static_cast<uint32_t>(now - clock.lastStep) < kRotationIntervalMs) {
    return false;
  }
  clock.lastStep = now;
  const double step = view.Pitch * kRotationUnit / 10;
  if (view.clockwise) {
    view.RotaZ -= step;
    if (view.RotaZ < 0) {
      view.RotaZ += kTwoPi;
    }
  } else {
    view.RotaZ += step;
    if (view.RotaZ > kTwoPi) {
      view.RotaZ -= kTwoPi;
    }
  }
  return true;
}

}  // namespace torvane
