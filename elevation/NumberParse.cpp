#include "elevation/NumberParse.h"

#include <cerrno>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace torvane {

namespace {
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtod in the "C" locale: numbers in files use '.' whatever the user's locale says (a
// desktop program runs with the user's LC_NUMERIC unless it resets it).
double parseWithStrtod(std::string_view text, size_t* end) {
  static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
  // Only a bounded prefix can matter: longer numbers would be absurd, and the copy stays small.
  const std::string copy(text.substr(0, 512));
  char* stop = nullptr;
  const double v = strtod_l(copy.c_str(), &stop, cLocale);
  if (end) {
    *end = static_cast<size_t>(stop - copy.c_str());
  }
  return v;
}
}  // namespace

double parseDouble(std::string_view text, size_t* end) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && isBlank(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  // Fast path: digits[.digits] with at most 15 significant digits and no exponent. Then
  // mantissa / 10^fraction is exact in both operands, so the one division rounds correctly,
  // giving the same double as strtod.
  uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  size_t j = i;
  while (j < n && text[j] >= '0' && text[j] <= '9') {
    mantissa = mantissa * 10 + static_cast<uint64_t>(text[j] - '0');
    ++digits;
    ++j;
  }
  if (j < n && text[j] == '.') {
    ++j;
    while (j < n && text[j] >= '0' && text[j] <= '9') {
      mantissa = mantissa * 10 + static_cast<uint64_t>(text[j] - '0');
      ++digits;
      ++fraction;
      ++j;
    }
  }
  const bool plain =
      digits > 0 && digits <= 15 &&
      (j == n || (text[j] != 'e' && text[j] != 'E' && text[j] != 'x' && text[j] != 'X' &&
                  text[j] != 'n' && text[j] != 'N' && text[j] != 'i' && text[j] != 'I'));
  if (plain) {
    double v = static_cast<double>(mantissa);
    if (fraction > 0) {
      v /= kPow10[fraction];
    }
    if (end) {
      *end = j;
    }
    return negative ? -v : v;
  }
  return parseWithStrtod(text, end);
}

bool parseInteger(std::string_view text, int64_t& value, size_t* end) {
  const std::string copy(text.substr(0, 512));
  char* stop = nullptr;
  errno = 0;
  const long long v = std::strtoll(copy.c_str(), &stop, 10);
  if (stop == copy.c_str()) {
    if (end) {
      *end = 0;
    }
    return false;
  }
  value = v;
  if (end) {
    *end = static_cast<size_t>(stop - copy.c_str());
  }
  return true;
}

}  // namespace torvane
