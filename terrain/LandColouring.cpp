#include "terrain/LandColouring.h"

#include <array>
#include <cmath>

#include "elevation/ElevationGrid.h"
#include "terrain/Hls.h"
#include "terrain/Parallel.h"

namespace torvane {

namespace {

constexpr double kEpsilon = 0.00005;
constexpr int kHueCount = 240;

// The pure colour of each hue, channels in 0..1, from the integer HLS conversion.
struct HueTable {
  std::array<std::array<double, 3>, kHueCount> rgb;
  HueTable() {
    for (int h = 0; h < kHueCount; ++h) {
      const uint32_t c = colorHlsToRgb(h, 120, 240);
      rgb[static_cast<size_t>(h)] = {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                     ((c >> 16) & 0xFF) / 255.0};
    }
  }
};

const HueTable& hueTable() {
  static const HueTable table;
  return table;
}

int rampHue(double t, int start, int end, bool reverse) {
  int d = end - start;
  if (d != 0) {
    if (d < 0) {
      d += kHueCount;
    }
    if (reverse) {
      d -= kHueCount;
    }
  }
  int hue = start + static_cast<int>(std::trunc(d * t));
  if (hue < 0) {
    hue += kHueCount;
  }
  if (hue > kHueCount - 1) {
    hue -= kHueCount;
  }
  // Hues from settings outside 0..239 (a hand-edited project) still land on the circle.
  hue %= kHueCount;
  return hue < 0 ? hue + kHueCount : hue;
}

class Painter {
public:
  Painter(const ElevationGrid& grid, const ColourSettings& s, const ToneCurve& curve,
          double seaLevel, std::span<TerrainVertex> vertices)
      : mH(grid.H.get()),
        mHmin(grid.Hmin),
        mCurve(curve),
        mSeaLevel(seaLevel),
        mVertices(vertices.data()),
        mAlpha(static_cast<uint32_t>(s.Alpha & 0xFF) << 24),
        mOceanT(s.OceanT) {
    mOcean[0] = (s.OceanC & 0xFF) / 255.0;
    mOcean[1] = ((s.OceanC >> 8) & 0xFF) / 255.0;
    mOcean[2] = ((s.OceanC >> 16) & 0xFF) / 255.0;
  }

  void put(uint64_t i, double r, double g, double b) const {
    mVertices[i].diffuse = mAlpha | byte(r) << 16 | byte(g) << 8 | byte(b);
  }
  void putWhite(uint64_t i) const { mVertices[i].diffuse = mAlpha | 0x00FFFFFFu; }

  // Paints vertex i as sea and returns true when it lies at or below the sea level.
  bool isSea(uint64_t i) const {
    const double h = mH[i];
    if (mOceanT) {
      if (h < kEpsilon) {
        put(i, mOcean[0], mOcean[1], mOcean[2]);
        return true;
      }
      if (h - mSeaLevel < kEpsilon) {
        const double depthRange = mSeaLevel - mHmin;
        const double k = depthRange > kEpsilon ? (h - mHmin) / depthRange : 0.0;
        put(i, k * mOcean[0], k * mOcean[1], k * mOcean[2]);
        return true;
      }
      return false;
    }
    if (h - mSeaLevel < kEpsilon) {
      put(i, mOcean[0], mOcean[1], mOcean[2]);
      return true;
    }
    return false;
  }

private:
  uint32_t byte(double channel) const {
    // Channels are 0..1 by construction; the clamp keeps a stray value inside the curve.
    const double scaled = std::trunc(255 * channel);
    const int index = scaled > 0 ? (scaled < 255 ? static_cast<int>(scaled) : 255) : 0;
    return static_cast<uint32_t>(mCurve[static_cast<size_t>(index)]) & 0xFF;
  }

  const double* mH;
  double mHmin;
  const ToneCurve& mCurve;
  double mSeaLevel;
  TerrainVertex* mVertices;
  uint32_t mAlpha;
  bool mOceanT;
  double mOcean[3];
};

//! A normalised quantity: (value - lo) / range.
struct Measure {
  const double* values = nullptr;
  double lo = 0;
  double range = 0;
  double at(uint64_t i) const { return (values[i] - lo) / range; }
};

Measure heightMeasure(const ElevationGrid& g) {
  const double lo = g.Hmin < kEpsilon ? 0.0 : g.Hmin;
  return {g.H.get(), lo, g.Hmax - lo};
}

// The measure of a single-measure land type other than elevation.
Measure analysisMeasure(const ElevationGrid& g, int which) {
  switch (which) {
    case kLandSlope:
      return {g.slope.get(), g.slopeMin, g.slopeMax - g.slopeMin};
    case kLandOpenAbove:
      return {g.openAbove.get(), g.openAboveMin, g.openAboveMax - g.openAboveMin};
    default:
      return {g.openBelow.get(), g.openBelowMin, g.openBelowMax - g.openBelowMin};
  }
}

// The colour of a composite type by a ramp other than the stepped one: `shade` scales the hue
// ramps and takes the ramp's own channel, `other` fills the two remaining channels, `grey` the
// white-black ramp.
void compositeColour(int ramp, double t, double shade, double other, double grey,
                     const ColourSettings& s, double rgb[3]) {
  switch (ramp) {
    case kRampRedGreenBlue:
    case kRampHueCircle:
      if (ramp == kRampRedGreenBlue) {
        hueRamp(t, 120, 200, true, rgb);
      } else {
        hueRamp(t, s.CRHueS, s.CRHueE, s.CRHueR, rgb);
      }
      rgb[0] *= shade;
      rgb[1] *= shade;
      rgb[2] *= shade;
      break;
    case kRampWhiteRed:
      rgb[0] = shade, rgb[1] = other, rgb[2] = other;
      break;
    case kRampWhiteGreen:
      rgb[0] = other, rgb[1] = shade, rgb[2] = other;
      break;
    case kRampWhiteBlue:
      rgb[0] = other, rgb[1] = other, rgb[2] = shade;
      break;
    default:
      rgb[0] = rgb[1] = rgb[2] = grey;
      break;
  }
}

template <typename Fn>
void forEachNode(uint64_t count, unsigned threads, Fn&& fn) {
  forEachSlice(count, workerCount(count, threads, 1u << 18),
               [&](unsigned, uint64_t begin, uint64_t end) {
                 for (uint64_t i = begin; i < end; ++i) {
                   fn(i);
                 }
               });
}

}  // namespace

void hueRamp(double t, int start, int end, bool reverse, double rgb[3]) {
  const auto& c = hueTable().rgb[static_cast<size_t>(rampHue(t, start, end, reverse))];
  rgb[0] = c[0];
  rgb[1] = c[1];
  rgb[2] = c[2];
}

bool colourTerrain(const ElevationGrid& grid, const ColourSettings& s, const ToneCurve& curve,
                   double seaLevel, std::span<TerrainVertex> vertices, unsigned threads) {
  if (grid.count <= 8 || vertices.size() != grid.count || !grid.H) {
    return false;
  }
  if (s.ColorT < kImageOnly || s.ColorT > kLandAndSea || s.ColorR < kRampRedGreenBlue ||
      s.ColorR > kLastRamp) {
    return false;
  }
  const int type = s.ColorS;
  if (type < kLandElevation || (type > kLandOpenings && type < kFirstSpecialLandType) ||
      type > kLastSpecialLandType) {
    return false;
  }
  const uint64_t count = grid.count;
  const Painter paint(grid, s, curve, seaLevel, vertices);
  const int ramp = s.ColorR;

  if (s.ColorT == kImageOnly) {
    forEachNode(count, threads, [&](uint64_t i) { paint.putWhite(i); });
    return true;
  }
  if (s.ColorT == kImageAndSea) {
    forEachNode(count, threads, [&](uint64_t i) {
      if (!paint.isSea(i)) {
        paint.putWhite(i);
      }
    });
    return true;
  }

  // One normalised value per node: the height, or one terrain measure.
  auto colourBySingle = [&](const Measure& m) {
    if (m.range < kEpsilon) {
      return false;
    }
    forEachNode(count, threads, [&](uint64_t i) {
      if (paint.isSea(i)) {
        return;
      }
      const double t = m.at(i);
      double rgb[3];
      switch (ramp) {
        case kRampRedGreenBlue:
          hueRamp(t, 120, 200, true, rgb);  // cyan back through green to magenta
          break;
        case kRampWhiteRed:
          rgb[0] = 1, rgb[1] = 1 - t, rgb[2] = 1 - t;
          break;
        case kRampWhiteGreen:
          rgb[0] = 1 - t, rgb[1] = 1, rgb[2] = 1 - t;
          break;
        case kRampWhiteBlue:
          rgb[0] = 1 - t, rgb[1] = 1 - t, rgb[2] = 1;
          break;
        case kRampWhiteBlack:
          rgb[0] = rgb[1] = rgb[2] = 1 - t;
          break;
        case kRampHueCircle:
          hueRamp(t, s.CRHueS, s.CRHueE, s.CRHueR, rgb);
          break;
        default:
          // The stepped table is empty: every value looks up black.
          rgb[0] = rgb[1] = rgb[2] = 0;
          break;
      }
      paint.put(i, rgb[0], rgb[1], rgb[2]);
    });
    return true;
  };

  if (type == kLandElevation) {
    return colourBySingle(heightMeasure(grid));
  }
  if (!grid.analysed || !grid.slope || !grid.openAbove || !grid.openBelow) {
    return false;
  }
  if (!isCompositeLandType(type)) {
    return colourBySingle(analysisMeasure(grid, type));
  }
  if (ramp == kRampStepped) {
    return false;
  }
  const bool plain = type < kFirstSpecialLandType;
  const int base = type % kSpecialLandTypeOffset;

  if (base == kLandElevationOpenings || base == kLandSlopeOpenings) {
    const Measure p =
        base == kLandElevationOpenings ? heightMeasure(grid) : analysisMeasure(grid, kLandSlope);
    const Measure a = analysisMeasure(grid, kLandOpenAbove);
    const Measure b = analysisMeasure(grid, kLandOpenBelow);
    if (p.range < kEpsilon || a.range < kEpsilon || b.range < kEpsilon) {
      return false;
    }
    forEachNode(count, threads, [&](uint64_t i) {
      if (paint.isSea(i)) {
        return;
      }
      const double t = p.at(i);
      const double f = 1 - t;
      const double above = a.at(i);
      const double below = b.at(i);
      const double shade = (1 - above + below) / 2;
      const double d = 1 - above;
      const double g = plain ? shade * f : d * f;
      double rgb[3];
      compositeColour(ramp, t, shade, g, shade * f, s, rgb);
      paint.put(i, rgb[0], rgb[1], rgb[2]);
    });
    return true;
  }

  // Pairs: the primary gives the hue or tone, the secondary the shade.
  Measure p, q;
  switch (base) {
    case kLandElevationSlope:
      p = heightMeasure(grid), q = analysisMeasure(grid, kLandSlope);
      break;
    case kLandElevationOpenAbove:
      p = heightMeasure(grid), q = analysisMeasure(grid, kLandOpenAbove);
      break;
    case kLandSlopeOpenAbove:
      p = analysisMeasure(grid, kLandSlope), q = analysisMeasure(grid, kLandOpenAbove);
      break;
    default:  // kLandOpenings
      p = analysisMeasure(grid, kLandOpenBelow), q = analysisMeasure(grid, kLandOpenAbove);
      break;
  }
  if (p.range < kEpsilon || q.range < kEpsilon) {
    return false;
  }
  forEachNode(count, threads, [&](uint64_t i) {
    if (paint.isSea(i)) {
      return;
    }
    const double t = p.at(i);
    const double u = 1 - t;
    const double v = 1 - q.at(i);
    const double w = plain ? v * u : u;
    double rgb[3];
    compositeColour(ramp, t, v, w, v * u, s, rgb);
    paint.put(i, rgb[0], rgb[1], rgb[2]);
  });
  return true;
}

}  // namespace torvane
