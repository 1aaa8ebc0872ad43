#pragma once
// The OpenGL objects that live longer than one frame: the function table of the current
// context, the shader program that reproduces the viewer's fixed render states, the terrain
// buffers, the title wireframe and the screen fonts. Created once a context exists, resized with
// the view, released before the context goes away. Uses Qt's OpenGL classes but no widgets.

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "render/GroupBuffers.h"
#include "render/OverlayPasses.h"
#include "render/TerrainBuffers.h"
#include "view/ScreenTexts.h"

class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;

namespace torvane {

struct LineVertex;

/// Texture stage modes of the terrain shader.
enum class TextureStage : int {
  None = 0,       //!< vertex colour only
  BaseAlpha = 1,  //!< colour = texture x vertex colour, alpha = texture alpha (the base pass)
  Modulate = 2,   //!< colour and alpha = texture x vertex colour (the image pass)
  Glyphs = 3,     //!< alpha = glyph coverage (red channel) x vertex alpha; no coverage, no pixel
};

/// Uniform values of one draw. Matrices are 16 floats in OpenGL order.
struct ShaderFrame {
  std::array<float, 16> worldViewProjection{};
  std::array<float, 16> worldView{};
  bool fog = false;
  std::array<float, 4> fogColour{1, 1, 1, 1};
  float fogStart = 2.2f;
  float fogEnd = 4.0f;
};

class RenderContext {
public:
  RenderContext() = default;
  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;
  ~RenderContext();

  /**
   * @brief Creates the shader program and the title wireframe in the current context.
   *
   * Returns false (and keeps nothing) when the context is not OpenGL 3.3 core capable or the
   * program does not build; `error()` then says why.
   */
  bool create(QOpenGLContext* context);
  bool isCreated() const { return mGl != nullptr; }
  const QString& error() const { return mError; }

  /// Follows a new client size: keeps it for the frame, re-applies the render states and
  /// re-creates the size-dependent objects (the screen fonts). Buffers keep their contents.
  void resize(int width, int height);
  int width() const { return mWidth; }
  int height() const { return mHeight; }

  /// Releases every OpenGL object (the context must be current). Safe to call twice.
  void releaseAll();
  /// Forgets every OpenGL object without touching OpenGL, for a context that is already gone.
  void abandon();

  /// The render states every device draw expects: depth test less-or-equal with writes, alpha
  /// blending (source alpha, one minus source alpha), no culling, solid fill.
  void applyRenderStates();

  /// Binds the program with this frame's matrices and fog.
  void useProgram(const ShaderFrame& frame);
  void setTextureStage(TextureStage stage);
  void setPointSize(float size);

  /// Draws the title wireframe (nothing when it could not be built).
  void drawTitle();
  bool hasTitle() const { return mTitleVertexCount > 0; }

  QOpenGLFunctions_3_3_Core* gl() const { return mGl; }
  TerrainBuffers& terrainBuffers() { return mTerrain; }
  //! The line/point layers' and the contour sets' vertex buffers (attach them to the stores).
  GroupBuffers& overlayBuffers() { return mOverlayBuffers; }
  GroupBuffers& contourBuffers() { return mContourBuffers; }
  //! The passes drawn over the terrain in model space, with what they keep between frames.
  OverlayPasses& overlayPasses() { return mOverlayPasses; }

  /// What the device information shows: the OpenGL vendor and renderer, whether vertices are
  /// processed in software, the sampling plan's limits and the texture and point size limits.
  DeviceDescription describeDevice(uint32_t primitiveLimit, uint32_t indexLimit) const;

  //! 12-pixel font for overlay text and 14-pixel font for the ruler total (screen font face).
  const QFont& smallFont() const { return mSmallFont; }
  const QFont& largeFont() const { return mLargeFont; }

  //! The status bar's three texts as a frame drew them (UTF-8).
  struct StatusTexts {
    std::string left, centre, right;
    bool operator==(const StatusTexts&) const = default;
  };
  /// The status bar the last frame drew; nullptr when it drew none (hidden, no terrain).
  const StatusTexts* shownStatus() const { return mStatusShown ? &mShownStatus : nullptr; }
  /// Called by each frame: forgets the texts (at its start), or keeps those it drew.
  void clearShownStatus() { mStatusShown = false; }
  void setShownStatus(StatusTexts texts) {
    mShownStatus = std::move(texts);
    mStatusShown = true;
  }

  /// Asks for OpenGL 3.3 core with a depth buffer and no wait for the vertical retrace for
  /// every context made from now on. Call before the application object exists.
  static void setDefaultSurfaceFormat();

  /// The screen font at `pixelSize`: the face of the program's screen-font text when installed,
  /// otherwise an installed Japanese gothic, otherwise the generic sans-serif family.
  static QFont screenFont(int pixelSize);

private:
  bool buildProgram();
  void readDeviceInfo();
  void buildTitle();

  QOpenGLFunctions_3_3_Core* mGl = nullptr;
  QString mError;
  int mWidth = 0;
  int mHeight = 0;

  uint32_t mProgram = 0;
  int mUniformMvp = -1, mUniformWorldView = -1, mUniformFog = -1, mUniformFogColour = -1,
      mUniformFogStart = -1, mUniformFogEnd = -1, mUniformTextureStage = -1, mUniformTexture = -1,
      mUniformPointSize = -1;

  uint32_t mTitleVao = 0;
  uint32_t mTitleVbo = 0;
  int mTitleVertexCount = 0;

  TerrainBuffers mTerrain;
  GroupBuffers mOverlayBuffers;
  GroupBuffers mContourBuffers;
  OverlayPasses mOverlayPasses;
  std::string mDeviceName;
  bool mSoftwareRenderer = false;
  int mMaxTextureSize = 0;
  float mMaxPointSize = 0;
  QFont mSmallFont;
  QFont mLargeFont;
  StatusTexts mShownStatus;
  bool mStatusShown = false;
};

}  // namespace torvane
