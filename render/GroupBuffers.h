#pragma once
// A group store's vertex buffer in OpenGL (the line/point layers', the contour sets'): the
// 16-byte overlay vertices, drawn by batches of multi-draw calls.
//
// The store may hand over its vertices while no context is current (a file added outside
// painting), so a create only records them; they are copied to the GPU before the next draw.
// The store keeps the array unchanged (apart from recolouring, which uploads again) until it
// creates or releases the buffer again.

#include <cstdint>
#include <span>
#include <vector>

#include "overlay/GroupStore.h"
#include "view/StoreDraws.h"

class QOpenGLFunctions_3_3_Core;

namespace torvane {

class GroupBuffers final : public GroupBufferDevice {
public:
  bool createVertexBuffer(std::span<const OverlayVertex> vertices) override;
  void releaseVertexBuffer() override;

  /// True while a vertex buffer exists (between a create with vertices and the next release).
  bool live() const { return !mVertices.empty(); }
  /// Vertices of the buffer.
  uint32_t vertexCount() const { return static_cast<uint32_t>(mVertices.size()); }
  /// Changes with every create and release: what was derived from the store's contents before
  /// is stale when it differs.
  uint64_t generation() const { return mGeneration; }

  /// Copies pending vertices to the GPU (context current). False when the GPU refused them; the
  /// buffer then draws nothing until the store uploads again.
  bool sync(QOpenGLFunctions_3_3_Core* gl);
  /// One multi-draw call of the batch's ranges (the caller sets the program and point size).
  /// Ranges past the buffer's end are not drawn.
  void draw(QOpenGLFunctions_3_3_Core* gl, const DrawBatch& batch) {
    draw(gl, batch, batch.primitive);
  }
  /// The batch's ranges drawn as `primitive` instead of their own.
  void draw(QOpenGLFunctions_3_3_Core* gl, const DrawBatch& batch, DrawPrimitive primitive);
  /// Frees the OpenGL objects (context current); the recorded vertices are kept for the next
  /// sync.
  void destroy(QOpenGLFunctions_3_3_Core* gl);
  /// Forgets the OpenGL objects of a context that is already gone.
  void abandon();

  /// Bytes copied to the GPU so far (uploads happen only when the store changes).
  uint64_t uploadedBytes() const { return mUploadedBytes; }

private:
  std::span<const OverlayVertex> mVertices;
  bool mDirty = false;
  bool mRefused = false;
  uint64_t mGeneration = 0;
  uint32_t mVao = 0;
  uint32_t mVbo = 0;
  uint64_t mUploadedBytes = 0;
};

/// Keeps a store's draw batches while nothing they depend on changed: the buffer's generation
/// and each group's visibility, draw mode and point size.
class DrawBatchCache {
public:
  /// The batches of `store` (layerDrawBatches for an OverlayStore, else contourDrawBatches),
  /// rebuilt only when the store changed since the last call.
  const std::vector<DrawBatch>& batches(const GroupStore& store, uint64_t generation, bool layers);

private:
  std::vector<uint32_t> signature(const GroupStore& store, uint64_t generation, bool layers) const;

  std::vector<uint32_t> mSignature;
  std::vector<DrawBatch> mBatches;
};

}  // namespace torvane
