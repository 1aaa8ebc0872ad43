#include "scene/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "overlay/LabelText.h"

namespace torvane {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Converts `bytes` from `encoding` to UTF-8 with iconv. A sequence that cannot be converted
// becomes U+FFFD and conversion goes on `skipOnError` bytes after it.
std::string convertToUtf8(std::string_view bytes, const char* encoding, size_t skipOnError) {
  iconv_t cd = iconv_open("UTF-8", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter installed: keep what is ASCII, mark the rest.
    std::string out;
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 16);
  char buffer[4096];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ (an invalid sequence) or EINVAL (one cut off at the end).
      out += kReplacement;
      const size_t skip = std::min(skipOnError, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string decodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    return convertToUtf8(bytes.substr(2), "UTF-16LE", 2);
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  return labelToUtf8(bytes);  // valid UTF-8 as it is, otherwise CP932
}

}  // namespace torvane
