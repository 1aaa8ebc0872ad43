#include "gui/TerrainView.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QWheelEvent>

#include "scene/Scene.h"
#include "terrain/HeightSampling.h"
#include "render/DrapedTextures.h"
#include "render/FrameRenderer.h"

namespace torvane {

namespace {

ViewKey viewKey(const QKeyEvent& event) {
  const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
  for (const ViewKeyBinding& b : kViewKeys) {
    if (b.qtKey == event.key() && (keypad || !b.keypad)) {
      return b.key;
    }
  }
  return ViewKey::Other;
}

Qt::CursorShape cursorShape(ViewCursor cursor) {
  switch (cursor) {
    case ViewCursor::Hover:
      return Qt::OpenHandCursor;
    case ViewCursor::Grab:
      return Qt::ClosedHandCursor;
    case ViewCursor::Cross:
      return Qt::CrossCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

TerrainView::TerrainView(Scene& scene, QWidget* parent) : QOpenGLWidget(parent), mScene(scene) {
  setMinimumSize(1, 1);
  setMouseTracking(true);  // hover over the trackbars and the ruler's pending segment
  setFocusPolicy(Qt::StrongFocus);
}

ViewWindow TerrainView::viewWindow() const {
  return {static_cast<int>(width() * devicePixelRatioF()),
          static_cast<int>(height() * devicePixelRatioF()), mLastFrame};
}

QPoint TerrainView::devicePoint(const QPointF& logical) const {
  return (logical * devicePixelRatioF()).toPoint();
}

PickResult TerrainView::pick(int x, int y, bool intersect) {
  if (intersect) {
    mPicker.update(mScene.mesh, mScene.grid);
  }
  return pickTerrain(mScene.mesh, mScene.grid, mLastFrame, x, y, intersect, &mPicker);
}

void TerrainView::refreshCursor() {
  const QPoint at = devicePoint(mapFromGlobal(QCursor::pos()));
  setCursor(cursorShape(viewCursorAt(mScene, viewWindow(), at.x(), at.y())));
}

void TerrainView::respond(const ViewResponse& response) {
  if (response.capture) {
    setFocus(Qt::MouseFocusReason);  // Qt captures the mouse for the pressed widget itself
  }
  if (response.refreshCursor) {
    refreshCursor();
  } else if (response.cursor != ViewCursor::Unchanged) {
    setCursor(cursorShape(response.cursor));
  }
  if (response.updateMenus) {
    emit menusChanged();
  }
  switch (response.rotation) {
    case RotationRequest::None:
      break;
    case RotationRequest::Stop:
      emit rotationCommand(153);
      break;
    case RotationRequest::StartClockwise:
      emit rotationCommand(151);
      break;
    case RotationRequest::StartCounterClockwise:
      emit rotationCommand(152);
      break;
  }
  if (response.repaint) {
    update();
  }
}

void TerrainView::keyPressEvent(QKeyEvent* event) {
  const ViewKey key = viewKey(*event);
  if (key == ViewKey::Other) {
    event->ignore();
    return;
  }
  respond(viewKeyDown(mScene, viewWindow(), key, event->modifiers().testFlag(Qt::ControlModifier),
                      event->modifiers().testFlag(Qt::ShiftModifier)));
}

void TerrainView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
    return;  // the middle button acts on release
  }
  const QPoint p = devicePoint(event->position());
  respond(viewMousePress(mScene, mInput, viewWindow(), p.x(), p.y()));
}

void TerrainView::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click's second press is no press: it starts no drag and places no ruler point.
  event->accept();
}

void TerrainView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = devicePoint(event->position());
  respond(viewMouseMove(mScene, mInput, viewWindow(), p.x(), p.y(),
                        event->buttons().testFlag(Qt::LeftButton),
                        event->buttons().testFlag(Qt::RightButton)));
}

void TerrainView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = devicePoint(event->position());
  MouseButton button = MouseButton::Left;
  if (event->button() == Qt::RightButton) {
    button = MouseButton::Right;
  } else if (event->button() == Qt::MiddleButton) {
    button = MouseButton::Middle;
  } else if (event->button() != Qt::LeftButton) {
    return;
  }
  // A click in a ruler mode places a point on the terrain under the cursor: plane metres of the
  // picked point with the terrain height there (0 over a gap in the data).
  const RulerClick rulerClick = [this](int x, int y) {
    const PickResult hit = pick(x, y, true);
    if (!hit.found) {
      return false;
    }
    GridPoint point = fromModel(mScene.mesh.fit(), hit.x, hit.y, hit.z, mScene.view.Scale);
    heightAtGrid(mScene.grid, mScene.mesh, point.X, point.Y, point.H);
    addRulerPoint(mScene.ruler, point);
    return true;
  };
  respond(viewMouseRelease(mScene, mInput, viewWindow(), button, p.x(), p.y(), rulerClick));
}

void TerrainView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    return;
  }
  const QPoint p = devicePoint(event->position());
  respond(viewWheel(mScene, viewWindow(), delta, p.x(), p.y()));
}

void TerrainView::leaveEvent(QEvent* event) {
  if (mInput.trackbarHover) {
    mInput.trackbarHover = false;
    update();
  }
  QOpenGLWidget::leaveEvent(event);
}

TerrainView::~TerrainView() {
  releaseDevice();
  // The base class destroys the context later; by then this part of the object is gone.
  if (context() != nullptr) {
    disconnect(context(), nullptr, this, nullptr);
  }
}

void TerrainView::initializeGL() {
  // A re-parented widget gets a new context: start from nothing.
  if (mContext.isCreated()) {
    mScene.mesh.setDevice(nullptr);
    mScene.overlays.setDevice(nullptr);
    mScene.contours.setDevice(nullptr);
    mContext.releaseAll();
    if (mTextures != nullptr) {
      mTextures->abandonTextures();
    }
  }
  if (!mContext.create(context())) {
    mDeviceError = mContext.error();
    emit deviceFailed(mDeviceError);
    return;
  }
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TerrainView::releaseDevice,
          Qt::UniqueConnection);
  mContext.resize(width() * devicePixelRatio(), height() * devicePixelRatio());
  // Attaching hands the current terrain arrays to the buffers; they are copied before the next
  // draw.
  mScene.mesh.setDevice(&mContext.terrainBuffers());
  mScene.overlays.setDevice(&mContext.overlayBuffers());
  mScene.contours.setDevice(&mContext.contourBuffers());
}

void TerrainView::resizeGL(int width, int height) {
  if (mContext.isCreated()) {
    mContext.resize(width, height);
  }
}

void TerrainView::paintGL() {
  if (!mContext.isCreated()) {
    return;
  }
  const int w = static_cast<int>(width() * devicePixelRatioF());
  const int h = static_cast<int>(height() * devicePixelRatioF());
  static const ElevationGrid kEmptyGrid;
  FrameInput input{mScene.view, mBusy ? kEmptyGrid : mScene.grid};
  // While an open fills the scene, the frame draws nothing of it.
  input.scene = mBusy ? nullptr : &mScene;
  const QPoint origin = mapToGlobal(QPoint(0, 0)) * devicePixelRatioF();
  input.screenX = origin.x();
  input.screenY = origin.y();
  if (mTextures != nullptr && !mBusy) {
    mTextures->sync(mContext.gl());
    input.imageTexture = mTextures->imageTexture();
    input.baseTexture = mTextures->baseTexture();
  }
  input.input = &mInput;
  if (underMouse()) {
    const QPoint at = devicePoint(mapFromGlobal(QCursor::pos()));
    input.cursorX = at.x();
    input.cursorY = at.y();
  }
  if (mScene.ruler.active() && !mBusy) {
    mPicker.update(mScene.mesh, mScene.grid);  // the rubber band picks once per frame
    input.picker = &mPicker;
  }
  renderFrame(mContext, input, w, h);
  // Picking and panning use the matrices this frame was drawn with.
  mLastFrame = frameGeometryFor(mScene.view, w, h);
  if (w > 0 && h > 0 && frameHasScreenPasses(mContext, input)) {
    QPainter painter(this);
    paintScreenPasses(painter, mContext, input, w, h);
  }
  ++mFrames;
}

void TerrainView::releaseDevice() {
  if (!mContext.isCreated()) {
    return;
  }
  const bool current = context() != nullptr && context()->isValid();
  if (current) {
    makeCurrent();
  }
  if (mScene.mesh.device() == &mContext.terrainBuffers()) {
    mScene.mesh.setDevice(nullptr);
  }
  if (mScene.overlays.device() == &mContext.overlayBuffers()) {
    mScene.overlays.setDevice(nullptr);
    mScene.contours.setDevice(nullptr);
  }
  if (current) {
    if (mTextures != nullptr) {
      mTextures->releaseTextures(mContext.gl());
    }
    mContext.releaseAll();
    doneCurrent();
  } else {
    if (mTextures != nullptr) {
      mTextures->abandonTextures();
    }
    mContext.abandon();
  }
}

}  // namespace torvane
