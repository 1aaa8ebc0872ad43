#include "terrain/TerrainMesh.h"

#include <limits>
#include <new>

#include "elevation/ElevationGrid.h"

namespace torvane {

namespace {
// Extents at or below this are treated as empty when fitting (a few ulps of a degree-sized
// range, far below any real node spacing).
constexpr double kFitEpsilon = 2.424e-8;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
}  // namespace

ModelFit fitModelSpace(const ElevationGrid& grid) {
  const double dx = grid.Xmax - grid.Xmin;
  const double dy = grid.Ymax - grid.Ymin;
  const double dh = grid.Hmax - grid.Hmin;
  ModelFit fit;
  fit.Xmin = grid.Xmin;
  fit.Ymax = grid.Ymax;
  fit.Hmin = grid.Hmin;
  double scale = 1;
  bool limitByHeight = true;
  if (dx > kFitEpsilon) {
    scale = 2 / dx;
    if (dy > kFitEpsilon && 2 / dy < scale) {
      scale = 2 / dy;
    }
  } else if (dy > kFitEpsilon) {
    scale = 2 / dy;
  } else {
    scale = dh > kFitEpsilon ? 1 / dh : 1;
    limitByHeight = false;
  }
  if (limitByHeight && dh > kFitEpsilon && 1 / dh < scale) {
    scale = 1 / dh;
  }
  fit.scale = scale;
  fit.offsetX = -0.5 * dx * scale;
  fit.offsetY = 0.5 * dy * scale;
  return fit;
}

ModelPoint toModel(const ModelFit& fit, double X, double Y, double H, double relief) {
  return {(X - fit.Xmin) * fit.scale + fit.offsetX, (Y - fit.Ymax) * fit.scale + fit.offsetY,
          (fit.Hmin - H) * fit.scale * relief * 0.5};
}

GridPoint fromModel(const ModelFit& fit, double x, double y, double z, int Scale) {
  return {(x - fit.offsetX) / fit.scale + fit.Xmin, (y - fit.offsetY) / fit.scale + fit.Ymax,
          fit.Hmin - z / fit.scale / Scale * 2};
}

IndexType indexTypeFor(uint64_t nodeCount) {
  return nodeCount < 65536 ? IndexType::UInt16 : IndexType::UInt32;
}

std::vector<DrawRange> computeDrawRanges(const ElevationGrid& grid) {
  std::vector<DrawRange> ranges;
  ranges.reserve(grid.files.size());
  uint64_t base = 0;
  uint64_t start = 0;
  for (const GridFile& f : grid.files) {
    DrawRange r;
    const uint64_t w = f.sampledColumns;
    const uint64_t h = f.sampledRows;
    r.baseVertex = static_cast<uint32_t>(base);
    r.vertexCount = static_cast<uint32_t>(w * h);
    r.startIndex = start;
    r.primitiveCount = (w >= 2 && h >= 2) ? (w - 1) * (h - 1) * 2 : 0;
    r.shown = f.shown;
    ranges.push_back(r);
    base += w * h;
    start += 3 * r.primitiveCount;
  }
  return ranges;
}

TerrainMesh::~TerrainMesh() { release(); }

bool TerrainMesh::setDevice(TerrainBufferDevice* device) {
  if (mDevice == device) {
    return true;
  }
  releaseBuffers();
  mDevice = device;
  if (!mDevice) {
    return true;
  }
  bool ok = true;
  if (hasVertices()) {
    ok = uploadVertices() && ok;
  }
  if (mIndexType != IndexType::None) {
    ok = uploadIndices() && ok;
  }
  return ok;
}

bool TerrainMesh::allocateVertices(const ElevationGrid& grid) {
  ++mRevision;
  release();
  if (grid.count < 9) {
    return false;
  }
  mVertices.reset(new (std::nothrow) TerrainVertex[grid.count]);
  if (!mVertices) {
    return false;
  }
  mVertexCount = grid.count;
  // A vertex that no colouring reaches (a perfectly flat grid) shows opaque white.
  for (TerrainVertex& v : vertices()) {
    v = TerrainVertex{0, 0, 0, kOpaqueWhite, 0, 0};
  }
  return true;
}

void TerrainMesh::fitModelSpace(const ElevationGrid& grid) { mFit = torvane::fitModelSpace(grid); }

bool TerrainMesh::placeVertices(const ElevationGrid& grid) {
  ++mRevision;
  if (!hasVertices() || grid.count < mVertexCount) {
    return false;
  }
  const double scale = mFit.scale;
  const double dx = grid.Xmax - grid.Xmin;
  const double dy = grid.Ymax - grid.Ymin;
  const double dLon = grid.lonMax - grid.lonMin;
  const double dLat = grid.latMax - grid.latMin;
  const bool geo = grid.GeoCoordinates;
  for (uint32_t i = 0; i < mVertexCount; ++i) {
    TerrainVertex& v = mVertices[i];
    const double X = grid.X[i];
    const double Y = grid.Y[i];
    v.x = static_cast<float>((X - grid.Xmin) * scale + mFit.offsetX);
    v.y = static_cast<float>(mFit.offsetY - (grid.Ymax - Y) * scale);
    if (geo) {
      v.u = dLon > 0 ? static_cast<float>((grid.lon[i] - grid.lonMin) / dLon) : 0.0f;
      v.v = dLat > 0 ? static_cast<float>((grid.latMax - grid.lat[i]) / dLat) : 0.0f;
    } else {
      // Nodes on one line have no extent across it; the texture then stays at its edge.
      v.u = dx > 0 ? static_cast<float>((X - grid.Xmin) / dx) : 0.0f;
      v.v = dy > 0 ? static_cast<float>((grid.Ymax - Y) / dy) : 0.0f;
    }
  }
  return true;
}

bool TerrainMesh::computeVertexHeights(const ElevationGrid& grid, int Scale) {
  ++mRevision;
  if (!hasVertices() || grid.count < mVertexCount) {
    return false;
  }
  const double k = Scale * mFit.scale * 0.5;
  const double hMin = grid.Hmin;
  for (uint32_t i = 0; i < mVertexCount; ++i) {
    mVertices[i].z = static_cast<float>((hMin - grid.H[i]) * k);
  }
  return true;
}

bool TerrainMesh::applyVertexAlpha(int Alpha) {
  if (!hasVertices()) {
    return false;
  }
  const uint32_t alpha = static_cast<uint32_t>(Alpha & 0xFF) << 24;
  for (TerrainVertex& v : vertices()) {
    v.diffuse = alpha | (v.diffuse & 0x00FFFFFFu);
  }
  return true;
}

namespace {
template <typename Index>
void fillIndices(const ElevationGrid& grid, Index* out) {
  for (const GridFile& f : grid.files) {
    const uint64_t w = f.sampledColumns;
    const uint64_t rows = f.sampledRows;
    if (w < 2 || rows < 2) {
      continue;
    }
    for (uint64_t m = 0; m + 1 < rows; ++m) {
      for (uint64_t b = 0; b + 1 < w; ++b) {
        const uint64_t c = b + m * w;
        // (north-west, north-east, south-west), then (south-east, south-west, north-east):
        // both clockwise in the x-y plane with y north, which picking relies on.
        *out++ = static_cast<Index>(c);
        *out++ = static_cast<Index>(c + 1);
        *out++ = static_cast<Index>(c + w);
        *out++ = static_cast<Index>(c + w + 1);
        *out++ = static_cast<Index>(c + w);
        *out++ = static_cast<Index>(c + 1);
      }
    }
  }
}
}  // namespace

bool TerrainMesh::buildIndices(const ElevationGrid& grid, uint64_t indexCount) {
  ++mRevision;
  if (mDevice) {
    mDevice->releaseIndexBuffer();
  }
  mIndices16.reset();
  mIndices32.reset();
  mIndexType = IndexType::None;
  mIndexCount = 0;
  if (indexCount <= 5) {
    return false;
  }
  // The list is filled from the files' sizes, so a count that disagrees with them would write
  // past the array or leave part of it unset.
  uint64_t expected = 0;
  for (const GridFile& f : grid.files) {
    if (f.sampledColumns >= 2 && f.sampledRows >= 2) {
      expected += uint64_t{6} * (f.sampledColumns - 1) * (f.sampledRows - 1);
    }
  }
  if (expected != indexCount || indexCount > std::numeric_limits<size_t>::max() / 4) {
    return false;
  }
  const size_t n = static_cast<size_t>(indexCount);
  if (indexTypeFor(grid.count) == IndexType::UInt16) {
    mIndices16.reset(new (std::nothrow) uint16_t[n]);
    if (!mIndices16) {
      return false;
    }
    fillIndices(grid, mIndices16.get());
    mIndexType = IndexType::UInt16;
  } else {
    mIndices32.reset(new (std::nothrow) uint32_t[n]);
    if (!mIndices32) {
      return false;
    }
    fillIndices(grid, mIndices32.get());
    mIndexType = IndexType::UInt32;
  }
  mIndexCount = indexCount;
  return true;
}

bool TerrainMesh::uploadVertices() {
  if (!hasVertices()) {
    return false;
  }
  if (!mDevice) {
    return true;
  }
  mDevice->releaseVertexBuffer();
  return mDevice->createVertexBuffer(vertices());
}

bool TerrainMesh::uploadIndices() {
  if (mIndexType == IndexType::None || mIndexCount <= 5) {
    return false;
  }
  if (!mDevice) {
    return true;
  }
  mDevice->releaseIndexBuffer();
  const void* data = mIndexType == IndexType::UInt16 ? static_cast<const void*>(mIndices16.get())
                                                     : static_cast<const void*>(mIndices32.get());
  return mDevice->createIndexBuffer(mIndexType, data, mIndexCount);
}

void TerrainMesh::releaseBuffers() {
  if (mDevice) {
    mDevice->releaseIndexBuffer();
    mDevice->releaseVertexBuffer();
  }
}

void TerrainMesh::release() {
  ++mRevision;
  releaseBuffers();
  mIndices16.reset();
  mIndices32.reset();
  mIndexType = IndexType::None;
  mIndexCount = 0;
  mVertices.reset();
  mVertexCount = 0;
  mFit = ModelFit{};
}

std::span<const uint16_t> TerrainMesh::indices16() const {
  if (mIndexType != IndexType::UInt16) {
    return {};
  }
  return {mIndices16.get(), static_cast<size_t>(mIndexCount)};
}

std::span<const uint32_t> TerrainMesh::indices32() const {
  if (mIndexType != IndexType::UInt32) {
    return {};
  }
  return {mIndices32.get(), static_cast<size_t>(mIndexCount)};
}

}  // namespace torvane
