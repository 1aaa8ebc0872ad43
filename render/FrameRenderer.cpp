#include "render/FrameRenderer.h"

#include <QOpenGLFunctions_3_3_Core>
#include <QPainter>

#include "scene/ViewState.h"
#include "elevation/ElevationGrid.h"
#include "render/RenderContext.h"
#include "render/ScreenPasses.h"
#include "scene/Scene.h"
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

// The passes drawn over the terrain in model space, in their order: the line/point layers, the
// contour sets, then the data frame and the axes. (The ruler's segments and the screen
// furniture follow in paintScreenPasses.)
void drawModelPasses(RenderContext& context, const FrameInput& input) {
  OverlayPasses& passes = context.overlayPasses();
  if (input.scene != nullptr) {
    if (input.scene->overlays.hasVertexBuffer()) {
      passes.drawLayers(context, input.scene->overlays, context.overlayBuffers());
    }
    if (input.scene->contours.hasVertexBuffer()) {
      passes.drawContours(context, input.scene->contours, context.contourBuffers());
    }
  }
  const int frameMode = input.view.frameMode;
  if (frameMode == 1 || frameMode == 2) {
    const ModelFit fit =
        input.scene != nullptr ? input.scene->mesh.fit() : fitModelSpace(input.grid);
    passes.drawDataFrame(context, input.grid, fit, input.view.Scale);
    if (frameMode == 2) {
      passes.drawAxes(context);
    }
  }
}

bool terrainOpen(RenderContext& context) { return context.terrainBuffers().hasIndices(); }

}  // namespace

void renderFrame(RenderContext& context, const FrameInput& input, int width, int height) {
  context.clearShownStatus();
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
  frame.fogColour =
      view.fogMode == 2 ? std::array<float, 4>{0, 0, 0, 1} : std::array<float, 4>{1, 1, 1, 1};
  frame.fogStart = static_cast<float>(view.fogStart) / 10.0f;
  frame.fogEnd = 4.0f;
  context.useProgram(frame);

  TerrainBuffers& terrain = context.terrainBuffers();
  terrain.sync(gl);
  if (terrain.hasIndices()) {
    // The terrain is pushed back so that lines and points lying on the surface stay visible:
    // by a slope-scaled bias for steep triangles, and by a few steps of the depth buffer where
    // the surface is level or seen at a grazing angle, where the slope term is near zero and
    // contour lines traced on the surface would otherwise lose the depth test in dashes.
    constexpr float kSlopeBias = 10.0f;
    constexpr float kDepthSteps = 4.0f;
    gl->glEnable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(kSlopeBias, kDepthSteps);
    drawTerrain(context, input);
    gl->glDisable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(0.0f, 0.0f);
    drawModelPasses(context, input);
  } else {
    context.drawTitle();
  }
  gl->glUseProgram(0);
}

bool frameHasScreenPasses(RenderContext& context, const FrameInput& input) {
  const ViewState& view = input.view;
  const bool ruler = input.scene != nullptr && input.scene->ruler.active();
  return (terrainOpen(context) &&
          (ruler || view.readout || view.compass || view.trackbar || view.statusBar)) ||
         view.overlayTextMode == 1 || view.overlayTextMode == 2;
}

void paintScreenPasses(QPainter& painter, RenderContext& context, const FrameInput& input,
                       int width, int height) {
  if (width <= 0 || height <= 0) {
    return;
  }
  const ViewState& view = input.view;
  if (terrainOpen(context)) {
    if (input.scene != nullptr && input.scene->ruler.active()) {
      drawRuler(painter, context, input, width, height);
    } else if (view.readout) {
      drawReadout(painter, context, input, width, height);
    }
    if (view.compass) {
      drawCompass(painter, input, width);
    }
    if (view.trackbar) {
      drawTrackbars(painter, context, input, width, height);
    }
    if (view.statusBar) {
      drawStatusBar(painter, context, input, width, height);
    }
  }
  // Last, over everything else.
  if (view.overlayTextMode == 1 || view.overlayTextMode == 2) {
    drawOverlayText(painter, context, input);
  }
}

}  // namespace torvane
