#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "scene/Scene.h"
#include "elevation/Readers.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/TempDir.h"

using namespace torvane;
using fixtures::DemTile;

namespace {

// A small tile with distinct heights: node (r, c) holds 100 * r + c + 0.25.
DemTile smallTile(int columns, int rows) {
  DemTile t;
  t.columns = columns;
  t.rows = rows;
  t.lonNE = t.lonSW + 0.001 * (columns - 1);
  t.latNE = t.latSW + 0.001 * (rows - 1);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      t.heights.push_back(100.0 * r + c + 0.25);
    }
  }
  return t;
}

std::string writeFile(const fixtures::TempDir& dir, const std::string& name,
                      const std::string& content) {
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

struct Opened {
  Scene scene;
  bool ok = false;
  double H(int file, uint32_t row, uint32_t col) const {
    const GridFile& f = scene.grid.files[static_cast<size_t>(file)];
    return scene.grid.H[scene.grid.fileBase(file) + uint64_t{row} * f.sampledColumns + col];
  }
};

std::unique_ptr<Opened> open(std::vector<std::filesystem::path> paths, DeviceLimits limits = {}) {
  auto o = std::make_unique<Opened>();
  o->scene.limits = limits;
  o->ok = openElevationFiles(o->scene, paths);
  return o;
}

bool listed(const std::filesystem::path& path) {
  ElevationGrid grid;
  return listDemXml(grid, path);
}

}  // namespace

TEST(DemXmlReader, RecognitionNeedsDemOnLineTwelve) {
  fixtures::TempDir dir;
  const std::string good = fixtures::demXmlText(smallTile(3, 3));
  EXPECT_TRUE(listed(writeFile(dir, "good.xml", good)));

  // One line more or less before <DEM moves it to line 13 or 11.
  EXPECT_FALSE(listed(writeFile(dir, "13.xml", "\r\n" + good)));
  std::string eleven = good;
  eleven.erase(0, eleven.find('\n') + 1);
  EXPECT_FALSE(listed(writeFile(dir, "11.xml", eleven)));

  // Real GSI files indent <DEM and the header tags with tabs, and may start with a BOM.
  std::string spaces = good;
  spaces.replace(spaces.find("\t<DEM"), 1, "    ");
  EXPECT_TRUE(listed(writeFile(dir, "spaces.xml", spaces)));
  DemTile bom = smallTile(3, 3);
  bom.byteOrderMark = true;
  bom.crlf = false;
  EXPECT_TRUE(listed(writeFile(dir, "bom-lf.xml", fixtures::demXmlText(bom))));

  EXPECT_FALSE(listed(writeFile(dir, "empty.xml", "")));
  EXPECT_FALSE(listed(writeFile(dir, "short.xml", "<DEM\n")));
  EXPECT_FALSE(listed(dir / "missing.xml"));
  EXPECT_FALSE(listed(dir.path()));  // a directory
}

TEST(DemXmlReader, HeaderValidation) {
  fixtures::TempDir dir;
  DemTile t = smallTile(2, 2);  // <gml:high>1 1</gml:high>: the smallest accepted grid
  ElevationGrid grid;
  ASSERT_TRUE(listDemXml(grid, writeFile(dir, "2x2.xml", fixtures::demXmlText(t))));
  EXPECT_EQ(grid.files[0].columns, 2u);
  EXPECT_EQ(grid.files[0].rows, 2u);
  EXPECT_DOUBLE_EQ(grid.lonMin, t.lonSW);
  EXPECT_DOUBLE_EQ(grid.latMax, t.latNE);

  DemTile flat = smallTile(3, 3);
  flat.latNE = flat.latSW;  // dLat = 0
  EXPECT_FALSE(listed(writeFile(dir, "flat.xml", fixtures::demXmlText(flat))));
  DemTile reversed = smallTile(3, 3);
  std::swap(reversed.lonNE, reversed.lonSW);
  EXPECT_FALSE(listed(writeFile(dir, "reversed.xml", fixtures::demXmlText(reversed))));

  std::string noHigh = fixtures::demXmlText(smallTile(3, 3));
  noHigh.replace(noHigh.find("<gml:high>"), 10, "<gml:hi>");
  EXPECT_FALSE(listed(writeFile(dir, "nohigh.xml", noHigh)));

  // One column or row has no spacing; absurd sizes are refused in the first pass instead of
  // thinning every other file away.
  for (const char* high : {"0 2", "2 0", "-1 2", "1999999999 1999999999", "99999999999 2"}) {
    std::string text = fixtures::demXmlText(smallTile(3, 3));
    text.replace(text.find("<gml:high>2 2") + 10, 3, high);
    EXPECT_FALSE(listed(writeFile(dir, "high.xml", text))) << high;
  }
  // A one-column tile among good ones is skipped and leaves the bounds alone.
  DemTile oneColumn = smallTile(1, 3);
  oneColumn.lonNE = 139.5;
  const DemTile good = smallTile(3, 3);
  auto mixed = open({writeFile(dir, "good.xml", fixtures::demXmlText(good)),
                     writeFile(dir, "one.xml", fixtures::demXmlText(oneColumn))});
  ASSERT_TRUE(mixed->ok);
  EXPECT_EQ(mixed->scene.grid.fileCount, 1);
  EXPECT_DOUBLE_EQ(mixed->scene.grid.lonMax, good.lonNE);
  std::string nanCorner = fixtures::demXmlText(smallTile(3, 3));
  nanCorner.replace(nanCorner.find("<gml:upperCorner>") + 17, 2, "nan");
  EXPECT_FALSE(listed(writeFile(dir, "nan.xml", nanCorner)));
}

TEST(DemXmlReader, TuplesPlaceHeightsRowByRowFromTheNorth) {
  fixtures::TempDir dir;
  DemTile t = smallTile(4, 3);
  t.heights[1] = -9999;  // no-data becomes 0
  std::string text = fixtures::demXmlText(t);
  // Labels vary in real files; only the text after the first comma counts.
  text.replace(text.find("地表面,2.25"), 14, "その他,  2.25,x");
  auto o = open({writeFile(dir, "t.xml", text)});
  ASSERT_TRUE(o->ok);
  EXPECT_EQ(o->scene.grid.count, 12u);
  EXPECT_DOUBLE_EQ(o->H(0, 0, 0), 0.25);
  EXPECT_DOUBLE_EQ(o->H(0, 0, 1), 0.0);
  EXPECT_DOUBLE_EQ(o->H(0, 0, 2), 2.25);
  EXPECT_DOUBLE_EQ(o->H(0, 2, 3), 203.25);
  // Row 0 is the north edge, column 0 the west edge.
  const ElevationGrid& g = o->scene.grid;
  EXPECT_DOUBLE_EQ(g.lat[0], t.latNE);
  EXPECT_DOUBLE_EQ(g.lon[0], t.lonSW);
  EXPECT_GT(g.Y[0], g.Y[8]);
  EXPECT_LT(g.X[0], g.X[3]);
}

TEST(DemXmlReader, StartPointAndEarlyEnd) {
  fixtures::TempDir dir;
  // Partial 5 x 4 tiles: start column and row, the tuples, the first node they fill. The tuples
  // fill nodes in order from there; the list ends early and every other node is 0.
  struct Partial {
    int column, row;
    std::vector<double> heights;
    uint32_t firstNode;  // row * 5 + column
  };
  const Partial partials[] = {{3, 2, {7, 8, 9}, 13}, {1, 0, {7, 8}, 1}, {0, 1, {7}, 5}};
  for (const Partial& p : partials) {
    SCOPED_TRACE(p.column);
    DemTile t = smallTile(5, 4);
    t.startColumn = p.column;
    t.startRow = p.row;
    t.heights = p.heights;
    auto o = open({writeFile(dir, "partial.xml", fixtures::demXmlText(t))});
    ASSERT_TRUE(o->ok);
    for (uint32_t node = 0; node < 20; ++node) {
      const uint32_t k = node - p.firstNode;  // wraps for nodes before the first
      EXPECT_DOUBLE_EQ(o->H(0, node / 5, node % 5), k < p.heights.size() ? p.heights[k] : 0)
          << node;
    }
  }

  // A tuple line without a comma ends the list; the file still opens.
  DemTile broken = smallTile(3, 3);
  std::string text = fixtures::demXmlText(broken);
  text.replace(text.find("地表面,100.25"), 16, "garbage");
  auto b = open({writeFile(dir, "broken.xml", text)});
  ASSERT_TRUE(b->ok);
  EXPECT_DOUBLE_EQ(b->H(0, 0, 2), 2.25);
  EXPECT_DOUBLE_EQ(b->H(0, 1, 0), 0);
  EXPECT_DOUBLE_EQ(b->H(0, 2, 2), 0);

  // A start point beyond the grid leaves every node at 0.
  DemTile far = smallTile(3, 3);
  far.startColumn = 2000000000;
  far.startRow = 2000000000;
  auto f = open({writeFile(dir, "far.xml", fixtures::demXmlText(far))});
  ASSERT_TRUE(f->ok);
  EXPECT_EQ(f->scene.grid.Hmax, 0);
}

TEST(DemXmlReader, ThinningConsumesEveryTuple) {
  fixtures::TempDir dir;
  // 6 columns, 5 rows with step 2 keeps columns 0 2 4 5 and rows 0 2 4.
  DemTile t = smallTile(6, 5);
  const auto path = writeFile(dir, "t.xml", fixtures::demXmlText(t));
  auto o = open({path}, DeviceLimits{20, 65535});
  ASSERT_TRUE(o->ok);
  EXPECT_EQ(o->scene.plan.step, 2u);
  const GridFile& f = o->scene.grid.files[0];
  EXPECT_EQ(f.sampledColumns, 4u);
  EXPECT_EQ(f.sampledRows, 3u);
  const uint32_t cols[] = {0, 2, 4, 5};
  const uint32_t rows[] = {0, 2, 4};
  for (uint32_t r = 0; r < 3; ++r) {
    for (uint32_t c = 0; c < 4; ++c) {
      EXPECT_DOUBLE_EQ(o->H(0, r, c), 100.0 * rows[r] + cols[c] + 0.25);
    }
  }
}

TEST(DemXmlReader, HostileContentNeverCrashes) {
  fixtures::TempDir dir;
  const std::string good = fixtures::demXmlText(smallTile(3, 3));
  std::string longLine = good;
  longLine.insert(longLine.find("<gml:tupleList>"), std::string(200000, 'x') + "\r\n");
  std::string longTuple = good;
  longTuple.replace(longTuple.find("地表面,1.25"), 14, "地表面," + std::string(100000, '9'));
  std::string junk(300000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) {
    junk[i] = static_cast<char>((i * 2654435761u) >> 13);
  }
  std::string nanHeight = good;
  nanHeight.replace(nanHeight.find("地表面,1.25"), 14, "地表面,nan");
  std::string infHeight = good;
  infHeight.replace(infHeight.find("地表面,2.25"), 14, "地表面,1e999");
  std::string truncated = good.substr(0, good.find("地表面,100.25") + 5);

  for (const auto& [name, content] :
       std::vector<std::pair<std::string, std::string>>{{"long-line", longLine},
                                                        {"long-tuple", longTuple},
                                                        {"junk", junk},
                                                        {"nan", nanHeight},
                                                        {"inf", infHeight},
                                                        {"truncated", truncated}}) {
    SCOPED_TRACE(name);
    auto o = open({writeFile(dir, name + ".xml", content)});
    if (o->ok) {
      for (uint32_t i = 0; i < o->scene.grid.count; ++i) {
        EXPECT_TRUE(o->scene.grid.H[i] >= 0 && o->scene.grid.H[i] < 1e300);
      }
    }
  }
  // The long header line does not hide the header; the long tuple is a huge but finite number.
  auto l = open({dir / "long-line.xml"});
  EXPECT_TRUE(l->ok);
  auto n = open({dir / "nan.xml"});
  ASSERT_TRUE(n->ok);
  EXPECT_EQ(n->H(0, 0, 1), 0);
  auto i = open({dir / "inf.xml"});
  ASSERT_TRUE(i->ok);
  EXPECT_EQ(i->H(0, 0, 2), 0);
  auto t = open({dir / "truncated.xml"});
  ASSERT_TRUE(t->ok);
  EXPECT_EQ(t->H(0, 1, 0), 0);

  if (::geteuid() != 0) {  // root reads everything
    const auto locked = writeFile(dir, "locked.xml", good);
    ::chmod(locked.c_str(), 0);
    EXPECT_FALSE(listed(locked));
  }
}
