#pragma once
// The one way this program writes a file, whatever it writes (projects, GeoJSON, .tvd grids,
// CSV, images and their world files).
//
// Everything goes to a hidden temporary file in the target's folder (".NAME.tmpPID.XXXXXX"),
// which replaces the target only once completely written: every write, the fsync and the close
// are checked, the file is renamed over the target and the folder is fsynced, so a full disk, a
// failing device or a crash never leaves a cut-off or empty file in place of the old one. On
// any failure the temporary file is removed and the target is untouched. A temporary file left
// by a killed write is removed by the next write of the same target (only when the process
// named in it is gone, so a write still running elsewhere keeps its file).
//
// Before anything is written the target is checked: a symbolic link is followed to the file it
// names (the link stays a link), and a target that is one of the output's inputs (also through
// another path or a link, or the archive holding an input member "ARCHIVE.zip/MEMBER"), that
// the user may not write, or that is not a regular file is refused.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace torvane {

//! Why a write failed.
struct WriteError {
  enum class Kind {
    None,
    System,     //!< the system refused: `code` holds its error number (ENOSPC, EACCES, ...)
    InputFile,  //!< the target is one of the files the output is made from
    NotAFile,   //!< the target exists and is not a regular file (a folder, a device)
    Content,    //!< the content could not be produced; `detail` says why
  };
  Kind kind = Kind::None;
  int code = 0;
  std::filesystem::path path;  //!< the file as the caller named it
  std::string detail;

  explicit operator bool() const { return kind != Kind::None; }
  /// The reason in the system's own words ("No space left on device").
  std::string reason() const;
  /// "cannot write PATH: reason".
  std::string message() const;
  /// "PATH: reason" with the reason in the program's Japanese texts, for the window.
  std::string localMessage() const;
};

//! What a written file must not replace.
struct WriteGuard {
  //! The files the output is made from. A member path "ARCHIVE.zip/MEMBER" stands for its
  //! archive. Compared by identity (device and inode), so other spellings and links count.
  std::span<const std::filesystem::path> inputs;
};

/**
 * @brief One file being written safely (see the top of this header).
 *
 * The constructor checks the target and creates the temporary file; when that fails, ok() is
 * false and error() says why. Writes are buffered; the first failure is kept and later writes
 * do nothing. commit() replaces the target. The destructor removes the temporary file of a
 * write that was not committed.
 */
class AtomicFile {
public:
  AtomicFile(const std::filesystem::path& path, const WriteGuard& guard = {});
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return !mError; }
  const WriteError& error() const { return mError; }

  bool write(const void* data, size_t size);
  bool write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
  /// printf-style formatted text.
  bool print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  /// Abandons the file for a reason of the caller's own (the content could not be produced).
  void fail(std::string detail);

  /**
   * @brief The temporary file's path, for a library that writes a file by name (GDAL). It
   * writes there (replacing the empty file) before commit(); commit() then syncs the file found
   * under that name.
   */
  const std::filesystem::path& temporaryPath();

  /// Flushes, fsyncs and closes the file, renames it over the target and fsyncs the folder.
  bool commit();

  /**
   * @brief Commits several files that belong together (an image and its world file): every
   * file is written out and synced first, then all targets are replaced; when one cannot be,
   * those already replaced get their old content back (or are removed when they were new). On
   * failure `error` holds the first file's failure.
   */
  static bool commitAll(std::span<AtomicFile* const> files, WriteError* error = nullptr);

private:
  bool flushBuffer();
  bool finishWriting();
  void setSystemError(int code);

  std::filesystem::path mPath;    // as named by the caller
  std::filesystem::path mTarget;  // the file replaced: mPath with its links followed
  std::filesystem::path mTemp;
  int mFd = -1;
  bool mByName = false;
  bool mCommitted = false;
  std::string mBuffer;
  WriteError mError;
};

/// Writes a file by `write`, which fills it through the AtomicFile and returns false to abandon
/// it. False with `error` (when given) set on any failure.
bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(AtomicFile&)>& write,
                         const WriteGuard& guard = {}, WriteError* error = nullptr);

/// writeFileAtomically with the whole content at hand.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const WriteGuard& guard = {}, WriteError* error = nullptr);

//! One file of a group written together.
struct OutputFile {
  std::filesystem::path path;
  std::string_view bytes;
};

/// Writes files that belong together (an image and its world file): all of them are replaced,
/// or none (see AtomicFile::commitAll).
bool writeFilesAtomically(std::span<const OutputFile> files, const WriteGuard& guard = {},
                          WriteError* error = nullptr);

/**
 * @brief The checks a write of `path` would make before writing anything (inputs, access,
 * kind of file), for a command that refuses early, before its work and before its first file.
 * False with `error` set when the write would be refused.
 */
bool checkWriteTarget(const std::filesystem::path& path, const WriteGuard& guard,
                      WriteError* error = nullptr);

//! The system calls through which the writer touches the disk. Tests replace them to make a
//! write, an fsync, a close or a rename fail as a full disk or a failing device does.
struct WriterSystemCalls {
  ssize_t (*write)(int fd, const void* data, size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  //! renameat2 on the current folder: flags 0 (replace) or RENAME_EXCHANGE.
  int (*rename)(const char* from, const char* to, unsigned int flags);
};

/// The calls of the system itself.
WriterSystemCalls systemWriterCalls();

/// While it lives, the writer uses `calls` (tests only; not for use while another thread
/// writes a file).
class ScopedWriterSystemCalls {
public:
  explicit ScopedWriterSystemCalls(const WriterSystemCalls& calls);
  ~ScopedWriterSystemCalls();
  ScopedWriterSystemCalls(const ScopedWriterSystemCalls&) = delete;
  ScopedWriterSystemCalls& operator=(const ScopedWriterSystemCalls&) = delete;

private:
  WriterSystemCalls mSaved;
};

}  // namespace torvane
