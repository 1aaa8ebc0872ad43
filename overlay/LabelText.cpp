#include "overlay/LabelText.h"

#include <cstdint>
#include <iconv.h>

namespace torvane {

namespace {
// Length of the UTF-8 character starting at s[i], or 0 when it is malformed.
size_t utf8CharLength(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  size_t n = 0;
  uint32_t cp = 0;
  if (c < 0x80) {
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) {
    return 0;
  }
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  return overlong || surrogate || cp > 0x10FFFF ? 0 : n;
}

bool isCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void appendReplacement(std::string& out) { out += "\xEF\xBF\xBD"; }
}  // namespace

bool isValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = utf8CharLength(bytes, i);
    if (n == 0) {
      return false;
    }
    i += n;
  }
  return true;
}

std::string_view truncateLabel(std::string_view bytes, size_t maxBytes) {
  if (bytes.size() <= maxBytes) {
    return bytes;
  }
  const bool utf8 = isValidUtf8(bytes);
  size_t end = 0;
  while (end < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[end]);
    const size_t n = utf8 ? utf8CharLength(bytes, end) : (isCp932Lead(c) ? 2 : 1);
    if (end + n > maxBytes) {
      break;
    }
    end += n;
  }
  return bytes.substr(0, end);
}

std::string labelToUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) {
    return std::string(bytes);
  }
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter keep what is ASCII.
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        appendReplacement(out);
      }
    }
    return out;
  }
  char buffer[8];
  size_t i = 0;
  while (i < bytes.size()) {
    // One character at a time, so that an unmapped one is replaced and the rest still decodes.
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n = isCp932Lead(c) && i + 1 < bytes.size() ? 2 : 1;
    char in[2] = {bytes[i], n == 2 ? bytes[i + 1] : '\0'};
    char* inPtr = in;
    size_t inLeft = n;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      appendReplacement(out);
      n = 1;  // a bad lead byte must not swallow the byte after it
    } else {
      out.append(buffer, sizeof buffer - outLeft);
    }
    i += n;
  }
  iconv_close(cd);
  return out;
}

}  // namespace torvane
