#pragma once
// A TerrainBufferDevice that records what the mesh asks of it and checks that every buffer is
// released before the device goes away.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terrain/TerrainMesh.h"

namespace torvane::fixtures {

class RecordingDevice final : public TerrainBufferDevice {
public:
  ~RecordingDevice() override {
    EXPECT_FALSE(hasVertexBuffer) << "vertex buffer not released";
    EXPECT_FALSE(hasIndexBuffer) << "index buffer not released";
  }

  bool createVertexBuffer(std::span<const TerrainVertex> vertices) override {
    log.push_back("createVertex");
    EXPECT_FALSE(hasVertexBuffer) << "vertex buffer replaced without release";
    if (refuseVertices) {
      return false;
    }
    vertexCopy.assign(vertices.begin(), vertices.end());
    hasVertexBuffer = true;
    return true;
  }
  bool createIndexBuffer(IndexType type, const void* data, uint64_t count) override {
    log.push_back("createIndex");
    EXPECT_FALSE(hasIndexBuffer) << "index buffer replaced without release";
    if (refuseIndices) {
      return false;
    }
    indexType = type;
    indexCount = count;
    const size_t bytes = count * (type == IndexType::UInt16 ? 2 : 4);
    indexBytes.assign(static_cast<const char*>(data), static_cast<const char*>(data) + bytes);
    hasIndexBuffer = true;
    return true;
  }
  void releaseVertexBuffer() override {
    if (hasVertexBuffer) {
      log.push_back("releaseVertex");
    }
    hasVertexBuffer = false;
  }
  void releaseIndexBuffer() override {
    if (hasIndexBuffer) {
      log.push_back("releaseIndex");
    }
    hasIndexBuffer = false;
  }

  std::vector<std::string> log;
  std::vector<TerrainVertex> vertexCopy;
  std::vector<char> indexBytes;
  IndexType indexType = IndexType::None;
  uint64_t indexCount = 0;
  bool hasVertexBuffer = false;
  bool hasIndexBuffer = false;
  bool refuseVertices = false;
  bool refuseIndices = false;
};

}  // namespace torvane::fixtures
