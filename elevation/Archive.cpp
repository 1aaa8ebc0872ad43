#include "elevation/Archive.h"

#include <algorithm>
#include <cctype>
#include <libdeflate.h>
#include <system_error>
#include <unordered_set>
#include <zip.h>

#include "elevation/Readers.h"

namespace torvane {

namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) {
    return false;
  }
  const std::string_view tail = text.substr(text.size() - suffix.size());
  return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// A name ends with ".xml" after its last separator.
bool isDemXmlName(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return base.size() > 4 && endsWithIgnoringCase(base, ".xml");
}

std::string zipErrorText(int code) {
  zip_error_t e;
  zip_error_init_with_code(&e, code);
  std::string text = zip_error_strerror(&e);
  zip_error_fini(&e);
  return text;
}

//! An archive opened read-only, closed when it goes.
struct ZipArchive {
  zip_t* zip = nullptr;
  uint64_t fileSize = 0;

  ZipArchive() = default;
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;
  ~ZipArchive() { close(); }

  bool open(const std::filesystem::path& path, std::string* error) {
    close();
    std::error_code ec;
    // Only regular files: a FIFO or device would make the library wait or read forever.
    if (!std::filesystem::is_regular_file(path, ec)) {
      if (error) {
        *error = "not a file";
      }
      return false;
    }
    fileSize = std::filesystem::file_size(path, ec);
    int code = 0;
    zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip && error) {
      *error = zipErrorText(code);
    }
    return zip != nullptr;
  }
  void close() {
    if (zip) {
      zip_discard(zip);  // read-only: nothing to write back
      zip = nullptr;
    }
  }
  uint64_t entries() const {
    const zip_int64_t n = zip_get_num_entries(zip, 0);
    return n > 0 ? static_cast<uint64_t>(n) : 0;
  }
  // Entry i when its name, sizes, method and encryption are known and it can be read; the name
  // as the library reports it (UTF-8, or CP437 converted when the archive does not say).
  bool readable(uint64_t i, zip_stat_t& st) const {
    zip_stat_init(&st);
    if (zip_stat_index(zip, i, 0, &st) != 0) {
      return false;
    }
    const zip_uint64_t needed = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE |
                                ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
    if ((st.valid & needed) != needed || st.encryption_method != ZIP_EM_NONE ||
        st.comp_size > fileSize) {
      return false;
    }
    // Sizes the data cannot have are lies, refused before anything reads them: stored data is
    // as long as it is, and deflate inflates at most kMaxDeflateRatio times.
    if ((st.comp_method == ZIP_CM_STORE && st.size != st.comp_size) ||
        (st.comp_method == ZIP_CM_DEFLATE && st.size / kMaxDeflateRatio > st.comp_size + 1)) {
      return false;
    }
    return zip_compression_method_supported(st.comp_method, 0) != 0;
  }
};

//! A member's data stream, closed when it goes.
struct ZipFile {
  zip_file_t* file = nullptr;
  ZipFile() = default;
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  ~ZipFile() { close(); }
  void close() {
    if (file) {
      zip_fclose(file);
      file = nullptr;
    }
  }
  // Reads exactly n bytes; false when the data ends early or is corrupt.
  bool readExactly(char* out, uint64_t n) {
    while (n > 0) {
      const zip_int64_t got = zip_fread(file, out, n);
      if (got <= 0) {
        return false;
      }
      out += got;
      n -= static_cast<uint64_t>(got);
    }
    return true;
  }
  // True when nothing follows (the data is no longer than declared and its end checks out).
  bool atEnd() {
    char probe;
    return zip_fread(file, &probe, 1) == 0;
  }
};

}  // namespace

bool isArchivePath(const std::filesystem::path& path) { return hasExtension(path, ".zip"); }

bool isSafeMemberName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') {
    return false;
  }
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    return false;  // "C:..." names a drive
  }
  size_t start = 0;
  for (;;) {
    const size_t end = name.find_first_of("/\\", start);
    const std::string_view part =
        name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string_view::npos) {
      return false;
    }
    if (end == std::string_view::npos) {
      return true;
    }
    start = end + 1;
  }
}

std::optional<MemberLocation> locateMember(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
    return std::nullopt;
  }
  std::filesystem::path prefix;
  for (auto it = path.begin(); it != path.end(); ++it) {
    prefix /= *it;
    if (!isArchivePath(prefix) || !std::filesystem::is_regular_file(prefix, ec)) {
      continue;
    }
    std::string name;
    for (++it; it != path.end(); ++it) {
      if (!name.empty()) {
        name += '/';
      }
      name += it->string();
    }
    if (name.empty()) {
      return std::nullopt;
    }
    return MemberLocation{prefix, name};
  }
  return std::nullopt;
}

std::filesystem::path folderOnDisk(const std::filesystem::path& path) {
  if (const std::optional<MemberLocation> member = locateMember(path)) {
    return member->archive.parent_path();
  }
  return path.parent_path();
}

std::optional<std::vector<std::filesystem::path>> listArchiveMembers(
    const std::filesystem::path& archive, std::string* error) {
  ZipArchive zip;
  if (!zip.open(archive, error)) {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> members;
  std::unordered_set<std::string> seen;
  const uint64_t n = zip.entries();
  for (uint64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (!zip.readable(i, st)) {
      continue;
    }
    const std::string_view name = st.name;
    if (!isDemXmlName(name) || !isSafeMemberName(name) || !seen.emplace(name).second) {
      continue;
    }
    members.push_back(archive / std::filesystem::path(std::string(name)));
  }
  return members;
}

std::vector<std::filesystem::path> expandArchives(std::span<const std::filesystem::path> paths,
                                                  FileProblems* problems) {
  std::vector<std::filesystem::path> out;
  for (const std::filesystem::path& path : paths) {
    if (!isArchivePath(path)) {
      out.push_back(path);
      continue;
    }
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) {
      out.push_back(path);  // a folder that happens to end in .zip is no archive
      continue;
    }
    std::optional<std::vector<std::filesystem::path>> members;
    std::string reason;
    if (!std::filesystem::exists(status)) {
      reason = "not found";
    } else if (members = listArchiveMembers(path, &reason); !members) {
      reason = "damaged archive (" + reason + ")";
    } else if (members->empty()) {
      reason = "no DEM XML in the archive";
    }
    if (!reason.empty() && problems != nullptr) {
      problems->push_back({path, reason});
    }
    if (members) {
      out.insert(out.end(), members->begin(), members->end());
    }
  }
  return out;
}

struct ArchiveMember::Impl {
  ZipArchive zip;
  ZipFile stream;
  uint64_t index = 0;
  uint64_t size = 0;
  uint32_t expectedCrc = 0;
  // Streamed reading.
  uint64_t delivered = 0;
  uint32_t crc = 0;
  bool failed = false;
  bool endChecked = false;
  // Whole access.
  std::unique_ptr<char[]> data;
  bool inMemory = false;

  bool openStream() {
    stream.close();
    delivered = 0;
    crc = 0;
    failed = false;
    endChecked = false;
    stream.file = zip_fopen_index(zip.zip, index, 0);
    return stream.file != nullptr;
  }

  bool inflateWhole(const zip_stat_t& st) {
    // Allocated at the declared size before any data is read. The size is only a claim, but
    // readable() bounded it by the compressed size, which the archive file bounds (equal for
    // stored data, kMaxDeflateRatio times for deflate data), and whole access takes members of
    // at most kMaxWholeBytes; a failed allocation fails the member.
    std::unique_ptr<char[]> out(new (std::nothrow) char[std::max<uint64_t>(size, 1)]);
    if (!out) {
      return false;
    }
    if (st.comp_method == ZIP_CM_DEFLATE) {
      // Deflate never grows data by more than a few bytes per 16 KiB block.
      if (st.comp_size > size + size / 1024 + 64) {
        return false;
      }
      ZipFile raw;
      raw.file = zip_fopen_index(zip.zip, index, ZIP_FL_COMPRESSED);
      std::unique_ptr<char[]> in(new (std::nothrow) char[std::max<uint64_t>(st.comp_size, 1)]);
      if (!raw.file || !in || !raw.readExactly(in.get(), st.comp_size)) {
        return false;
      }
      libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
      if (!inflater) {
        return false;
      }
      size_t actual = 0;
      // A stream that needs more room than the declared size fails here (a zip bomb) instead of
      // growing the buffer; one that ends short fails the size check.
      const libdeflate_result r =
          libdeflate_deflate_decompress(inflater, in.get(), st.comp_size, out.get(), size, &actual);
      libdeflate_free_decompressor(inflater);
      if (r != LIBDEFLATE_SUCCESS || actual != size) {
        return false;
      }
    } else {
      ZipFile file;
      file.file = zip_fopen_index(zip.zip, index, 0);
      if (!file.file || !file.readExactly(out.get(), size) || !file.atEnd()) {
        return false;
      }
    }
    if (static_cast<uint32_t>(libdeflate_crc32(0, out.get(), size)) != expectedCrc) {
      return false;
    }
    data = std::move(out);
    inMemory = true;
    return true;
  }
};

ArchiveMember::ArchiveMember() : mImpl(std::make_unique<Impl>()) {}
ArchiveMember::~ArchiveMember() = default;

void ArchiveMember::close() { mImpl = std::make_unique<Impl>(); }

bool ArchiveMember::open(const MemberLocation& where, Access access) {
  close();
  Impl& m = *mImpl;
  if (!isSafeMemberName(where.name) || !m.zip.open(where.archive, nullptr)) {
    return false;
  }
  // The first entry of that name, as listArchiveMembers lists it.
  const uint64_t n = m.zip.entries();
  zip_stat_t st;
  bool found = false;
  for (uint64_t i = 0; i < n && !found; ++i) {
    const char* name = zip_get_name(m.zip.zip, i, 0);
    if (name && where.name == name) {
      found = true;
      m.index = i;
    }
  }
  if (!found || !m.zip.readable(m.index, st)) {
    close();
    return false;
  }
  m.size = st.size;
  m.expectedCrc = st.crc;
  const bool ok =
      (access == Access::Whole && m.size <= kMaxWholeBytes) ? m.inflateWhole(st) : m.openStream();
  if (!ok) {
    close();
  }
  return ok;
}

uint64_t ArchiveMember::size() const { return mImpl->size; }
bool ArchiveMember::inMemory() const { return mImpl->inMemory; }
std::string_view ArchiveMember::data() const {
  return mImpl->inMemory ? std::string_view(mImpl->data.get(), mImpl->size) : std::string_view();
}

int64_t ArchiveMember::read(char* out, size_t n) {
  Impl& m = *mImpl;
  if (m.inMemory || !m.stream.file || m.failed) {
    return -1;
  }
  const uint64_t left = m.size - m.delivered;
  if (left == 0) {
    if (!m.endChecked) {
      m.endChecked = true;
      // Longer than declared, a CRC mismatch or corrupt data at the end: the member is bad.
      if (!m.stream.atEnd() || m.crc != m.expectedCrc) {
        m.failed = true;
        return -1;
      }
    }
    return 0;
  }
  const zip_int64_t got = zip_fread(m.stream.file, out, std::min<uint64_t>(n, left));
  if (got <= 0) {
    m.failed = true;  // corrupt, or shorter than declared
    return -1;
  }
  m.delivered += static_cast<uint64_t>(got);
  m.crc = static_cast<uint32_t>(libdeflate_crc32(m.crc, out, static_cast<size_t>(got)));
  return got;
}

bool ArchiveMember::rewind() {
  Impl& m = *mImpl;
  if (m.inMemory) {
    return true;
  }
  return m.zip.zip && m.openStream();
}

}  // namespace torvane
