#pragma once
// Colours as the settings and project files keep them (0x00BBGGRR, red in the low byte) and
// as Qt shows them.

#include <QColor>
#include <cstdint>

namespace torvane {

inline QColor fromColorRef(uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

inline uint32_t toColorRef(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
         static_cast<uint32_t>(c.blue()) << 16;
}

}  // namespace torvane
