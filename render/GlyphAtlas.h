#pragma once
// Flat text in the scene (data-frame captions, point labels) as textured quads: every glyph is
// rasterised once from its outline into an atlas texture, and a text is laid out as one quad per
// glyph in glyph space (font pixels, baseline at y = 0, y pointing up) with the ink bounds that
// place it. A label costs no mesh building per frame, only its quads.

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "view/Furniture.h"

class QOpenGLFunctions_3_3_Core;

namespace torvane {

//! One glyph of a laid-out text: its quad in glyph space and in the atlas page.
struct GlyphQuad {
  float x0, y0, x1, y1;  //!< glyph space, y up (x0, y0 the lower left)
  float u0, v0, u1, v1;  //!< texture coordinates of the lower left and upper right
  int page;
};

//! A laid-out text.
struct TextLayout {
  bool ink = false;    //!< some glyph has an outline
  GlyphBounds bounds;  //!< ink bounds (valid with ink)
  std::vector<GlyphQuad> quads;
};

class GlyphAtlas {
public:
  //! Glyphs are rasterised at this many pixels to the em, whatever size they are shown at.
  static constexpr int kGlyphPixels = 48;
  static constexpr int kPageSize = 2048;

  enum FontSlot { Caption = 0, Label = 1 };

  /// The layout of `text` in the slot's font. Characters the font lacks come from the fonts
  /// the system falls back on.
  TextLayout layout(FontSlot slot, const QString& text);
  /// As layout(), kept for the next frames (for the few texts drawn every frame).
  const TextLayout& cachedLayout(FontSlot slot, const QString& text);

  /// Uploads the pages that gained glyphs (context current).
  void sync(QOpenGLFunctions_3_3_Core* gl);
  int pageCount() const { return static_cast<int>(mPages.size()); }
  uint32_t pageTexture(int page) const { return mPages[static_cast<size_t>(page)].texture; }

  void destroy(QOpenGLFunctions_3_3_Core* gl);
  void abandon();

  //! The font of a slot (for tests: which face is really used).
  const QFont& font(FontSlot slot) {
    ensureFonts();
    return mFonts[slot];
  }

private:
  struct Glyph {
    bool ink = false;
    double left = 0, top = 0, right = 0, bottom = 0;  //!< outline bounds, y down from baseline
    GlyphQuad quad{};                                 //!< relative to the pen position
  };
  struct Page {
    std::vector<uint8_t> coverage;  //!< kPageSize x kPageSize
    uint32_t texture = 0;
    bool dirty = true;
  };

  void ensureFonts();
  const Glyph& glyph(int fontIndex, quint32 index);
  int rawFontIndex(const QRawFont& font);
  void addGlyphs(TextLayout& out, int fontIndex, const QList<quint32>& indexes,
                 const QList<QPointF>& positions);
  bool place(int width, int height, int& page, int& x, int& y);

  bool mFontsReady = false;  // fonts need the application object: made on first use
  QFont mFonts[2];
  QRawFont mPrimary[2];
  std::vector<QRawFont> mRawFonts;
  std::map<std::pair<int, quint32>, Glyph> mGlyphs;
  QHash<QString, TextLayout> mCached[2];
  std::vector<Page> mPages;
  int mShelfX = 0, mShelfY = 0, mShelfHeight = 0;
};

}  // namespace torvane
