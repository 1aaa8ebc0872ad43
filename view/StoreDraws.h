#pragma once
// Which vertex ranges of a group store the frame draws, and how: per shown polyline a point
// list, line strip, triangle list or line list from its first vertex, gathered into batches that
// the renderer hands to one multi-draw call each. Every polyline of every group advances the
// start vertex, whether its group is shown or not, so hidden groups leave later ones in place.

#include <cstdint>
#include <vector>

namespace torvane {

class GroupStore;
class OverlayStore;

enum class DrawPrimitive { Points, LineStrip, Triangles, Lines };

//! Consecutive draws of one primitive (and point size) over the store's vertex buffer.
struct DrawBatch {
  DrawPrimitive primitive = DrawPrimitive::Points;
  float pointSize = 1;  //!< pixels, for point lists
  std::vector<int32_t> firsts;
  std::vector<int32_t> counts;  //!< vertices of each draw
  int lastGroup = 0;            //!< the last group that added a draw
  bool operator==(const DrawBatch&) const = default;
};

/**
 * @brief The draws of the line/point layers, in layer order.
 *
 * Per polyline of c points in a shown layer: mode 0 a point list of c points (c > 0) at the
 * point size last set by a point layer of nonzero size (1 before any); mode 1 a line strip
 * (c > 1); mode 2 c / 3 triangles (c > 2); marks (mode 10) and unknown modes nothing here.
 * Draws of consecutive layers with the same primitive and point size share a batch; a shown
 * marks layer ends the batch before it, so that its pins and labels keep their place in the
 * layer order.
 */
std::vector<DrawBatch> layerDrawBatches(const OverlayStore& store);

/// The draws of the contour sets: per polyline of c points in a shown set, a line list of
/// c / 2 segments (c > 1); all in one batch.
std::vector<DrawBatch> contourDrawBatches(const GroupStore& store);

//! The labelled points of one marks layer (draw mode 10).
struct LabelledPoints {
  int layer = 0;
  std::vector<uint32_t> points;  //!< store point indices with a non-empty label
};
/// Every marks layer with its labelled points, shown or not, in layer order.
std::vector<LabelledPoints> labelledPoints(const OverlayStore& store);

}  // namespace torvane
