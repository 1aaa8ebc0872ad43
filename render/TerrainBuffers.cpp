#include "render/TerrainBuffers.h"

#include <QOpenGLFunctions_3_3_Core>
#include <cstddef>

#include "elevation/ElevationGrid.h"

namespace torvane {

bool TerrainBuffers::createVertexBuffer(std::span<const TerrainVertex> vertices) {
  mVertices = vertices;
  mVerticesDirty = true;
  return !vertices.empty();
}

bool TerrainBuffers::createIndexBuffer(IndexType type, const void* data, uint64_t count) {
  if (type == IndexType::None || data == nullptr || count == 0) {
    releaseIndexBuffer();
    return false;
  }
  mIndexType = type;
  mIndexData = data;
  mIndexCount = count;
  mIndicesDirty = true;
  mRanges.clear();
  return true;
}

void TerrainBuffers::releaseVertexBuffer() {
  mVertices = {};
  mVerticesDirty = true;
}

void TerrainBuffers::releaseIndexBuffer() {
  mIndexType = IndexType::None;
  mIndexData = nullptr;
  mIndexCount = 0;
  mIndicesDirty = true;
  mRanges.clear();
}

void setTerrainVertexLayout(QOpenGLFunctions_3_3_Core* gl) {
  // Position, colour as A8R8G8B8 (bytes B, G, R, A in memory), texture coordinates.
  const auto stride = static_cast<GLsizei>(sizeof(TerrainVertex));
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(offsetof(TerrainVertex, x)));
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                            reinterpret_cast<const void*>(offsetof(TerrainVertex, diffuse)));
  gl->glEnableVertexAttribArray(2);
  gl->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(offsetof(TerrainVertex, u)));
}

bool TerrainBuffers::sync(QOpenGLFunctions_3_3_Core* gl) {
  if (!mVerticesDirty && !mIndicesDirty) {
    return true;
  }
  if (mVao == 0) {
    gl->glGenVertexArrays(1, &mVao);
    gl->glGenBuffers(1, &mVbo);
    gl->glGenBuffers(1, &mIbo);
  }
  gl->glBindVertexArray(mVao);
  gl->glBindBuffer(GL_ARRAY_BUFFER, mVbo);
  if (mVerticesDirty) {
    const auto bytes = static_cast<GLsizeiptr>(mVertices.size_bytes());
    gl->glBufferData(GL_ARRAY_BUFFER, bytes, bytes > 0 ? mVertices.data() : nullptr,
                     GL_STATIC_DRAW);
    mUploadedBytes += static_cast<uint64_t>(bytes);
    setTerrainVertexLayout(gl);
    mVerticesDirty = false;
  }
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mIbo);
  if (mIndicesDirty) {
    const uint64_t size = mIndexType == IndexType::UInt16 ? 2 : 4;
    const auto bytes = static_cast<GLsizeiptr>(mIndexData ? mIndexCount * size : 0);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, bytes, mIndexData, GL_STATIC_DRAW);
    mUploadedBytes += static_cast<uint64_t>(bytes);
    mIndicesDirty = false;
  }
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  if (gl->glGetError() == GL_OUT_OF_MEMORY) {
    // The device refused the arrays: draw nothing rather than garbage.
    destroy(gl);
    mVertices = {};
    releaseIndexBuffer();
    mIndicesDirty = false;
    return false;
  }
  return true;
}

void TerrainBuffers::draw(QOpenGLFunctions_3_3_Core* gl, const ElevationGrid& grid) {
  if (!hasIndices() || mVertices.empty() || mVao == 0) {
    return;
  }
  if (mRanges.size() != grid.files.size()) {
    mRanges = computeDrawRanges(grid);
  }
  const GLenum type = mIndexType == IndexType::UInt16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
  const uint64_t indexSize = mIndexType == IndexType::UInt16 ? 2 : 4;
  gl->glBindVertexArray(mVao);
  for (size_t k = 0; k < mRanges.size(); ++k) {
    const DrawRange& r = mRanges[k];
    if (!grid.files[k].shown || r.primitiveCount == 0 ||
        r.startIndex + r.primitiveCount * 3 > mIndexCount) {
      continue;
    }
    gl->glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(r.primitiveCount * 3), type,
                                 reinterpret_cast<const void*>(r.startIndex * indexSize),
                                 static_cast<GLint>(r.baseVertex));
  }
  gl->glBindVertexArray(0);
}

void TerrainBuffers::abandon() {
  mVao = mVbo = mIbo = 0;
  mVerticesDirty = !mVertices.empty();
  mIndicesDirty = hasIndices();
}

void TerrainBuffers::destroy(QOpenGLFunctions_3_3_Core* gl) {
  if (mVao != 0) {
    gl->glDeleteBuffers(1, &mIbo);
    gl->glDeleteBuffers(1, &mVbo);
    gl->glDeleteVertexArrays(1, &mVao);
    mVao = mVbo = mIbo = 0;
  }
  // A new context starts from the arrays again.
  mVerticesDirty = !mVertices.empty();
  mIndicesDirty = hasIndices();
}

}  // namespace torvane
