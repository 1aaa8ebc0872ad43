#pragma once
// The colours of the hue-circle dialog: every hue is shown as its pure colour, and a colour
// chosen by the user contributes only its hue. Hues are on the 0..239 scale of the HLS
// conversion.

#include <cstdint>

namespace torvane {

inline constexpr int kHueCircleLightness = 120;
inline constexpr int kHueCircleSaturation = 240;

/// The pure colour of a hue, HLS(hue, 120, 240), as a COLORREF 0x00BBGGRR.
uint32_t hueCircleColour(int hue);

/// The hue of a colour (COLORREF); greys, which have none, give the conversion's hue 160.
int hueOfColour(uint32_t colorref);

}  // namespace torvane
