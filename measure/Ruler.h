#pragma once
// The ruler: straight-line or path mode and the points clicked on the terrain. At most one mode
// is on, and every mode change clears the points.

#include <array>

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

}  // namespace torvane
