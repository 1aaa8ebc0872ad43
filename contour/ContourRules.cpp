#include "contour/ContourRules.h"

#include <cmath>
#include <limits>

#include "elevation/ElevationGrid.h"

namespace torvane {

namespace {

constexpr int kElevationPitches[] = {1, 5, 10, 50, 100};
constexpr int kSlopePitches[] = {1, 2, 5, 10, 20};

// trunc() into int, held at int's limits (a field extent is a height or an angle, but a hostile
// file may carry anything).
int truncToInt(double v) {
  if (std::isnan(v)) {
    return 0;
  }
  const double t = std::trunc(v);
  if (t <= std::numeric_limits<int>::min()) {
    return std::numeric_limits<int>::min();
  }
  if (t >= std::numeric_limits<int>::max()) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(t);
}

// p * (v / p) with C++ division (toward zero); never overflows since |p * (v / p)| <= |v|.
int roundTowardZero(int v, int p) { return p * (v / p); }

}  // namespace

std::optional<FieldRange> contourFieldRange(const ElevationGrid& grid, int kind) {
  if (grid.count == 0) {
    return std::nullopt;
  }
  if (kind == kElevationContour) {
    return FieldRange{grid.Hmin, grid.Hmax};
  }
  if (kind == kSlopeContour && grid.analysed) {
    return FieldRange{grid.slopeMin, grid.slopeMax};
  }
  return std::nullopt;
}

ProposedBounds proposeContourBounds(const FieldRange& field) {
  const int low = truncToInt(field.minimum - kContourEpsilon);
  return {low < 1 ? 1 : low, truncToInt(field.maximum + kContourEpsilon)};
}

std::span<const int> contourPitches(int kind) {
  if (kind == kElevationContour) {
    return kElevationPitches;
  }
  if (kind == kSlopeContour) {
    return kSlopePitches;
  }
  return {};
}

int readContourBound(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int>::max()) {
      value = int64_t{std::numeric_limits<int>::max()} + 1;  // held; the rest cannot lower it
    }
  }
  if (negative) {
    value = -value;
  }
  if (value > std::numeric_limits<int>::max()) {
    return std::numeric_limits<int>::max();
  }
  if (value < std::numeric_limits<int>::min()) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

std::optional<ContourLevels> contourRangeFor(const FieldRange& field, int pitch, int enteredMinimum,
                                             int enteredMaximum) {
  if (pitch <= 0) {
    return std::nullopt;
  }
  int lower = roundTowardZero(truncToInt(field.minimum - kContourEpsilon), pitch);
  if (lower < pitch) {
    lower = pitch;
  }
  const int upper = roundTowardZero(truncToInt(field.maximum + kContourEpsilon), pitch);
  int first = roundTowardZero(enteredMinimum, pitch);
  if (first < lower) {
    first = lower;
  }
  int last = roundTowardZero(enteredMaximum, pitch);
  if (last > upper) {
    last = upper;
  }
  if (last < first) {
    return std::nullopt;
  }
  return ContourLevels{first, last, pitch};
}

}  // namespace torvane
