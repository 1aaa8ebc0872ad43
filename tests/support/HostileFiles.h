#pragma once
// Hostile elevation input shared by the reader tests and the window soak: archives that lie,
// break or attack (bombs, climbing names, nesting), and the files no reader may wait on or
// believe (FIFOs, folders with a data file's name, empty files, absurd declared sizes).

#include <filesystem>
#include <string>
#include <vector>

namespace torvane::fixtures {

//! One hostile archive: what it is, its bytes, and how many of its members still open.
struct HostileArchive {
  std::string name;
  std::string bytes;
  int members = 0;  //!< DEM members that open (beside any other file of the same open)
};

/// The hostile archives, each holding (or pretending to hold) the DEM XML text `dem`.
std::vector<HostileArchive> hostileArchives(const std::string& dem);

/// A TVD file's header claiming `columns` x `rows` nodes over 35..35.1 N, 139..139.1 E.
std::string tvdHeaderBytes(uint32_t columns, uint32_t rows);

/**
 * @brief Writes hostile elevation files into `dir` and returns their paths: a TVD and a BIL
 * declaring 2^32 - 1 nodes a side, empty .xml/.tvd/.bil/.lem files, folders and FIFOs named
 * like data files, a BIL whose header is a folder, a LEM whose header is a FIFO, and a BIL
 * header of 1 MB binary before its keys. Paths that could not be made are left out.
 */
std::vector<std::filesystem::path> writeHostileElevationFiles(const std::filesystem::path& dir);

}  // namespace torvane::fixtures
