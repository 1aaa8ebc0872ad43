#include "tests/support/HostileFiles.h"

#include <sys/stat.h>

#include "elevation/TvdFile.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ZipWriter.h"

namespace torvane::fixtures {

std::vector<HostileArchive> hostileArchives(const std::string& dem) {
  const std::string valid = rawZip({deflatedEntry("t.xml", dem)});
  std::vector<HostileArchive> cases;
  cases.push_back({"not a zip", "PK\x03\x04 and nothing else a zip holds\n", 0});
  cases.push_back({"truncated", valid.substr(0, valid.size() * 2 / 3), 0});
  std::string corrupt = valid;
  corrupt[corrupt.size() - 22 + 16] ^= 0x5A;  // the end record's central directory offset
  cases.push_back({"corrupt central directory", corrupt, 0});
  // Its header is sound, so it is listed; the data inflates far past its declared size.
  RawEntry bomb = deflatedEntry("t.xml", dem + std::string(64 << 20, '0'));
  bomb.declaredSize = dem.size();
  bomb.crc = crc32Of(dem);
  cases.push_back({"zip bomb", rawZip({bomb}), 0});
  for (const uint16_t method : {0, 8}) {
    RawEntry huge = method != 0 ? deflatedEntry("t.xml", dem) : storedEntry("t.xml", dem);
    huge.declaredSize = uint64_t{4} << 40;
    cases.push_back({"terabytes declared", rawZip({huge}), 0});
  }
  RawEntry wrongCrc = deflatedEntry("t.xml", dem);
  wrongCrc.crc ^= 1;
  cases.push_back({"CRC mismatch", rawZip({wrongCrc}), 0});
  RawEntry encrypted = storedEntry("t.xml", dem);
  encrypted.flags = 1;
  cases.push_back({"encrypted", rawZip({encrypted}), 0});
  RawEntry wide = deflatedEntry("t.xml", dem);
  wide.zip64 = true;
  cases.push_back({"zip64 records", rawZip({wide}, true), 1});
  std::vector<RawEntry> many;
  for (int i = 0; i < 100'000; ++i) {
    many.push_back(storedEntry("e" + std::to_string(i) + ".txt", ""));
  }
  many.push_back(deflatedEntry("t.xml", dem));
  cases.push_back({"100,000 empty members", rawZip(many), 1});
  std::vector<RawEntry> climbing;
  for (const char* name :
       {"../t.xml", "/t.xml", "d/../../t.xml", "C:\\t.xml", "d\\..\\..\\t.xml"}) {
    climbing.push_back(storedEntry(name, dem));
  }
  cases.push_back({"names that climb out", rawZip(climbing), 0});
  cases.push_back({"archive in an archive", rawZip({storedEntry("inner.zip", valid)}), 0});
  return cases;
}

std::string tvdHeaderBytes(uint32_t columns, uint32_t rows) {
  TvdHeader h;
  h.columns = columns;
  h.rows = rows;
  h.south = 35;
  h.west = 139;
  h.north = 35.1;
  h.east = 139.1;
  unsigned char b[kTvdHeaderSize];
  encodeTvdHeader(h, b);
  return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

std::vector<std::filesystem::path> writeHostileElevationFiles(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::vector<fs::path> out;
  std::error_code ec;
  fs::create_directories(dir, ec);
  auto file = [&](const std::string& name, const std::string& bytes) {
    if (writeBytes(dir / name, bytes)) {
      out.push_back(dir / name);
    }
  };
  auto fifo = [&](const std::string& name) {
    fs::remove(dir / name, ec);
    return ::mkfifo((dir / name).c_str(), 0600) == 0;
  };

  file("huge.tvd", tvdHeaderBytes(UINT32_MAX, UINT32_MAX) + std::string(96, '\0'));
  BilTile bil;
  std::string hdr = bilHeaderText(bil);
  hdr.replace(hdr.find("NROWS          3"), 16, "NROWS 4294967295");
  hdr.replace(hdr.find("NCOLS          4"), 16, "NCOLS 4294967295");
  hdr.replace(hdr.find("xdim           0.01"), 19, "xdim 1e-9");
  hdr.replace(hdr.find("ydim           0.01"), 19, "ydim 1e-9");
  writeBytes(dir / "huge.hdr", hdr);
  file("huge.bil", bilData(bil));

  for (const char* ext : {".tvd", ".bil", ".xml", ".lem"}) {
    file(std::string("empty") + ext, "");
    if (fs::create_directories(dir / (std::string("folder") + ext), ec) ||
        fs::is_directory(dir / (std::string("folder") + ext))) {
      out.push_back(dir / (std::string("folder") + ext));
    }
    if (fifo(std::string("fifo") + ext)) {
      out.push_back(dir / (std::string("fifo") + ext));
    }
  }
  fs::create_directories(dir / "h.hdr", ec);
  file("h.bil", "");
  if (fifo("f.csv")) {
    file("f.lem", "");
  }

  std::string binary(1 << 20, '\0');
  for (size_t i = 0; i < binary.size(); ++i) {
    binary[i] = static_cast<char>((i * 2654435761u) >> 13);
  }
  writeBytes(dir / "binary.hdr", binary + bilHeaderText(bil));
  file("binary.bil", bilData(bil));
  return out;
}

}  // namespace torvane::fixtures
