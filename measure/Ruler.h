#pragma once
// The ruler: straight-line or path mode and the points clicked on the terrain. At most one mode
// is on, and every mode change clears the points.
//
// How the window uses it:
//  - a left click on the view (press and release without a drag) while a mode is on: pick the
//    terrain under the cursor; on a hit, convert the model-space point to plane metres
//    (fromModel) with the terrain height there (heightAtGrid, 0 where it finds none) and pass
//    it to addRulerPoint; a miss adds nothing;
//  - every frame while a mode is on: pick under the cursor and, on a hit, pass that point to
//    placeRubberBandPoint; draw the polyline and rulerText over the count it returns;
//  - Esc (when the view is not auto-rotating): cancelRuler.

#include <array>
#include <string>

#include "terrain/TerrainMesh.h"

namespace torvane {

inline constexpr int kMaxRulerPoints = 100;

struct Ruler {
  bool straightMode = false;
  bool pathMode = false;
  int pointCount = 0;  //!< 0..100; 0 when neither mode is on, at most 2 in straight mode
  //! Easting and northing (plane metres of the grid) and terrain height of each point.
  std::array<double, kMaxRulerPoints> X{}, Y{}, H{};

  bool active() const { return straightMode || pathMode; }
};

/// Switches straight-line mode on or off; path mode goes off and the points are cleared.
void toggleStraightRuler(Ruler& ruler);
/// Switches path mode on or off; straight-line mode goes off and the points are cleared.
void togglePathRuler(Ruler& ruler);
/// Both modes off, no points (what every open of elevation data does).
void resetRuler(Ruler& ruler);

/// Esc: when a mode is on, turns both off and clears the points and returns true (the window
/// then refreshes its menus and repaints); otherwise changes nothing and returns false.
bool cancelRuler(Ruler& ruler);

/**
 * @brief Stores a clicked point (plane metres and terrain height).
 *
 * Does nothing when no mode is on. In straight-line mode a third click starts a new
 * measurement with that point as its first. In path mode a click beyond the hundredth
 * replaces the last point. After the first point it is copied into slot 1 too, so that a
 * zero-length first segment exists until the second point is placed.
 */
void addRulerPoint(Ruler& ruler, const GridPoint& point);

/**
 * @brief The point under the cursor that the first segment follows until the second click.
 *
 * While a mode is on and fewer than two points are stored, writes `point` into slot
 * pointCount (pointCount itself is unchanged) and returns pointCount + 1: the number of
 * points to draw and measure. Otherwise writes nothing and returns pointCount.
 */
int placeRubberBandPoint(Ruler& ruler, const GridPoint& point);

//! Lengths of a ruler polyline in metres.
struct RulerLengths {
  double surface = 0;  //!< sum of the 3D segment lengths (heights included)
  double plane = 0;    //!< sum of the horizontal segment lengths
};

/// The lengths over points 0..count-1, summed in point order; zero for fewer than two points.
RulerLengths rulerLengths(const Ruler& ruler, int count);

/**
 * @brief The measurement text of the view: "距離 surface (plane) [pointCount]".
 *
 * Lengths in metres with three decimals over the first `drawnCount` points (the count
 * placeRubberBandPoint returned, which includes the point following the mouse); the count in
 * brackets is that of the clicked points only.
 */
std::string rulerText(const Ruler& ruler, int drawnCount);

}  // namespace torvane
