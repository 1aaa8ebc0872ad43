#pragma once
// Zip archives for the tests and the benchmarks: well-formed ones written by libzip, and
// hand-made bytes for the archives no well-behaved tool writes (lying sizes, encryption flags,
// zip64 records, hostile names).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::fixtures {

struct ZipEntry {
  std::string name;
  std::string data;
};

/// Writes the entries in order with libzip, deflated (or stored); false on failure.
bool writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries,
              bool deflate = true);

/// Raw deflate data of `data` (as a zip member stores it).
std::string deflated(std::string_view data);
uint32_t crc32Of(std::string_view data);

//! One member of a hand-made archive: the stored bytes and what the headers claim about them.
struct RawEntry {
  std::string name;
  std::string payload;        //!< the bytes after the local header
  uint16_t method = 0;        //!< 0 stored, 8 deflate
  uint64_t declaredSize = 0;  //!< inflated size written in the headers
  uint32_t crc = 0;
  uint16_t flags = 0;  //!< general purpose bits; 1 marks the member encrypted
  bool zip64 = false;  //!< sizes in a zip64 extra field (forced when they need it)
};

/// A stored member whose headers tell the truth.
RawEntry storedEntry(std::string name, std::string data);
/// A deflated member whose headers tell the truth.
RawEntry deflatedEntry(std::string name, std::string_view data);

/// The archive's bytes: local headers and data, central directory, end record (and the zip64
/// end record and locator when `zip64End` or any entry needs them).
std::string rawZip(const std::vector<RawEntry>& entries, bool zip64End = false);

}  // namespace torvane::fixtures
