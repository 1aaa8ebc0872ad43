#include "render/OverlayPasses.h"

#include <QHash>
#include <QOpenGLFunctions_3_3_Core>
#include <cstddef>

#include "elevation/ElevationGrid.h"
#include "overlay/OverlayStore.h"
#include "render/RenderContext.h"
#include "render/TerrainBuffers.h"
#include "view/Furniture.h"
#include "view/StoreDraws.h"

namespace torvane {

namespace {

//! Characters of a point label that are shown at most.
constexpr qsizetype kMaxLabelCharacters = 32;
constexpr uint32_t kCaptionColour = 0x80FFFFFF;

TerrainVertex vertexOf(const OverlayVertex& v) { return {v.x, v.y, v.z, v.diffuse, 0, 0}; }

// The two triangles of a glyph quad placed by `placement`.
void appendQuad(std::vector<TerrainVertex>& out, const GlyphQuad& q, const TextPlacement& placement,
                uint32_t colour) {
  auto corner = [&](float x, float y, float u, float v) {
    const Vec3d p = placement.apply(x, y);
    return TerrainVertex{
        static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), colour, u, v};
  };
  const TerrainVertex a = corner(q.x0, q.y0, q.u0, q.v0);
  const TerrainVertex b = corner(q.x1, q.y0, q.u1, q.v0);
  const TerrainVertex c = corner(q.x1, q.y1, q.u1, q.v1);
  const TerrainVertex d = corner(q.x0, q.y1, q.u0, q.v1);
  out.insert(out.end(), {a, b, c, a, c, d});
}

}  // namespace

void OverlayPasses::ensureBuffers(QOpenGLFunctions_3_3_Core* gl) {
  if (mVao[0] != 0) {
    return;
  }
  gl->glGenVertexArrays(3, mVao);
  gl->glGenBuffers(3, mVbo);
  for (int i = 0; i < 3; ++i) {
    gl->glBindVertexArray(mVao[i]);
    gl->glBindBuffer(GL_ARRAY_BUFFER, mVbo[i]);
    setTerrainVertexLayout(gl);
  }
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  mMarksDirty = true;
}

void OverlayPasses::drawImmediate(QOpenGLFunctions_3_3_Core* gl, unsigned mode,
                                  const std::vector<TerrainVertex>& vertices) {
  if (vertices.empty()) {
    return;
  }
  ensureBuffers(gl);
  gl->glBindVertexArray(mVao[2]);
  gl->glBindBuffer(GL_ARRAY_BUFFER, mVbo[2]);
  gl->glBufferData(GL_ARRAY_BUFFER,
                   static_cast<GLsizeiptr>(vertices.size() * sizeof(TerrainVertex)),
                   vertices.data(), GL_STREAM_DRAW);
  gl->glDrawArrays(mode, 0, static_cast<GLsizei>(vertices.size()));
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl->glBindVertexArray(0);
}

void OverlayPasses::buildMarks(const OverlayStore& store, uint64_t generation) {
  std::vector<uint32_t> signature = {static_cast<uint32_t>(generation),
                                     static_cast<uint32_t>(generation >> 32),
                                     static_cast<uint32_t>(store.groupCount())};
  for (int g = 0; g < store.groupCount(); ++g) {
    signature.push_back(store.drawMode(g));
    signature.push_back(static_cast<uint32_t>(store.pointSize(g)));
  }
  if (signature == mMarksSignature) {
    return;
  }
  mMarksSignature = std::move(signature);
  mMarks.clear();
  mPinVertices.clear();
  mLabelVertices.clear();
  mMarksDirty = true;
  const auto vertices = store.vertices();
  // Many marks share their text (numbers, names): lay each text out once per build.
  QHash<QString, TextLayout> layouts;
  for (const LabelledPoints& layer : labelledPoints(store)) {
    MarksLayer marks;
    marks.layer = layer.layer;
    marks.pinFirst = static_cast<int>(mPinVertices.size());
    const double height = store.pointSize(layer.layer) * kLabelHeightPerPointSize;
    std::vector<std::vector<TerrainVertex>> pages;
    for (const uint32_t i : layer.points) {
      if (i >= vertices.size()) {
        break;
      }
      const OverlayVertex& v = vertices[i];
      const float top = static_cast<float>(double(v.z) - kPinLength);
      mPinVertices.push_back(vertexOf(v));
      mPinVertices.push_back({v.x, v.y, top, v.diffuse, 0, 0});
      const QString text = QString::fromStdString(store.labelText(i)).left(kMaxLabelCharacters);
      auto found = layouts.find(text);
      if (found == layouts.end()) {
        found = layouts.insert(text, mGlyphs.layout(GlyphAtlas::Label, text));
      }
      const TextLayout& layout = found.value();
      if (!layout.ink) {
        continue;
      }
      const std::optional<TextPlacement> placement =
          pointLabelPlacement(layout.bounds, {v.x, v.y, double(v.z) - kPinLength}, height);
      if (!placement) {
        continue;
      }
      for (const GlyphQuad& q : layout.quads) {
        if (static_cast<size_t>(q.page) >= pages.size()) {
          pages.resize(static_cast<size_t>(q.page) + 1);
        }
        appendQuad(pages[static_cast<size_t>(q.page)], q, *placement, v.diffuse);
      }
    }
    marks.pinCount = static_cast<int>(mPinVertices.size()) - marks.pinFirst;
    for (size_t page = 0; page < pages.size(); ++page) {
      if (pages[page].empty()) {
        continue;
      }
      marks.labels.push_back({static_cast<int>(page), static_cast<int>(mLabelVertices.size()),
                              static_cast<int>(pages[page].size())});
      mLabelVertices.insert(mLabelVertices.end(), pages[page].begin(), pages[page].end());
    }
    mMarks.push_back(std::move(marks));
  }
}

void OverlayPasses::drawMarks(RenderContext& context, const OverlayStore& store,
                              const MarksLayer& marks) {
  if (marks.layer >= store.groupCount() || !store.visible(marks.layer)) {
    return;
  }
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  if (marks.pinCount > 0) {
    gl->glBindVertexArray(mVao[0]);
    gl->glDrawArrays(GL_LINES, marks.pinFirst, marks.pinCount);
  }
  if (!marks.labels.empty()) {
    gl->glBindVertexArray(mVao[1]);
    gl->glActiveTexture(GL_TEXTURE0);
    context.setTextureStage(TextureStage::Glyphs);
    for (const MarksLayer::PageRange& r : marks.labels) {
      gl->glBindTexture(GL_TEXTURE_2D, mGlyphs.pageTexture(r.page));
      gl->glDrawArrays(GL_TRIANGLES, r.first, r.count);
    }
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    context.setTextureStage(TextureStage::None);
  }
  gl->glBindVertexArray(0);
}

void OverlayPasses::drawLayers(RenderContext& context, const OverlayStore& store,
                               GroupBuffers& buffers) {
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  if (!buffers.sync(gl) || !buffers.live()) {
    return;
  }
  const std::vector<DrawBatch>& batches = mLayerBatches.batches(store, buffers.generation(), true);
  buildMarks(store, buffers.generation());
  if (!mMarks.empty()) {
    ensureBuffers(gl);
    mGlyphs.sync(gl);
    if (mMarksDirty) {
      for (int i = 0; i < 2; ++i) {
        const std::vector<TerrainVertex>& v = i == 0 ? mPinVertices : mLabelVertices;
        gl->glBindBuffer(GL_ARRAY_BUFFER, mVbo[i]);
        gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(v.size() * sizeof(v[0])),
                         v.empty() ? nullptr : v.data(), GL_STATIC_DRAW);
      }
      gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
      mMarksDirty = false;
    }
  }
  auto drawBatch = [&](const DrawBatch& batch) {
    if (batch.primitive == DrawPrimitive::Points) {
      context.setPointSize(batch.pointSize);
    }
    buffers.draw(gl, batch);
  };
  size_t next = 0;
  for (const MarksLayer& marks : mMarks) {
    while (next < batches.size() && batches[next].lastGroup < marks.layer) {
      drawBatch(batches[next++]);
    }
    drawMarks(context, store, marks);
  }
  while (next < batches.size()) {
    drawBatch(batches[next++]);
  }
  context.setPointSize(1);
}

void OverlayPasses::drawContours(RenderContext& context, const GroupStore& store,
                                 GroupBuffers& buffers) {
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  if (!buffers.sync(gl) || !buffers.live()) {
    return;
  }
  // Each segment is its own line, and a line leaves out its last pixel: where two segments
  // meet, the pixel would be left out of a contour that is one line on the ground. The end
  // points are drawn as single pixels too, so contours show whole at any zoom.
  for (const DrawBatch& batch : mContourBatches.batches(store, buffers.generation(), false)) {
    buffers.draw(gl, batch);
    buffers.draw(gl, batch, DrawPrimitive::Points);
  }
}

void OverlayPasses::drawDataFrame(RenderContext& context, const ElevationGrid& grid,
                                  const ModelFit& fit, int Scale) {
  QOpenGLFunctions_3_3_Core* gl = context.gl();
  mScratch.clear();
  for (const OverlayVertex& v : dataFrameVertices(grid, fit, Scale)) {
    mScratch.push_back(vertexOf(v));
  }
  if (mScratch.size() >= 2) {
    drawImmediate(gl, GL_LINES, mScratch);
  }
  // The captions, page by page of the glyph atlas (nearly always one).
  struct Placed {
    TextLayout layout;  // a copy: later lookups may move the cache's entries
    TextPlacement placement;
  };
  std::vector<Placed> placed;
  for (const Caption& caption : dataFrameCaptions(grid, fit, Scale)) {
    const TextLayout& layout =
        mGlyphs.cachedLayout(GlyphAtlas::Caption, QString::fromStdString(caption.text));
    if (!layout.ink) {
      continue;
    }
    if (const auto p = captionPlacement(layout.bounds, caption.position, caption.alignment)) {
      placed.push_back({layout, *p});
    }
  }
  if (placed.empty()) {
    return;
  }
  mGlyphs.sync(gl);
  gl->glActiveTexture(GL_TEXTURE0);
  context.setTextureStage(TextureStage::Glyphs);
  for (int page = 0; page < mGlyphs.pageCount(); ++page) {
    mScratch.clear();
    for (const Placed& p : placed) {
      for (const GlyphQuad& q : p.layout.quads) {
        if (q.page == page) {
          appendQuad(mScratch, q, p.placement, kCaptionColour);
        }
      }
    }
    if (!mScratch.empty()) {
      gl->glBindTexture(GL_TEXTURE_2D, mGlyphs.pageTexture(page));
      drawImmediate(gl, GL_TRIANGLES, mScratch);
    }
  }
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  context.setTextureStage(TextureStage::None);
}

void OverlayPasses::drawAxes(RenderContext& context) {
  mScratch.clear();
  for (const OverlayVertex& v : axesVertices()) {
    mScratch.push_back(vertexOf(v));
  }
  drawImmediate(context.gl(), GL_LINES, mScratch);
}

void OverlayPasses::destroy(QOpenGLFunctions_3_3_Core* gl) {
  if (mVao[0] != 0) {
    gl->glDeleteBuffers(3, mVbo);
    gl->glDeleteVertexArrays(3, mVao);
  }
  mGlyphs.destroy(gl);
  abandon();
}

void OverlayPasses::abandon() {
  for (int i = 0; i < 3; ++i) {
    mVao[i] = mVbo[i] = 0;
  }
  mMarksDirty = true;
  mGlyphs.abandon();
}

}  // namespace torvane
