#include "render/GlyphAtlas.h"

#include <QGlyphRun>
#include <QImage>
#include <QOpenGLFunctions_3_3_Core>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "render/RenderContext.h"

namespace torvane {

namespace {

// Empty pixels around every glyph in the atlas, so that neighbours do not bleed into each other
// when the texture is sampled smaller.
constexpr int kPad = 4;
// Texts kept by cachedLayout() before the cache starts afresh.
constexpr qsizetype kMaxCachedTexts = 4096;

}  // namespace

void GlyphAtlas::ensureFonts() {
  if (mFontsReady) {
    return;
  }
  mFontsReady = true;
  for (const FontSlot slot : {Caption, Label}) {
    QFont font = RenderContext::screenFont(kGlyphPixels);
    font.setWeight(slot == Caption ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    mFonts[slot] = font;
    mPrimary[slot] = QRawFont::fromFont(font);
  }
}

int GlyphAtlas::rawFontIndex(const QRawFont& font) {
  for (size_t i = 0; i < mRawFonts.size(); ++i) {
    if (mRawFonts[i] == font) {
      return static_cast<int>(i);
    }
  }
  mRawFonts.push_back(font);
  return static_cast<int>(mRawFonts.size() - 1);
}

bool GlyphAtlas::place(int width, int height, int& page, int& x, int& y) {
  if (width > kPageSize || height > kPageSize) {
    return false;
  }
  if (mPages.empty() || mShelfX + width > kPageSize) {
    mShelfY += mShelfHeight;
    mShelfX = 0;
    mShelfHeight = 0;
  }
  if (mPages.empty() || mShelfY + height > kPageSize) {
    mPages.push_back({std::vector<uint8_t>(size_t(kPageSize) * kPageSize, 0), 0, true});
    mShelfX = mShelfY = mShelfHeight = 0;
  }
  page = static_cast<int>(mPages.size() - 1);
  x = mShelfX;
  y = mShelfY;
  mShelfX += width;
  mShelfHeight = std::max(mShelfHeight, height);
  return true;
}

const GlyphAtlas::Glyph& GlyphAtlas::glyph(int fontIndex, quint32 index) {
  const auto key = std::make_pair(fontIndex, index);
  if (const auto found = mGlyphs.find(key); found != mGlyphs.end()) {
    return found->second;
  }
  Glyph g;
  const QPainterPath path = mRawFonts[static_cast<size_t>(fontIndex)].pathForGlyph(index);
  const QRectF b = path.boundingRect();
  if (!path.isEmpty() && b.width() > 0 && b.height() > 0) {
    const int ox = static_cast<int>(std::floor(b.left())) - kPad;
    const int oy = static_cast<int>(std::floor(b.top())) - kPad;
    const int w = static_cast<int>(std::ceil(b.right())) + kPad - ox;
    const int h = static_cast<int>(std::ceil(b.bottom())) + kPad - oy;
    int page = 0, cx = 0, cy = 0;
    if (place(w, h, page, cx, cy)) {
      QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
      image.fill(0);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.translate(-ox, -oy);
      painter.fillPath(path, Qt::white);
      painter.end();
      Page& p = mPages[static_cast<size_t>(page)];
      for (int r = 0; r < h; ++r) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(r));
        uint8_t* out = p.coverage.data() + size_t(cy + r) * kPageSize + size_t(cx);
        for (int c = 0; c < w; ++c) {
          out[c] = static_cast<uint8_t>(qAlpha(line[c]));
        }
      }
      p.dirty = true;
      const float s = 1.0f / kPageSize;
      g.ink = true;
      g.left = b.left();
      g.top = b.top();
      g.right = b.right();
      g.bottom = b.bottom();
      // Glyph space points up: the image's bottom row is the quad's lower edge.
      g.quad = {float(ox),         float(-(oy + h)),  float(ox + w), float(-oy), float(cx) * s,
                float(cy + h) * s, float(cx + w) * s, float(cy) * s, page};
    }
  }
  return mGlyphs.emplace(key, g).first->second;
}

void GlyphAtlas::addGlyphs(TextLayout& out, int fontIndex, const QList<quint32>& indexes,
                           const QList<QPointF>& positions) {
  for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
    const Glyph& g = glyph(fontIndex, indexes[i]);
    if (!g.ink) {
      continue;
    }
    // Pen position: x to the right, y down from the baseline.
    const double px = positions[i].x(), py = positions[i].y();
    const GlyphBounds ink{px + g.left, px + g.right, -(py + g.bottom), -(py + g.top)};
    if (!out.ink) {
      out.bounds = ink;
      out.ink = true;
    } else {
      out.bounds.xmin = std::min(out.bounds.xmin, ink.xmin);
      out.bounds.xmax = std::max(out.bounds.xmax, ink.xmax);
      out.bounds.ymin = std::min(out.bounds.ymin, ink.ymin);
      out.bounds.ymax = std::max(out.bounds.ymax, ink.ymax);
    }
    GlyphQuad q = g.quad;
    q.x0 += float(px);
    q.x1 += float(px);
    q.y0 -= float(py);
    q.y1 -= float(py);
    out.quads.push_back(q);
  }
}

TextLayout GlyphAtlas::layout(FontSlot slot, const QString& text) {
  TextLayout out;
  if (text.isEmpty()) {
    return out;
  }
  ensureFonts();
  // The usual case: every character is in the font itself; lay out by its kerned advances.
  const QRawFont& primary = mPrimary[slot];
  if (primary.isValid()) {
    const QList<quint32> indexes = primary.glyphIndexesForString(text);
    if (!indexes.isEmpty() && !indexes.contains(0u)) {
      const QList<QPointF> advances =
          primary.advancesForGlyphIndexes(indexes, QRawFont::KernedAdvances);
      QList<QPointF> positions;
      positions.reserve(indexes.size());
      QPointF pen(0, 0);
      for (const QPointF& a : advances) {
        positions.push_back(pen);
        pen += a;
      }
      addGlyphs(out, rawFontIndex(primary), indexes, positions);
      return out;
    }
  }
  // Otherwise the text engine picks the fallback fonts.
  QTextLayout layout(text, mFonts[slot]);
  layout.setCacheEnabled(false);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (!line.isValid()) {
    layout.endLayout();
    return out;
  }
  line.setLineWidth(1e7);
  layout.endLayout();
  const double baseline = line.ascent();
  for (const QGlyphRun& run : layout.glyphRuns()) {
    QList<QPointF> positions = run.positions();
    for (QPointF& p : positions) {
      p.setY(p.y() - baseline);
    }
    addGlyphs(out, rawFontIndex(run.rawFont()), run.glyphIndexes(), positions);
  }
  return out;
}

const TextLayout& GlyphAtlas::cachedLayout(FontSlot slot, const QString& text) {
  QHash<QString, TextLayout>& cache = mCached[slot];
  if (const auto found = cache.constFind(text); found != cache.constEnd()) {
    return found.value();
  }
  if (cache.size() >= kMaxCachedTexts) {
    cache.clear();
  }
  return cache.insert(text, layout(slot, text)).value();
}

void GlyphAtlas::sync(QOpenGLFunctions_3_3_Core* gl) {
  for (Page& page : mPages) {
    if (!page.dirty) {
      continue;
    }
    if (page.texture == 0) {
      gl->glGenTextures(1, &page.texture);
    }
    gl->glBindTexture(GL_TEXTURE_2D, page.texture);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kPageSize, kPageSize, 0, GL_RED, GL_UNSIGNED_BYTE,
                     page.coverage.data());
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    page.dirty = false;
  }
}

void GlyphAtlas::destroy(QOpenGLFunctions_3_3_Core* gl) {
  for (Page& page : mPages) {
    if (page.texture != 0) {
      gl->glDeleteTextures(1, &page.texture);
      page.texture = 0;
    }
    page.dirty = true;
  }
}

void GlyphAtlas::abandon() {
  for (Page& page : mPages) {
    page.texture = 0;
    page.dirty = true;
  }
}

}  // namespace torvane
