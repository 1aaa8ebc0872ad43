#include "view/ViewControl.h"

#include <algorithm>
#include <cmath>

#include "scene/Propagation.h"
#include "scene/Scene.h"
#include "view/Trackbars.h"

namespace torvane {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kMaxZoom = kQuarterPi;  // 45 degrees

bool gridLoaded(const Scene& scene) { return scene.grid.count > 0; }

// One turn at most either way, as every angle change is wrapped.
double wrapAngle(double angle) {
  if (angle > kTwoPi) {
    return angle - kTwoPi;
  }
  if (angle < 0) {
    return angle + kTwoPi;
  }
  return angle;
}

template <typename T>
bool cycle(T& value, T count) {
  value = static_cast<T>((value + 1) % count);
  return true;
}

// The near-plane point of a client pixel, scaled by the eye distance (the pan unprojection).
bool panPoint(const FrameGeometry& frame, int x, int y, Vec3d& p) {
  Vec3d nearPoint;
  if (!unprojectPoint(frame, x, y, 0, nearPoint)) {
    return false;
  }
  p = {nearPoint.x * kEyeDistance, nearPoint.y * kEyeDistance, nearPoint.z * kEyeDistance};
  return true;
}

// Sets the setting of trackbar `bar` (1, 4 or 5) and pushes it into the vertex data.
void setTrackbarValue(Scene& scene, int bar, int value, ViewResponse& response) {
  ViewState& view = scene.view;
  if (bar == kSeaLevelBar) {
    view.ColorK = value;
    ApplyLandColours(scene);
  } else if (bar == kReliefBar) {
    view.Scale = value;
    ApplyRelief(scene);
  } else {
    view.Alpha = value;
    ApplyTransparency(scene);
  }
  RefreshVertexData(scene);
  response.updateMenus = true;
  response.repaint = true;
}

}  // namespace

bool IsCursorInClient(const ViewWindow& window, int x, int y) {
  return 0 < x && x < window.width && 0 < y && y < window.height;
}

int hitTrackbar(const Scene& scene, const ViewWindow& window, int x, int y) {
  return HitTestTrackbar(scene.view, gridLoaded(scene), window.height, x, y);
}

bool panView(ViewState& view, const FrameGeometry& frame, int x0, int y0, int x1, int y1) {
  Vec3d p0, p1;
  if (!panPoint(frame, x0, y0, p0) || !panPoint(frame, x1, y1, p1)) {
    return false;
  }
  view.MoveX -= p1.x - p0.x;
  view.MoveY -= p1.y - p0.y;
  view.MoveZ -= p1.z - p0.z;
  return true;
}

void rotateView(ViewState& view, int dx, int dy, int width, int height) {
  if (width > 0) {
    view.RotaZ = wrapAngle(view.RotaZ + kPi * dx / width);
  }
  if (height > 0) {
    view.RotaX = wrapAngle(view.RotaX - kPi * dy / height);
  }
}

bool StepSetting(Scene& scene, int bar, int direction, ViewResponse& response) {
  ViewState& view = scene.view;
  if (bar == 0) {
    const double t = std::tan(view.RZoom);
    if (direction > 0) {
      view.RZoom = std::max(std::atan2(t, 1.25), kMinZoom);
    } else {
      view.RZoom = std::min(std::atan2(t, 0.8), kMaxZoom);
    }
    response.repaint = true;
    return true;
  }
  if (!gridLoaded(scene)) {
    return false;
  }
  int value = 0;
  switch (bar) {
    case kSeaLevelBar:
      if (view.ColorT < kImageAndSea) {
        return false;
      }
      // Stepping from -1 starts at the effective level and leaves the -1 setting.
      value = std::clamp(EffectiveSeaLevel(view, scene.grid) + direction, 0, 1000);
      break;
    case kReliefBar:
      value = std::clamp(view.Scale + direction, 0, 100);
      break;
    case kTransparencyBar: {
      // Opaque counts as 256, so steps of 16 run 255, 240, ..., 16, 0 and back up to 255.
      const int alpha = (view.Alpha == 255 ? 256 : view.Alpha) + direction * 16;
      value = alpha < 0 ? 0 : (alpha >= 256 ? 255 : alpha);
      break;
    }
    default:
      return false;
  }
  setTrackbarValue(scene, bar, value, response);
  return true;
}

ViewResponse viewKeyDown(Scene& scene, const ViewWindow& window, ViewKey key, bool ctrl,
                         bool shift) {
  ViewState& view = scene.view;
  ViewResponse r;
  r.handled = key != ViewKey::Other;
  bool changed = false;
  const bool arrow =
      key == ViewKey::Left || key == ViewKey::Right || key == ViewKey::Up || key == ViewKey::Down;
  if (arrow && shift) {
    return r;  // Shift+arrow does nothing
  }
  switch (key) {
    case ViewKey::Other:
    case ViewKey::H:
      break;
    case ViewKey::Escape:
      if (view.rotating) {
        r.rotation = RotationRequest::Stop;
      } else if (cancelRuler(scene.ruler)) {
        r.updateMenus = true;
        r.repaint = true;
        r.refreshCursor = true;
      }
      break;
    case ViewKey::PageUp:
    case ViewKey::PageDown:
      StepSetting(scene, 0, key == ViewKey::PageUp ? 1 : -1, r);
      break;
    case ViewKey::Left:
    case ViewKey::Right:
      if (ctrl) {
        view.RotaZ =
            wrapAngle(view.RotaZ + (key == ViewKey::Left ? -kRotationUnit : kRotationUnit));
        changed = true;
      } else {
        const int d = window.width / 100;
        changed = panView(view, window.frame, 0, 0, key == ViewKey::Left ? -d : d, 0);
      }
      break;
    case ViewKey::Up:
    case ViewKey::Down:
      if (ctrl) {
        view.RotaX = wrapAngle(view.RotaX + (key == ViewKey::Up ? kRotationUnit : -kRotationUnit));
        changed = true;
      } else {
        const int d = window.height / 100;
        changed = panView(view, window.frame, 0, 0, 0, key == ViewKey::Up ? -d : d);
      }
      break;
    case ViewKey::U:
      view.RotaX = 0;
      changed = true;
      break;
    case ViewKey::D:
      view.RotaX = kPi / 2;
      changed = true;
      break;
    case ViewKey::N:
    case ViewKey::E:
    case ViewKey::S:
    case ViewKey::W:
      view.RotaZ = key == ViewKey::N   ? 0
                   : key == ViewKey::E ? kPi / 2
                   : key == ViewKey::S ? kPi
                                       : 3 * kPi / 2;
      changed = true;
      break;
    case ViewKey::F1:
      changed = cycle(view.overlayTextMode, 3);
      break;
    case ViewKey::F2:
      changed = cycle(view.fogMode, 3);
      break;
    case ViewKey::NumpadPlus:
      if (shift && view.fogMode != 0 && view.fogStart > 0) {
        --view.fogStart;  // the fog comes nearer
        changed = true;
      }
      break;
    case ViewKey::NumpadMinus:
      if (shift && view.fogMode != 0 && view.fogStart < 39) {
        ++view.fogStart;
        changed = true;
      }
      break;
    case ViewKey::F3:
      changed = gridLoaded(scene) && cycle(view.frameMode, 3);
      break;
    case ViewKey::F4:
      if (gridLoaded(scene)) {
        view.readout = !view.readout;
        changed = true;
      }
      break;
  }
  r.repaint = r.repaint || changed;
  return r;
}

ViewResponse viewMousePress(Scene& scene, InputState& input, const ViewWindow& window, int x,
                            int y) {
  ViewResponse r;
  r.handled = true;
  r.capture = true;
  input.MouseMode = 0;
  const int hit = hitTrackbar(scene, window, x, y);
  if (hit != 0) {
    if (hit > 0 && hit % 10 == kThumbPart) {
      input.MouseMode = hit / 10;  // a thumb drag begins
    }
  } else if (IsCursorInClient(window, x, y)) {
    input.lastX = x;
    input.lastY = y;
    input.MouseMode = -1;
    if (!scene.ruler.active()) {
      r.cursor = ViewCursor::Grab;
    }
  }
  return r;
}

ViewResponse viewMouseMove(Scene& scene, InputState& input, const ViewWindow& window, int x, int y,
                           bool leftHeld, bool rightHeld) {
  ViewResponse r;
  r.handled = true;
  if (input.MouseMode < 0) {
    if (leftHeld) {
      panView(scene.view, window.frame, input.lastX, input.lastY, x, y);
    } else if (rightHeld) {
      rotateView(scene.view, x - input.lastX, y - input.lastY, window.width, window.height);
    } else {
      return r;
    }
    r.cursor = ViewCursor::Grab;
    r.repaint = true;
    input.lastX = x;
    input.lastY = y;
    input.MouseMode = -2;
    return r;
  }
  if (input.MouseMode == 0) {
    r.cursor = viewCursorAt(scene, window, x, y);
    if (hitTrackbar(scene, window, x, y) != 0) {
      input.trackbarHover = true;
      r.repaint = true;  // the bars' look follows the cursor
    } else if (input.trackbarHover) {
      input.trackbarHover = false;
      r.repaint = true;
    } else if (scene.ruler.active() && scene.ruler.pointCount < 2) {
      r.repaint = true;  // the pending segment follows the cursor
    }
    return r;
  }
  if (!leftHeld) {
    return r;
  }
  // A thumb drag: the value at the cursor's height, pushed into the vertex data.
  const int bar = input.MouseMode;
  if (trackbarRange(bar) > 0) {
    setTrackbarValue(scene, bar, trackbarValueAt(bar, scene.view, window.height, y), r);
  }
  return r;
}

ViewResponse viewMouseRelease(Scene& scene, InputState& input, const ViewWindow& window,
                              MouseButton button, int x, int y, const RulerClick& rulerClick) {
  ViewResponse r;
  r.handled = true;
  if (button == MouseButton::Middle) {
    if (hitTrackbar(scene, window, x, y) == 0 && IsCursorInClient(window, x, y)) {
      if (scene.view.rotating) {
        r.rotation = RotationRequest::Stop;
      } else {
        // The left half of the window turns the view clockwise, the right half the other way.
        r.rotation = window.width / 2 >= x ? RotationRequest::StartClockwise
                                           : RotationRequest::StartCounterClockwise;
      }
      r.updateMenus = true;
      r.repaint = true;
    }
    return r;
  }
  if (button == MouseButton::Left) {
    if (input.MouseMode == 0) {
      const int hit = hitTrackbar(scene, window, x, y);
      if (hit > 0 && hit / 10 <= 5) {
        if (hit % 10 == kUpperArrowPart) {
          StepSetting(scene, hit / 10, 1, r);
        } else if (hit % 10 == kLowerArrowPart) {
          StepSetting(scene, hit / 10, -1, r);
        }
      }
    } else if (input.MouseMode == -1 && scene.ruler.active() && rulerClick && rulerClick(x, y)) {
      r.updateMenus = true;
      r.repaint = true;
    }
  }
  if (input.MouseMode != 0) {
    r.repaint = true;  // a finished drag's highlight goes
  }
  input.MouseMode = 0;
  r.release = true;
  r.cursor = viewCursorAt(scene, window, x, y);
  return r;
}

ViewResponse viewWheel(Scene& scene, const ViewWindow& window, int delta, int x, int y) {
  ViewResponse r;
  r.handled = true;
  const int direction = delta > 0 ? 1 : -1;
  const int hit = hitTrackbar(scene, window, x, y);
  if (hit > 0 && hit / 10 <= 5) {
    StepSetting(scene, hit / 10, direction, r);
  } else if (IsCursorInClient(window, x, y)) {
    StepSetting(scene, 0, direction, r);
  }
  return r;
}

ViewCursor viewCursorAt(const Scene& scene, const ViewWindow& window, int x, int y) {
  if (hitTrackbar(scene, window, x, y) == 0 && IsCursorInClient(window, x, y)) {
    return scene.ruler.active() ? ViewCursor::Cross : ViewCursor::Hover;
  }
  return ViewCursor::Arrow;
}

}  // namespace torvane
