#include "gui/TerrainView.h"

#include <QOpenGLContext>
#include <QPainter>

#include "scene/Scene.h"
#include "render/DrapedTextures.h"
#include "render/FrameRenderer.h"

namespace torvane {

TerrainView::TerrainView(Scene& scene, QWidget* parent) : QOpenGLWidget(parent), mScene(scene) {
  setMinimumSize(1, 1);
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
  FrameInput input{mScene.view, mScene.grid};
  if (mTextures != nullptr) {
    mTextures->sync(mContext.gl());
    input.imageTexture = mTextures->imageTexture();
    input.baseTexture = mTextures->baseTexture();
  }
  renderFrame(mContext, input, w, h);
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
