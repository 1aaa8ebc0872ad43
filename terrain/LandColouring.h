#pragma once
// Land colouring: the colour of every terrain vertex from the heights, the terrain measures,
// the colouring settings and a sea level.

#include <cstdint>
#include <span>

#include "terrain/TerrainMesh.h"
#include "terrain/ToneCurves.h"

namespace torvane {

class ElevationGrid;

/// The colouring settings with their defaults, named as their project keys. The view settings
/// (scene/ViewState.h) extend this record, so the colouring reads the view's own fields.
struct ColourSettings {
  int ColorT = 3;                //!< 1 image only, 2 image and sea, 3 land and sea colours
  int ColorS = 0;                //!< land type 0..9, 14..19
  int ColorR = 1;                //!< land colour ramp 1..7
  bool CRHueR = true;            //!< hue circle runs backwards
  int CRHueS = 120;              //!< hue circle start hue 0..239
  int CRHueE = 200;              //!< hue circle end hue 0..239
  uint32_t OceanC = 0x00FF0000;  //!< sea colour, COLORREF 0x00BBGGRR
  bool OceanT = true;            //!< shade flooded land by depth
  int Alpha = 255;               //!< alpha of every written colour
};

/**
 * @brief The hue-circle ramp: a hue on the 0..239 circle at fraction t from `start` towards
 * `end` (backwards when `reverse`), as (r, g, b) in 0..1 of the pure colour of that hue.
 */
void hueRamp(double t, int start, int end, bool reverse, double rgb[3]);

/**
 * @brief Writes the diffuse colour (A8R8G8B8) of every vertex.
 *
 * `curve` maps each colour byte; `seaLevel` is in metres. Returns false when the grid has 8
 * nodes or fewer, `vertices` does not match it, a needed range is below 0.00005, a measure is
 * needed before the analysis ran, the settings are out of range, or ramp 7 meets a composite
 * type; colours not yet written then keep their previous values. `threads` splits the nodes
 * (0: one per core); the result is the same for any thread count.
 */
bool colourTerrain(const ElevationGrid& grid, const ColourSettings& settings,
                   const ToneCurve& curve, double seaLevel, std::span<TerrainVertex> vertices,
                   unsigned threads = 0);

}  // namespace torvane
