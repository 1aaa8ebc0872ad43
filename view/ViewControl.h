#pragma once
// What the keyboard and the mouse do to the view: pan, rotate, zoom, presets, fog, trackbars,
// auto-rotation by the middle button, ruler clicks and cursor shapes. Each handler takes the
// scene, the input state and the input, changes what it must, and returns what the window has
// to do next (repaint, menus, cursor, capture, rotation). The window widget only translates its
// events into these calls.

#include <functional>

#include "view/Picking.h"

namespace torvane {

class Scene;
struct ViewState;

/**
 * @brief The mouse's part of the view's state.
 *
 * MouseMode: 0 idle, -1 a button pressed over the view, -2 dragging the view, 1, 4 or 5 the
 * thumb of that trackbar being dragged.
 */
struct InputState {
  int MouseMode = 0;
  int lastX = 0, lastY = 0;    //!< client pixels of the last remembered mouse position
  bool trackbarHover = false;  //!< the cursor was over a trackbar at the last move
};

//! The view's client area and the frame last drawn into it.
struct ViewWindow {
  int width = 0;
  int height = 0;
  FrameGeometry frame;  //!< matrices and viewport of the last frame
};

enum class ViewKey {
  Other,
  Escape,
  PageUp,
  PageDown,
  Left,
  Right,
  Up,
  Down,
  U,
  D,
  N,
  E,
  S,
  W,
  H,
  F1,
  F2,
  F3,
  F4,
  NumpadPlus,
  NumpadMinus,
};

enum class MouseButton { Left, Right, Middle };

enum class ViewCursor {
  Unchanged,
  Arrow,  //!< the window's default, over the trackbars and outside the view
  Hover,  //!< over the terrain view, no ruler
  Grab,   //!< while the view is pressed or dragged
  Cross,  //!< over the terrain view in a ruler mode
};

enum class RotationRequest { None, Stop, StartClockwise, StartCounterClockwise };

//! What the window does after a handler.
struct ViewResponse {
  bool handled = false;      //!< the input was one the view acts on (keys: a listed key)
  bool repaint = false;      //!< invalidate the view
  bool updateMenus = false;  //!< UpdateMenuState
  ViewCursor cursor = ViewCursor::Unchanged;
  bool refreshCursor = false;  //!< show viewCursorAt() of where the mouse now is
  bool capture = false;        //!< take the keyboard focus and capture the mouse
  bool release = false;        //!< release the mouse capture
  RotationRequest rotation = RotationRequest::None;
};

/**
 * @brief Places a ruler point at a client pixel (the ruler's click operation); true when the
 * terrain was hit and a point was stored. The window binds it to the ruler and the picking of
 * the frame last drawn.
 */
using RulerClick = std::function<bool(int x, int y)>;

/// The cursor is strictly inside the client area: 0 < x < width and 0 < y < height.
bool IsCursorInClient(const ViewWindow& window, int x, int y);

/// The trackbar hit of (x, y) in this window (see HitTestTrackbar).
int hitTrackbar(const Scene& scene, const ViewWindow& window, int x, int y);

/**
 * @brief Pans the view as a drag from (x0, y0) to (x1, y1): both points are unprojected
 * through the frame without the terrain test and their difference is taken off MoveX, MoveY
 * and MoveZ, so the terrain follows the cursor. False (nothing changed) without a frame.
 */
bool panView(ViewState& view, const FrameGeometry& frame, int x0, int y0, int x1, int y1);

/// Rotates the view by a drag of (dx, dy) pixels in a width x height window: RotaZ += pi dx / W,
/// RotaX -= pi dy / H, each wrapped once into 0..2pi.
void rotateView(ViewState& view, int dx, int dy, int width, int height);

/**
 * @brief One step of a setting: bar 0 zooms (direction +1 in: the tangent of the field of view
 * divided by 1.25, at least 0.1 degree; -1 out: multiplied by 1.25, at most 45 degrees); bars
 * 1, 4 and 5 step the sea level, the relief and the transparency (they need a grid; the sea
 * level also ColorT >= 2) and push the change into the vertex data. Returns true when it acted.
 */
bool StepSetting(Scene& scene, int bar, int direction, ViewResponse& response);

/// A key press. `ctrl` and `shift` are the modifier keys held.
ViewResponse viewKeyDown(Scene& scene, const ViewWindow& window, ViewKey key, bool ctrl,
                         bool shift);

/// A press of the left or right button at client (x, y). (A double click's second press is not
/// a press: the window ignores it.)
ViewResponse viewMousePress(Scene& scene, InputState& input, const ViewWindow& window, int x,
                            int y);

/// A move to (x, y) with the given buttons held.
ViewResponse viewMouseMove(Scene& scene, InputState& input, const ViewWindow& window, int x, int y,
                           bool leftHeld, bool rightHeld);

/// A release of `button` at (x, y). A left click in a ruler mode calls `rulerClick`.
ViewResponse viewMouseRelease(Scene& scene, InputState& input, const ViewWindow& window,
                              MouseButton button, int x, int y, const RulerClick& rulerClick = {});

/// A wheel turn at (x, y): `delta` > 0 away from the user.
ViewResponse viewWheel(Scene& scene, const ViewWindow& window, int delta, int x, int y);

/// The cursor the view shows at rest at (x, y): over the view the cross in a ruler mode or the
/// hover cursor, elsewhere (trackbars, the border) the arrow.
ViewCursor viewCursorAt(const Scene& scene, const ViewWindow& window, int x, int y);

}  // namespace torvane
