#pragma once
// Text labels of marks. Files written on Windows carry their labels in CP932 (Shift_JIS with the
// vendor extensions), newer ones in UTF-8. A label is kept as the bytes of its file, cut to the
// slot size on a character boundary, and decoded only for display.

#include <cstddef>
#include <string>
#include <string_view>

namespace torvane {

/// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values above
/// U+10FFFF).
bool isValidUtf8(std::string_view bytes);

/// The longest prefix of `bytes` of at most `maxBytes` bytes that ends on a character boundary:
/// UTF-8 characters when `bytes` is valid UTF-8, else CP932 characters (a lead byte 0x81-0x9F or
/// 0xE0-0xFC takes the byte after it).
std::string_view truncateLabel(std::string_view bytes, size_t maxBytes);

/// The label as UTF-8: unchanged when it is valid UTF-8, else decoded from CP932, with every byte
/// that CP932 does not map replaced by U+FFFD.
std::string labelToUtf8(std::string_view bytes);

}  // namespace torvane
