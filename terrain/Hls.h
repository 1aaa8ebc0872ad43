#pragma once
// The classic integer hue/lightness/saturation conversion on the 0-240 scale (hue 0 red,
// 40 yellow, 80 green, 120 cyan, 160 blue, 200 magenta; lightness 120 and saturation 240 give
// the pure colours). Colours are compared pixel for pixel with the desktop shell's conversion,
// so every step is integer arithmetic with the same roundings.

#include <cstdint>

namespace torvane {

inline constexpr int kHlsMax = 240;
inline constexpr int kRgbMax = 255;
//! The hue given to greys, which have none.
inline constexpr int kHueUndefined = kHlsMax * 2 / 3;

struct Hls {
  int hue = 0;
  int lightness = 0;
  int saturation = 0;
};

/// HLS (each 0..240) to a COLORREF 0x00BBGGRR.
uint32_t colorHlsToRgb(int hue, int lightness, int saturation);
/// A COLORREF 0x00BBGGRR to HLS; greys get hue 160 and saturation 0.
Hls colorRgbToHls(uint32_t colorref);

}  // namespace torvane
