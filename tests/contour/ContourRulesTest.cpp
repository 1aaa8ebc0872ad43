#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "contour/ContourRules.h"

namespace torvane {
namespace {

TEST(ContourRules, ProposedBoundsAndPitches) {
  struct Case {
    double low, high;
    int minimum, maximum;
  };
  // clang-format off
  const Case cases[] = {
      {12.3, 987.6, 12, 987},
      {0, 5, 1, 5},                 // never below 1
      {0.00004, 986.99996, 1, 987}, // within epsilon of a whole number
      {3.2, 41.9, 3, 41},           // slope degrees, whole degrees
  };
  // clang-format on
  for (const Case& c : cases) {
    const ProposedBounds b = proposeContourBounds({c.low, c.high});
    EXPECT_EQ(b.minimum, c.minimum) << c.low;
    EXPECT_EQ(b.maximum, c.maximum) << c.high;
  }
  EXPECT_EQ(std::vector<int>(contourPitches(kElevationContour).begin(),
                             contourPitches(kElevationContour).end()),
            (std::vector<int>{1, 5, 10, 50, 100}));
  EXPECT_EQ(
      std::vector<int>(contourPitches(kSlopeContour).begin(), contourPitches(kSlopeContour).end()),
      (std::vector<int>{1, 2, 5, 10, 20}));
  EXPECT_EQ(contourPitches(kElevationContour)[kDefaultPitchIndex], 10);
  EXPECT_EQ(contourPitches(kSlopeContour)[kDefaultPitchIndex], 5);
}

TEST(ContourRules, EnteredBoundsBecomeTheRange) {
  struct Case {
    const char* name;
    double low, high;
    int pitch;
    const char *minimum, *maximum;
    int first, last;  // last < first: OK does nothing
  };
  // clang-format off
  const Case cases[] = {
      {"proposal as shown", 12.3, 987.6, 10, "12", "987", 10, 980},
      {"rounded toward zero", 12.3, 987.6, 10, "15", "2000", 10, 980},
      {"inside the data", 12.3, 987.6, 50, "120", "480", 100, 450},
      {"no value in the data", 0, 5, 10, "1", "5", 0, -1},
      {"text reads as 0", 12.3, 987.6, 10, "abc", "x", 0, -1},
      {"minimum 0 is raised", 12.3, 987.6, 100, "", "987", 100, 900},
      {"negative minimum", 12.3, 987.6, 10, "-15", "30", 10, 30},
      {"maximum below minimum", 12.3, 987.6, 10, "500", "400", 0, -1},
      {"digits then text", 12.3, 987.6, 5, " 27m", "+33.9", 25, 30},
      {"beyond int", 12.3, 987.6, 1, "-9999999999", "9999999999", 12, 987},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto range = contourRangeFor({c.low, c.high}, c.pitch, readContourBound(c.minimum),
                                       readContourBound(c.maximum));
    if (c.last < c.first) {
      EXPECT_FALSE(range.has_value());
      continue;
    }
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, c.first);
    EXPECT_EQ(range->last, c.last);
    EXPECT_EQ(range->step, c.pitch);
  }
  EXPECT_EQ(readContourBound("9999999999"), INT_MAX);
  EXPECT_EQ(readContourBound("-9999999999"), INT_MIN);
  EXPECT_EQ(ContourLevels({10, 980, 10}).count(), 98);
  EXPECT_EQ(ContourLevels({INT_MAX - 5, INT_MAX, 4}).count(), 2);  // no overflow past the end
}

}  // namespace
}  // namespace torvane
