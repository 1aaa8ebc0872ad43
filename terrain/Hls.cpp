#include "terrain/Hls.h"

#include <algorithm>

namespace torvane {

namespace {
int hueToRgb(int m1, int m2, int hue) {
  if (hue < 0) {
    hue += kHlsMax;
  }
  if (hue > kHlsMax) {
    hue -= kHlsMax;
  }
  if (hue < kHlsMax / 6) {
    return m1 + ((m2 - m1) * hue + kHlsMax / 12) / (kHlsMax / 6);
  }
  if (hue < kHlsMax / 2) {
    return m2;
  }
  if (hue < kHlsMax * 2 / 3) {
    return m1 + ((m2 - m1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
  }
  return m1;
}

uint32_t channel(int value) { return static_cast<uint32_t>(std::clamp(value, 0, kRgbMax)); }
}  // namespace

uint32_t colorHlsToRgb(int hue, int lightness, int saturation) {
  int r, g, b;
  if (saturation == 0) {
    r = g = b = lightness * kRgbMax / kHlsMax;
  } else {
    const int m2 = lightness <= kHlsMax / 2
                       ? (lightness * (kHlsMax + saturation) + kHlsMax / 2) / kHlsMax
                       : lightness + saturation - (lightness * saturation + kHlsMax / 2) / kHlsMax;
    const int m1 = 2 * lightness - m2;
    r = (hueToRgb(m1, m2, hue + kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
    g = (hueToRgb(m1, m2, hue) * kRgbMax + kHlsMax / 2) / kHlsMax;
    b = (hueToRgb(m1, m2, hue - kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
  }
  return channel(r) | channel(g) << 8 | channel(b) << 16;
}

Hls colorRgbToHls(uint32_t colorref) {
  const int r = static_cast<int>(colorref & 0xFF);
  const int g = static_cast<int>((colorref >> 8) & 0xFF);
  const int b = static_cast<int>((colorref >> 16) & 0xFF);
  const int cMax = std::max({r, g, b});
  const int cMin = std::min({r, g, b});
  Hls out;
  out.lightness = ((cMax + cMin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  if (cMax == cMin) {
    out.saturation = 0;
    out.hue = kHueUndefined;
    return out;
  }
  const int sum = cMax + cMin;
  const int span = cMax - cMin;
  if (out.lightness <= kHlsMax / 2) {
    out.saturation = (span * kHlsMax + sum / 2) / sum;
  } else {
    const int rest = 2 * kRgbMax - sum;
    out.saturation = (span * kHlsMax + rest / 2) / rest;
  }
  const int rDelta = ((cMax - r) * (kHlsMax / 6) + span / 2) / span;
  const int gDelta = ((cMax - g) * (kHlsMax / 6) + span / 2) / span;
  const int bDelta = ((cMax - b) * (kHlsMax / 6) + span / 2) / span;
  int hue;
  if (r == cMax) {
    hue = bDelta - gDelta;
  } else if (g == cMax) {
    hue = kHlsMax / 3 + rDelta - bDelta;
  } else {
    hue = kHlsMax * 2 / 3 + gDelta - rDelta;
  }
  if (hue < 0) {
    hue += kHlsMax;
  }
  if (hue > kHlsMax) {
    hue -= kHlsMax;
  }
  out.hue = hue;
  return out;
}

}  // namespace torvane
