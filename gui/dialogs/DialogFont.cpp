#include "gui/dialogs/DialogFont.h"

#include <QFontInfo>
#include <QFontMetrics>

#include "render/RenderContext.h"

namespace torvane {

QFont dialogFont(bool proportional) {
  constexpr int kPixels = 12;  // 9 points at 96 dots per inch
  if (proportional) {
    for (const char* family : {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP"}) {
      QFont font(QString::fromUtf8(family));
      font.setPixelSize(kPixels);
      if (QFontInfo(font).family() == font.family()) {
        return font;
      }
    }
  }
  return RenderContext::screenFont(kPixels);
}

QSize dialogUnits(const QFont& font, int width, int height) {
  const QFontMetrics metrics(font);
  return {width * metrics.averageCharWidth() / 4, height * metrics.height() / 8};
}

}  // namespace torvane
