#include <gtest/gtest.h>

#include <vector>

#include "tests/support/GridBuilder.h"
#include "terrain/Hls.h"
#include "terrain/LandColouring.h"
#include "terrain/ToneCurves.h"

namespace torvane {
namespace {

using fixtures::buildGrid;
using fixtures::SubGrid;

constexpr uint32_t kRed = 0x0000FF, kYellow = 0x00FFFF, kGreen = 0x00FF00, kCyan = 0xFFFF00,
                   kBlue = 0xFF0000, kMagenta = 0xFF00FF;  // COLORREF 0x00BBGGRR

TEST(Hls, PureHuesAndGreys) {
  const std::pair<int, uint32_t> hues[] = {{0, kRed},    {40, kYellow}, {80, kGreen},
                                           {120, kCyan}, {160, kBlue},  {200, kMagenta}};
  for (const auto& [hue, colour] : hues) {
    SCOPED_TRACE(hue);
    EXPECT_EQ(colorHlsToRgb(hue, 120, 240), colour);
    const Hls back = colorRgbToHls(colour);
    EXPECT_EQ(back.hue, hue);
    EXPECT_EQ(back.lightness, 120);
    EXPECT_EQ(back.saturation, 240);
  }
  // Hue 240 wraps to red; lightness alone makes greys, which have the undefined hue 160.
  EXPECT_EQ(colorHlsToRgb(240, 120, 240), kRed);
  EXPECT_EQ(colorHlsToRgb(77, 240, 0), 0xFFFFFFu);
  EXPECT_EQ(colorHlsToRgb(77, 120, 0), 0x7F7F7Fu);
  EXPECT_EQ(colorRgbToHls(0x808080).hue, 160);
  EXPECT_EQ(colorRgbToHls(0x808080).saturation, 0);
  EXPECT_EQ(colorRgbToHls(0).lightness, 0);
  EXPECT_EQ(colorRgbToHls(0xFFFFFF).lightness, 240);
}

TEST(Hls, IntegerRoundingOfMixedColours) {
  // Worked by hand through the integer formulas: hue 20 at full saturation is half way from
  // red to yellow: green = m1 + ((m2 - m1) * 20 + 20) / 40 = 120 of 240 -> (120*255+120)/240.
  EXPECT_EQ(colorHlsToRgb(20, 120, 240), 0x0080FFu);
  // Lightness 60, saturation 240: m2 = (60 * 480 + 120) / 240 = 120, m1 = 0.
  EXPECT_EQ(colorHlsToRgb(0, 60, 240), 0x000080u);
  // Lightness 180: m2 = 180 + 240 - (180 * 240 + 120) / 240 = 240, m1 = 120.
  EXPECT_EQ(colorHlsToRgb(80, 180, 240), 0x80FF80u);
  // Each rounding term of either direction changes one of these: {hue, lightness, saturation},
  // colour, and which way the case converts (the two are not each other's inverse).
  const struct {
    Hls hls;
    uint32_t colour;
    bool toRgb;
  } exact[] = {{{1, 120, 35}, 0x6C6D93, true},
               {{42, 143, 35}, 0x89A7A6, true},
               {{71, 128, 136}, 0x44CB63, false},
               {{95, 55, 117}, 0x34571E, false},
               {{9, 129, 158}, 0x3C5FD7, false}};
  for (const auto& c : exact) {
    SCOPED_TRACE(c.colour);
    if (c.toRgb) {
      EXPECT_EQ(colorHlsToRgb(c.hls.hue, c.hls.lightness, c.hls.saturation), c.colour);
    } else {
      const Hls hls = colorRgbToHls(c.colour);
      EXPECT_EQ(hls.hue, c.hls.hue);
      EXPECT_EQ(hls.lightness, c.hls.lightness);
      EXPECT_EQ(hls.saturation, c.hls.saturation);
    }
  }
  // Every hue survives the round trip at full saturation within one step of the scale.
  for (int hue = 0; hue < 240; ++hue) {
    const Hls back = colorRgbToHls(colorHlsToRgb(hue, 120, 240));
    EXPECT_LE(std::abs(back.hue - hue), 1) << hue;
  }
}

TEST(ToneCurves, IdentityAndPowerCurves) {
  const ToneCurves curves;
  for (int j = 0; j < 256; ++j) {
    ASSERT_EQ(curves.identity()[static_cast<size_t>(j)], j);
  }
  EXPECT_EQ(curves.curve(5)[128], 64);   // 255 (128/255)^2 = 64.25
  EXPECT_EQ(curves.curve(20)[64], 127);  // 255 sqrt(64/255) = 127.75
  for (int c = 1; c <= 30; ++c) {
    EXPECT_EQ(curves.curve(c)[0], 0);
    EXPECT_EQ(curves.curve(c)[255], 255);
  }
}

TEST(HueRamp, FixedRampAndHueCircleWrapAround) {
  auto hueAt = [](double t, int start, int end, bool reverse) {
    double rgb[3];
    hueRamp(t, start, end, reverse, rgb);
    return static_cast<uint32_t>(rgb[0] * 255) | static_cast<uint32_t>(rgb[1] * 255) << 8 |
           static_cast<uint32_t>(rgb[2] * 255) << 16;
  };
  // The fixed ramp: cyan, green, yellow at 0.5, red at 0.75, magenta at 1.
  EXPECT_EQ(hueAt(0, 120, 200, true), kCyan);
  EXPECT_EQ(hueAt(0.25, 120, 200, true), kGreen);
  EXPECT_EQ(hueAt(0.5, 120, 200, true), kYellow);
  EXPECT_EQ(hueAt(0.75, 120, 200, true), kRed);
  EXPECT_EQ(hueAt(1, 120, 200, true), kMagenta);
  // Start 200, end 40 forwards: 200 -> 240 = 0 -> 40.
  EXPECT_EQ(hueAt(0, 200, 40, false), kMagenta);
  EXPECT_EQ(hueAt(0.5, 200, 40, false), kRed);
  EXPECT_EQ(hueAt(1, 200, 40, false), kYellow);
  // The step from the start hue is truncated towards it in either direction: -0.6 and 0.6
  // steps stay on the start, -159.6 of -160 and 39.6 of 40 stop one hue short of the end.
  const struct {
    double t;
    int start, end;
    bool reverse;
    int hue;
  } truncated[] = {{0.6 / 160, 120, 200, true, 120},
                   {1 - 0.4 / 160, 120, 200, true, 201},
                   {0.6 / 40, 0, 40, false, 0},
                   {0.99, 0, 40, false, 39}};
  for (const auto& c : truncated) {
    EXPECT_EQ(hueAt(c.t, c.start, c.end, c.reverse), colorHlsToRgb(c.hue, 120, 240)) << c.t;
  }
  // Start = end: one hue whatever the value and direction.
  EXPECT_EQ(hueAt(0.3, 80, 80, true), kGreen);
  EXPECT_EQ(hueAt(0.9, 80, 80, false), kGreen);
}

// A 4 x 3 grid (12 nodes) with the given heights, its measures set by hand.
struct ColourFixture {
  ElevationGrid grid;
  std::vector<TerrainVertex> vertices;
  ToneCurves curves;
  ColourSettings settings;

  explicit ColourFixture(std::vector<double> heights) {
    buildGrid(grid, {SubGrid{4, 3, 0, 0, 10, [heights](int r, int c) {
                               return heights[static_cast<size_t>(r * 4 + c)];
                             }}});
    vertices.assign(grid.count, TerrainVertex{0, 0, 0, 0x12345678, 0, 0});
  }
  void setMeasures(std::vector<double> slope, std::vector<double> above,
                   std::vector<double> below) {
    auto fill = [&](NodeArray& a, const std::vector<double>& v, double& lo, double& hi) {
      lo = hi = v[0];
      for (size_t i = 0; i < v.size(); ++i) {
        a[i] = v[i];
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
      }
    };
    fill(grid.slope, slope, grid.slopeMin, grid.slopeMax);
    fill(grid.openAbove, above, grid.openAboveMin, grid.openAboveMax);
    fill(grid.openBelow, below, grid.openBelowMin, grid.openBelowMax);
    grid.analysed = true;
  }
  bool colour(double seaLevel, unsigned threads = 0) {
    return colourTerrain(grid, settings, curves.identity(), seaLevel, vertices, threads);
  }
  uint32_t rgb(size_t i) const { return vertices[i].diffuse & 0xFFFFFF; }  // 0x00RRGGBB
};

TEST(LandColouring, ImageModesAndAlpha) {
  ColourFixture f({0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  f.settings.ColorT = 1;
  f.settings.Alpha = 0x80;
  ASSERT_TRUE(f.colour(50));
  for (const TerrainVertex& v : f.vertices) {
    EXPECT_EQ(v.diffuse, 0x80FFFFFFu);  // white everywhere, sea included
  }
  f.settings.ColorT = 2;
  f.settings.OceanT = false;
  ASSERT_TRUE(f.colour(50));
  EXPECT_EQ(f.vertices[0].diffuse, 0x800000FFu);  // sea: OceanC blue as A8R8G8B8
  EXPECT_EQ(f.vertices[6].diffuse, 0x800000FFu);  // 50 m at sea level 50
  EXPECT_EQ(f.vertices[7].diffuse, 0x80FFFFFFu);
}

TEST(LandColouring, SeaRules) {
  ColourFixture f({0, 0.00004, 0.0001, 50, 99.99996, 100, 100.00004, 100.0001, 120, 150, 180, 200});
  f.settings.OceanC = 0x00204080;  // red 0x80, green 0x40, blue 0x20
  f.settings.ColorR = 5;           // white to black for land

  // Sea level 0, graded: heights below 0.00005 are sea in the full colour.
  ASSERT_TRUE(f.colour(0));
  EXPECT_EQ(f.rgb(0), 0x804020u);
  EXPECT_EQ(f.rgb(1), 0x804020u);
  EXPECT_NE(f.rgb(2), 0x804020u);

  // Sea level 100, graded, Hmin 0: depth shades from black at the lowest height.
  ASSERT_TRUE(f.colour(100));
  EXPECT_EQ(f.rgb(0), 0x804020u);  // height 0: caught by the first rule
  EXPECT_EQ(f.rgb(3), 0x402010u);  // half way: half the colour
  EXPECT_EQ(f.rgb(4), 0x7F3F1Fu);  // 0.9999996 of the colour
  EXPECT_EQ(f.rgb(6), 0x804020u);  // within 0.00005 above the level
  EXPECT_EQ(f.rgb(7), 0x7F7F7Fu);  // land, half way up the ramp

  // Without graded tints every node below 100.00005 m has the plain colour.
  f.settings.OceanT = false;
  ASSERT_TRUE(f.colour(100));
  for (size_t i = 0; i <= 6; ++i) {
    EXPECT_EQ(f.rgb(i), 0x804020u) << i;
  }
  EXPECT_NE(f.rgb(7), 0x804020u);
}

TEST(LandColouring, ElevationRampsRunFromTheLowestToTheHighestLand) {
  // lo = 0 because Hmin < 0.00005; the range is 0..200.
  ColourFixture f({0, 0.3, 20, 30, 40, 50, 60, 70, 80, 100, 150, 200});
  f.settings.OceanT = false;
  const double sea = -1;  // nothing flooded
  struct Case {
    int ramp;
    uint32_t low;  // colour at 0.3 m (t = 0.0015): 255 (1 - t) = 254.6 truncates to 254
    uint32_t mid;  // colour at 100 m (t = 0.5)
    uint32_t top;  // colour at 200 m (t = 1)
  };
  const Case cases[] = {{1, 0x00FFFF, 0xFFFF00, 0xFF00FF}, {2, 0xFFFEFE, 0xFF7F7F, 0xFF0000},
                        {3, 0xFEFFFE, 0x7FFF7F, 0x00FF00}, {4, 0xFEFEFF, 0x7F7FFF, 0x0000FF},
                        {5, 0xFEFEFE, 0x7F7F7F, 0x000000}, {7, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ramp);
    f.settings.ColorR = c.ramp;
    ASSERT_TRUE(f.colour(sea));
    EXPECT_EQ(f.rgb(1), c.low);
    EXPECT_EQ(f.rgb(9), c.mid);
    EXPECT_EQ(f.rgb(11), c.top);
  }
  // Ramp 6 with start 200, end 40 forwards: magenta, red at the middle, yellow at the top.
  f.settings.ColorR = 6;
  f.settings.CRHueS = 200;
  f.settings.CRHueE = 40;
  f.settings.CRHueR = false;
  ASSERT_TRUE(f.colour(sea));
  EXPECT_EQ(f.rgb(0), 0xFF00FFu);
  EXPECT_EQ(f.rgb(9), 0xFF0000u);
  EXPECT_EQ(f.rgb(11), 0xFFFF00u);
}

TEST(LandColouring, ToneCurveMapsEveryChannel) {
  ColourFixture f({0, 10, 20, 30, 40, 50, 60, 70, 80, 100, 150, 200});
  f.settings.ColorR = 5;
  f.settings.OceanT = false;
  ASSERT_TRUE(colourTerrain(f.grid, f.settings, f.curves.curve(5), -1, f.vertices));
  // t = 0.5: 255 * 0.5 = 127 -> curve 5 (squares): trunc(255 (127/255)^2) = 63.
  EXPECT_EQ(f.rgb(9), 0x3F3F3Fu);
}

TEST(LandColouring, PairsAtTheCornersOfTheirRanges) {
  // Heights 0..100 (p), slope 0..40 (q). Nodes: 1 flattest low, 2 steepest low, 3 flattest
  // high, 4 steepest high.
  ColourFixture f({50, 0, 0, 100, 100, 50, 50, 50, 50, 50, 50, 50});
  f.settings.OceanT = false;
  f.setMeasures({20, 0, 40, 0, 40, 20, 20, 20, 20, 20, 20, 20}, std::vector<double>(12, 0.0),
                std::vector<double>(12, 0.0));
  f.settings.ColorS = 4;
  f.settings.ColorR = 2;
  ASSERT_TRUE(f.colour(-1));
  EXPECT_EQ(f.rgb(1), 0xFFFFFFu);  // flattest lowest: white
  EXPECT_EQ(f.rgb(2), 0x000000u);  // steepest lowest: black
  EXPECT_EQ(f.rgb(3), 0xFF0000u);  // flattest highest: red
  EXPECT_EQ(f.rgb(4), 0x000000u);

  f.settings.ColorS = 14;  // the special variant: w = u
  ASSERT_TRUE(f.colour(-1));
  EXPECT_EQ(f.rgb(2), 0x00FFFFu);  // steepest lowest: cyan
  EXPECT_EQ(f.rgb(1), 0xFFFFFFu);

  f.settings.ColorS = 4;
  f.settings.ColorR = 1;  // shade times the fixed hue ramp
  ASSERT_TRUE(f.colour(-1));
  EXPECT_EQ(f.rgb(1), 0x00FFFFu);  // cyan at the lowest, unshaded
  EXPECT_EQ(f.rgb(3), 0xFF00FFu);  // magenta at the highest
  EXPECT_EQ(f.rgb(2), 0x000000u);  // fully shaded

  f.settings.ColorR = 7;  // no stepped table for composite types
  const auto before = f.vertices[0].diffuse;
  EXPECT_FALSE(f.colour(-1));
  EXPECT_EQ(f.vertices[0].diffuse, before);
}

// Every land type colours node 5 from its own measures. Its normalised values differ from
// measure to measure (height 0.25, slope 0.75, above-ground openness 0.5, below-ground 0.125),
// so a type that read another measure, or swapped its primary and secondary, gets another
// colour. Worked by hand: single types on the white-black ramp give 1 - t; composites on the
// white-red ramp give (v, w, w) for pairs (v = 1 - q, u = 1 - p, w = v u, special w = u) and
// (S, G, G) for triples (S = (1 - a + b) / 2, F = 1 - p, G = S F, special G = (1 - a) F);
// channels are trunc(255 x).
TEST(LandColouring, EveryTypeColoursByItsOwnMeasures) {
  std::vector<double> heights(12, 50.0), slope(12, 20.0), above(12, 10.0), below(12, 5.0);
  heights[0] = 0, slope[0] = 0, above[0] = 0, below[0] = 0;        // the lows of the ranges
  heights[1] = 100, slope[1] = 40, above[1] = 20, below[1] = 10;   // the highs
  heights[5] = 25, slope[5] = 30, above[5] = 10, below[5] = 1.25;  // the node under test
  ColourFixture f(heights);
  f.setMeasures(slope, above, below);
  f.settings.OceanT = false;
  const struct {
    int type;
    int ramp;
    uint32_t rgb;
  } cases[] = {
      {kLandElevation, kRampWhiteBlack, 0xBFBFBF},          // 1 - 0.25
      {kLandSlope, kRampWhiteBlack, 0x3F3F3F},              // 1 - 0.75
      {kLandOpenAbove, kRampWhiteBlack, 0x7F7F7F},          // 1 - 0.5
      {kLandOpenBelow, kRampWhiteBlack, 0xDFDFDF},          // 1 - 0.125
      {kLandElevationSlope, kRampWhiteRed, 0x3F2F2F},       // v 0.25, w 0.1875
      {kLandElevationOpenAbove, kRampWhiteRed, 0x7F5F5F},   // v 0.5, w 0.375
      {kLandSlopeOpenAbove, kRampWhiteRed, 0x7F1F1F},       // v 0.5, w 0.125
      {kLandOpenings, kRampWhiteRed, 0x7F6F6F},             // p below: v 0.5, w 0.4375
      {kLandElevationOpenings, kRampWhiteRed, 0x4F3B3B},    // S 0.3125, G 0.234375
      {kLandSlopeOpenings, kRampWhiteRed, 0x4F1313},        // S 0.3125, G 0.078125
      {kLandElevationSlope + 10, kRampWhiteRed, 0x3FBFBF},  // w = u 0.75
      {kLandElevationOpenAbove + 10, kRampWhiteRed, 0x7FBFBF},
      {kLandElevationOpenings + 10, kRampWhiteRed, 0x4F5F5F},  // G 0.5 x 0.75
      {kLandSlopeOpenAbove + 10, kRampWhiteRed, 0x7F3F3F},     // w = u 0.25
      {kLandSlopeOpenings + 10, kRampWhiteRed, 0x4F1F1F},      // G 0.5 x 0.25
      {kLandOpenings + 10, kRampWhiteRed, 0x7FDFDF},           // w = u 0.875
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    f.settings.ColorS = c.type;
    f.settings.ColorR = c.ramp;
    ASSERT_TRUE(f.colour(-1));
    EXPECT_EQ(f.rgb(5), c.rgb);
  }
}

TEST(LandColouring, TriplesShadeByBothOpenness) {
  // Type 8: slope is the primary, (1 - a + b) / 2 the shade.
  ColourFixture f(std::vector<double>(12, 10.0));
  f.settings.OceanT = false;
  f.setMeasures({0, 0, 30, 10, 10, 10, 10, 10, 10, 10, 10, 10},
                {0, 20, 0, 5, 5, 5, 5, 5, 5, 5, 5, 5}, {0, 0, 10, 5, 5, 5, 5, 5, 5, 5, 5, 5});
  f.settings.ColorS = 8;
  f.settings.ColorR = 2;
  ASSERT_TRUE(f.colour(-1));
  // Node 0: t 0, a 0, b 0: S = 0.5, G = S * F = 0.5 -> (0.5, 0.5, 0.5).
  EXPECT_EQ(f.rgb(0), 0x7F7F7Fu);
  // Node 1: a = 1, b = 0: S = 0 -> black.
  EXPECT_EQ(f.rgb(1), 0x000000u);
  // Node 2: t = 1, a 0, b 1: S = 1, F = 0 -> (1, 0, 0).
  EXPECT_EQ(f.rgb(2), 0xFF0000u);
  f.settings.ColorS = 18;  // special: G = (1 - a) F
  ASSERT_TRUE(f.colour(-1));
  EXPECT_EQ(f.rgb(0), 0x7FFFFFu);  // S 0.5, G = 1
}

TEST(LandColouring, RefusesWhatItCannotColour) {
  ColourFixture f(std::vector<double>(12, 10.0));  // flat at 10 m: no height range
  f.settings.OceanT = false;
  EXPECT_FALSE(f.colour(-1));  // height range below 0.00005
  EXPECT_EQ(f.vertices[0].diffuse, 0x12345678u);

  f.settings.ColorS = 1;
  EXPECT_FALSE(f.colour(-1));  // no analysis yet
  f.setMeasures(std::vector<double>(12, 3.0), std::vector<double>(12, 0.0),
                std::vector<double>(12, 0.0));
  EXPECT_FALSE(f.colour(-1));  // slope range below 0.00005
  EXPECT_EQ(f.vertices[5].diffuse, 0x12345678u);

  // Types outside 0..9 and 14..19 are refused, though everything else could colour them.
  ColourFixture g({0, 10, 20, 30, 40, 50, 60, 70, 80, 100, 150, 200});
  g.setMeasures({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {5, 4, 3, 2, 1, 0, 5, 4, 3, 2, 1, 0},
                {0, 2, 4, 6, 8, 10, 0, 2, 4, 6, 8, 10});
  for (int type : {-1, 10, 13, 20}) {
    g.settings.ColorS = type;
    EXPECT_FALSE(g.colour(-1)) << type;
    EXPECT_EQ(g.vertices[3].diffuse, 0x12345678u);
  }
  for (int type : {9, 14, 19}) {
    g.settings.ColorS = type;
    EXPECT_TRUE(g.colour(-1)) << type;
  }

  ElevationGrid tiny;
  buildGrid(tiny, {SubGrid{4, 2, 0, 0, 10, [](int, int c) { return 1.0 * c; }}});
  std::vector<TerrainVertex> v(8);
  EXPECT_FALSE(colourTerrain(tiny, ColourSettings{}, f.curves.identity(), 0, v));
}

TEST(LandColouring, SameColoursOnAnyThreadCount) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{700, 500, 0, 0, 5,
                        [](int r, int c) { return 0.5 * r + 0.3 * c + (r * c % 17); }}});
  g.analysed = true;
  for (uint32_t i = 0; i < g.count; ++i) {
    g.slope[i] = i % 90;
    g.openAbove[i] = i % 31;
    g.openBelow[i] = i % 13;
  }
  g.slopeMin = g.openAboveMin = g.openBelowMin = 0;
  g.slopeMax = 89, g.openAboveMax = 30, g.openBelowMax = 12;
  const ToneCurves curves;
  ColourSettings s;
  s.ColorS = 16;
  s.ColorR = 6;
  std::vector<TerrainVertex> one(g.count), two(g.count);
  ASSERT_TRUE(colourTerrain(g, s, curves.identity(), 40, one, 1));
  ASSERT_TRUE(colourTerrain(g, s, curves.identity(), 40, two, 2));
  for (uint32_t i = 0; i < g.count; ++i) {
    ASSERT_EQ(one[i].diffuse, two[i].diffuse) << i;
  }
}

}  // namespace
}  // namespace torvane
