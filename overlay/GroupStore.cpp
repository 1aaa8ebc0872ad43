#include "overlay/GroupStore.h"

#include <cassert>
#include <cstring>
#include <new>

namespace torvane {

namespace {
// Arrays are left uninitialised: a store of 3,000,000 points takes its pages from the system
// only as readers fill them.
template <typename T>
std::unique_ptr<T[]> allocateArray(size_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

template <typename T>
void moveDown(T* array, size_t to, size_t from, size_t count) {
  if (count > 0) {
    std::memmove(array + to, array + from, count * sizeof(T));
  }
}
}  // namespace

float overlayVertexZ(const ModelFit& fit, int Scale, double H) {
  return static_cast<float>(toModel(fit, 0, 0, H, Scale).z) - 0.0001f;
}

OverlayVertex makeOverlayVertex(const ModelFit& fit, int Scale, double X, double Y, double H,
                                uint32_t argb, bool lift) {
  const ModelPoint p = toModel(fit, X, Y, H, Scale);
  float z = static_cast<float>(p.z);
  if (lift) {
    z -= 0.0001f;
  }
  return {static_cast<float>(p.x), static_cast<float>(p.y), z, argb};
}

GroupStore::~GroupStore() { releaseVertexBuffer(); }

bool GroupStore::allocateStore(int maxGroups, uint32_t capacity) {
  freeStore();
  if (capacity == 0 || maxGroups <= 0) {
    return false;
  }
  const auto groups = static_cast<size_t>(maxGroups);
  mKind = allocateArray<int32_t>(groups);
  mVisible = allocateArray<uint8_t>(groups);
  mColour = allocateArray<uint32_t>(groups);
  mPolylineCount = allocateArray<uint32_t>(groups);
  mPointsPerPolyline = allocateArray<uint32_t>(capacity);
  mHeights = allocateArray<double>(capacity);
  mVertices = allocateArray<OverlayVertex>(capacity);
  if (!mKind || !mVisible || !mColour || !mPolylineCount || !mPointsPerPolyline || !mHeights ||
      !mVertices) {
    return false;
  }
  mMaxGroups = maxGroups;
  mCapacity = capacity;
  if (!allocateExtra(maxGroups, capacity)) {
    mMaxGroups = 0;
    mCapacity = 0;
    return false;
  }
  return true;
}

void GroupStore::freeStore() {
  releaseVertexBuffer();
  freeExtra();
  mKind.reset();
  mVisible.reset();
  mColour.reset();
  mPolylineCount.reset();
  mPointsPerPolyline.reset();
  mHeights.reset();
  mVertices.reset();
  mMaxGroups = 0;
  mGroupCount = 0;
  mCapacity = 0;
  mPolylineTotal = 0;
  mPointTotal = 0;
}

bool GroupStore::setVisible(int g, bool shown) {
  if (g < 0 || g >= mGroupCount) {
    return false;
  }
  mVisible[g] = shown ? 1 : 0;
  return true;
}

GroupRange GroupStore::groupRange(int g) const {
  GroupRange r;
  if (g < 0 || g >= mGroupCount) {
    return r;
  }
  for (int k = 0; k < g; ++k) {
    r.firstPolyline += mPolylineCount[k];
  }
  for (uint32_t p = 0; p < r.firstPolyline; ++p) {
    r.firstPoint += mPointsPerPolyline[p];
  }
  r.polylineCount = mPolylineCount[g];
  for (uint32_t p = 0; p < r.polylineCount; ++p) {
    r.pointCount += mPointsPerPolyline[r.firstPolyline + p];
  }
  return r;
}

int GroupStore::groupPointCount(int g) const { return static_cast<int>(groupRange(g).pointCount); }

bool GroupStore::setGroupColour(int g, uint32_t argb) {
  if (g < 0 || g >= mGroupCount) {
    return false;
  }
  mColour[g] = argb;
  const GroupRange r = groupRange(g);
  for (uint32_t i = 0; i < r.pointCount; ++i) {
    mVertices[r.firstPoint + i].diffuse = argb;
  }
  return true;
}

void GroupStore::setAlpha(int alpha) {
  const uint32_t top = static_cast<uint32_t>(alpha & 0xFF) << 24;
  for (uint32_t i = 0; i < mPointTotal; ++i) {
    mVertices[i].diffuse = (mVertices[i].diffuse & 0x00FFFFFFu) | top;
  }
}

void GroupStore::rescaleHeights(const ModelFit& fit, int Scale) {
  for (uint32_t i = 0; i < mPointTotal; ++i) {
    mVertices[i].z = overlayVertexZ(fit, Scale, mHeights[i]);
  }
}

bool GroupStore::deleteGroup(int g) {
  if (g < 0 || g >= mGroupCount) {
    return false;
  }
  const GroupRange r = groupRange(g);
  const uint32_t pointsAfter = mPointTotal - r.firstPoint - r.pointCount;
  moveDown(mVertices.get(), r.firstPoint, r.firstPoint + r.pointCount, pointsAfter);
  moveDown(mHeights.get(), r.firstPoint, r.firstPoint + r.pointCount, pointsAfter);
  moveDown(mPointsPerPolyline.get(), r.firstPolyline, r.firstPolyline + r.polylineCount,
           mPolylineTotal - r.firstPolyline - r.polylineCount);
  const auto after = static_cast<size_t>(mGroupCount - g - 1);
  moveDown(mKind.get(), g, g + 1, after);
  moveDown(mVisible.get(), g, g + 1, after);
  moveDown(mColour.get(), g, g + 1, after);
  moveDown(mPolylineCount.get(), g, g + 1, after);
  removeExtra(g, r);
  mPointTotal -= r.pointCount;
  mPolylineTotal -= r.polylineCount;
  --mGroupCount;
  return true;
}

bool GroupStore::setDevice(GroupBufferDevice* device) {
  if (device == mDevice) {
    return true;
  }
  if (mDevice != nullptr) {
    mDevice->releaseVertexBuffer();
  }
  mDevice = device;
  if (mDevice == nullptr || !mBufferLive) {
    return true;
  }
  return uploadStore();
}

bool GroupStore::uploadStore() {
  releaseVertexBuffer();
  if (mPointTotal == 0) {
    return false;
  }
  mBufferLive = mDevice == nullptr || mDevice->createVertexBuffer(vertices());
  return mBufferLive;
}

void GroupStore::releaseVertexBuffer() {
  if (mDevice != nullptr) {
    mDevice->releaseVertexBuffer();
  }
  mBufferLive = false;
}

bool GroupStore::Builder::begin(int32_t kind, uint32_t argb) {
  if (!mStore.allocated() || mStore.mGroupCount >= mStore.mMaxGroups) {
    return false;
  }
  mStore.mKind[mStore.mGroupCount] = kind;
  mStore.mColour[mStore.mGroupCount] = argb;
  mOpen = 0;
  mClosed = 0;
  mBegun = true;
  return true;
}

void GroupStore::Builder::append(const OverlayVertex& vertex, double H) {
  assert(mBegun && !full());
  const uint32_t i = nextIndex();
  mStore.mVertices[i] = vertex;
  mStore.mHeights[i] = H;
  ++mOpen;
}

void GroupStore::Builder::close(uint32_t minPoints) {
  if (mOpen >= minPoints && mOpen > 0) {
    // Every polyline holds at least one point, so polylineTotal <= pointTotal <= capacity.
    assert(mStore.mPolylineTotal < mStore.mCapacity);
    mStore.mPointsPerPolyline[mStore.mPolylineTotal++] = mOpen;
    mStore.mPointTotal += mOpen;
    ++mClosed;
  }
  mOpen = 0;
}

bool GroupStore::Builder::finish() {
  if (!mBegun || mClosed == 0) {
    return false;
  }
  const int g = mStore.mGroupCount++;
  mStore.mVisible[g] = 1;
  mStore.mPolylineCount[g] = mClosed;
  mBegun = false;
  return true;
}

bool allocateShrinking(const std::function<bool(uint32_t capacity)>& tryAllocate,
                       const std::function<void()>& release) {
  uint32_t capacity = kMaxStorePoints;
  release();
  while (!tryAllocate(capacity)) {
    release();
    capacity /= 2;
    if (capacity < kMinStorePoints) {
      return false;
    }
  }
  return true;
}

bool ensureStoreAllocated(GroupStore& store, int maxGroups) {
  if (store.hasVertexBuffer()) {
    return true;
  }
  return allocateShrinking(
      [&](uint32_t capacity) { return store.allocateStore(maxGroups, capacity); },
      [&] { store.freeStore(); });
}

}  // namespace torvane
