#pragma once
// The main window's 3D view: owns the OpenGL context (through QOpenGLWidget) and the render
// context built over it, attaches the terrain buffers to the scene's mesh, and draws one frame
// per paint. Drawing happens only in paintGL.

#include <QOpenGLWidget>

#include "render/RenderContext.h"

namespace torvane {

class DrapedTextures;
class Scene;

class TerrainView : public QOpenGLWidget {
  Q_OBJECT
public:
  /// The scene is not owned and must outlive the view.
  explicit TerrainView(Scene& scene, QWidget* parent = nullptr);
  ~TerrainView() override;

  /// True once the render context exists in the widget's OpenGL context.
  bool deviceReady() const { return mContext.isCreated(); }
  const QString& deviceError() const { return mDeviceError; }
  RenderContext& renderContext() { return mContext; }
  //! Frames drawn so far.
  int framesDrawn() const { return mFrames; }

  /// Releases every OpenGL object and detaches the terrain buffers from the scene's mesh.
  void releaseDevice();

  /// The draped image's textures to draw with (not owned; nullptr for none).
  void setDrapedTextures(DrapedTextures* textures) { mTextures = textures; }

signals:
  /// The OpenGL context could not serve the renderer (no 3.3 core, or the program failed).
  void deviceFailed(const QString& reason);

protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;

private:
  Scene& mScene;
  RenderContext mContext;
  QString mDeviceError;
  DrapedTextures* mTextures = nullptr;
  int mFrames = 0;
};

}  // namespace torvane
