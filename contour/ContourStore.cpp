#include "contour/ContourStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "elevation/ElevationGrid.h"

namespace torvane {

std::string_view contourKindLabel(int kind, bool english) {
  switch (kind) {
    case kElevationContour:
      return english ? "Elevation" : "標高";
    case kSlopeContour:
      return english ? "Slant" : "傾斜量";
    case kDifferenceContour:
      return english ? "Difference" : "差分";
    default:
      return english ? "Others" : "その他";
  }
}

ContourStore::~ContourStore() = default;

std::string_view ContourStore::contourKindName(int g, bool english) const {
  if (g < 0 || g >= groupCount()) {
    return {};
  }
  return contourKindLabel(kind(g), english);
}

bool ContourStore::hasContourSet(int32_t value, int32_t kind) const {
  for (int g = 0; g < groupCount(); ++g) {
    if (mValue[g] == value && this->kind(g) == kind) {
      return true;
    }
  }
  return false;
}

void ContourStore::setNewValue(int32_t value) { mValue[groupCount()] = value; }

bool ContourStore::allocateExtra(int maxGroups, uint32_t) {
  mValue.reset(new (std::nothrow) int32_t[static_cast<size_t>(maxGroups)]);
  return mValue != nullptr;
}

void ContourStore::freeExtra() { mValue.reset(); }

void ContourStore::removeExtra(int g, const GroupRange&) {
  const auto after = static_cast<size_t>(groupCount() - g - 1);
  if (after > 0) {
    std::memmove(mValue.get() + g, mValue.get() + g + 1, after * sizeof(int32_t));
  }
}

namespace {

uint32_t initialColour(int kind) {
  return kind == kSlopeContour ? kSlopeContourColour : kElevationContourColour;
}

// Whether the store takes a set of `kind` at `value` now; if so, starts it in slot groupCount.
bool beginSet(ContourStore& store, GroupStore::Builder& builder, int kind, int value) {
  if (!store.allocated() || store.pointTotal() + uint64_t{1} >= store.capacity() ||
      store.groupCount() >= kMaxContourSets || store.hasContourSet(value, kind)) {
    return false;
  }
  return builder.begin(kind, initialColour(kind));
}

// Copies a traced set into the begun slot: chunks of at most kMaxContourChunkPoints points, cut
// short (keeping what fits) when the store fills.
bool storeSegments(ContourStore& store, GroupStore::Builder& builder,
                   const ContourPlacement& placement, int kind, int value,
                   const ContourTrace& trace) {
  const uint32_t colour = initialColour(kind);
  const uint64_t capacity = store.capacity();
  for (uint64_t i = 0; i + 1 < trace.size(); i += 2) {
    for (uint64_t e = i; e < i + 2; ++e) {
      const double height = kind == kElevationContour ? value : trace.H[e];
      builder.append(makeOverlayVertex(placement.fit, placement.Scale, trace.X[e], trace.Y[e],
                                       height, colour, false),
                     height);
    }
    if (builder.nextIndex() + uint64_t{1} >= capacity) {
      break;  // full: the rest of the segments is dropped
    }
    if (builder.open() >= kMaxContourChunkPoints) {
      builder.close();
    }
  }
  builder.close(2);
  if (builder.closed() == 0) {
    return false;
  }
  store.setNewValue(value);
  return builder.finish();
}

// Lowest and highest value of the field, NaN ignored; false when there is none.
bool fieldBounds(const ElevationGrid& grid, const double* field, double& lo, double& hi) {
  lo = std::numeric_limits<double>::infinity();
  hi = -lo;
  for (uint32_t i = 0; i < grid.count; ++i) {
    const double v = field[i];
    lo = v < lo ? v : lo;  // a NaN compares false and is passed over
    hi = v > hi ? v : hi;
  }
  return lo <= hi;
}

}  // namespace

bool addContourSet(ContourStore& store, const ElevationGrid& grid,
                   const ContourPlacement& placement, int kind, int value,
                   const ContourProgressFn& progress) {
  GroupStore::Builder builder(store);
  if (!beginSet(store, builder, kind, value)) {
    return false;
  }
  if (progress) {
    progress(0);
  }
  if (grid.count == 0) {
    return false;
  }
  ContourTrace trace;
  if (traceContours(grid, kind, value, store.capacity(), trace) <= 1) {
    return false;
  }
  return storeSegments(store, builder, placement, kind, value, trace);
}

bool buildContourRange(ContourStore& store, const ElevationGrid& grid,
                       const ContourPlacement& placement, int kind, int first, int last, int step,
                       const ContourProgressFn& progress) {
  if (grid.count == 0) {
    return false;
  }
  if (!ensureStoreAllocated(store, kMaxContourSets)) {
    return false;
  }
  if (last < first) {
    return false;
  }
  const ContourLevels range{first, last, step};
  const double s = std::max(1, step);
  bool added = false;
  // Only values within epsilon of the field's extent cross a triangle; the others would be
  // refused for that, so they are not walked at all (twice epsilon covers index rounding).
  double lo = 0, hi = 0;
  const double* field = contourField(grid, kind);
  if (field != nullptr && fieldBounds(grid, field, lo, hi)) {
    const double margin = 2 * kContourEpsilon;
    const double lastIndex = static_cast<double>(range.count() - 1);
    const double kLow = std::max(0.0, std::ceil((lo - margin - first) / s));
    const double kHigh = std::min(lastIndex, std::floor((hi + margin - first) / s));
    const int64_t begin = kLow <= kHigh ? static_cast<int64_t>(kLow) : 0;
    const int64_t end = kLow <= kHigh ? static_cast<int64_t>(kHigh) + 1 : 0;
    const int64_t windows = (end - begin + kContourLevelsPerPass - 1) / kContourLevelsPerPass;
    for (int64_t w = begin; w < end; w += kContourLevelsPerPass) {
      if (store.pointTotal() + uint64_t{1} >= store.capacity() ||
          store.groupCount() >= kMaxContourSets) {
        break;  // every later value would be refused
      }
      const int64_t count = std::min<int64_t>(kContourLevelsPerPass, end - w);
      const ContourLevels window{range.value(w), range.value(w + count - 1), range.step};
      ContourRangeLimits limits;
      limits.outCapacity = store.capacity();
      limits.pointsLeft = store.capacity() - store.pointTotal();
      limits.setsLeft = kMaxContourSets - store.groupCount();
      for (int64_t k = 0; k < count; ++k) {
        limits.skip.push_back(store.hasContourSet(window.value(k), kind));
      }
      const double done = static_cast<double>((w - begin) / kContourLevelsPerPass);
      const std::vector<ContourTrace> traces =
          traceContourRange(grid, kind, window, limits, [&](double fraction) {
            if (progress) {
              progress((done + fraction) / static_cast<double>(windows));
            }
          });
      for (int64_t k = 0; k < count; ++k) {
        GroupStore::Builder builder(store);
        const int value = window.value(k);
        if (beginSet(store, builder, kind, value) && traces[static_cast<size_t>(k)].size() > 1 &&
            storeSegments(store, builder, placement, kind, value, traces[static_cast<size_t>(k)])) {
          added = true;
        }
      }
    }
  }
  if (!added) {
    return false;
  }
  if (placement.alphaEnabled) {
    store.setAlpha(placement.Alpha);
  }
  if (!store.uploadStore()) {
    store.releaseVertexBuffer();
    store.freeContourStore();
    return false;
  }
  return true;
}

bool buildContourSet(ContourStore& store, const ElevationGrid& grid,
                     const ContourPlacement& placement, int kind, int value) {
  if (kind != kElevationContour && kind != kSlopeContour) {
    return false;
  }
  return buildContourRange(store, grid, placement, kind, value, value, 1);
}

std::vector<bool> buildContourSets(ContourStore& store, const ElevationGrid& grid,
                                   const ContourPlacement& placement,
                                   std::span<const ContourSetRequest> requests,
                                   const ContourProgressFn& progress) {
  std::vector<bool> added(requests.size(), false);
  if (grid.count == 0 || requests.empty() || !ensureStoreAllocated(store, kMaxContourSets)) {
    return added;
  }
  const int firstNew = store.groupCount();
  for (size_t begin = 0; begin < requests.size(); begin += kContourLevelsPerPass) {
    const size_t end = std::min(requests.size(), begin + kContourLevelsPerPass);
    // One walk per kind over this window of requests, each kind's values in request order.
    std::vector<ContourTrace> traces(end - begin);
    for (const int kind : {kElevationContour, kSlopeContour}) {
      std::vector<size_t> index;
      std::vector<int> values;
      ContourRangeLimits limits;
      limits.outCapacity = store.capacity();
      limits.pointsLeft = store.capacity() - store.pointTotal();
      limits.setsLeft = kMaxContourSets - store.groupCount();
      for (size_t i = begin; i < end; ++i) {
        if (requests[i].kind != kind) {
          continue;
        }
        // A repeated value is refused whatever became of its first request.
        const bool repeated =
            std::find(values.begin(), values.end(), requests[i].value) != values.end();
        limits.skip.push_back(repeated || store.hasContourSet(requests[i].value, kind));
        index.push_back(i - begin);
        values.push_back(requests[i].value);
      }
      if (values.empty()) {
        continue;
      }
      std::vector<ContourTrace> kindTraces =
          traceContourLevels(grid, kind, values, limits, [&](double fraction) {
            if (progress) {
              progress((static_cast<double>(begin) + fraction * static_cast<double>(end - begin)) /
                       static_cast<double>(requests.size()));
            }
          });
      for (size_t j = 0; j < index.size(); ++j) {
        traces[index[j]] = std::move(kindTraces[j]);
      }
    }
    for (size_t i = begin; i < end; ++i) {
      const ContourSetRequest& r = requests[i];
      GroupStore::Builder builder(store);
      if ((r.kind == kElevationContour || r.kind == kSlopeContour) &&
          beginSet(store, builder, r.kind, r.value) && traces[i - begin].size() > 1 &&
          storeSegments(store, builder, placement, r.kind, r.value, traces[i - begin])) {
        added[i] = true;
        const int g = store.groupCount() - 1;
        store.setVisible(g, r.visible);
        store.setGroupColour(g, r.colour);
      }
    }
  }
  if (store.groupCount() == firstNew) {
    return added;
  }
  if (placement.alphaEnabled) {
    store.setAlpha(placement.Alpha);
  }
  if (!store.uploadStore()) {
    store.releaseVertexBuffer();
    store.freeContourStore();
    std::fill(added.begin(), added.end(), false);
  }
  return added;
}

}  // namespace torvane
