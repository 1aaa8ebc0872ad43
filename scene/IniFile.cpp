#include "scene/IniFile.h"

#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cmath>

#include "elevation/BinaryFile.h"
#include "scene/TextEncoding.h"

namespace torvane {

namespace {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && isBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

std::string_view unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    return s.substr(1, s.size() - 2);
  }
  return s;
}

}  // namespace

IniFile IniFile::parse(std::string_view text) {
  IniFile ini;
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty()) {
      continue;
    }
    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (close == std::string_view::npos) {
        continue;
      }
      const std::string_view name = trim(line.substr(1, close - 1));
      current = ini.findSection(name);
      if (current == nullptr) {
        ini.mSections.push_back({std::string(name), {}});
        current = &ini.mSections.back();
      }
      continue;
    }
    const size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos || line.front() == ';') {
      continue;
    }
    const std::string_view key = trim(line.substr(0, equals));
    if (key.empty()) {
      continue;
    }
    bool seen = false;
    for (const Entry& e : current->entries) {
      seen = seen || sameName(e.key, key);
    }
    if (!seen) {
      current->entries.push_back(
          {std::string(key), std::string(unquote(trim(line.substr(equals + 1))))});
    }
  }
  return ini;
}

std::optional<IniFile> IniFile::read(const std::filesystem::path& path) {
  uint64_t size = 0;
  const int fd = openRegularFile(path, size);
  if (fd < 0) {
    return std::nullopt;
  }
  std::string bytes;
  bool ok = size <= kMaxFileSize;
  if (ok) {
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n == 0) {
        bytes.resize(done);  // the file shrank while it was read
      } else if (errno != EINTR) {
        ok = false;
      }
    }
  }
  ::close(fd);
  if (!ok) {
    return std::nullopt;
  }
  return parse(decodeText(bytes));
}

IniFile::Section* IniFile::findSection(std::string_view name) {
  for (Section& s : mSections) {
    if (sameName(s.name, name)) {
      return &s;
    }
  }
  return nullptr;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
  return const_cast<IniFile*>(this)->findSection(name);
}

const std::string* IniFile::find(std::string_view section, std::string_view key) const {
  const Section* s = findSection(section);
  if (s == nullptr) {
    return nullptr;
  }
  for (const Entry& e : s->entries) {
    if (sameName(e.key, key)) {
      return &e.value;
    }
  }
  return nullptr;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = findSection(section);
  if (s == nullptr) {
    mSections.push_back({std::string(section), {}});
    s = &mSections.back();
  }
  for (Entry& e : s->entries) {
    if (sameName(e.key, key)) {
      e.value = value;
      return;
    }
  }
  s->entries.push_back({std::string(key), std::string(value)});
}

std::string IniFile::text() const {
  std::string out;
  for (const Section& s : mSections) {
    out += '[';
    out += s.name;
    out += "]\n";
    for (const Entry& e : s.entries) {
      out += e.key;
      out += '=';
      out += e.value;
      out += '\n';
    }
  }
  return out;
}

int32_t profileInt(const std::string* value, int32_t fallback) {
  if (value == nullptr || value->empty()) {
    return fallback;
  }
  std::string_view s = trim(*value);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  uint32_t n = 0;  // modulo 2^32, as the stored value is a 32-bit one either way
  for (const char c : s) {
    if (c < '0' || c > '9') {
      break;
    }
    n = n * 10u + static_cast<uint32_t>(c - '0');
  }
  if (negative) {
    n = 0u - n;
  }
  return static_cast<int32_t>(n);
}

std::optional<double> profileDouble(const std::string* value) {
  if (value == nullptr || value->empty()) {
    return std::nullopt;
  }
  std::string_view s = trim(*value);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.')) {
    return 0.0;  // no number at all: the stored text reads as zero
  }
  double d = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), d);
  if (result.ec == std::errc::invalid_argument) {
    return 0.0;
  }
  if (result.ec != std::errc() || !std::isfinite(d)) {
    return std::nullopt;  // out of range: not a usable number
  }
  return negative ? -d : d;
}

}  // namespace torvane
