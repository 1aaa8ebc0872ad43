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
inline void toggleStraightRuler(Ruler& ruler) {
  ruler.pathMode = false;
  ruler.straightMode = !ruler.straightMode;
  ruler.pointCount = 0;
}

/// Switches path mode on or off; straight-line mode goes off and the points are cleared.
inline void togglePathRuler(Ruler& ruler) {
  ruler.straightMode = false;
  ruler.pathMode = !ruler.pathMode;
  ruler.pointCount = 0;
}

/// Both modes off, no points (what every open of elevation data does).
inline void resetRuler(Ruler& ruler) {
  ruler.straightMode = ruler.pathMode = false;
  ruler.pointCount = 0;
}

}  // namespace torvane
