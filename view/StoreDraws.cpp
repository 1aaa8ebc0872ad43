#include "view/StoreDraws.h"

#include "overlay/OverlayStore.h"

namespace torvane {

namespace {

// Appends one draw to the last batch when it has the same primitive and point size, else to a
// new batch.
// `open` says whether the last batch may still take draws.
void addDraw(std::vector<DrawBatch>& batches, bool& open, int group, DrawPrimitive primitive,
             float pointSize, uint32_t first, uint32_t count) {
  if (!open || batches.empty() || batches.back().primitive != primitive ||
      (primitive == DrawPrimitive::Points && batches.back().pointSize != pointSize)) {
    batches.push_back({primitive, pointSize, {}, {}, group});
    open = true;
  }
  batches.back().firsts.push_back(static_cast<int32_t>(first));
  batches.back().counts.push_back(static_cast<int32_t>(count));
  batches.back().lastGroup = group;
}

}  // namespace

std::vector<DrawBatch> layerDrawBatches(const OverlayStore& store) {
  std::vector<DrawBatch> batches;
  const auto lengths = store.pointsPerPolyline();
  uint32_t polyline = 0;
  uint32_t start = 0;
  float pointSize = 1;
  bool open = false;
  for (int g = 0; g < store.groupCount(); ++g) {
    const uint32_t mode = store.drawMode(g);
    if (mode == kDrawPoints && store.pointSize(g) > 0) {
      pointSize = static_cast<float>(store.pointSize(g));
    }
    const bool shown = store.visible(g);
    if (shown && mode == kDrawMarks) {
      open = false;
    }
    const uint32_t polylines = store.polylineCount(g);
    for (uint32_t p = 0; p < polylines && polyline < lengths.size(); ++p, ++polyline) {
      const uint32_t c = lengths[polyline];
      if (shown) {
        if (mode == kDrawPoints && c > 0) {
          addDraw(batches, open, g, DrawPrimitive::Points, pointSize, start, c);
        } else if (mode == kDrawLineStrip && c > 1) {
          addDraw(batches, open, g, DrawPrimitive::LineStrip, 0, start, c);
        } else if (mode == kDrawTriangles && c > 2) {
          addDraw(batches, open, g, DrawPrimitive::Triangles, 0, start, c / 3 * 3);
        }
      }
      start += c;
    }
  }
  return batches;
}

std::vector<DrawBatch> contourDrawBatches(const GroupStore& store) {
  std::vector<DrawBatch> batches;
  const auto lengths = store.pointsPerPolyline();
  uint32_t polyline = 0;
  uint32_t start = 0;
  bool open = false;
  for (int g = 0; g < store.groupCount(); ++g) {
    const bool shown = store.visible(g);
    const uint32_t polylines = store.polylineCount(g);
    for (uint32_t p = 0; p < polylines && polyline < lengths.size(); ++p, ++polyline) {
      const uint32_t c = lengths[polyline];
      if (shown && c > 1) {
        addDraw(batches, open, g, DrawPrimitive::Lines, 0, start, c / 2 * 2);
      }
      start += c;
    }
  }
  return batches;
}

std::vector<LabelledPoints> labelledPoints(const OverlayStore& store) {
  std::vector<LabelledPoints> result;
  for (int g = 0; g < store.groupCount(); ++g) {
    if (store.drawMode(g) != kDrawMarks) {
      continue;
    }
    const GroupRange range = store.groupRange(g);
    LabelledPoints layer{g, {}};
    for (uint32_t i = range.firstPoint; i < range.firstPoint + range.pointCount; ++i) {
      if (!store.label(i).empty()) {
        layer.points.push_back(i);
      }
    }
    result.push_back(std::move(layer));
  }
  return result;
}

}  // namespace torvane
