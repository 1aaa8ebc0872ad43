#pragma once
// The cross-section under the ruler: samples along the ruler polyline, the height statistics of
// the profile, and the pixel layout of its graph. The window that draws it only paints what
// layoutProfile placed.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

struct Ruler;
class ElevationGrid;
class TerrainMesh;

//! Intermediate samples along the whole path when interpolation is on.
inline constexpr int kProfileDivisions = 186;
//! Ruler points plus intermediate samples: the most samples a profile holds.
inline constexpr int kMaxProfileSamples = 100 + kProfileDivisions;

//! One vertical-to-horizontal ratio of the graph's menu.
struct ProfileRatio {
  const char* label;  //!< menu text
  double ratio;       //!< vertical scale relative to the horizontal
};
//! The ratio menu in order; item 1 (1:1) is the initial one.
inline constexpr std::array<ProfileRatio, 6> kProfileRatios = {{{"縦横 1:2", 0.5},
                                                                {"縦横 1:1", 1},
                                                                {"縦横 2:1", 2},
                                                                {"縦横 3:1", 3},
                                                                {"縦横 4:1", 4},
                                                                {"縦横 5:1", 5}}};

//! A pixel position in the graph image.
struct ProfilePixel {
  int x = 0, y = 0;
};

/**
 * @brief The samples, statistics and graph layout of one cross-section.
 *
 * Samples are in path order; heights in metres, positions in the grid's plane metres.
 */
struct CrossSection {
  struct Sample {
    double X = 0, Y = 0, H = 0;
    double distance = 0;    //!< plane distance along the path from sample 0
    bool isVertex = false;  //!< a ruler point (not an intermediate sample)
  };
  std::vector<Sample> samples;

  double minH = 0, maxH = 0;
  int minIndex = 0, maxIndex = 0;  //!< first sample with the lowest / highest height
  double planeLength = 0;          //!< sum of the horizontal distances between samples
  double surfaceLength = 0;        //!< sum of the 3D distances between samples
  double area = 0;                 //!< m² between the profile and the level minH
  double meanH = 0;                //!< minH + area / planeLength (the sample mean when that is 0)

  // Display settings of the window.
  double seaLevel = 0;       //!< the effective sea level when the window opened
  bool interpolate = false;  //!< intermediate samples on
  int ratioItem = 1;         //!< index into kProfileRatios

  // Layout (layoutProfile).
  std::vector<ProfilePixel> pixels;   //!< one per sample
  std::vector<ProfilePixel> polygon;  //!< the sample pixels, then the two baseline corners
  int baseY = 0;
  int meanPixelY = 0;
  int seaPixelY = 0;

  double ratio() const { return kProfileRatios[static_cast<size_t>(ratioItem)].ratio; }
  /// True when the sea-level line is drawn: minH < seaLevel <= maxH.
  bool showsSeaLevel() const { return minH < seaLevel && seaLevel <= maxH; }
};

//! The terrain height at a plane point (metres; 0 where there is no data).
using HeightAt = std::function<double(double X, double Y)>;

/// The terrain height as the program samples it (heightAtGrid on the drawn triangles, 0 where
/// there is no data). Keeps references to `grid` and `mesh`, which must outlive the function.
HeightAt terrainHeightAt(const ElevationGrid& grid, const TerrainMesh& mesh);

/**
 * @brief Samples the ruler's points 0..pointCount-1 and computes the statistics.
 *
 * `divisions` 1 gives the ruler points only; kProfileDivisions adds an intermediate sample
 * every (path length / divisions) metres along the whole path, independent of the ruler
 * points, with its height from `heightAt`. Ruler points keep their stored heights. Where
 * several samples share the lowest or highest height, the first one is the extreme. With fewer
 * than two ruler points the profile holds what there is and its lengths are 0.
 */
void computeProfile(CrossSection& cs, const Ruler& ruler, int divisions, const HeightAt& heightAt);

//! A rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct ProfileRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

/**
 * @brief Places the samples in the graph rectangle.
 *
 * A margin of 20 pixels; the baseline 20 pixels above the bottom is the level minH. The
 * vertical scale is the horizontal scale times the ratio, and the one scale is the largest at
 * which both the path and the height range fit; where the height limits it, the graph is
 * centred horizontally. A flat profile lies on the baseline; a path of plane length 0 spreads
 * its samples evenly over the width so that the graph still shows a line.
 */
void layoutProfile(CrossSection& cs, const ProfileRect& rect);

/// "label value" with the value printed with three decimals, right-aligned in `width`
/// characters.
std::string profileCaption(std::string_view label, double value, int width);
/// The width that lines up the numbers of one text column: the larger of the two values'
/// lengths when printed with three decimals.
int profileColumnWidth(double a, double b);

/// The samples of a profile over `grid` as CSV: a header line, then one line per sample with the
/// distance along the path, X, Y (plane metres), for geographic data the longitude and latitude
/// (degrees), the height and 1 for a ruler point or 0 for an intermediate sample. Over plane
/// data a first comment line names the plane zone, so that other tools can place the samples.
std::string profileCsv(const CrossSection& cs, const ElevationGrid& grid);

}  // namespace torvane
