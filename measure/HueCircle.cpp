#include "measure/HueCircle.h"

#include "terrain/Hls.h"

namespace torvane {

uint32_t hueCircleColour(int hue) {
  return colorHlsToRgb(hue, kHueCircleLightness, kHueCircleSaturation);
}

int hueOfColour(uint32_t colorref) { return colorRgbToHls(colorref).hue; }

}  // namespace torvane
