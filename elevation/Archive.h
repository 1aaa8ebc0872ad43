#pragma once
// GSI downloads read in place: zip archives whose .xml members are opened like DEM XML files on
// disk, with nothing extracted.
//
// A member is addressed by a path: the archive's path joined with the member's name, for example
// ".../FG-GML-543745-DEM10B-20161001.zip/FG-GML-5437-45-dem10b-20161001.xml". TextLineReader
// opens such paths directly, so every reader of text, and every list of paths (a project's file
// section, a command line, a drop), may name a member; a project stores it relative to its folder
// as "NAME.zip/MEMBER.xml" and resolves it like any relative path. The path of an archive itself
// is replaced by the paths of its DEM XML members with expandArchives().
//
// Hostile archives fail cleanly: nothing is allocated from a declared size beyond a fixed cap,
// inflated data must match its declared size and CRC, encrypted members and members whose names
// could climb out of a folder ("../x", "/etc/x") are never listed or opened, and an archive inside
// an archive is not opened.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "elevation/FileProblems.h"

namespace torvane {

/// The most that deflate data can inflate: its densest code spends 2 bits on a 258-byte match,
/// so 258 x 8 / 2 = 1032 output bytes per input byte. A member declaring more is lying.
inline constexpr uint64_t kMaxDeflateRatio = 1032;

/// True when the path's extension is ".zip", compared without regard to case.
bool isArchivePath(const std::filesystem::path& path);

//! A member path taken apart.
struct MemberLocation {
  std::filesystem::path archive;  //!< the archive file on disk
  std::string name;               //!< the member's name in the archive ("x.xml", "dir/x.xml")
};

/**
 * @brief The archive and member that a path names.
 *
 * std::nullopt when the path names something that exists on disk, or when none of its leading
 * parts is a regular file with the extension ".zip". Only one level counts: in
 * "a.zip/b.zip/c.xml" the member is "b.zip/c.xml" of a.zip, never a member of an inner archive.
 */
std::optional<MemberLocation> locateMember(const std::filesystem::path& path);

/// The folder on disk that holds the path: for a member path, the folder of its archive.
std::filesystem::path folderOnDisk(const std::filesystem::path& path);

/// True for a member name that is safe to show and to join to a path: not empty, not absolute,
/// no drive prefix, and no empty, "." or ".." part between its '/' or '\' separators.
bool isSafeMemberName(std::string_view name);

/**
 * @brief The member paths of an archive's DEM XML members (".xml", any case), in the archive's
 * order.
 *
 * Members that are folders, encrypted, compressed by a method this build cannot inflate, named
 * unsafely, named like an earlier member, or that declare sizes their data cannot have (stored
 * data of another length, deflate data inflating more than kMaxDeflateRatio times) are left
 * out. std::nullopt, with `error` set when given, when the file is not a readable zip archive
 * (missing, truncated, a corrupt central directory).
 */
std::optional<std::vector<std::filesystem::path>> listArchiveMembers(
    const std::filesystem::path& archive, std::string* error = nullptr);

/// The paths with each archive path (isArchivePath) replaced by its member paths; an unreadable
/// archive, or one without DEM XML members, contributes none, and is added to `problems` with
/// its reason when given.
std::vector<std::filesystem::path> expandArchives(std::span<const std::filesystem::path> paths,
                                                  FileProblems* problems = nullptr);

/**
 * @brief One archive member opened for reading.
 *
 * Stream access inflates as the caller reads, in small pieces, so reading a header inflates
 * little more than the header. Whole access inflates the member once into memory (deflate by
 * libdeflate from the raw data, which is several times faster than a stream); members declared
 * larger than kMaxWholeBytes are streamed instead (inMemory() then stays false). Both check the
 * inflated size and CRC against the archive's directory.
 *
 * Each object opens the archive itself, so objects on different threads share nothing.
 */
class ArchiveMember {
public:
  enum class Access { Stream, Whole };
  static constexpr uint64_t kMaxWholeBytes = uint64_t{256} << 20;

  ArchiveMember();
  ~ArchiveMember();
  ArchiveMember(const ArchiveMember&) = delete;
  ArchiveMember& operator=(const ArchiveMember&) = delete;

  /// False when the archive cannot be read, has no such member (or only an encrypted or unsafely
  /// named one), or, with Whole access, when the member's data is corrupt.
  bool open(const MemberLocation& where, Access access);
  void close();

  /// The inflated size the archive declares.
  uint64_t size() const;
  /// True when the whole member is in memory (data()).
  bool inMemory() const;
  /// The inflated bytes (inMemory() only).
  std::string_view data() const;

  /// Streamed reading: up to n bytes into out; 0 at the end, -1 when the data is corrupt or
  /// disagrees with its declared size or CRC.
  int64_t read(char* out, size_t n);
  /// Back to the first byte. False when the member cannot be opened again.
  bool rewind();

private:
  struct Impl;
  std::unique_ptr<Impl> mImpl;
};

}  // namespace torvane
