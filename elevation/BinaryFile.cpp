#include "elevation/BinaryFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

BinaryFile::~BinaryFile() { close(); }

int openRegularFile(const std::filesystem::path& path, uint64_t& size) {
  // O_NONBLOCK keeps open() from waiting for a writer when the path names a FIFO; such paths
  // are then refused as not regular.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = static_cast<uint64_t>(st.st_size);
  return fd;
}

bool BinaryFile::open(const std::filesystem::path& path) {
  close();
  mFd = openRegularFile(path, mSize);
  return mFd >= 0;
}

void BinaryFile::close() {
  if (mFd >= 0) {
    ::close(mFd);
    mFd = -1;
  }
  mSize = 0;
}

bool BinaryFile::readAt(uint64_t offset, void* out, size_t n) const {
  auto* p = static_cast<unsigned char*>(out);
  while (n > 0) {
    const ssize_t got = ::pread(mFd, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return false;
    }
    p += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

const unsigned char* BlockReader::refill(uint64_t offset, size_t n, bool dense) {
  if (n > kBlock || offset > mFile.size() || mFile.size() - offset < n) {
    return nullptr;
  }
  size_t length = n;
  if (dense) {
    length = static_cast<size_t>(std::min<uint64_t>(kBlock, mFile.size() - offset));
  }
  mLength = 0;
  if (!mFile.readAt(offset, mBuffer.get(), length)) {
    return nullptr;
  }
  mStart = offset;
  mLength = length;
  return mBuffer.get();
}

}  // namespace torvane
