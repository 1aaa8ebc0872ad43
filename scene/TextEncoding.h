#pragma once
// Text encodings of files the program reads: UTF-8 first, and the Japanese Windows code page
// (CP932, Shift_JIS with the Windows extensions) for text that is not valid UTF-8.

#include <string>
#include <string_view>

namespace torvane {

/**
 * @brief Text file contents as UTF-8.
 *
 * A UTF-8 byte-order mark is dropped; text that starts with the UTF-16 little-endian mark is
 * converted from UTF-16; otherwise valid UTF-8 is kept as it is and anything else is read as
 * CP932. Bytes that are valid in neither become U+FFFD, so the result is always valid UTF-8.
 */
std::string decodeText(std::string_view bytes);

}  // namespace torvane
