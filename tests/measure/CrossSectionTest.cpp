#include <gtest/gtest.h>

#include <cmath>

#include "elevation/ElevationGrid.h"
#include "measure/CrossSection.h"
#include "measure/Ruler.h"

namespace torvane {
namespace {

Ruler pathRuler(std::initializer_list<GridPoint> points) {
  Ruler ruler;
  togglePathRuler(ruler);
  for (const GridPoint& p : points) {
    addRulerPoint(ruler, p);
  }
  return ruler;
}

const HeightAt kNoData = [](double, double) { return 0.0; };

CrossSection profileOf(const Ruler& ruler, int divisions = 1, const HeightAt& heightAt = kNoData) {
  CrossSection cs;
  computeProfile(cs, ruler, divisions, heightAt);
  return cs;
}

TEST(CrossSection, TwoPointStatistics) {
  const CrossSection cs = profileOf(pathRuler({{0, 0, 10}, {60, 80, 30}}));
  ASSERT_EQ(cs.samples.size(), 2u);
  EXPECT_TRUE(cs.samples[0].isVertex && cs.samples[1].isVertex);
  EXPECT_EQ(cs.minH, 10);
  EXPECT_EQ(cs.maxH, 30);
  EXPECT_EQ(cs.minIndex, 0);
  EXPECT_EQ(cs.maxIndex, 1);
  EXPECT_DOUBLE_EQ(cs.planeLength, 100);
  EXPECT_DOUBLE_EQ(cs.surfaceLength, std::sqrt(100.0 * 100 + 20 * 20));
  EXPECT_DOUBLE_EQ(cs.area, 100 * (10 + 30 - 2 * 10) / 2.0);
  EXPECT_DOUBLE_EQ(cs.meanH, 20);
}

TEST(CrossSection, FirstExtremeWins) {
  const CrossSection cs =
      profileOf(pathRuler({{0, 0, 5}, {10, 0, 9}, {20, 0, 9}, {30, 0, 1}, {40, 0, 1}, {50, 0, 9}}));
  EXPECT_EQ(cs.maxIndex, 1);
  EXPECT_EQ(cs.minIndex, 3);
}

TEST(CrossSection, InterpolationSamplesEvenlyAlongTheWholePath) {
  // A flat L-shaped ruler over a wavy terrain: only the intermediate samples see the waves.
  const Ruler ruler = pathRuler({{0, 0, 5}, {300, 0, 5}, {300, 400, 5}});
  const HeightAt wave = [](double X, double Y) { return 5 + 3 * std::sin((X + Y) / 20); };
  const CrossSection coarse = profileOf(ruler, 1, wave);
  const CrossSection fine = profileOf(ruler, kProfileDivisions, wave);
  EXPECT_EQ(coarse.samples.size(), 3u);
  EXPECT_DOUBLE_EQ(coarse.surfaceLength, 700);

  const double step = 700.0 / kProfileDivisions;
  int intermediates = 0, vertices = 0;
  for (size_t i = 0; i < fine.samples.size(); ++i) {
    const CrossSection::Sample& s = fine.samples[i];
    if (s.isVertex) {
      ++vertices;
      continue;
    }
    ++intermediates;
    EXPECT_NEAR(s.distance, intermediates * step, 1e-9) << "sample " << i;
    EXPECT_DOUBLE_EQ(s.H, wave(s.X, s.Y));
    // On the ruler: the first leg is y = 0, the second x = 300.
    EXPECT_TRUE(s.Y == 0 || std::abs(s.X - 300) < 1e-9);
  }
  EXPECT_EQ(vertices, 3);
  EXPECT_GE(intermediates, kProfileDivisions - 1);
  EXPECT_LE(intermediates, kProfileDivisions);
  EXPECT_NEAR(fine.planeLength, 700, 1e-9);
  EXPECT_GT(fine.surfaceLength, coarse.surfaceLength + 5);
  EXPECT_LT(fine.minH, 5);
}

TEST(CrossSection, LayoutFitsTheRatioAndCentresWhenTheHeightLimits) {
  // 440 x 240 pixels: 400 x 200 inside the margins, baseline at y 220.
  const ProfileRect rect{0, 0, 440, 240};
  struct Case {
    int ratioItem;
    ProfilePixel first, last;
    int meanY;
  };
  // 1000 m long, 300 m high: at 1:1 the length limits (0.4 px/m); at 2:1 the height does
  // (200 px / 600 m), so the graph narrows to 333 px, centred, reaching the top margin.
  const Case cases[] = {
      {1, {20, 220}, {420, 100}, 160},
      {2, {53, 220}, {386, 20}, 120},
      {0, {20, 220}, {420, 160}, 190},
  };
  CrossSection cs = profileOf(pathRuler({{0, 0, 0}, {1000, 0, 300}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(kProfileRatios[c.ratioItem].label);
    cs.ratioItem = c.ratioItem;
    layoutProfile(cs, rect);
    ASSERT_EQ(cs.pixels.size(), 2u);
    EXPECT_EQ(cs.pixels[0].x, c.first.x);
    EXPECT_EQ(cs.pixels[0].y, c.first.y);
    EXPECT_EQ(cs.pixels[1].x, c.last.x);
    EXPECT_EQ(cs.pixels[1].y, c.last.y);
    EXPECT_EQ(cs.meanPixelY, c.meanY);
    ASSERT_EQ(cs.polygon.size(), 4u);
    EXPECT_EQ(cs.polygon[2].x, c.last.x);
    EXPECT_EQ(cs.polygon[2].y, 220);
    EXPECT_EQ(cs.polygon[3].x, c.first.x);
  }
}

TEST(CrossSection, SeaLineOnlyWithinLowestExclusiveHighestInclusive) {
  CrossSection cs = profileOf(pathRuler({{0, 0, 0}, {1000, 0, 300}}));
  const std::pair<double, bool> cases[] = {{300, true}, {150, true}, {0, false}, {301, false}};
  for (const auto& [sea, shown] : cases) {
    cs.seaLevel = sea;
    EXPECT_EQ(cs.showsSeaLevel(), shown) << sea;
  }
  cs.seaLevel = 300;
  layoutProfile(cs, {0, 0, 440, 240});
  EXPECT_EQ(cs.seaPixelY, 100);
}

TEST(CrossSection, CoincidentPointsAndFlatProfilesDrawAFlatLine) {
  const ProfileRect rect{10, 5, 450, 245};
  struct Case {
    const char* name;
    Ruler ruler;
  };
  const Case cases[] = {
      {"coincident points", pathRuler({{5, 5, 7}, {5, 5, 7}, {5, 5, 7}})},
      {"flat profile", pathRuler({{0, 0, 7}, {50, 0, 7}, {80, 0, 7}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int divisions : {1, kProfileDivisions}) {
      CrossSection cs = profileOf(c.ruler, divisions, [](double, double) { return 7.0; });
      EXPECT_EQ(cs.meanH, 7);
      EXPECT_EQ(cs.area, 0);
      layoutProfile(cs, rect);
      EXPECT_EQ(cs.pixels.front().x, 30);
      EXPECT_EQ(cs.pixels.back().x, 430);
      for (const ProfilePixel& p : cs.pixels) {
        EXPECT_EQ(p.y, 225);
      }
      EXPECT_EQ(cs.meanPixelY, 225);
    }
  }
  EXPECT_EQ(profileOf(cases[0].ruler, kProfileDivisions).samples.size(), 3u);
}

TEST(CrossSection, CaptionsLineUpAndCsvListsEverySample) {
  const int w = profileColumnWidth(1234.5, 7);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(profileCaption("最大標高", 1234.5, w), "最大標高 1234.500");
  EXPECT_EQ(profileCaption("最小標高", 7, w), "最小標高    7.000");

  const CrossSection cs = profileOf(pathRuler({{0, 0, 10}, {100, 0, 30.25}}), 2,
                                    [](double X, double) { return X / 4; });
  ElevationGrid plane;
  plane.GeoCoordinates = false;
  plane.planeZone = 9;
  EXPECT_EQ(profileCsv(cs, plane),
            "# X, Y: plane metres of the Japan Plane Rectangular Coordinate System zone 9\n"
            "distance,X,Y,H,vertex\n"
            "0,0,0,10,1\n"
            "50,50,0,12.5,0\n"
            "100,100,0,30.25,1\n");
}

}  // namespace
}  // namespace torvane
