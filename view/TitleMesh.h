#pragma once
// The idle title: the program name as an extruded outline, drawn as a wireframe while no
// elevation data is open. The glyph outlines come from the window system's fonts; turning them
// into the fitted wireframe is plain geometry and lives here.

#include <cstdint>
#include <span>
#include <vector>

namespace torvane {

//! A point of a glyph outline in font units, y pointing up, one em about 1 unit high.
struct OutlinePoint {
  double x = 0, y = 0;
};
//! One closed contour of a glyph (the last point connects back to the first).
using Outline = std::vector<OutlinePoint>;

//! A coloured line vertex, 16 bytes: position in model units and an A8R8G8B8 colour.
struct LineVertex {
  float x, y, z;
  uint32_t colour;
};
static_assert(sizeof(LineVertex) == 16, "LineVertex must be 16 bytes");

inline constexpr uint32_t kTitleFrontColour = 0xFFFFFFFF;  // white, nearer the eye (z < 0)
inline constexpr uint32_t kTitleBackColour = 0xFF0000FF;   // blue
inline constexpr double kTitleExtrusion = 0.4;
inline constexpr double kTitleWidth = 3.0;

/**
 * @brief The title wireframe as a line list (pairs of vertices).
 *
 * The outlines are extruded from z = 0 to z = -extrusion; every contour yields its front and
 * back outline and one side edge per outline point. The result is fitted as the title always
 * was: with cx the midpoint of the x range, cy one third of (ymin + ymax) and
 * k = 3 / (xmax - xmin), x' = (x - cx) k, y' = (y - cy) k, z' = z + 0.2; a vertex is white
 * where z' < 0 and blue elsewhere. Empty when the outlines have no width.
 */
std::vector<LineVertex> buildTitleWireframe(std::span<const Outline> outlines,
                                            double extrusion = kTitleExtrusion);

}  // namespace torvane
