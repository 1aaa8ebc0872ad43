// Broken and hostile elevation files: every reader must refuse them or fail the open cleanly,
// quickly and without allocating what a header declares.

#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "elevation/Archive.h"
#include "elevation/Readers.h"
#include "elevation/TvdFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
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
  fixtures::writeBytes(dir / "huge.tvd", fixtures::tvdHeaderBytes(UINT32_MAX, UINT32_MAX) +
                                             std::string(96, '\0'));
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
      good.substr(0, good.size() / 2),                      // ends mid-row
      std::string("\xEF\xBB\xBF") + good,                    // mark: rows stay whole
      std::string(good.size(), '\n'),                       // only line ends
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
