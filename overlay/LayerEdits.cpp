#include "overlay/LayerEdits.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "terrain/Hls.h"

namespace torvane {

LayerMenuState groupMenuState(std::span<const int> selected) {
  LayerMenuState s;
  s.showHide = s.colour = s.remove = !selected.empty();
  s.hueCircle = selected.size() >= 3;
  return s;
}

LayerMenuState layerMenuState(const OverlayStore& store, std::span<const int> selected) {
  LayerMenuState s = groupMenuState(selected);
  for (const int g : selected) {
    if (g >= 0 && g < store.groupCount() && store.pointSize(g) > 0) {
      s.pointSize = true;
      s.checkedPointSize = store.pointSize(g);
      break;
    }
  }
  return s;
}

std::vector<int> hueCircleHues(int n, int start, int end, bool counterClockwise) {
  std::vector<int> hues;
  if (n < 3) {
    return hues;
  }
  int span = end - start;
  if (span != 0) {
    if (span < 0) {
      span += kHlsMax;
    }
    if (counterClockwise) {
      span -= kHlsMax;
    }
  }
  const double step = static_cast<double>(span) / (n - 1);
  for (int k = 0; k < n; ++k) {
    int hue = static_cast<int>(std::trunc(k * step)) + start;
    if (hue < 0) {
      hue += kHlsMax;
    }
    if (hue > kHlsMax - 1) {
      hue -= kHlsMax;
    }
    hues.push_back(hue);
  }
  return hues;
}

uint32_t layerColourFromColorRef(uint32_t colorref, const LayerAlpha& alpha) {
  const uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
  const uint32_t a = alpha.enabled ? static_cast<uint32_t>(alpha.alpha & 0xFF) : 0xFF;
  return a << 24 | r << 16 | g << 8 | b;
}

uint32_t colorRefOfLayerColour(uint32_t argb) {
  const uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  return b << 16 | g << 8 | r;
}

void recolourLayers(GroupStore& store, std::span<const int> selected, uint32_t argb) {
  for (const int g : selected) {
    store.setGroupColour(g, argb);
  }
  store.uploadStore();
}

bool colourLayersAlongHueCircle(GroupStore& store, std::span<const int> selected, int start,
                                int end, bool counterClockwise, const LayerAlpha& alpha) {
  const std::vector<int> hues =
      hueCircleHues(static_cast<int>(selected.size()), start, end, counterClockwise);
  if (hues.empty()) {
    return false;
  }
  for (size_t k = 0; k < selected.size(); ++k) {
    store.setGroupColour(selected[k],
                         layerColourFromColorRef(colorHlsToRgb(hues[k], 120, 240), alpha));
  }
  store.uploadStore();
  return true;
}

std::vector<int> setLayerPointSizes(OverlayStore& store, std::span<const int> selected, int size) {
  std::vector<int> changed;
  for (const int g : selected) {
    if (g >= 0 && g < store.groupCount() && store.pointSize(g) > 0 && store.setPointSize(g, size)) {
      changed.push_back(g);
    }
  }
  return changed;
}

int deleteLayers(GroupStore& store, std::span<const int> selected) {
  // From the last to the first, so that the indices of those still to go stay valid.
  std::vector<int> order(selected.begin(), selected.end());
  std::sort(order.begin(), order.end(), std::greater<>());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  for (const int g : order) {
    store.deleteGroup(g);
  }
  if (store.pointTotal() > 0) {
    store.uploadStore();
  } else {
    deleteAllLayers(store);
  }
  return store.groupCount();
}

void deleteAllLayers(GroupStore& store) {
  store.releaseVertexBuffer();
  store.freeStore();
}

void applyLayerAlpha(GroupStore& store, const LayerAlpha& alpha) {
  store.setAlpha(alpha.enabled ? alpha.alpha : 255);
  store.uploadStore();
}

}  // namespace torvane
