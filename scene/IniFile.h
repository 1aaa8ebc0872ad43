#pragma once
// The INI text of project files: "[Section]" headers, then "Key=Value" lines. Written in the
// order the keys were set; read the way the profile files of the format were always read:
// section and key names compare without regard to ASCII case, blanks around names and values
// are dropped, a value wrapped in matching quotes loses them, the first of two equal keys wins,
// and lines of any other shape (comments included) are ignored.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class IniFile {
public:
  //! Project files are small; anything larger than this is not one.
  static constexpr uint64_t kMaxFileSize = 4u << 20;

  /// Parses UTF-8 text (lines end in LF or CRLF).
  static IniFile parse(std::string_view text);
  /// Reads and parses a file as UTF-8, or as CP932 when it is not valid UTF-8 (see decodeText).
  /// std::nullopt when it cannot be read or is larger than kMaxFileSize.
  static std::optional<IniFile> read(const std::filesystem::path& path);

  /// The value of `key` in `section`, or nullptr when there is no such key.
  const std::string* find(std::string_view section, std::string_view key) const;

  /// Appends `key` with `value` to `section` (created at the end when new). Setting a key that
  /// exists replaces its value in place.
  void set(std::string_view section, std::string_view key, std::string_view value);

  /// The text: each section header followed by its keys, in the order they were set, lines
  /// ending in LF.
  std::string text() const;

private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  Section* findSection(std::string_view name);
  const Section* findSection(std::string_view name) const;

  std::vector<Section> mSections;
};

/**
 * @brief Profile-style integer of a stored value: optional blanks and sign, then decimal digits
 * up to the first other character, taken modulo 2^32 as a signed 32-bit value (so 4294967295
 * reads as -1).
 *
 * A value without digits reads as 0; `fallback` is for a key that is absent or empty.
 */
int32_t profileInt(const std::string* value, int32_t fallback);

/// Profile-style double: the longest decimal number at the start of the value (blanks
/// skipped), 0 when there is none; std::nullopt for an absent key and for a value that is not a
/// finite number.
std::optional<double> profileDouble(const std::string* value);

}  // namespace torvane
