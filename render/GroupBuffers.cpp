#include "render/GroupBuffers.h"

#include <QOpenGLFunctions_3_3_Core>
#include <algorithm>
#include <cstddef>

#include "overlay/OverlayStore.h"

namespace torvane {

namespace {

GLenum glPrimitive(DrawPrimitive primitive) {
  switch (primitive) {
    case DrawPrimitive::Points:
      return GL_POINTS;
    case DrawPrimitive::LineStrip:
      return GL_LINE_STRIP;
    case DrawPrimitive::Triangles:
      return GL_TRIANGLES;
    case DrawPrimitive::Lines:
      return GL_LINES;
  }
  return GL_POINTS;
}

}  // namespace

bool GroupBuffers::createVertexBuffer(std::span<const OverlayVertex> vertices) {
  mVertices = vertices;
  mDirty = true;
  mRefused = false;
  ++mGeneration;
  return !vertices.empty();
}

void GroupBuffers::releaseVertexBuffer() {
  mVertices = {};
  mDirty = true;
  mRefused = false;
  ++mGeneration;
}

bool GroupBuffers::sync(QOpenGLFunctions_3_3_Core* gl) {
  if (!mDirty) {
    return !mRefused;
  }
  if (mVao == 0) {
    gl->glGenVertexArrays(1, &mVao);
    gl->glGenBuffers(1, &mVbo);
  }
  gl->glBindVertexArray(mVao);
  gl->glBindBuffer(GL_ARRAY_BUFFER, mVbo);
  const auto bytes = static_cast<GLsizeiptr>(mVertices.size_bytes());
  gl->glBufferData(GL_ARRAY_BUFFER, bytes, bytes > 0 ? mVertices.data() : nullptr, GL_STATIC_DRAW);
  mUploadedBytes += static_cast<uint64_t>(bytes);
  // Position, then the colour as A8R8G8B8 (bytes B, G, R, A in memory); no texture.
  const auto stride = static_cast<GLsizei>(sizeof(OverlayVertex));
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(offsetof(OverlayVertex, x)));
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                            reinterpret_cast<const void*>(offsetof(OverlayVertex, diffuse)));
  gl->glDisableVertexAttribArray(2);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  mDirty = false;
  mRefused = gl->glGetError() == GL_OUT_OF_MEMORY;
  return !mRefused;
}

void GroupBuffers::draw(QOpenGLFunctions_3_3_Core* gl, const DrawBatch& batch,
                        DrawPrimitive primitive) {
  if (mVao == 0 || mRefused || batch.firsts.empty()) {
    return;
  }
  // The batches were made from the store as it is now; a range past the uploaded vertices
  // (a store changed without uploading yet) is left out rather than read out of bounds.
  const auto total = static_cast<int64_t>(mVertices.size());
  int64_t end = 0;
  for (size_t i = 0; i < batch.firsts.size(); ++i) {
    end = std::max<int64_t>(end, int64_t{batch.firsts[i]} + batch.counts[i]);
  }
  gl->glBindVertexArray(mVao);
  if (end <= total) {
    gl->glMultiDrawArrays(glPrimitive(primitive), batch.firsts.data(), batch.counts.data(),
                          static_cast<GLsizei>(batch.firsts.size()));
  } else {
    for (size_t i = 0; i < batch.firsts.size(); ++i) {
      if (int64_t{batch.firsts[i]} + batch.counts[i] <= total) {
        gl->glDrawArrays(glPrimitive(primitive), batch.firsts[i], batch.counts[i]);
      }
    }
  }
  gl->glBindVertexArray(0);
}

void GroupBuffers::destroy(QOpenGLFunctions_3_3_Core* gl) {
  if (mVao != 0) {
    gl->glDeleteBuffers(1, &mVbo);
    gl->glDeleteVertexArrays(1, &mVao);
    mVao = mVbo = 0;
  }
  mDirty = true;  // a new context starts from the recorded vertices again
}

void GroupBuffers::abandon() {
  mVao = mVbo = 0;
  mDirty = true;
}

const std::vector<DrawBatch>& DrawBatchCache::batches(const GroupStore& store, uint64_t generation,
                                                      bool layers) {
  std::vector<uint32_t> now = signature(store, generation, layers);
  if (now != mSignature) {
    mSignature = std::move(now);
    mBatches = layers ? layerDrawBatches(static_cast<const OverlayStore&>(store))
                      : contourDrawBatches(store);
  }
  return mBatches;
}

std::vector<uint32_t> DrawBatchCache::signature(const GroupStore& store, uint64_t generation,
                                                bool layers) const {
  std::vector<uint32_t> s;
  s.reserve(mSignature.size());
  s.push_back(static_cast<uint32_t>(generation));
  s.push_back(static_cast<uint32_t>(generation >> 32));
  s.push_back(static_cast<uint32_t>(store.groupCount()));
  const auto* overlay = layers ? static_cast<const OverlayStore*>(&store) : nullptr;
  for (int g = 0; g < store.groupCount(); ++g) {
    s.push_back(store.visible(g) ? 1u : 0u);
    if (overlay != nullptr) {
      s.push_back(overlay->drawMode(g));
      s.push_back(static_cast<uint32_t>(overlay->pointSize(g)));
    }
  }
  return s;
}

}  // namespace torvane
