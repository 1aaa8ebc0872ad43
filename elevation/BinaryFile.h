#pragma once
// Block reading of binary elevation files (.tvd, .bil).
//
// The readers fetch samples by file offset through one fixed buffer, so that thinned reads skip
// whole rows and the memory used never depends on what a header declares. Offsets and lengths
// are 64-bit; nothing here trusts a size taken from the file's own header.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>

namespace torvane {

/// Opens a regular file read-only and returns its descriptor (-1 for a missing or unreadable
/// file, a directory, a device or a FIFO, which is never waited on). `size` receives its size.
int openRegularFile(const std::filesystem::path& path, uint64_t& size);

class BinaryFile {
public:
  BinaryFile() = default;
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  /// Opens a regular file for reading. False for a missing or unreadable file, a directory, a
  /// device or a FIFO (which is never waited on).
  bool open(const std::filesystem::path& path);
  void close();
  bool isOpen() const { return mFd >= 0; }
  /// Size in bytes as seen when the file was opened.
  uint64_t size() const { return mSize; }

  /// Reads exactly n bytes at offset; false on a short read or an error.
  bool readAt(uint64_t offset, void* out, size_t n) const;

private:
  int mFd = -1;
  uint64_t mSize = 0;
};

/**
 * @brief Serves byte ranges of a file from one buffer of fixed size, refilling it on demand.
 *
 * Dense access (every sample of a row) refills a whole block at a time; sparse access (one
 * sample out of many) reads only what is asked for, so a large sampling step reads little.
 */
class BlockReader {
public:
  static constexpr size_t kBlock = size_t{1} << 20;

  explicit BlockReader(const BinaryFile& file) : mFile(file), mBuffer(new unsigned char[kBlock]) {}

  /// Pointer to the n bytes (n <= kBlock) at offset, or nullptr when the file ends before them.
  /// With `dense`, a refill reads a whole block ahead; otherwise only the n bytes.
  const unsigned char* at(uint64_t offset, size_t n, bool dense) {
    if (offset >= mStart && offset - mStart + n <= mLength) {
      return mBuffer.get() + (offset - mStart);
    }
    return refill(offset, n, dense);
  }

private:
  const unsigned char* refill(uint64_t offset, size_t n, bool dense);

  const BinaryFile& mFile;
  std::unique_ptr<unsigned char[]> mBuffer;
  uint64_t mStart = 0;
  size_t mLength = 0;
};

inline uint32_t loadLE32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t loadLE64(const unsigned char* p) {
  return uint64_t{loadLE32(p)} | uint64_t{loadLE32(p + 4)} << 32;
}
inline float loadFloatLE(const unsigned char* p) {
  const uint32_t bits = loadLE32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline double loadDoubleLE(const unsigned char* p) {
  const uint64_t bits = loadLE64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline void storeLE32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<unsigned char>(v >> (8 * i));
  }
}
inline void storeDoubleLE(unsigned char* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  storeLE32(p, static_cast<uint32_t>(bits));
  storeLE32(p + 4, static_cast<uint32_t>(bits >> 32));
}
inline void storeFloatLE(unsigned char* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  storeLE32(p, bits);
}

/// True when a row-major block of columns x rows samples of `sampleSize` bytes, starting at
/// `offset`, lies within a file of `fileSize` bytes. Safe for any 32-bit sizes.
inline bool samplesFit(uint64_t fileSize, uint64_t offset, uint64_t sampleSize, uint64_t columns,
                       uint64_t rows) {
  if (fileSize < offset || columns == 0 || rows == 0) {
    return false;
  }
  const uint64_t available = (fileSize - offset) / sampleSize;
  return columns <= available / rows;
}

}  // namespace torvane
