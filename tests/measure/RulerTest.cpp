#include <gtest/gtest.h>

#include "measure/Ruler.h"

namespace torvane {
namespace {

GridPoint at(double X, double Y = 0, double H = 0) { return {X, Y, H}; }

TEST(Ruler, ClicksFillTheSlotsOfEachMode) {
  struct Case {
    const char* name;
    bool path;
    int clicks;  // clicks at X = 1, 2, 3, ...
    int count;
    std::vector<double> firstX;  // X of the leading slots afterwards
  };
  const Case cases[] = {
      {"first click is copied into slot 1", false, 1, 1, {1, 1}},
      {"straight: two clicks measure A-B", false, 2, 2, {1, 2}},
      {"straight: third click starts over", false, 3, 1, {3, 3}},
      {"straight: fourth click completes it", false, 4, 2, {3, 4}},
      {"path keeps adding", true, 3, 3, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ruler ruler;
    c.path ? togglePathRuler(ruler) : toggleStraightRuler(ruler);
    for (int k = 1; k <= c.clicks; ++k) {
      addRulerPoint(ruler, at(k, -k, 10 * k));
    }
    EXPECT_EQ(ruler.pointCount, c.count);
    for (size_t i = 0; i < c.firstX.size(); ++i) {
      EXPECT_EQ(ruler.X[i], c.firstX[i]) << "slot " << i;
      EXPECT_EQ(ruler.Y[i], -c.firstX[i]);
      EXPECT_EQ(ruler.H[i], 10 * c.firstX[i]);
    }
  }
}

TEST(Ruler, PathBeyondAHundredPointsMovesTheLastAndNoModeAddsNothing) {
  Ruler ruler;
  addRulerPoint(ruler, at(1));
  EXPECT_EQ(ruler.pointCount, 0);

  togglePathRuler(ruler);
  for (int k = 1; k <= 101; ++k) {
    addRulerPoint(ruler, at(k));
  }
  EXPECT_EQ(ruler.pointCount, 100);
  EXPECT_EQ(ruler.X[98], 99);
  EXPECT_EQ(ruler.X[99], 101);  // the 101st click replaced the 100th point

  togglePathRuler(ruler);
  togglePathRuler(ruler);
  EXPECT_EQ(ruler.pointCount, 0);
}

TEST(Ruler, TextMeasuresClickedAndRubberBandPoints) {
  Ruler ruler;
  toggleStraightRuler(ruler);
  // Before any click the point under the cursor is drawn alone.
  EXPECT_EQ(placeRubberBandPoint(ruler, at(7)), 1);
  EXPECT_EQ(ruler.pointCount, 0);
  EXPECT_EQ(rulerText(ruler, 1), "距離 0.000 (0.000) [0]");

  addRulerPoint(ruler, at(0, 0, 10));
  // After the first click the second point follows the cursor; only clicks are counted.
  EXPECT_EQ(placeRubberBandPoint(ruler, at(0, 3, 14)), 2);
  EXPECT_EQ(rulerText(ruler, 2), "距離 5.000 (3.000) [1]");

  addRulerPoint(ruler, at(0, 3, 14));
  EXPECT_EQ(rulerText(ruler, 2), "距離 5.000 (3.000) [2]");
  // With two stored points nothing follows the mouse.
  EXPECT_EQ(placeRubberBandPoint(ruler, at(100, 100, 100)), 2);
  EXPECT_EQ(ruler.X[1], 0);

  const RulerLengths three = [] {
    Ruler path;
    togglePathRuler(path);
    for (const GridPoint& p : {at(0, 0, 0), at(3, 0, 4), at(3, 12, 9)}) {
      addRulerPoint(path, p);
    }
    return rulerLengths(path, path.pointCount);
  }();
  EXPECT_DOUBLE_EQ(three.plane, 15);
  EXPECT_DOUBLE_EQ(three.surface, 18);
}

TEST(Ruler, EscapeClearsOnlyAnActiveRuler) {
  Ruler ruler;
  EXPECT_FALSE(cancelRuler(ruler));
  togglePathRuler(ruler);
  addRulerPoint(ruler, at(1));
  EXPECT_TRUE(cancelRuler(ruler));
  EXPECT_FALSE(ruler.active());
  EXPECT_EQ(ruler.pointCount, 0);
}

}  // namespace
}  // namespace torvane
