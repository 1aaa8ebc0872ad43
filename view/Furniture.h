#pragma once
// The geometry of what the view draws besides the surface, as plain numbers: the screen shapes
// of the compass, the trackbars, the label boxes and the status bar's band (client pixels with
// the pixel centres at whole numbers, y growing downwards), the data frame's edges and captions
// and the axes (model space), the placement of flat 3D text, and the ruler's segments projected
// to the screen. The renderer draws exactly these numbers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "overlay/GroupStore.h"
#include "view/Transforms.h"

namespace torvane {

class ElevationGrid;
struct ModelFit;

//! A point in client pixels; whole numbers are pixel centres.
struct ScreenPoint {
  double x = 0, y = 0;
};

/**
 * @brief One stroke of the screen line drawer: an open polyline of `width` pixels (the stroke
 * spans width / 2 on each side of the line, with square-cut ends) in an A8R8G8B8 colour.
 */
struct ScreenStroke {
  std::vector<ScreenPoint> points;
  uint32_t colour = 0xFFFFFFFF;
  double width = 1;
  bool antialias = false;
};

/// The compass at the top right of a client area `right` pixels wide: a white circle of radius
/// 20 around (right - 30, 30), the blue south and red north needles, a green centre mark and
/// yellow ticks across; all turned with the azimuth RotaZ (the red needle points up at 0).
std::vector<ScreenStroke> compassStrokes(double RotaZ, int right);

/// One trackbar centred on x above the base line y with its thumb v pixels above the zero line:
/// track, frames, thumb, the end circles, the minus, the plus and the value mark.
std::vector<ScreenStroke> trackbarStrokes(int x, int y, int v);

/**
 * @brief The trackbar whose label shows: the one whose thumb is dragged (MouseMode 1, 4 or 5);
 * with the mouse idle (MouseMode 0) the one under it (the trackbar hit `hit` divided by 10 when
 * positive); none (0) otherwise, as during a drag of the view.
 */
int highlightedTrackbar(int MouseMode, int hit);

/// The half-transparent bar and white outline of a label box of width w centred on (x, y).
std::vector<ScreenStroke> labelBoxStrokes(int width, int x, int y);
/// The half-transparent bar of the top label box of width w centred on x.
std::vector<ScreenStroke> topLabelBoxStrokes(int width, int x);
/// The status bar's band: the bottom 25 pixels of a client area `right` x `bottom`, black at
/// half opacity.
ScreenStroke statusBandStroke(int right, int bottom);

//! A rectangle of screen text: left, top, right (its text is anchored as the flags say).
struct TextBox {
  int left = 0, top = 0, right = 0;
};
/// Where a label box's text goes (centred between left and right, top at y - 5).
TextBox labelBoxTextBox(int width, int x, int y);
/// Where the top label box's text goes (centred, top at 15).
TextBox topLabelBoxTextBox(int width, int x);

/// The data frame: the twelve edges of the data's bounding box as a line list in white at half
/// opacity, with heights placed by the relief `Scale`. A flat terrain (no height extent) has no
/// frame edges.
std::vector<OverlayVertex> dataFrameVertices(const ElevationGrid& grid, const ModelFit& fit,
                                             int Scale);

//! How a caption lies beside its point.
enum class CaptionAlignment : int {
  StartEast = 0,  //!< starts one glyph height east of the point
  EndWest = 1,    //!< ends one glyph height west of the point
  RunSouth = 2,   //!< as StartEast, turned a quarter clockwise to run south
};

//! A data-frame caption: the coordinate's text and where it goes.
struct Caption {
  std::string text;
  Vec3d position;
  CaptionAlignment alignment = CaptionAlignment::StartEast;
};
/// The six data-frame captions: Xmin and Xmax on the southern edge running south, Ymin and
/// Ymax ending west of the western edge, Hmin and Hmax at the north-east corner.
std::vector<Caption> dataFrameCaptions(const ElevationGrid& grid, const ModelFit& fit, int Scale);

//! The coloured axes in model space as a line list: x yellow, north red, south blue, z green.
std::array<OverlayVertex, 8> axesVertices();

//! The ink bounds of a text's glyphs: font units, baseline at y = 0, y pointing up.
struct GlyphBounds {
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

/**
 * @brief A map from a text's glyph space into model space:
 * x' = xx x + xy y + x0, y' = yx x + yy y + y0, z' = z0 (the text is flat).
 */
struct TextPlacement {
  double xx = 1, xy = 0, x0 = 0;
  double yx = 0, yy = 1, y0 = 0;
  double z0 = 0;

  Vec3d apply(double x, double y) const { return {xx * x + xy * y + x0, yx * x + yy * y + y0, z0}; }
};

/// A caption 0.02 model units high (its ink height) at `position` with the given alignment.
/// Text without ink height (empty, spaces) has no placement.
std::optional<TextPlacement> captionPlacement(const GlyphBounds& bounds, const Vec3d& position,
                                              CaptionAlignment alignment);
/// A point label centred on `position`, `height` model units high.
std::optional<TextPlacement> pointLabelPlacement(const GlyphBounds& bounds, const Vec3d& position,
                                                 double height);

//! The model-space offset of a labelled point's pin and label: 0.02 units towards the eye.
inline constexpr double kPinLength = 0.02;
//! Model units of label height per pixel of point size.
inline constexpr double kLabelHeightPerPointSize = 0.004;

/**
 * @brief The segment between model points a and b as the frame with world-view-projection `m`
 * shows it in a client area width x height (pixel edges at whole numbers, as the frame's own
 * rasterisation), clipped at the near plane. Nothing when it lies wholly behind the eye.
 */
std::optional<std::array<ScreenPoint, 2>> projectSegment(const Mat4d& m, const Vec3d& a,
                                                         const Vec3d& b, int width, int height);

}  // namespace torvane
