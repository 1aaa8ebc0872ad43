#pragma once
// The terrain mesh's device buffers in OpenGL: one vertex buffer with the 24-byte terrain
// vertices, one index buffer of 16- or 32-bit indices, and one draw per shown sub-grid with its
// base vertex and start index.
//
// The mesh may hand over new arrays while no context is current (an open runs outside painting),
// so a create only records the arrays; they are copied to the GPU before the next draw. The
// mesh keeps the arrays unchanged until it creates or releases the buffer again.

#include <cstdint>
#include <span>
#include <vector>

#include "terrain/TerrainMesh.h"

class QOpenGLFunctions_3_3_Core;

namespace torvane {

class ElevationGrid;

/// Points attributes 0-2 of the bound vertex array at the bound buffer of TerrainVertex:
/// position, colour, texture coordinates.
void setTerrainVertexLayout(QOpenGLFunctions_3_3_Core* gl);

class TerrainBuffers final : public TerrainBufferDevice {
public:
  bool createVertexBuffer(std::span<const TerrainVertex> vertices) override;
  bool createIndexBuffer(IndexType type, const void* data, uint64_t count) override;
  void releaseVertexBuffer() override;
  void releaseIndexBuffer() override;

  /// True when an index buffer exists: terrain is open exactly then.
  bool hasIndices() const { return mIndexType != IndexType::None && mIndexCount > 0; }

  /// Copies pending arrays to the GPU (context current). False when the GPU refused them; the
  /// buffers are then dropped and the terrain is not drawn.
  bool sync(QOpenGLFunctions_3_3_Core* gl);
  /// One draw per shown sub-grid of `grid` (the caller sets program, states and textures).
  void draw(QOpenGLFunctions_3_3_Core* gl, const ElevationGrid& grid);
  /// Frees the OpenGL objects (context current); pending arrays are kept for the next sync.
  void destroy(QOpenGLFunctions_3_3_Core* gl);
  /// Forgets the OpenGL objects of a context that is already gone.
  void abandon();

  /// Bytes copied to the GPU so far (for the benchmark: no per-frame uploads).
  uint64_t uploadedBytes() const { return mUploadedBytes; }

private:
  std::span<const TerrainVertex> mVertices;
  const void* mIndexData = nullptr;
  IndexType mIndexType = IndexType::None;
  uint64_t mIndexCount = 0;
  bool mVerticesDirty = false;
  bool mIndicesDirty = false;

  uint32_t mVao = 0;
  uint32_t mVbo = 0;
  uint32_t mIbo = 0;
  std::vector<DrawRange> mRanges;
  uint64_t mUploadedBytes = 0;
};

}  // namespace torvane
