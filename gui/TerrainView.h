#pragma once
// The main window's 3D view: owns the OpenGL context (through QOpenGLWidget) and the render
// context built over it, attaches the terrain buffers to the scene's mesh, and draws one frame
// per paint. Drawing happens only in paintGL. Its keyboard and mouse events go to view control
// (view/ViewControl.h), which says what to repaint, which cursor to show and what else to do.

#include <QOpenGLWidget>

#include "render/RenderContext.h"
#include "view/Picking.h"
#include "view/ViewControl.h"

namespace torvane {

/// The keys the view reads, each with the view-control key it becomes. A keypad key counts
/// only with the keypad modifier; every other Qt key is ViewKey::Other.
struct ViewKeyBinding {
  Qt::Key qtKey;
  ViewKey key;
  bool keypad = false;
};

inline constexpr ViewKeyBinding kViewKeys[] = {
    {Qt::Key_Escape, ViewKey::Escape},
    {Qt::Key_PageUp, ViewKey::PageUp},
    {Qt::Key_PageDown, ViewKey::PageDown},
    {Qt::Key_Left, ViewKey::Left},
    {Qt::Key_Right, ViewKey::Right},
    {Qt::Key_Up, ViewKey::Up},
    {Qt::Key_Down, ViewKey::Down},
    {Qt::Key_U, ViewKey::U},
    {Qt::Key_D, ViewKey::D},
    {Qt::Key_N, ViewKey::N},
    {Qt::Key_E, ViewKey::E},
    {Qt::Key_S, ViewKey::S},
    {Qt::Key_W, ViewKey::W},
    {Qt::Key_H, ViewKey::H},
    {Qt::Key_F1, ViewKey::F1},
    {Qt::Key_F2, ViewKey::F2},
    {Qt::Key_F3, ViewKey::F3},
    {Qt::Key_F4, ViewKey::F4},
    {Qt::Key_Plus, ViewKey::NumpadPlus, true},
    {Qt::Key_Minus, ViewKey::NumpadMinus, true},
};

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

  /// The client area in device pixels and the frame last drawn into it.
  ViewWindow viewWindow() const;
  const InputState& inputState() const { return mInput; }
  /// The terrain point under a client pixel (device pixels) of the last frame, answered by
  /// the view's picking pyramid (rebuilt first when the terrain changed).
  PickResult pick(int x, int y, bool intersect);
  /// Shows the cursor that belongs where the mouse now is.
  void refreshCursor();

  /// While busy the view paints the frame of an empty scene and reads nothing of the grid,
  /// which an open is filling (from other threads too).
  void setBusy(bool busy) { mBusy = busy; }

signals:
  /// The OpenGL context could not serve the renderer (no 3.3 core, or the program failed).
  void deviceFailed(const QString& reason);
  /// View control changed something the menus show.
  void menusChanged();
  /// View control asks for an auto-rotation command (151 clockwise, 152 counter-clockwise,
  /// 153 stop).
  void rotationCommand(int id);

protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  void respond(const ViewResponse& response);
  QPoint devicePoint(const QPointF& logical) const;

  InputState mInput;
  FrameGeometry mLastFrame;
  TerrainPicker mPicker;
  Scene& mScene;
  RenderContext mContext;
  QString mDeviceError;
  DrapedTextures* mTextures = nullptr;
  int mFrames = 0;
  bool mBusy = false;
};

}  // namespace torvane
