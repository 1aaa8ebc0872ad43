#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace torvane::cli {

namespace {
// Length of the valid UTF-8 sequence at the start of s, or 0 when it is not one.
size_t utf8SequenceLength(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  size_t n;
  uint32_t cp;
  if (c < 0x80) {
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() < n) {
    return 0;
  }
  for (size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  const bool overlong = (n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}
}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      const size_t n = utf8SequenceLength(text.substr(i));
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text.substr(i, n));
        i += n;
      }
    }
  }
  out += '"';
}

void JsonWriter::separate() {
  if (mAfterKey) {
    mAfterKey = false;
    return;
  }
  if (!mFirst.empty()) {
    if (!mFirst.back()) {
      mOut += ',';
    }
    mFirst.back() = false;
  }
}

JsonWriter& JsonWriter::beginObject() {
  separate();
  mOut += '{';
  mFirst.push_back(true);
  return *this;
}
JsonWriter& JsonWriter::endObject() {
  mOut += '}';
  mFirst.pop_back();
  return *this;
}
JsonWriter& JsonWriter::beginArray() {
  separate();
  mOut += '[';
  mFirst.push_back(true);
  return *this;
}
JsonWriter& JsonWriter::endArray() {
  mOut += ']';
  mFirst.pop_back();
  return *this;
}
JsonWriter& JsonWriter::key(std::string_view name) {
  separate();
  appendJsonString(mOut, name);
  mOut += ':';
  mAfterKey = true;
  return *this;
}
JsonWriter& JsonWriter::value(std::string_view text) {
  separate();
  appendJsonString(mOut, text);
  return *this;
}
JsonWriter& JsonWriter::value(double number) {
  separate();
  if (!std::isfinite(number)) {
    mOut += "null";  // JSON has no NaN or infinity
    return *this;
  }
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, number);
  mOut.append(buf, r.ptr);
  return *this;
}
JsonWriter& JsonWriter::value(int64_t number) {
  separate();
  mOut += std::to_string(number);
  return *this;
}
JsonWriter& JsonWriter::value(uint64_t number) {
  separate();
  mOut += std::to_string(number);
  return *this;
}
JsonWriter& JsonWriter::value(bool flag) {
  separate();
  mOut += flag ? "true" : "false";
  return *this;
}
JsonWriter& JsonWriter::null() {
  separate();
  mOut += "null";
  return *this;
}

}  // namespace torvane::cli
