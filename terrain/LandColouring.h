#pragma once
// Land colouring: the colour of every terrain vertex from the heights, the terrain measures,
// the colouring settings and a sea level.

#include <cstdint>
#include <span>

#include "terrain/TerrainMesh.h"
#include "terrain/ToneCurves.h"

namespace torvane {

class ElevationGrid;

/// The image colour modes (ColorT): what colours the terrain under a draped image.
enum ImageMode : int {
  kImageOnly = 1,    //!< the image's colours only (white under it)
  kImageAndSea = 2,  //!< the image, and the sea in the sea colour
  kLandAndSea = 3,   //!< land and sea colours
};

/// The land types (ColorS): one measure (0..3), or a composite of two or three (4..9); 14..19
/// are special variants of the composites (Shift+4..9).
enum LandType : int {
  kLandElevation = 0,
  kLandSlope = 1,
  kLandOpenAbove = 2,  //!< above-ground openness
  kLandOpenBelow = 3,  //!< below-ground openness
  kLandElevationSlope = 4,
  kLandElevationOpenAbove = 5,
  kLandElevationOpenings = 6,  //!< elevation, above- and below-ground openness
  kLandSlopeOpenAbove = 7,
  kLandSlopeOpenings = 8,       //!< slope, above- and below-ground openness
  kLandOpenings = 9,            //!< above- against below-ground openness
  kSpecialLandTypeOffset = 10,  //!< a special variant is its composite plus this
  kFirstSpecialLandType = kLandElevationSlope + kSpecialLandTypeOffset,
  kLastSpecialLandType = kLandOpenings + kSpecialLandTypeOffset,
};

/// True for the composite land types, plain or special.
constexpr bool isCompositeLandType(int type) { return type >= kLandElevationSlope; }

/// The land colour ramps (ColorR), named as their menu items.
enum LandColour : int {
  kRampRedGreenBlue = 1,  //!< 赤緑青: hues 120 back to 200 on the hue circle
  kRampWhiteRed = 2,      //!< 白黒赤
  kRampWhiteGreen = 3,    //!< 白黒緑
  kRampWhiteBlue = 4,     //!< 白黒青
  kRampWhiteBlack = 5,    //!< 白黒
  kRampHueCircle = 6,     //!< 色相環: between the hue-circle settings' hues
  kRampStepped = 7,       //!< an empty stepped table (black), reached only from a project file
  kLastRamp = kRampStepped,
};

/// The colouring settings with their defaults, named as their project keys. The view settings
/// (scene/ViewState.h) extend this record, so the colouring reads the view's own fields.
struct ColourSettings {
  int ColorT = kLandAndSea;        //!< an ImageMode
  int ColorS = kLandElevation;     //!< a LandType
  int ColorR = kRampRedGreenBlue;  //!< a LandColour
  bool CRHueR = true;              //!< hue circle runs backwards
  int CRHueS = 120;                //!< hue circle start hue 0..239
  int CRHueE = 200;                //!< hue circle end hue 0..239
  uint32_t OceanC = 0x00FF0000;    //!< sea colour, COLORREF 0x00BBGGRR
  bool OceanT = true;              //!< shade flooded land by depth
  int Alpha = 255;                 //!< alpha of every written colour
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
