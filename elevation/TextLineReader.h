#pragma once
// Line-by-line reading of the text files that GSI publishes (and of the other text formats).
//
// Lines are returned the way a 64,000-byte line buffer returns them: a line longer than 63,999
// bytes comes back in pieces of at most 63,999 bytes, each counted as a line. A byte-order mark
// at the start of the file is skipped, and a CR before the LF belongs to the line end. Memory use
// is fixed whatever the file holds.
//
// A path inside a zip archive ("x.zip/member.xml", see Archive.h) is read from the archive: as a
// stream that inflates only what is read, or, with MemberAccess::Whole, inflated once into
// memory so that rewinding and scanning cost nothing more.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "elevation/Archive.h"

namespace torvane {

/// True when `line`, after any leading spaces and tabs, begins with `tag`; `rest` then holds the
/// text after the tag.
bool lineStartsWithTag(std::string_view line, std::string_view tag,
                       std::string_view* rest = nullptr);

class TextLineReader {
public:
  static constexpr size_t kLineBuffer = 64000;

  TextLineReader();
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  using MemberAccess = ArchiveMember::Access;

  /// Opens a regular file, or an archive member named by its member path, for reading. False
  /// for a missing, unreadable or non-regular file, and for a member that cannot be read
  /// (with MemberAccess::Whole: whose data is corrupt). `access` matters only for members.
  bool open(const std::filesystem::path& path, MemberAccess access = MemberAccess::Stream);
  void close();
  bool isOpen() const { return mFd >= 0 || mMember != nullptr; }
  /// True once a read failed (an I/O error, or an archive member's data proved corrupt): what
  /// was returned as the end of the file was not its end.
  bool failed() const { return mFailed; }

  /// The next line without its line end; false at the end of the file or on a read error.
  bool next(std::string_view& line);

  /// Skips to the first following line that starts (after blanks) with `tag` and returns it.
  /// Much faster than calling next() line by line over long blocks that contain no '<'.
  bool skipToLineWithTag(std::string_view tag, std::string_view& line);

  /// Back to the first line of the file (the byte-order mark is skipped again).
  bool rewind();

  /// Number of lines returned since the file was opened or rewound.
  uint64_t lineNumber() const { return mLineNumber; }
  /// Bytes consumed so far (for progress).
  uint64_t bytesConsumed() const { return mConsumed; }
  /// Size of the file in bytes, as seen when it was opened (a member's inflated size).
  uint64_t fileSize() const { return mFileSize; }

private:
  void resetPosition();  // back to the start of the file's bytes, nothing buffered
  bool fill();  // moves the unread tail to the front and reads more; false when nothing new came

  int64_t readSome(char* out, size_t n);  // from the file or the member stream; -1 on error

  int mFd = -1;
  std::unique_ptr<ArchiveMember> mMember;
  std::unique_ptr<char[]> mBuffer;
  const char* mData = nullptr;  // mBuffer, or the member's bytes when it is in memory
  bool mFailed = false;
  size_t mPos = 0;  // next unread byte
  size_t mEnd = 0;  // end of valid data
  bool mEof = false;
  bool mAtFileStart = true;
  uint64_t mLineNumber = 0;
  uint64_t mConsumed = 0;
  uint64_t mFileSize = 0;
};

}  // namespace torvane
