#pragma once
// Number conversion for text readers: the semantics of the C library's strtod/strtol (leading
// blanks, sign, as much text as forms a number, 0 when nothing does) with a fast path for the
// plain decimals that fill GSI tuple lists.

#include <cstdint>
#include <string_view>

namespace torvane {

/// Converts the longest numeric prefix of `text` (after blanks) as strtod does; 0 when none.
/// `end`, when given, receives the number of characters used (0 when nothing converted).
double parseDouble(std::string_view text, size_t* end = nullptr);

/// Converts a decimal integer prefix (after blanks) as strtoll does; false when none.
/// Values beyond 64 bits saturate.
bool parseInteger(std::string_view text, int64_t& value, size_t* end = nullptr);

}  // namespace torvane
