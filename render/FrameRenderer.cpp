#include "render/FrameRenderer.h"

#include <QOpenGLFunctions_3_3_Core>
#include <QPainter>

#include "scene/ViewState.h"
#include "elevation/ElevationGrid.h"
#include "render/RenderContext.h"
#include "view/Transforms.h"

namespace torvane {

namespace {

void drawTerrain(RenderContext& context, const FrameInput& input) {
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  TerrainBuffers& terrain = context.terrainBuffers();
  if (input.imageTexture == 0) {
    context.setTextureStage(TextureStage::None);
    terrain.draw(gl, input.grid);
    return;
  }
  // A draped image: the base image first with its own alpha, then the image modulated by the
  // vertex colours (so the land colours tint it and the vertex alpha sets its opacity).
  gl->glActiveTexture(GL_TEXTURE0);
  if (input.baseTexture != 0) {
    gl->glBindTexture(GL_TEXTURE_2D, input.baseTexture);
    context.setTextureStage(TextureStage::BaseAlpha);
    terrain.draw(gl, input.grid);
  }
  gl->glBindTexture(GL_TEXTURE_2D, input.imageTexture);
  context.setTextureStage(TextureStage::Modulate);
  terrain.draw(gl, input.grid);
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  context.setTextureStage(TextureStage::None);
}

}  // namespace

void renderFrame(RenderContext& context, const FrameInput& input, int width, int height) {
  if (!context.isCreated() || width <= 0 || height <= 0) {
    return;
  }
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  gl->glViewport(0, 0, width, height);
  context.applyRenderStates();
  gl->glClearColor(((kClearColour >> 16) & 0xFF) / 255.0f, ((kClearColour >> 8) & 0xFF) / 255.0f,
                   (kClearColour & 0xFF) / 255.0f, ((kClearColour >> 24) & 0xFF) / 255.0f);
  gl->glClearDepth(1.0);
  gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  const ViewState& view = input.view;
  const FrameTransforms transforms = computeFrameTransforms(view, width, height);
  ShaderFrame frame;
  frame.worldViewProjection = toGlClip(transforms.worldViewProjection());
  frame.worldView = toGlFloats(transforms.worldView());
  frame.fog = view.fogMode == 1 || view.fogMode == 2;
  frame.fogColour = view.fogMode == 2 ? std::array<float, 4>{0, 0, 0, 1}
                                      : std::array<float, 4>{1, 1, 1, 1};
  frame.fogStart = static_cast<float>(view.fogStart) / 10.0f;
  frame.fogEnd = 4.0f;
  context.useProgram(frame);

  TerrainBuffers& terrain = context.terrainBuffers();
  terrain.sync(gl);
  if (terrain.hasIndices()) {
    // The terrain is pushed back by a slope-scaled bias so that lines and points lying on the
    // surface stay visible.
    gl->glEnable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(10.0f, 0.0f);
    drawTerrain(context, input);
    gl->glDisable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(0.0f, 0.0f);
    // Device passes drawn over the terrain, in this order, join here with their subsystems:
    // line/point layers, contour sets, then the data frame and axes.
  } else {
    context.drawTitle();
  }
  gl->glUseProgram(0);
}

bool frameHasScreenPasses(const RenderContext& context, const FrameInput& input) {
  (void)context;
  (void)input;
  // The screen-space passes (ruler or readout, frame labels, compass, trackbars, status bar,
  // overlay text) join here with their subsystems.
  return false;
}

void paintScreenPasses(QPainter& painter, RenderContext& context, const FrameInput& input,
                       int width, int height) {
  (void)painter;
  (void)context;
  (void)input;
  (void)width;
  (void)height;
}

}  // namespace torvane
