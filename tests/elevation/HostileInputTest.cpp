// Broken and hostile elevation files: every reader must refuse them or fail the open cleanly,
// quickly and without allocating what a header declares.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "elevation/Archive.h"
#include "elevation/Readers.h"
#include "elevation/TvdFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipWriter.h"

using namespace torvane;

namespace {

// A good 3 x 3 DEM XML tile to open beside the hostile file.
std::filesystem::path goodXml(const fixtures::TempDir& dir) {
  fixtures::DemTile t;
  t.columns = 3;
  t.rows = 3;
  t.heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  fixtures::writeDemXml(dir / "good.xml", t);
  return dir / "good.xml";
}

// Runs f with the address space limited, so that an allocation sized by a header fails loudly
// (std::bad_alloc) instead of quietly succeeding on an overcommitting system.
template <class F>
void withAddressSpaceLimit(rlim_t bytes, F f) {
  rlimit old{};
  getrlimit(RLIMIT_AS, &old);
  rlimit tight = old;
  tight.rlim_cur = std::min(old.rlim_max, bytes);
  setrlimit(RLIMIT_AS, &tight);
  f();
  setrlimit(RLIMIT_AS, &old);
}

// CPU seconds of this process, all threads.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

}  // namespace

TEST(HostileInput, AbsurdDeclaredSizesFailTheOpenWithoutAllocatingThem) {
  fixtures::TempDir dir;
  // 2^32 - 1 nodes per side, 24 real heights.
  fixtures::writeBytes(dir / "huge.tvd",
                       fixtures::tvdHeaderBytes(UINT32_MAX, UINT32_MAX) + std::string(96, '\0'));
  fixtures::BilTile bil;
  fixtures::writeBytes(dir / "huge.bil", fixtures::bilData(bil));
  std::string hdr = fixtures::bilHeaderText(bil);
  hdr.replace(hdr.find("NROWS          3"), 16, "NROWS 4294967295");
  hdr.replace(hdr.find("NCOLS          4"), 16, "NCOLS 4294967295");
  hdr.replace(hdr.find("xdim           0.01"), 19, "xdim 1e-9");
  hdr.replace(hdr.find("ydim           0.01"), 19, "ydim 1e-9");
  fixtures::writeBytes(dir / "huge.hdr", hdr);
  const auto good = goodXml(dir);

  for (const char* name : {"huge.tvd", "huge.bil"}) {
    SCOPED_TRACE(name);
    ElevationGrid grid;
    EXPECT_TRUE(readerForPath(dir / name)->list(grid, dir / name)) << "listed by its header";
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<fixtures::OpenedScene> o;
    auto run = [&] { o = fixtures::openScene({good, dir / name}); };
    if (underSanitizer()) {
      run();
    } else {
      // The plan caps the grid at 10 million nodes (640 MB of arrays); nothing larger may be asked.
      withAddressSpaceLimit(rlim_t{4} << 30, run);
    }
    EXPECT_FALSE(o->ok);
    EXPECT_EQ(o->scene.grid.fileCount, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(HostileInput, EmptyFilesDirectoriesAndFifosAreNotListed) {
  fixtures::TempDir dir;
  for (const char* ext : {".tvd", ".bil", ".xml"}) {
    SCOPED_TRACE(ext);
    const auto empty = dir / (std::string("empty") + ext);
    fixtures::writeBytes(empty, "");
    const auto folder = dir / (std::string("folder") + ext);
    std::filesystem::create_directory(folder);
    const auto fifo = dir / (std::string("fifo") + ext);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const ElevationReader* r = readerForPath(empty);
    ASSERT_NE(r, nullptr);
    ElevationGrid grid;
    EXPECT_FALSE(r->list(grid, empty));
    EXPECT_FALSE(r->list(grid, folder));
    EXPECT_FALSE(r->list(grid, fifo)) << "and does not wait for a writer";
  }
  // A BIL whose header is a folder, and a LEM whose header is empty or a FIFO.
  fixtures::writeBytes(dir / "h.bil", "");
  std::filesystem::create_directory(dir / "h.hdr");
  ElevationGrid grid;
  EXPECT_FALSE(listBil(grid, dir / "h.bil"));
  fixtures::writeBytes(dir / "e.lem", "");
  fixtures::writeBytes(dir / "e.csv", "");
  EXPECT_FALSE(listLem(grid, dir / "e.lem"));
  fixtures::writeBytes(dir / "f.lem", "");
  ASSERT_EQ(::mkfifo((dir / "f.csv").c_str(), 0600), 0);
  EXPECT_FALSE(listLem(grid, dir / "f.lem"));
  EXPECT_EQ(grid.fileCount, 0);
}

TEST(HostileInput, UnreadableFilesAreNotListed) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root reads files whatever their mode";
  }
  fixtures::TempDir dir;
  TvdHeader h;
  h.columns = h.rows = 3;
  h.south = 35, h.west = 139, h.north = 35.1, h.east = 139.1;
  ASSERT_TRUE(writeTvd(dir / "a.tvd", h, std::vector<double>(9, 1.0)));
  ::chmod((dir / "a.tvd").c_str(), 0);
  ElevationGrid grid;
  EXPECT_FALSE(listTvd(grid, dir / "a.tvd"));
}

TEST(HostileInput, HugeAndBinaryHeaderLines) {
  fixtures::TempDir dir;
  // A .hdr whose first "line" is 1 MB of binary without a line end: it counts as many lines of
  // the line buffer's length, so the keys are not on their lines.
  std::string binary(1 << 20, '\0');
  for (size_t i = 0; i < binary.size(); ++i) {
    binary[i] = static_cast<char>((i * 2654435761u) >> 13);
  }
  fixtures::BilTile bil;
  fixtures::writeBytes(dir / "a.bil", fixtures::bilData(bil));
  fixtures::writeBytes(dir / "a.hdr", binary + fixtures::bilHeaderText(bil));
  ElevationGrid grid;
  EXPECT_FALSE(listBil(grid, dir / "a.bil"));

  // The same for a LEM header, and a LEM data line far longer than the line buffer.
  fixtures::LemTile lem;
  fixtures::writeBytes(dir / "b.lem", fixtures::lemText(lem));
  fixtures::writeBytes(dir / "b.csv", binary + "\n" + fixtures::lemHeaderText(lem, false));
  EXPECT_FALSE(listLem(grid, dir / "b.lem"));
  lem.columns = 20000;  // 100,010-character lines: never long enough in 64,000-byte pieces
  lem.east = lem.west + 19999;
  fixtures::writeBytes(dir / "c.csv", fixtures::lemHeaderText(lem, false));
  fixtures::writeBytes(dir / "c.lem", fixtures::lemText(lem));
  EXPECT_TRUE(listLem(grid, dir / "c.lem"));
  EXPECT_FALSE(fixtures::openScene({dir / "c.lem"})->ok);
}

TEST(HostileInput, LemDataWithBrokenLines) {
  fixtures::TempDir dir;
  fixtures::LemTile t;
  t.columns = 4;
  t.rows = 4;
  t.east = t.west + 3;
  t.north = t.south + 3;
  fixtures::writeBytes(dir / "x.csv", fixtures::lemHeaderText(t, false));
  const std::string good = fixtures::lemText(t);
  const std::vector<std::string> variants = {
      good.substr(0, good.size() / 2),     // ends mid-row
      std::string("\xEF\xBB\xBF") + good,  // mark: rows stay whole
      std::string(good.size(), '\n'),      // only line ends
      "0123456789abcdeABCDE!!!!!\"\"\"\"\"\n" + good.substr(good.find('\n') + 1),  // not numbers
  };
  const bool expected[] = {false, true, false, true};
  for (size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(i);
    fixtures::writeBytes(dir / "x.lem", variants[i]);
    auto o = fixtures::openScene({dir / "x.lem"});
    EXPECT_EQ(o->ok, expected[i]);
    if (o->ok) {
      for (uint32_t k = 0; k < o->scene.grid.count; ++k) {
        EXPECT_GE(o->scene.grid.H[k], 0.0);
      }
    }
  }
}

TEST(HostileInput, HostileArchivesFailAloneQuicklyAndWithinMemory) {
  fixtures::TempDir dir;
  const auto good = goodXml(dir);
  fixtures::DemTile t;
  t.columns = t.rows = 10;
  t.heights.assign(100, 3.0);
  const std::string dem = fixtures::demXmlText(t);
  const std::string valid = fixtures::rawZip({fixtures::deflatedEntry("t.xml", dem)});
  const std::vector<fixtures::HostileArchive> cases = fixtures::hostileArchives(dem);

  const auto hostile = dir / "hostile.zip";
  for (const fixtures::HostileArchive& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::writeBytes(hostile, c.bytes);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    std::unique_ptr<fixtures::OpenedScene> o;
    auto run = [&] { o = fixtures::openScene({good, hostile}); };
    if (underSanitizer()) {
      run();
    } else {
      withAddressSpaceLimit(rlim_t{4} << 30, run);
    }
    ASSERT_TRUE(o->ok) << "the good file opens";
    EXPECT_EQ(o->scene.grid.fileCount, 1 + c.members);
    EXPECT_EQ(o->scene.grid.filePath(0), good);
    // CPU time is what the case costs; wall time on a busy machine only bounds a hang.
    EXPECT_LT(cpuSeconds() - cpuStart, 5.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  }
  // Member paths never reach into an inner archive or out of the archive.
  fixtures::writeBytes(hostile, fixtures::rawZip({fixtures::storedEntry("inner.zip", valid),
                                                  fixtures::storedEntry("../t.xml", dem)}));
  EXPECT_FALSE(fixtures::openScene({hostile / "inner.zip" / "t.xml"})->ok);
  EXPECT_FALSE(fixtures::openScene({hostile / ".." / "t.xml"})->ok);
  // 100,000 empty DEM members are 100,000 files: refused at once, the loaded scene kept.
  std::vector<fixtures::RawEntry> many;
  for (int i = 0; i < 100'000; ++i) {
    many.push_back(fixtures::storedEntry("e" + std::to_string(i) + ".txt", ""));
  }
  many.push_back(fixtures::deflatedEntry("t.xml", dem));
  for (auto& e : many) {
    e.name.replace(e.name.size() - 4, 4, ".xml");
  }
  fixtures::writeBytes(hostile, fixtures::rawZip(many));
  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<std::filesystem::path>{good}));
  const double cpuStart = cpuSeconds();
  EXPECT_FALSE(openElevationFiles(scene, std::vector<std::filesystem::path>{hostile}));
  EXPECT_LT(cpuSeconds() - cpuStart, 5.0);
  EXPECT_EQ(scene.grid.fileCount, 1);
}

namespace {

// The place of a tag's entry in the first directory of a classic little-endian TIFF, or npos.
size_t tiffEntry(const std::string& tiff, uint16_t tag) {
  auto u16 = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(tiff[at]) |
                                 static_cast<unsigned char>(tiff[at + 1]) << 8);
  };
  auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | u16(at + 2) << 16); };
  if (tiff.size() < 8 || tiff.compare(0, 4, std::string("II*\0", 4)) != 0) {
    return std::string::npos;
  }
  const size_t ifd = u32(4);
  for (size_t i = 0; ifd + 2 + 12 * (i + 1) <= tiff.size() && i < u16(ifd); ++i) {
    if (u16(ifd + 2 + 12 * i) == tag) {
      return ifd + 2 + 12 * i;
    }
  }
  return std::string::npos;
}

// The tag's value replaced by one LONG.
std::string withTag(std::string tiff, uint16_t tag, uint32_t value) {
  const size_t at = tiffEntry(tiff, tag);
  EXPECT_NE(at, std::string::npos) << "tag " << tag;
  if (at != std::string::npos) {
    const char entry[10] = {4,
                            0,
                            1,
                            0,
                            0,
                            0,
                            static_cast<char>(value),
                            static_cast<char>(value >> 8),
                            static_cast<char>(value >> 16),
                            static_cast<char>(value >> 24)};
    tiff.replace(at + 2, 10, entry, 10);
  }
  return tiff;
}

std::string rasterBytes(const fixtures::TempDir& dir, const fixtures::RasterTile& t) {
  const auto path = dir / "scratch.tif";
  EXPECT_TRUE(fixtures::writeRaster(path, t));
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(HostileInput, HostileRastersFailAloneWithTheirReason) {
  fixtures::TempDir dir;
  const auto good = goodXml(dir);
  fixtures::RasterTile sound;
  sound.heights.assign(12, 7.0);
  fixtures::RasterTile tiled = sound;
  tiled.columns = tiled.rows = 16;
  tiled.heights.assign(256, 7.0);
  tiled.options = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"};

  struct Case {
    const char* name;
    std::string file;   //!< name of the hostile file in the folder
    std::string bytes;  //!< its content (empty: written by `make`)
    std::function<void(const std::filesystem::path&)> make;
    //! The problem reported ("": any), or nullptr when the file opens beside good.xml.
    const char* reason;
  };
  std::vector<Case> cases;
  auto tile = [&](fixtures::RasterTile t) {
    return [t](const std::filesystem::path& p) { fixtures::writeRaster(p, t); };
  };
  fixtures::RasterTile noCrs = sound;
  noCrs.epsg = 0;
  cases.push_back({"no coordinate system", "a.tif", "", tile(noCrs), "no coordinate system"});
  fixtures::RasterTile noGt = sound;
  noGt.geotransform = false;
  cases.push_back({"no geotransform", "a.tif", "", tile(noGt), "no geotransform"});
  fixtures::RasterTile one = sound;
  one.columns = one.rows = 1;
  cases.push_back({"one cell", "a.tif", "", tile(one), "fewer than 2 x 2 cells"});
  fixtures::RasterTile wide = sound;  // sparse: empty tiles are not stored
  wide.columns = 1'100'000;
  wide.rows = 2;
  wide.heights.clear();
  wide.options = {"TILED=YES", "SPARSE_OK=TRUE"};
  cases.push_back({"a million columns", "a.tif", "", tile(wide), "raster too large"});
  const std::string small = rasterBytes(dir, sound);
  cases.push_back({"four billion columns declared", "a.tif", withTag(small, 256, 4'000'000'000u),
                   nullptr, "not a readable raster"});
  cases.push_back({"65535 samples per pixel declared", "a.tif", withTag(small, 277, 65535), nullptr,
                   "damaged data"});
  fixtures::RasterTile bands = sound;
  bands.type = "Byte";
  bands.bands = 500;
  cases.push_back({"500 bands: band 1 is read", "a.tif", "", tile(bands), nullptr});
  std::string corrupt = rasterBytes(dir, tiled);
  const size_t offsets = tiffEntry(corrupt, 324);  // TileOffsets: one tile, its offset inline
  ASSERT_NE(offsets, std::string::npos);
  const uint32_t data = static_cast<unsigned char>(corrupt[offsets + 8]) |
                        static_cast<unsigned char>(corrupt[offsets + 9]) << 8 |
                        static_cast<unsigned char>(corrupt[offsets + 10]) << 16;
  corrupt.replace(data, 16, "not deflate data");
  cases.push_back({"corrupt tile", "a.tif", corrupt, nullptr, "damaged data"});
  const std::string whole = rasterBytes(dir, tiled);
  cases.push_back({"cut short", "a.tif", whole.substr(0, whole.size() / 2), nullptr, ""});
  cases.push_back(
      {"not a TIFF", "a.tif", "II*\x01 text, not an image\n", nullptr, "not a readable raster"});
  cases.push_back({"VRT of a missing source", "a.vrt", fixtures::vrtText(dir / "missing.tif", 4, 3),
                   nullptr, "a source of the VRT is missing or cannot be read"});
  fixtures::writeBytes(dir / "huge.vrt", fixtures::vrtText(dir / "good.xml", 2'000'000'000, 3));
  cases.push_back({"VRT over a huge VRT", "a.vrt", fixtures::vrtText(dir / "huge.vrt", 4, 3),
                   nullptr, "a source of the VRT: raster too large"});
  fixtures::writeRaster(dir / "source.tif", sound);
  cases.push_back({"VRT of zero cells", "a.vrt", fixtures::vrtText(dir / "source.tif", 0, 0),
                   nullptr, "not a readable raster"});
  cases.push_back({"VRT of absurd size", "a.vrt",
                   fixtures::vrtText(dir / "source.tif", 2'000'000'000, 2'000'000'000), nullptr,
                   "raster too large"});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir / c.file;
    std::filesystem::remove(path);
    if (c.make) {
      c.make(path);
    } else {
      fixtures::writeBytes(path, c.bytes);
    }
    const double cpuStart = cpuSeconds();
    Scene scene;
    FileProblems problems;
    bool ok = false;
    auto run = [&] {
      ok = openElevationData(scene, std::vector<std::filesystem::path>{good, path}, {}, &problems);
    };
    if (underSanitizer()) {
      run();
    } else {
      withAddressSpaceLimit(rlim_t{4} << 30, run);
    }
    ASSERT_TRUE(ok) << "the good file opens";
    EXPECT_EQ(scene.grid.fileCount, c.reason ? 1 : 2);
    EXPECT_EQ(scene.grid.filePath(0), good);
    if (c.reason) {
      ASSERT_EQ(problems.size(), 1u);
      EXPECT_EQ(problems[0].path, path);
      if (*c.reason != '\0') {
        EXPECT_EQ(problems[0].reason, c.reason);
      }
    }
    EXPECT_LT(cpuSeconds() - cpuStart, 5.0);
  }
}
