#include "overlay/OverlayStore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "overlay/LabelText.h"

namespace torvane {

namespace {
// Sorted by kind; the GSI reader tries the tags in this order and takes the first that matches.
constexpr KindInfo kKinds[] = {
    {101, "<GCP", "GCP", "測量の基準点"},
    {102, "<ElevPt", "ElevPt", "標高点"},
    {103, "<AdmPt", "AdmPt", "行政区画代表点"},
    {104, "<CommPt", "CommPt", "町字の代表点"},
    {105, "<SBAPt", "SBAPt", "街区の代表点"},
    {kKindMark, "", "Mark", "目印"},
    {kKindPointCloud, "", "Others", "その他"},
    {kKindOtherPoints, "", "Others", "その他"},
    {201, "<Cntr", "Cntr", "等高線"},
    {202, "<AdmBdry", "AdmBdry", "行政区画界線"},
    {203, "<CommBdry", "CommBdry", "町字界線"},
    {204, "<SBBdry", "SBBdry", "街区線"},
    {205, "<WL", "WL", "水涯線"},
    {206, "<Cstline", "Cstline", "海岸線"},
    {207, "<WStrL", "WStrL", "水部構造物線"},
    {208, "<LeveeEdge", "LeveeEdge", "河川堤防表法肩法線"},
    {209, "<RvrMgtBdry", "RvrMgtBdry", "河川区域界線"},
    {210, "<BldL", "BldL", "建築物の外周線"},
    {211, "<RdEdg", "RdEdg", "道路縁"},
    {212, "<RdCompt", "RdCompt", "道路構成線"},
    {213, "<RdASL", "RdASL", "道路域分割線"},
    {214, "<RdMgtBdry", "RdMgtBdry", "道路区域界線"},
    {215, "<RailCL", "RailCL", "軌道の中心線"},
    {kKindNmea, "", "NMEA LOG", "NMEA LOG"},
    {kKindOtherLines, "", "Others", "その他"},
    {301, "<AdmArea", "AdmArea", "行政区画"},
    {302, "<SBArea", "SBArea", "街区域"},
    {303, "<WA", "WA", "水域"},
    {304, "<WStrA", "WStrA", "水部構造物面"},
    {305, "<BldA", "BldA", "建築物"},
    {306, "<RdArea", "RdArea", "道路域"},
    {307, "<RdSgmtA", "RdSgmtA", "道路区分面"},
};
}  // namespace

std::span<const KindInfo> kindTable() { return kKinds; }

std::string_view kindName(int32_t kind, bool english) {
  const auto it = std::lower_bound(std::begin(kKinds), std::end(kKinds), kind,
                                   [](const KindInfo& k, int32_t key) { return k.kind < key; });
  if (it != std::end(kKinds) && it->kind == kind) {
    return english ? it->english : it->japanese;
  }
  return english ? "Others" : "その他";
}

OverlayStore::~OverlayStore() = default;

bool OverlayStore::allocateExtra(int maxGroups, uint32_t capacity) {
  const auto groups = static_cast<size_t>(maxGroups);
  try {
    mNames.assign(groups, {});
  } catch (const std::bad_alloc&) {
    return false;
  }
  mPointSize.reset(new (std::nothrow) int32_t[groups]);
  mDrawMode.reset(new (std::nothrow) uint32_t[groups]);
  mLabels.reset(new (std::nothrow) char[static_cast<size_t>(capacity) * kLabelSlot]);
  return mPointSize && mDrawMode && mLabels;
}

void OverlayStore::freeExtra() {
  mNames.clear();
  mNames.shrink_to_fit();
  mPointSize.reset();
  mDrawMode.reset();
  mLabels.reset();
}

void OverlayStore::removeExtra(int g, const GroupRange& range) {
  const auto first = static_cast<size_t>(g);
  const auto layers = static_cast<size_t>(groupCount());
  std::move(mNames.begin() + static_cast<std::ptrdiff_t>(first + 1),
            mNames.begin() + static_cast<std::ptrdiff_t>(layers),
            mNames.begin() + static_cast<std::ptrdiff_t>(first));
  mNames[layers - 1].clear();
  std::memmove(&mPointSize[first], &mPointSize[first + 1], (layers - first - 1) * sizeof(int32_t));
  std::memmove(&mDrawMode[first], &mDrawMode[first + 1], (layers - first - 1) * sizeof(uint32_t));
  // pointTotal still counts the removed group here.
  const size_t after = pointTotal() - range.firstPoint - range.pointCount;
  std::memmove(&mLabels[range.firstPoint * kLabelSlot],
               &mLabels[(static_cast<size_t>(range.firstPoint) + range.pointCount) * kLabelSlot],
               after * kLabelSlot);
}

std::filesystem::path OverlayStore::layerName(int g) const {
  return g >= 0 && g < groupCount() ? mNames[static_cast<size_t>(g)] : std::filesystem::path();
}

std::string_view OverlayStore::layerKindName(int g, bool english) const {
  return g >= 0 && g < groupCount() ? kindName(kind(g), english) : std::string_view();
}

bool OverlayStore::setPointSize(int g, int size) {
  if (g < 0 || g >= groupCount() || size < 1 || size > 10) {
    return false;
  }
  mPointSize[g] = size;
  return true;
}

std::string_view OverlayStore::label(uint32_t i) const {
  const char* slot = &mLabels[static_cast<size_t>(i) * kLabelSlot];
  return {slot, strnlen(slot, kMaxLabelBytes)};
}

std::string OverlayStore::labelText(uint32_t i) const { return labelToUtf8(label(i)); }

void OverlayStore::setNewLayer(const std::filesystem::path& name, int pointSize,
                               uint32_t drawMode) {
  const auto g = static_cast<size_t>(groupCount());
  mNames[g] = name;
  mPointSize[g] = pointSize;
  mDrawMode[g] = drawMode;
}

void OverlayStore::setLabel(uint32_t i, std::string_view bytes) {
  const std::string_view kept = truncateLabel(bytes, kMaxLabelBytes);
  char* slot = &mLabels[static_cast<size_t>(i) * kLabelSlot];
  if (!kept.empty()) {  // an empty view may carry no pointer at all
    std::memcpy(slot, kept.data(), kept.size());
  }
  slot[kept.size()] = '\0';
}

void OverlayStore::copyLabel(uint32_t to, uint32_t from) {
  std::memcpy(&mLabels[static_cast<size_t>(to) * kLabelSlot],
              &mLabels[static_cast<size_t>(from) * kLabelSlot], kLabelSlot);
}

}  // namespace torvane
