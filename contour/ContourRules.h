#pragma once
// The rules of the contour parameter dialog, without the dialog: what it proposes, which
// pitches it lists, and how the entered bounds become the range that is built. Contour values
// are always positive multiples of the pitch inside the data's range; entered bounds are rounded
// toward zero to the pitch.

#include <optional>
#include <span>
#include <string_view>

#include "contour/ContourTrace.h"

namespace torvane {

class ElevationGrid;

//! The most characters either bound's edit accepts.
inline constexpr int kContourEditLength = 10;

//! The value range of a contour kind's field: heights or slopes of the grid.
struct FieldRange {
  double minimum = 0;
  double maximum = 0;
};

/// The extents of the field `kind` traces (Hmin..Hmax, slopeMin..slopeMax); nullopt for another
/// kind, for slopes before analysis, and without a grid.
std::optional<FieldRange> contourFieldRange(const ElevationGrid& grid, int kind);

//! The bounds the dialog shows when it opens.
struct ProposedBounds {
  int minimum = 0;  //!< max(1, trunc(fieldMin - epsilon))
  int maximum = 0;  //!< trunc(fieldMax + epsilon)
};

ProposedBounds proposeContourBounds(const FieldRange& field);

/// The pitch list of a kind: 1, 5, 10, 50, 100 m for elevation, 1, 2, 5, 10, 20 degrees for
/// slope (empty for other kinds).
std::span<const int> contourPitches(int kind);
//! The list entry selected when the dialog opens (10 m, 5 degrees).
inline constexpr int kDefaultPitchIndex = 2;

/// The integer an edit's text reads as: optional blanks and sign, then the leading digits;
/// text without leading digits reads as 0, and values beyond int are held at its limits.
int readContourBound(std::string_view text);

/**
 * @brief The range OK builds from the entered bounds and pitch `pitch` (integer divisions
 * truncate toward zero):
 *   lower = p * (trunc(fieldMin - eps) / p), raised to p when below it;
 *   upper = p * (trunc(fieldMax + eps) / p);
 *   first = p * (entered minimum / p), raised to lower; last = p * (entered maximum / p),
 *   lowered to upper.
 * nullopt when last < first (OK then does nothing) or the pitch is not positive.
 */
std::optional<ContourLevels> contourRangeFor(const FieldRange& field, int pitch, int enteredMinimum,
                                             int enteredMaximum);

}  // namespace torvane
