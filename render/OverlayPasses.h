#pragma once
// The device passes drawn over the terrain in model space: the line/point layers (with the pins
// and labels of marks), the contour sets, the data frame with its captions and the axes. They
// share the terrain's transforms and the frame's program.
//
// What does not change from frame to frame is kept: each store's multi-draw batches, the marks'
// pins and label quads (rebuilt only when the store uploads again or a layer's point size or
// draw mode changes), the glyphs in their atlas and the captions' layouts.

#include <cstdint>
#include <vector>

#include "render/GlyphAtlas.h"
#include "render/GroupBuffers.h"
#include "terrain/TerrainMesh.h"

class QOpenGLFunctions_3_3_Core;

namespace torvane {

class ElevationGrid;
class OverlayStore;
class RenderContext;

class OverlayPasses {
public:
  /// The layers: every shown layer's polylines by its draw mode, marks with their pins and
  /// labels, in layer order. `buffers` holds the store's uploaded vertices.
  void drawLayers(RenderContext& context, const OverlayStore& store, GroupBuffers& buffers);
  /// The contour sets: a line list per shown polyline, all in one multi-draw call.
  void drawContours(RenderContext& context, const GroupStore& store, GroupBuffers& buffers);
  /// The data frame's twelve edges and six captions.
  void drawDataFrame(RenderContext& context, const ElevationGrid& grid, const ModelFit& fit,
                     int Scale);
  /// The coloured axes.
  void drawAxes(RenderContext& context);

  GlyphAtlas& glyphs() { return mGlyphs; }

  void destroy(QOpenGLFunctions_3_3_Core* gl);
  void abandon();

private:
  //! A marks layer's pins and label quads in the cached buffers.
  struct MarksLayer {
    int layer = 0;
    int pinFirst = 0, pinCount = 0;
    struct PageRange {
      int page, first, count;
    };
    std::vector<PageRange> labels;
  };

  void buildMarks(const OverlayStore& store, uint64_t generation);
  void drawMarks(RenderContext& context, const OverlayStore& store, const MarksLayer& marks);
  void drawImmediate(QOpenGLFunctions_3_3_Core* gl, unsigned mode,
                     const std::vector<TerrainVertex>& vertices);
  void ensureBuffers(QOpenGLFunctions_3_3_Core* gl);

  GlyphAtlas mGlyphs;
  DrawBatchCache mLayerBatches;
  DrawBatchCache mContourBatches;

  std::vector<uint32_t> mMarksSignature;
  std::vector<MarksLayer> mMarks;
  std::vector<TerrainVertex> mPinVertices, mLabelVertices;
  bool mMarksDirty = false;  //!< the cached vertices wait for their upload

  std::vector<TerrainVertex> mScratch;  //!< per-frame vertices (frame, axes, captions)

  uint32_t mVao[3] = {0, 0, 0};  //!< pins, labels, per-frame
  uint32_t mVbo[3] = {0, 0, 0};
};

}  // namespace torvane
