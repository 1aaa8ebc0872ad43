#include "tests/support/ZipWriter.h"

#include <algorithm>
#include <libdeflate.h>
#include <zip.h>

namespace torvane::fixtures {

bool writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries,
              bool deflate) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!zip) {
    return false;
  }
  for (const ZipEntry& e : entries) {
    zip_source_t* source = zip_source_buffer(zip, e.data.data(), e.data.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(zip, e.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      zip_source_free(source);
      zip_discard(zip);
      return false;
    }
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                             deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
  }
  return zip_close(zip) == 0;  // the buffers are read here, while `entries` still lives
}

std::string deflated(std::string_view data) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(6);
  std::string out(libdeflate_deflate_compress_bound(c, data.size()), '\0');
  out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
  libdeflate_free_compressor(c);
  return out;
}

uint32_t crc32Of(std::string_view data) {
  return static_cast<uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
}

RawEntry storedEntry(std::string name, std::string data) {
  RawEntry e;
  e.name = std::move(name);
  e.declaredSize = data.size();
  e.crc = crc32Of(data);
  e.payload = std::move(data);
  return e;
}

RawEntry deflatedEntry(std::string name, std::string_view data) {
  RawEntry e;
  e.name = std::move(name);
  e.method = 8;
  e.declaredSize = data.size();
  e.crc = crc32Of(data);
  e.payload = deflated(data);
  return e;
}

namespace {

void put16(std::string& s, uint64_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint64_t v) {
  put16(s, v & 0xFFFF);
  put16(s, (v >> 16) & 0xFFFF);
}
void put64(std::string& s, uint64_t v) {
  put32(s, v & 0xFFFFFFFF);
  put32(s, v >> 32);
}

constexpr uint64_t k32 = 0xFFFFFFFF;

}  // namespace

std::string rawZip(const std::vector<RawEntry>& entries, bool zip64End) {
  std::string out, central;
  for (const RawEntry& e : entries) {
    const uint64_t offset = out.size();
    const bool z64 = e.zip64 || e.declaredSize >= k32 || e.payload.size() >= k32;
    std::string extra;
    if (z64) {
      put16(extra, 1);
      put16(extra, 16);
      put64(extra, e.declaredSize);
      put64(extra, e.payload.size());
    }
    auto header = [&](std::string& s, bool centralRecord) {
      put32(s, centralRecord ? 0x02014b50 : 0x04034b50);
      if (centralRecord) {
        put16(s, 45);  // made by
      }
      put16(s, z64 ? 45 : 20);
      put16(s, e.flags);
      put16(s, e.method);
      put16(s, 0);     // time
      put16(s, 0x21);  // date: 1980-01-01
      put32(s, e.crc);
      put32(s, z64 ? k32 : e.payload.size());
      put32(s, z64 ? k32 : e.declaredSize);
      put16(s, e.name.size());
      put16(s, extra.size());
      if (centralRecord) {
        put16(s, 0);  // comment
        put16(s, 0);  // disk
        put16(s, 0);  // internal attributes
        put32(s, 0);  // external attributes
        put32(s, offset);
      }
      s += e.name;
      s += extra;
    };
    header(out, false);
    out += e.payload;
    header(central, true);
  }
  const uint64_t cdOffset = out.size();
  out += central;
  const uint64_t n = entries.size();
  const bool need64 =
      zip64End || n >= 0xFFFF || std::any_of(entries.begin(), entries.end(), [](const RawEntry& e) {
        return e.zip64 || e.declaredSize >= k32;
      });
  if (need64) {
    const uint64_t recordOffset = out.size();
    put32(out, 0x06064b50);
    put64(out, 44);
    put16(out, 45);
    put16(out, 45);
    put32(out, 0);
    put32(out, 0);
    put64(out, n);
    put64(out, n);
    put64(out, central.size());
    put64(out, cdOffset);
    put32(out, 0x07064b50);  // locator
    put32(out, 0);
    put64(out, recordOffset);
    put32(out, 1);
  }
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, need64 ? 0xFFFF : n);
  put16(out, need64 ? 0xFFFF : n);
  put32(out, need64 ? k32 : central.size());
  put32(out, need64 ? k32 : cdOffset);
  put16(out, 0);
  return out;
}

}  // namespace torvane::fixtures
