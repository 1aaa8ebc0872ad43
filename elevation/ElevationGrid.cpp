#include "elevation/ElevationGrid.h"

#include <algorithm>
#include <cstdlib>
#include <sys/mman.h>

namespace torvane {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void NodeArrayDeleter::operator()(double* p) const noexcept { std::free(p); }

NodeArray allocateNodeArray(size_t n) {
  if (n > SIZE_MAX / sizeof(double) - kHugePage) {
    return nullptr;
  }
  const size_t bytes = n * sizeof(double);
  if (bytes < kHugePage) {
    return NodeArray(static_cast<double*>(std::malloc(bytes == 0 ? 1 : bytes)));
  }
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (p) {
    ::madvise(p, rounded, MADV_HUGEPAGE);  // only advice: failure changes nothing
  }
  return NodeArray(static_cast<double*>(p));
}

std::filesystem::path ElevationGrid::filePath(int i) const {
  if (i < 0 || i >= fileCount) {
    return {};
  }
  return files[static_cast<size_t>(i)].path;
}

uint64_t ElevationGrid::fileBase(int k) const {
  uint64_t base = 0;
  for (int j = 0; j < k && j < fileCount; ++j) {
    base += fileNodeCount(j);
  }
  return base;
}

uint64_t ElevationGrid::fileNodeCount(int k) const {
  const GridFile& f = files[static_cast<size_t>(k)];
  return uint64_t{f.sampledColumns} * f.sampledRows;
}

bool ElevationGrid::recordFile(const std::filesystem::path& path, uint32_t columns, uint32_t rows) {
  if (fileCount >= kMaxFiles) {
    return false;
  }
  GridFile f;
  f.path = path;
  f.shown = true;
  f.columns = columns;
  f.rows = rows;
  files.push_back(std::move(f));
  ++fileCount;
  return true;
}

bool ElevationGrid::recordGeographicFile(const std::filesystem::path& path, uint32_t columns,
                                         uint32_t rows, double west, double east, double south,
                                         double north) {
  const bool first = fileCount == 0;
  if (!recordFile(path, columns, rows)) {
    return false;
  }
  if (first) {
    lonMin = west;
    lonMax = east;
    latMin = south;
    latMax = north;
  } else {
    lonMin = std::min(lonMin, west);
    lonMax = std::max(lonMax, east);
    latMin = std::min(latMin, south);
    latMax = std::max(latMax, north);
  }
  return true;
}

bool ElevationGrid::allocateGrid(uint64_t n) {
  if (n == 0 || n > UINT32_MAX) {
    return false;
  }
  const size_t size = static_cast<size_t>(n);
  capacity = static_cast<uint32_t>(n);
  count = 0;
  planeZone = 0;
  GeoCoordinates = true;
  analysed = false;
  // No value-initialisation: every element is written by the readers or the analysis.
  for (auto* array : {&X, &Y, &H, &lon, &lat, &slope, &openAbove, &openBelow}) {
    *array = allocateNodeArray(size);
    if (!*array) {
      return false;
    }
  }
  return true;
}

void ElevationGrid::releaseGrid() {
  for (auto* array : {&X, &Y, &H, &lon, &lat, &slope, &openAbove, &openBelow}) {
    array->reset();
  }
  files.clear();
  fileCount = 0;
  count = 0;
  capacity = 0;
  planeZone = 0;
  GeoCoordinates = true;
  analysed = false;
}

void ElevationGrid::takeListing(ElevationGrid& listed) {
  releaseGrid();
  files = std::move(listed.files);
  fileCount = listed.fileCount;
  lonMin = listed.lonMin;
  lonMax = listed.lonMax;
  latMin = listed.latMin;
  latMax = listed.latMax;
  planeZone = listed.planeZone;
  GeoCoordinates = listed.GeoCoordinates;
  listed.releaseGrid();
}

bool ElevationGrid::computeExtents() {
  if (count < 9) {
    return false;
  }
  auto extent = [this](const double* a, double& lo, double& hi) {
    lo = hi = a[0];
    for (uint32_t i = 1; i < count; ++i) {
      lo = std::min(lo, a[i]);
      hi = std::max(hi, a[i]);
    }
  };
  extent(X.get(), Xmin, Xmax);
  extent(Y.get(), Ymin, Ymax);
  extent(H.get(), Hmin, Hmax);
  return true;
}

}  // namespace torvane
