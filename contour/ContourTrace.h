#pragma once
// Contour tracing over the terrain's triangles: for one field value (level), every triangle of
// the terrain mesh that the level crosses gives one straight segment. There is no topology and
// no joining of segments: each triangle is looked at on its own, so the result of one triangle
// never depends on another and segments come out in triangle order.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace torvane {

class ElevationGrid;

//! Contour kinds: the field traced.
inline constexpr int kElevationContour = 1;   //!< terrain height H (metres)
inline constexpr int kSlopeContour = 2;       //!< slope (degrees), once the terrain is analysed
inline constexpr int kDifferenceContour = 3;  //!< a name only; nothing traces it

//! Node values within this of a level count as lying on it.
inline constexpr double kContourEpsilon = 0.00005;

/**
 * @brief End points of traced segments: plane metres X, Y and the terrain height H interpolated
 * at each point. Points come in pairs; pair i is segment i.
 */
struct ContourTrace {
  std::vector<double> X, Y, H;

  uint64_t size() const { return X.size(); }
  void clear() {
    X.clear();
    Y.clear();
    H.clear();
  }
  void append(double x, double y, double h) {
    X.push_back(x);
    Y.push_back(y);
    H.push_back(h);
  }
};

/// The per-node field that `kind` traces: the heights for elevation, the slopes for slope once
/// the terrain has been analysed; nullptr for any other kind, before analysis, or without a
/// grid.
const double* contourField(const ElevationGrid& grid, int kind);

/**
 * @brief Traces one level of one kind over every triangle of every loaded file, in the order of
 * the terrain's triangle list (files in load order, cells row by row, the north-west triangle of
 * a cell before its south-east one).
 *
 * Per triangle A, B, C: nodes within kContourEpsilon of the level are taken first (A, then B,
 * then C); while fewer than two are found, edges A-B, B-C, C-A that the level crosses strictly
 * inside (more than epsilon from both ends) give a point interpolated from their lower end.
 * Exactly two points make a segment; a triangle with none, one or three (flat on the level)
 * gives nothing.
 *
 * Appends the end points to `out` (cleared first) and returns their count (even). The trace
 * stops as soon as the count reaches `outCapacity` - 2. Nothing is traced (0) for a kind
 * contourField() has no field for.
 */
uint64_t traceContours(const ElevationGrid& grid, int kind, double level, uint64_t outCapacity,
                       ContourTrace& out);

//! The levels of a range: first, first + s, ... while at most last, where s is step when it
//! is positive and 1 otherwise.
struct ContourLevels {
  int first = 0;
  int last = -1;
  int step = 1;

  /// Number of levels (0 when last < first). Counted in 64 bits: a range that ends near the
  /// largest int has no level past it, where stepping on would overflow.
  int64_t count() const;
  /// Level k of the range (0 <= k < count()).
  int value(int64_t k) const { return static_cast<int>(first + k * (step > 0 ? step : 1)); }
};

/**
 * @brief What a store can still take from a range build, in the order the levels are stored.
 *
 * The levels are stored one after the other; a level is refused when `skip` marks it (for
 * example a value already present), when `setsLeft` levels with segments have been stored
 * before it, or when the points stored before it leave fewer than two of `pointsLeft`. So only
 * a prefix of the levels can ever be stored, and the range tracer stops recording the levels
 * after that prefix as soon as the counts seen so far prove them refused.
 */
struct ContourRangeLimits {
  uint64_t outCapacity = 0;  //!< the per-level trace limit of traceContours
  uint64_t pointsLeft = 0;   //!< free points of the store (capacity - pointTotal)
  int setsLeft = 0;          //!< free set slots of the store
  std::vector<bool> skip;    //!< per level: not traced (empty: none skipped)
};

//! The most levels one range trace records (memory stays bounded whatever range is asked).
inline constexpr int kContourLevelsPerPass = 4096;

//! Progress of a range trace: fraction of the triangles done, 0..1.
using ContourProgressFn = std::function<void(double fraction)>;

/**
 * @brief Traces every level of a range in one walk over the triangles.
 *
 * Each triangle is visited once; the levels between its lowest and highest node value are
 * tested on it, so per level the segments are exactly those of traceContours(grid, kind,
 * level, limits.outCapacity) and in the same order. Levels marked in limits.skip and levels
 * that the limits prove can never be stored come back empty or cut short (their traces are not
 * needed); every level that can be stored comes back complete.
 *
 * Returns one trace per level (all empty for a kind without a field), for at most the first
 * kContourLevelsPerPass levels of the range: longer ranges are traced window by window.
 */
std::vector<ContourTrace> traceContourRange(const ElevationGrid& grid, int kind,
                                            const ContourLevels& levels,
                                            const ContourRangeLimits& limits,
                                            const ContourProgressFn& progress = {});

/// traceContourRange for levels given one by one, in the order they are stored (any order of
/// values; the skip flags and limits refer to this order).
std::vector<ContourTrace> traceContourLevels(const ElevationGrid& grid, int kind,
                                             std::span<const int> levels,
                                             const ContourRangeLimits& limits,
                                             const ContourProgressFn& progress = {});

}  // namespace torvane
