#pragma once
// The program's own binary elevation grid (.tvd): a 40-byte little-endian header (columns and
// rows as unsigned 32-bit integers, then the south, west, north and east edges in degrees as
// 64-bit floats), followed by columns x rows 32-bit float heights in metres, row by row from
// north to south, each row from west to east. The reader stores negative heights as 0, and NaN
// and infinite heights too (they are no heights at all; 0 is what every other invalid height
// becomes).

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "elevation/AtomicFile.h"

namespace torvane {

inline constexpr size_t kTvdHeaderSize = 40;

struct TvdHeader {
  uint32_t columns = 0;
  uint32_t rows = 0;
  double south = 0, west = 0, north = 0, east = 0;  //!< degrees

  double dLon() const { return (east - west) / static_cast<double>(columns - 1); }
  double dLat() const { return (north - south) / static_cast<double>(rows - 1); }
  /// At least 2 x 2 nodes, finite plausible corners, increasing from west to east and from
  /// south to north.
  bool valid() const;
};

void encodeTvdHeader(const TvdHeader& header, unsigned char out[kTvdHeaderSize]);
TvdHeader decodeTvdHeader(const unsigned char in[kTvdHeaderSize]);

/**
 * @brief Writes a .tvd file: heights (metres) of columns x rows nodes, north row first.
 *
 * Written safely (elevation/AtomicFile.h): an existing file is replaced only once the new one
 * is complete, and a target among `guard`'s inputs is refused. False (with `error` set, "PATH:
 * reason") when the header is invalid, the height count does not match it, or writing fails.
 */
bool writeTvd(const std::filesystem::path& path, const TvdHeader& header,
              std::span<const double> heights, std::string* error = nullptr,
              const WriteGuard& guard = {});

//! Outcome of convertToTvd.
enum class ConvertStatus {
  Written,
  NotGeographic,  //!< not a .xml, .bil or .tvd path (LEM data has no latitude/longitude)
  NoValidData,    //!< the reader rejected the file or could not read all of it
  TooLarge,       //!< more nodes than the caller allows at full resolution
  WriteFailed,
};

/**
 * @brief Converts one elevation file (.xml, .bil or .tvd) into a .tvd of its full-resolution
 * grid.
 *
 * The source is read by its own reader at sampling step 1; negative heights are already 0 there.
 * Heights are stored as 32-bit floats, so a reopened file has the same corners and node
 * positions and each height rounded to the nearest 32-bit float. `error` receives a description
 * of any failure; the target is left untouched unless the status is Written, and a target that
 * is the source itself (another spelling, a link, the archive of a member) is refused.
 */
ConvertStatus convertToTvd(const std::filesystem::path& source, const std::filesystem::path& target,
                           std::string& error, uint64_t maxNodes = 10'000'000);

}  // namespace torvane
