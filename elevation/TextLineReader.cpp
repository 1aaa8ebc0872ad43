#include "elevation/TextLineReader.h"

#include "elevation/BinaryFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace torvane {

namespace {
constexpr size_t kBufferSize = size_t{1} << 20;  // holds many full lines: refills stay rare
constexpr size_t kMaxPiece = TextLineReader::kLineBuffer - 1;
// A streamed member is inflated in pieces this large, so a header costs little more than itself.
constexpr size_t kStreamPiece = size_t{16} << 10;
}  // namespace

bool lineStartsWithTag(std::string_view line, std::string_view tag, std::string_view* rest) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
    ++i;
  }
  if (line.size() - i < tag.size() || line.compare(i, tag.size(), tag) != 0) {
    return false;
  }
  if (rest) {
    *rest = line.substr(i + tag.size());
  }
  return true;
}

TextLineReader::TextLineReader() : mBuffer(new char[kBufferSize]), mData(mBuffer.get()) {}

TextLineReader::~TextLineReader() { close(); }

bool TextLineReader::open(const std::filesystem::path& path, MemberAccess access) {
  close();
  mFd = openRegularFile(path, mFileSize);
  if (mFd >= 0) {
    ::posix_fadvise(mFd, 0, 0, POSIX_FADV_SEQUENTIAL);
    resetPosition();
    return true;
  }
  const std::optional<MemberLocation> member = locateMember(path);
  if (!member) {
    return false;
  }
  mMember = std::make_unique<ArchiveMember>();
  if (!mMember->open(*member, access)) {
    mMember.reset();
    return false;
  }
  mFileSize = mMember->size();
  resetPosition();
  return true;
}

void TextLineReader::resetPosition() {
  mPos = mEnd = 0;
  mEof = false;
  mAtFileStart = true;
  mLineNumber = 0;
  mConsumed = 0;
  mData = mBuffer.get();
  if (mMember && mMember->inMemory()) {
    // The whole member is the buffer: nothing more to fill.
    const std::string_view all = mMember->data();
    mData = all.data();
    mEnd = all.size();
    mEof = true;
    mAtFileStart = false;
    if (all.substr(0, 3) == "\xEF\xBB\xBF") {
      mPos = mConsumed = 3;
    }
  }
}

void TextLineReader::close() {
  if (mFd >= 0) {
    ::close(mFd);
    mFd = -1;
  }
  mMember.reset();
  mData = mBuffer.get();
  mFailed = false;
}

bool TextLineReader::rewind() {
  if (mMember) {
    if (!mMember->rewind()) {
      return false;
    }
  } else if (mFd < 0 || ::lseek(mFd, 0, SEEK_SET) != 0) {
    return false;
  }
  resetPosition();
  return true;
}

int64_t TextLineReader::readSome(char* out, size_t n) {
  if (mMember) {
    return mMember->read(out, std::min(n, kStreamPiece));
  }
  for (;;) {
    const ssize_t got = ::read(mFd, out, n);
    if (got >= 0 || errno != EINTR) {
      return got;
    }
  }
}

bool TextLineReader::fill() {
  if (mEof || !isOpen()) {
    return false;
  }
  if (mPos > 0) {
    std::memmove(mBuffer.get(), mBuffer.get() + mPos, mEnd - mPos);
    mEnd -= mPos;
    mPos = 0;
  }
  size_t added = 0;
  while (mEnd < kBufferSize) {
    const int64_t n = readSome(mBuffer.get() + mEnd, kBufferSize - mEnd);
    if (n <= 0) {
      mFailed = mFailed || n < 0;
      mEof = true;
      break;
    }
    mEnd += static_cast<size_t>(n);
    added += static_cast<size_t>(n);
    // A member stream returns its small pieces one at a time: a header read stops early.
    if (added >= kBufferSize / 2 || mMember) {
      break;
    }
  }
  if (mAtFileStart && mEnd >= 3) {
    mAtFileStart = false;
    if (std::memcmp(mBuffer.get(), "\xEF\xBB\xBF", 3) == 0) {
      mPos = 3;
      mConsumed += 3;
    }
  } else if (mAtFileStart && mEof) {
    mAtFileStart = false;
  }
  return added > 0;
}

bool TextLineReader::next(std::string_view& line) {
  for (;;) {
    const size_t avail = mEnd - mPos;
    const size_t window = avail < kMaxPiece ? avail : kMaxPiece;
    const char* start = mData + mPos;
    const void* nl = std::memchr(start, '\n', window);
    if (nl || window == kMaxPiece || (mEof && avail > 0 && !mAtFileStart)) {
      size_t len;
      size_t consumed;
      if (nl) {
        len = static_cast<size_t>(static_cast<const char*>(nl) - start);
        consumed = len + 1;
        if (len > 0 && start[len - 1] == '\r') {
          --len;
        }
      } else {
        len = consumed = window;
      }
      line = std::string_view(start, len);
      mPos += consumed;
      mConsumed += consumed;
      ++mLineNumber;
      return true;
    }
    if (!fill()) {
      if (mEnd == mPos) {
        return false;
      }
      mEof = true;
      mAtFileStart = false;
    }
  }
}

bool TextLineReader::skipToLineWithTag(std::string_view tag, std::string_view& line) {
  // Invariant: mPos is at the start of a line. Look for '<' (absent from tuple blocks), then
  // check whether only blanks stand between the start of its line and the tag.
  for (;;) {
    const char* base = mData;
    const char* p = base + mPos;
    const char* end = base + mEnd;
    const char* lastLineStart = p;
    while (p < end) {
      const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
      if (!lt) {
        break;
      }
      // Start of the line that holds the '<'.
      const char* ls = lt;
      while (ls > lastLineStart && ls[-1] != '\n') {
        --ls;
      }
      bool blanksOnly = true;
      for (const char* q = ls; q < lt; ++q) {
        if (*q != ' ' && *q != '\t') {
          blanksOnly = false;
          break;
        }
      }
      lastLineStart = ls;
      if (blanksOnly && static_cast<size_t>(end - lt) >= tag.size() &&
          std::memcmp(lt, tag.data(), tag.size()) == 0) {
        const size_t skipped = static_cast<size_t>(ls - (base + mPos));
        mConsumed += skipped;
        mPos = static_cast<size_t>(ls - base);
        mLineNumber = 0;  // no longer counted
        if (next(line)) {
          return true;
        }
        return false;
      }
      if (blanksOnly && static_cast<size_t>(end - lt) < tag.size() && !mEof) {
        break;  // the tag may continue in the next block
      }
      p = lt + 1;
    }
    // Keep the last (possibly incomplete) line; drop everything before it.
    const char* keep = end;
    while (keep > base + mPos && keep[-1] != '\n') {
      --keep;
    }
    if (keep == base + mPos && static_cast<size_t>(end - keep) >= kBufferSize / 2) {
      keep = end;  // one enormous line without a tag: nothing to keep
    }
    mConsumed += static_cast<size_t>(keep - (base + mPos));
    mPos = static_cast<size_t>(keep - base);
    if (!fill()) {
      if (mEof) {
        return false;
      }
    }
    if (mEof && mPos >= mEnd) {
      return false;
    }
  }
}

}  // namespace torvane
