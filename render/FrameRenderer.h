#pragma once
// One frame of the main view: clear, the three transforms from the view state, then either the
// terrain with everything layered on it or, with no elevation data open, the wireframe title.
// Draws into whatever framebuffer is bound (the view widget's, or an offscreen one for a saved
// image), so both draw the very same frame.

#include <cstdint>

class QPainter;

namespace torvane {

class ElevationGrid;
class RenderContext;
class TerrainPicker;
struct InputState;
class Scene;
struct ViewState;

/**
 * @brief What a frame is drawn from.
 *
 * Textures are sampled as the viewer always sampled them: nearest filtering, repeat wrapping,
 * no mipmaps. Whoever creates them sets GL_TEXTURE_MIN_FILTER to GL_NEAREST (OpenGL's default
 * expects mipmaps and would sample black without them).
 */
struct FrameInput {
  const ViewState& view;
  const ElevationGrid& grid;
  uint32_t imageTexture = 0;  //!< draped image (OpenGL texture name), 0 when none
  uint32_t baseTexture = 0;   //!< its base image, 0 when none
  //! The mouse as view control sees it (mode, hover), nullptr when there is none.
  const InputState* input = nullptr;
  //! Cursor position in client pixels, or -1, -1 when the cursor is not over the view.
  int cursorX = -1, cursorY = -1;
  //! Answers terrain picks for this frame (the ruler's rubber band), nullptr when there is none.
  const TerrainPicker* picker = nullptr;
  //! The scene shown, for its line/point layers, contour sets, ruler, sampling limits and model
  //! fit; without one only what `view` and `grid` give is drawn.
  const Scene* scene = nullptr;
  //! The client area's top left on the screen (the readout's screen coordinates).
  int screenX = 0, screenY = 0;
};

//! The background of every frame, A8R8G8B8.
inline constexpr uint32_t kClearColour = 0xFF404040;

/**
 * @brief Draws the device passes of one frame of width x height pixels.
 *
 * A zero-sized client area draws nothing (there is no aspect ratio to draw with). Leaves the
 * program unbound so that screen-space painting can follow.
 */
void renderFrame(RenderContext& context, const FrameInput& input, int width, int height);

/// True when the frame has screen-space passes (text and furniture drawn with QPainter) to add.
bool frameHasScreenPasses(RenderContext& context, const FrameInput& input);
/// The screen-space passes, in their order, over the frame that renderFrame drew.
void paintScreenPasses(QPainter& painter, RenderContext& context, const FrameInput& input,
                       int width, int height);

}  // namespace torvane
