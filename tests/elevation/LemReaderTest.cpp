#include <gtest/gtest.h>

#include "elevation/Readers.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"

using namespace torvane;
using fixtures::LemTile;

namespace {

// columns x rows nodes 5 m apart; field (r, c) = 100 * r + c decimetres.
LemTile tile(int columns, int rows, int zone = 9, double west = -1000, double south = 2000) {
  LemTile t;
  t.columns = columns;
  t.rows = rows;
  t.zone = zone;
  t.west = west;
  t.south = south;
  t.east = west + 5.0 * (columns - 1);
  t.north = south + 5.0 * (rows - 1);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      t.decimetres.push_back(100 * r + c);
    }
  }
  return t;
}

std::filesystem::path folder(const fixtures::TempDir& dir, const std::string& sub) {
  const auto p = dir.path() / sub;
  std::filesystem::create_directories(p);
  return p;
}

// Writes x.lem into `data` and its header (layout by `layoutA`) at `csv`.
std::filesystem::path writeTile(const std::filesystem::path& data, const std::filesystem::path& csv,
                                const LemTile& t, bool layoutA) {
  std::filesystem::create_directories(csv.parent_path());
  EXPECT_TRUE(fixtures::writeLem(data, csv, t, layoutA));
  return data;
}

bool listed(const std::filesystem::path& path) {
  ElevationGrid grid;
  return listLem(grid, path);
}

}  // namespace

TEST(LemReader, LayoutFollowsTheFolderAndTheHeaderMayLieInHEADER) {
  fixtures::TempDir dir;
  const LemTile t = tile(4, 3);
  {
    SCOPED_TRACE("layout A, header only in the HEADER folder beside LEM");
    const auto lem = writeTile(folder(dir, "a/b/LEM") / "x.lem", dir / "a/b/HEADER/x.csv", t, true);
    auto o = fixtures::openScene({lem});
    ASSERT_TRUE(o->ok);
    EXPECT_EQ(o->scene.grid.files[0].columns, 4u);
    EXPECT_EQ(o->scene.grid.files[0].rows, 3u);
    EXPECT_EQ(o->scene.grid.planeZone, 9);
    EXPECT_FALSE(o->scene.grid.GeoCoordinates);
  }
  {
    SCOPED_TRACE("a folder ending in lower-case lem reads layout B");
    const auto lem = writeTile(folder(dir, "c/lem") / "x.lem", dir / "c/lem/x.csv", t, false);
    EXPECT_TRUE(listed(lem));
    writeTile(folder(dir, "d/lem") / "x.lem", dir / "d/lem/x.csv", t, true);
    EXPECT_FALSE(listed(dir / "d/lem/x.lem")) << "layout A header where B is expected";
  }
  {
    SCOPED_TRACE("the header beside the data wins over HEADER");
    const auto lem = writeTile(folder(dir, "e/LEM") / "x.lem", dir / "e/LEM/x.csv", t, true);
    fixtures::writeBytes(dir / "e/HEADER/x.csv", "junk\n");
    EXPECT_TRUE(listed(lem));
  }
  EXPECT_FALSE(listed(writeTile(folder(dir, "f") / "y.lem", dir / "f/other.csv", t, false)))
      << "no header anywhere";
}

TEST(LemReader, NodesLieOnThePlaneGridWithDecimetreHeights) {
  fixtures::TempDir dir;
  LemTile t = tile(3, 3);
  t.decimetres = {-9999, 1234, 5, 0, 99999, -1, 7, 8, 9};
  const auto lem = writeTile(dir / "x.lem", dir / "x.csv", t, false);
  auto o = fixtures::openScene({lem});
  ASSERT_TRUE(o->ok);
  const ElevationGrid& g = o->scene.grid;
  const double expected[] = {0, 123.4, 0.5, 0, 9999.9, 0, 0.7, 0.8, 0.9};
  for (int i = 0; i < 9; ++i) {
    EXPECT_DOUBLE_EQ(g.H[i], expected[i]) << i;
    EXPECT_EQ(g.lon[i], 0.0);
    EXPECT_EQ(g.lat[i], 0.0);
  }
  // X = west + j * dX, Y = north - i * dY (metres, no projection).
  EXPECT_DOUBLE_EQ(g.X[o->index(0, 1, 2)], -1000 + 10);
  EXPECT_DOUBLE_EQ(g.Y[o->index(0, 1, 2)], 2010 - 5);
  EXPECT_DOUBLE_EQ(g.Xmin, -1000);
  EXPECT_DOUBLE_EQ(g.Ymax, 2010);
}

TEST(LemReader, HeaderValidation) {
  fixtures::TempDir dir;
  const LemTile good = tile(3, 3);
  const std::string header = fixtures::lemHeaderText(good, false);
  auto variant = [&](const std::string& name, const std::string& csv) {
    fixtures::writeBytes(dir / (name + ".lem"), fixtures::lemText(good));
    fixtures::writeBytes(dir / (name + ".csv"), csv);
    return listed(dir / (name + ".lem"));
  };
  EXPECT_TRUE(variant("good", header));
  LemTile flat = good;
  flat.north = flat.south;
  EXPECT_FALSE(variant("flat", fixtures::lemHeaderText(flat, false))) << "south equals north";
  LemTile narrow = good;
  narrow.columns = 1;
  EXPECT_FALSE(variant("narrow", fixtures::lemHeaderText(narrow, false)));
  LemTile zone = good;
  zone.zone = 20;
  EXPECT_FALSE(variant("zone", fixtures::lemHeaderText(zone, false))) << "no such zone";
  std::string noComma = header;
  noComma.replace(noComma.find("座標系番号,"), std::string("座標系番号,").size(), "座標系番号 ");
  EXPECT_FALSE(variant("nocomma", noComma)) << "used line without a comma";
  EXPECT_FALSE(variant("short", header.substr(0, header.rfind("区画右上Y座標"))))
      << "header ends before the east line";
}

TEST(LemReader, AllFilesOfAnOpenShareTheFirstZone) {
  fixtures::TempDir dir;
  const auto a = writeTile(dir / "a.lem", dir / "a.csv", tile(3, 3, 9), false);
  const auto b = writeTile(dir / "b.lem", dir / "b.csv", tile(3, 3, 10, 0), false);
  const auto c = writeTile(dir / "c.lem", dir / "c.csv", tile(3, 3, 9, 500), false);
  auto o = fixtures::openScene({a, b, c});
  ASSERT_TRUE(o->ok);
  ASSERT_EQ(o->scene.grid.fileCount, 2);
  EXPECT_EQ(o->scene.grid.files[1].path, c);
  EXPECT_EQ(o->scene.grid.planeZone, 9);

  // A file whose zone no longer matches in the second pass is not read.
  ElevationGrid grid;
  grid.planeZone = 10;
  ASSERT_TRUE(grid.allocateGrid(9));
  grid.planeZone = 10;
  NodeSink sink(grid, 0, 9);
  EXPECT_FALSE(readLem(sink, a, 1));
  EXPECT_EQ(sink.written(), 0u);
}

TEST(LemReader, LinesMustHoldEveryField) {
  fixtures::TempDir dir;
  const LemTile t = tile(3, 3);
  // With 3 columns a line needs 25 characters, its line end included.
  const std::string row24(24, '1');
  auto open = [&](const std::string& name, const std::string& data) {
    fixtures::writeBytes(dir / (name + ".lem"), data);
    fixtures::writeBytes(dir / (name + ".csv"), fixtures::lemHeaderText(t, false));
    return fixtures::openScene({dir / (name + ".lem")})->ok;
  };
  EXPECT_TRUE(open("exact", row24 + "\n" + row24 + "\r\n" + row24 + "\n"));
  EXPECT_FALSE(open("noend", row24 + "\n" + row24 + "\n" + row24)) << "last line lacks its end";
  EXPECT_FALSE(open("short", row24 + "\n" + row24.substr(1) + "\n" + row24 + "\n"));
  EXPECT_FALSE(open("missing", row24 + "\n" + row24 + "\n")) << "a row is missing";
  EXPECT_FALSE(open("empty", ""));
}

TEST(LemReader, ThinningAndThreadsGiveTheSerialResult) {
  fixtures::TempDir dir;
  std::vector<std::filesystem::path> paths;
  for (int k = 0; k < 5; ++k) {
    const std::string name = "t" + std::to_string(k);
    paths.push_back(writeTile(dir / (name + ".lem"), dir / (name + ".csv"),
                              tile(11, 7 + k, 9, 100.0 * k), false));
  }
  const DeviceLimits limits{200, 65535};
  auto serial = fixtures::openScene(paths, limits, 1);
  auto threaded = fixtures::openScene(paths, limits, 4);
  ASSERT_TRUE(serial->ok && threaded->ok);
  ASSERT_EQ(serial->scene.plan.step, 2u);
  const ElevationGrid& a = serial->scene.grid;
  const ElevationGrid& b = threaded->scene.grid;
  ASSERT_EQ(a.count, b.count);
  for (uint32_t i = 0; i < a.count; ++i) {
    ASSERT_EQ(a.X[i], b.X[i]);
    ASSERT_EQ(a.Y[i], b.Y[i]);
    ASSERT_EQ(a.H[i], b.H[i]);
  }
  EXPECT_EQ(b.planeZone, 9);
  // 11 columns at step 2 keep 0, 2, 4, 6, 8, 10; 7 rows keep 0, 2, 4, 6.
  EXPECT_EQ(a.files[0].sampledColumns, 6u);
  EXPECT_DOUBLE_EQ(serial->H(0, 3, 5), (600 + 10) / 10.0);
}

TEST(LemReader, OpensNeverMixTheTwoKinds) {
  fixtures::TempDir dir;
  const auto lem = writeTile(dir / "a.lem", dir / "a.csv", tile(3, 3), false);
  fixtures::DemTile t;
  t.columns = 3;
  t.rows = 3;
  t.heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  fixtures::writeDemXml(dir / "b.xml", t);

  auto geo = fixtures::openScene({dir / "b.xml", lem});
  ASSERT_TRUE(geo->ok);
  EXPECT_EQ(geo->scene.grid.fileCount, 1);
  EXPECT_TRUE(geo->scene.grid.GeoCoordinates);
  auto plane = fixtures::openScene({lem, dir / "b.xml"});
  ASSERT_TRUE(plane->ok);
  EXPECT_EQ(plane->scene.grid.fileCount, 1);
  EXPECT_FALSE(plane->scene.grid.GeoCoordinates);

  // No path, or more than 100: refused before anything is cleared.
  EXPECT_FALSE(openLemFiles(plane->scene, {}));
  EXPECT_EQ(plane->scene.grid.fileCount, 1);
  const std::vector<std::filesystem::path> many(101, lem);
  EXPECT_FALSE(openLemFiles(plane->scene, many));
  EXPECT_EQ(plane->scene.grid.fileCount, 1);
  // Only other kinds of path: nothing is listed, the open fails and the scene stays.
  const std::vector<std::filesystem::path> xmlOnly{dir / "b.xml"};
  EXPECT_FALSE(openLemFiles(plane->scene, xmlOnly));
  EXPECT_EQ(plane->scene.grid.fileCount, 1);
}
