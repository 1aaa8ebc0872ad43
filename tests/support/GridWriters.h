#pragma once
// Writers of the other elevation formats for tests, benchmarks and fuzz seeds: BIL rasters with
// their .hdr, and LEM grids with their .csv header in either layout. (.tvd files are written by
// the core's own writer, elevation/TvdFile.h.)

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace torvane::fixtures {

struct BilTile {
  int columns = 4;
  int rows = 3;
  double ulxmap = 139.0, ulymap = 36.0, xdim = 0.01, ydim = 0.01;
  std::vector<int16_t> samples;  //!< feet, row by row from north; missing samples are 0
  bool crlf = false;
};

/// The 14-line header as a BIL producer writes it (keys on their fixed lines).
std::string bilHeaderText(const BilTile& tile);
/// The samples as big-endian 16-bit integers.
std::string bilData(const BilTile& tile);
/// Writes path (.bil) and the header beside it (.hdr); false when a file cannot be written.
bool writeBil(const std::filesystem::path& path, const BilTile& tile);

struct LemTile {
  int columns = 3;
  int rows = 3;
  int zone = 9;
  double west = -10000.0, south = -20000.0, east = -9990.0, north = -19990.0;  //!< metres
  std::vector<int> decimetres;  //!< row by row from north; missing fields are -9999
  bool crlf = true;
};

/// The header in layout A (data folder ending in "LEM": 26 lines) or layout B (21 lines).
std::string lemHeaderText(const LemTile& tile, bool layoutA);
/// The data lines: a 10-character prefix, then one 5-character field per column.
std::string lemText(const LemTile& tile);
/// Writes the data file and its header at the given paths.
bool writeLem(const std::filesystem::path& lemPath, const std::filesystem::path& csvPath,
              const LemTile& tile, bool layoutA);

/// Writes bytes to a file; false on failure.
bool writeBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace torvane::fixtures
