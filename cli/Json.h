#pragma once
// A small streaming JSON writer for the command-line tool's one-object outputs. Doubles are
// written in the shortest form that reads back to the same value; strings are UTF-8 with
// invalid bytes replaced by U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::cli {

class JsonWriter {
public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view text);
  JsonWriter& value(const char* text) { return value(std::string_view(text)); }
  JsonWriter& value(double number);
  JsonWriter& value(int64_t number);
  JsonWriter& value(uint64_t number);
  JsonWriter& value(int number) { return value(static_cast<int64_t>(number)); }
  JsonWriter& value(uint32_t number) { return value(static_cast<uint64_t>(number)); }
  JsonWriter& value(bool flag);
  JsonWriter& null();

  template <typename T>
  JsonWriter& field(std::string_view name, const T& v) {
    key(name);
    return value(v);
  }

  const std::string& str() const { return mOut; }

private:
  void separate();
  std::string mOut;
  std::vector<bool> mFirst;  // per open container: no element written yet
  bool mAfterKey = false;
};

/// Appends `text` as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace torvane::cli
