#pragma once
// Contour segments joined into lines. The trace gives every crossed triangle its own two-point
// segment; other GIS tools expect each contour as one line, a ring closed on its first point.

#include <cstdint>
#include <span>
#include <vector>

#include "overlay/GroupStore.h"

namespace torvane {

/**
 * @brief Joins the segments of one contour set (points in pairs, pair i is segment i) into
 * polylines, each a list of indices into `points`.
 *
 * Segments meet where their end points are equal: the trace computes a crossing shared by two
 * triangles the same way from both, and a node on the level is that node, so equality is exact.
 * A connected piece becomes one line whenever one stroke can draw it (a ring, a line that ends
 * at the data's edge, two lines crossing at a saddle node); a ring ends on the point it began
 * with. A segment that repeats another (an edge lying on the level, traced from both of its
 * triangles) is drawn once. Lines come in the order of their first segment.
 */
std::vector<std::vector<uint32_t>> chainSegments(std::span<const OverlayVertex> points);

}  // namespace torvane
