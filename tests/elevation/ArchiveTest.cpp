// GSI zip downloads opened in place: members read exactly as their extracted files, archives
// mix with plain files, members count toward the file limit, and member paths name members.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "elevation/Archive.h"
#include "scene/ProjectFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipWriter.h"

using namespace torvane;
namespace fs = std::filesystem;

namespace {

fixtures::DemTile smallTile(int columns, int rows, double lonSW, double latSW) {
  fixtures::DemTile t;
  t.columns = columns;
  t.rows = rows;
  t.lonSW = lonSW;
  t.latSW = latSW;
  t.lonNE = lonSW + 0.0125;
  t.latNE = latSW + 1.0 / 120;
  t.heights = fixtures::sampleHeights(t, fixtures::Landscape{});
  return t;
}

// Three adjacent tiles as GSI writes them: plain; partial (a start point, a list ending early,
// a byte-order mark); LF line ends.
std::vector<fixtures::ZipEntry> tileEntries() {
  fixtures::DemTile a = smallTile(45, 30, 139.0, 35.0);
  fixtures::DemTile b = smallTile(45, 30, 139.0125, 35.0);
  b.startColumn = 7;
  b.startRow = 3;
  b.heights.resize(b.heights.size() / 2);
  b.byteOrderMark = true;
  fixtures::DemTile c = smallTile(45, 30, 139.0, 35.0 + 1.0 / 120);
  c.crlf = false;
  return {{"a.xml", fixtures::demXmlText(a)},
          {"dir/b.XML", fixtures::demXmlText(b)},
          {"c.xml", fixtures::demXmlText(c)}};
}

void expectSameGrid(const Scene& actual, const Scene& expected) {
  const ElevationGrid& a = actual.grid;
  const ElevationGrid& e = expected.grid;
  ASSERT_EQ(a.fileCount, e.fileCount);
  for (int k = 0; k < a.fileCount; ++k) {
    EXPECT_EQ(a.filePath(k).filename(), e.filePath(k).filename()) << k;
    EXPECT_EQ(a.files[size_t(k)].sampledColumns, e.files[size_t(k)].sampledColumns);
  }
  ASSERT_EQ(a.count, e.count);
  EXPECT_EQ(actual.plan.step, expected.plan.step);
  for (uint32_t i = 0; i < a.count; ++i) {
    ASSERT_EQ(a.X[i], e.X[i]) << i;
    ASSERT_EQ(a.Y[i], e.Y[i]) << i;
    ASSERT_EQ(a.H[i], e.H[i]) << i;
    ASSERT_EQ(a.lon[i], e.lon[i]) << i;
  }
}

}  // namespace

TEST(Archive, MembersOpenExactlyAsTheirExtractedFiles) {
  fixtures::TempDir dir;
  const std::vector<fixtures::ZipEntry> tiles = tileEntries();
  fs::create_directories(dir / "x/dir");
  for (const fixtures::ZipEntry& e : tiles) {
    ASSERT_TRUE(fixtures::writeBytes(dir / ("x/" + e.name), e.data));
  }
  const fs::path p = dir / "p.xml";
  const fs::path q = dir / "q.xml";
  fixtures::writeDemXml(p, smallTile(45, 30, 139.0125, 35.0 + 1.0 / 120));
  fixtures::writeDemXml(q, smallTile(20, 20, 139.025, 35.0));
  // Besides the tiles: a text file, a folder and an archive in the archive, none of them read.
  std::vector<fixtures::ZipEntry> entries = tiles;
  entries.insert(entries.begin() + 1, {"readme.txt", "<DEM\n"});
  entries.push_back({"dir/", ""});
  ASSERT_TRUE(fixtures::writeZip(dir / "inner.zip", {{"d.xml", tiles[0].data}}));
  std::ifstream innerFile(dir / "inner.zip", std::ios::binary);
  entries.push_back({"inner.zip", std::string(std::istreambuf_iterator<char>(innerFile), {})});

  const std::vector<fs::path> extracted = {p, dir / "x/a.xml", dir / "x/dir/b.XML", dir / "x/c.xml",
                                           q};
  for (const bool deflate : {true, false}) {
    for (const DeviceLimits limits : {DeviceLimits{}, DeviceLimits{2000, 65535}}) {
      SCOPED_TRACE(testing::Message()
                   << "deflate " << deflate << ", primitives " << limits.primitiveLimit);
      const fs::path zip = dir / (deflate ? "tiles.zip" : "stored.ZIP");
      ASSERT_TRUE(fixtures::writeZip(zip, entries, deflate));
      const auto expected = fixtures::openScene(extracted, limits, 2);
      ASSERT_TRUE(expected->ok);
      // Archives and plain files in one open, in the given order, members in archive order.
      const auto mixed = fixtures::openScene({p, zip, q}, limits, 2);
      ASSERT_TRUE(mixed->ok);
      expectSameGrid(mixed->scene, expected->scene);
      EXPECT_EQ(mixed->scene.grid.filePath(2), zip / "dir/b.XML");
      // A member path opens that member alone, as a serial read on one thread.
      const auto member = fixtures::openScene({zip / "dir/b.XML"}, limits, 1);
      const auto file = fixtures::openScene({extracted[2]}, limits, 1);
      ASSERT_TRUE(member->ok);
      expectSameGrid(member->scene, file->scene);
    }
  }
}

TEST(Archive, MembersCountTowardTheFileLimit) {
  fixtures::TempDir dir;
  fixtures::DemTile t;
  t.columns = t.rows = 3;
  t.heights.assign(9, 5.0);
  const std::string text = fixtures::demXmlText(t);
  std::vector<fixtures::ZipEntry> entries;
  for (int i = 0; i < 101; ++i) {
    entries.push_back({"t" + std::to_string(i) + ".xml", text});
  }
  ASSERT_TRUE(fixtures::writeZip(dir / "101.zip", entries));
  entries.pop_back();
  ASSERT_TRUE(fixtures::writeZip(dir / "100.zip", entries));
  fixtures::writeDemXml(dir / "one.xml", t);

  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<fs::path>{dir / "100.zip"}));
  EXPECT_EQ(scene.grid.fileCount, 100);
  // Over the limit: refused before anything is cleared, as 101 paths are.
  for (const std::vector<fs::path>& paths :
       {std::vector<fs::path>{dir / "101.zip"}, {dir / "100.zip", dir / "one.xml"}}) {
    EXPECT_FALSE(openElevationFiles(scene, paths));
    EXPECT_EQ(scene.grid.fileCount, 100);
    EXPECT_EQ(scene.grid.count, 900u);
  }
}

TEST(Archive, MemberPathsNameOneLevelOfArchiveOnDisk) {
  fixtures::TempDir dir;
  ASSERT_TRUE(fixtures::writeZip(dir / "a.zip", {{"x.xml", "x"}}));
  fs::create_directories(dir / "folder.zip");
  fixtures::writeBytes(dir / "plain.xml", "x");
  struct Case {
    fs::path path;
    std::optional<MemberLocation> expected;
  };
  const std::vector<Case> cases = {
      {dir / "a.zip/x.xml", MemberLocation{dir / "a.zip", "x.xml"}},
      {dir / "a.zip/d/y.xml", MemberLocation{dir / "a.zip", "d/y.xml"}},
      {dir / "a.zip/inner.zip/z.xml", MemberLocation{dir / "a.zip", "inner.zip/z.xml"}},
      {dir / "a.zip", std::nullopt},             // the archive itself
      {dir / "plain.xml", std::nullopt},         // a file on disk
      {dir / "folder.zip/x.xml", std::nullopt},  // a folder, not an archive
      {dir / "b.zip/x.xml", std::nullopt},       // no such archive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const std::optional<MemberLocation> got = locateMember(c.path);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
      EXPECT_EQ(got->archive, c.expected->archive);
      EXPECT_EQ(got->name, c.expected->name);
      EXPECT_EQ(folderOnDisk(c.path), dir.path());
    }
  }
  for (const char* safe : {"x.xml", "d/x.xml", "a..b.xml", "...xml"}) {
    EXPECT_TRUE(isSafeMemberName(safe)) << safe;
  }
  for (const char* unsafe : {"", "/x.xml", "\\x.xml", "../x.xml", "d/../../x.xml", "d\\..\\x.xml",
                             "C:x.xml", "d//x.xml", "./x.xml", "d/"}) {
    EXPECT_FALSE(isSafeMemberName(unsafe)) << unsafe;
  }
}

TEST(Archive, AProjectOfMembersMovesWithItsFolder) {
  fixtures::TempDir dir;
  fs::create_directories(dir / "proj");
  ASSERT_TRUE(fixtures::writeZip(dir / "proj/tiles.zip", tileEntries()));
  Scene saved;
  ASSERT_TRUE(openElevationFiles(saved, std::vector<fs::path>{dir / "proj/tiles.zip"}));
  ASSERT_TRUE(SaveProject(saved, dir / "proj/p.tvp"));
  fs::rename(dir / "proj", dir / "moved");
  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, dir / "moved/p.tvp"));
  expectSameGrid(loaded, saved);
  EXPECT_EQ(loaded.grid.filePath(0), dir / "moved/tiles.zip/a.xml");
}

// A member whose data proves damaged only when it is read, far from a good tile: the good tile
// opens exactly as it opens alone (plan, extents, projection centre), and the member is named.
TEST(Archive, ADamagedMemberLeavesTheOthersAsTheyOpenAlone) {
  const fixtures::TempDir dir;
  const fs::path good = dir / "good.xml";
  fixtures::writeDemXml(good, smallTile(45, 30, 139.0, 35.0));
  fixtures::RawEntry damaged =
      fixtures::deflatedEntry("far.xml", fixtures::demXmlText(smallTile(45, 30, 142.0, 43.0)));
  damaged.crc ^= 1;
  fixtures::writeBytes(dir / "far.zip", fixtures::rawZip({damaged}));

  FileProblems problems;
  Scene both;
  ASSERT_TRUE(openElevationData(both, std::vector<fs::path>{dir / "far.zip", good}, {}, &problems));
  Scene alone;
  ASSERT_TRUE(openElevationData(alone, std::vector<fs::path>{good}));
  expectSameGrid(both, alone);
  EXPECT_EQ(both.grid.lonMin, alone.grid.lonMin);
  EXPECT_EQ(both.grid.latMax, alone.grid.latMax);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, dir / "far.zip" / "far.xml");
  EXPECT_EQ(problems[0].reason, "damaged archive member");
}
