#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "elevation/Readers.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"

using namespace torvane;
using fixtures::BilTile;

namespace {

BilTile tile(int columns, int rows) {
  BilTile t;
  t.columns = columns;
  t.rows = rows;
  for (int i = 0; i < columns * rows; ++i) {
    t.samples.push_back(static_cast<int16_t>(10 * i));
  }
  return t;
}

std::string replaceLine(std::string text, int lineNumber, const std::string& replacement) {
  size_t start = 0;
  for (int n = 1; n < lineNumber; ++n) {
    start = text.find('\n', start) + 1;
  }
  const size_t end = text.find('\n', start);
  return text.replace(start, end - start, replacement);
}

bool listed(const std::filesystem::path& path) {
  ElevationGrid grid;
  return listBil(grid, path);
}

}  // namespace

TEST(BilReader, HeaderLinesGiveSizeAndBounds) {
  fixtures::TempDir dir;
  BilTile t = tile(4, 3);
  ASSERT_TRUE(fixtures::writeBil(dir / "a.bil", t));
  ElevationGrid grid;
  ASSERT_TRUE(listBil(grid, dir / "a.bil"));
  ASSERT_EQ(grid.fileCount, 1);
  EXPECT_EQ(grid.files[0].columns, 4u);
  EXPECT_EQ(grid.files[0].rows, 3u);
  EXPECT_DOUBLE_EQ(grid.lonMin, 139.0);
  EXPECT_DOUBLE_EQ(grid.lonMax, 139.03);
  EXPECT_DOUBLE_EQ(grid.latMax, 36.0);
  EXPECT_DOUBLE_EQ(grid.latMin, 35.98);
}

TEST(BilReader, KeysCountOnlyOnTheirLineAndWithTheirCase) {
  fixtures::TempDir dir;
  const BilTile t = tile(4, 3);
  const std::string header = fixtures::bilHeaderText(t);
  auto variant = [&](const std::string& name, const std::string& hdr) {
    fixtures::writeBytes(dir / (name + ".bil"), fixtures::bilData(t));
    fixtures::writeBytes(dir / (name + ".hdr"), hdr);
    return dir / (name + ".bil");
  };
  // The corner and spacing keys count in any case, on their line or else on the first line
  // that holds them.
  struct Corner {
    const char* name;
    std::vector<std::pair<int, std::string>> lines;
    double west, east;
  };
  const Corner corners[] = {
      {"upper", {{11, "ULXMAP 139.5"}}, 139.5, 139.53},
      {"moved", {{11, "NOTE x"}, {2, "Ulxmap 139.25"}}, 139.25, 139.28},
      {"own line wins", {{10, "ULXMAP 7"}}, 139.0, 139.03},
      {"first wins", {{11, "NOTE x"}, {2, "ULXMAP 7"}, {10, "ULXMAP 8"}}, 7.0, 7.03},
      {"spacing moved", {{13, "NOTE x"}, {9, "XDIM 0.02"}}, 139.0, 139.06},
  };
  for (const Corner& c : corners) {
    SCOPED_TRACE(c.name);
    std::string hdr = header;
    for (const auto& [line, text] : c.lines) {
      hdr = replaceLine(hdr, line, text);
    }
    ElevationGrid grid;
    ASSERT_TRUE(listBil(grid, variant(c.name, hdr)));
    EXPECT_DOUBLE_EQ(grid.lonMin, c.west);
    EXPECT_DOUBLE_EQ(grid.lonMax, c.east);
  }
  EXPECT_FALSE(listed(variant("lower", replaceLine(header, 3, "nrows 3")))) << "nrows";
  EXPECT_FALSE(
      listed(variant("swapped", replaceLine(replaceLine(header, 3, "NCOLS 4"), 4, "NROWS 3"))))
      << "keys on each other's lines";
  EXPECT_FALSE(listed(variant("short", header.substr(0, header.rfind("ydim"))))) << "13 lines";
  EXPECT_FALSE(listed(variant("flat", replaceLine(header, 14, "ydim 0")))) << "ydim 0";
  EXPECT_FALSE(listed(variant("nan", replaceLine(header, 11, "ulxmap nan")))) << "NaN corner";
  EXPECT_FALSE(listed(variant("inf", replaceLine(header, 13, "xdim inf")))) << "inf spacing";
  EXPECT_FALSE(listed(variant("wide", replaceLine(header, 4, "NCOLS 4294967296"))))
      << "more than 32 bits of columns";

  fixtures::writeBytes(dir / "nohdr.bil", fixtures::bilData(t));
  EXPECT_FALSE(listed(dir / "nohdr.bil")) << "no header";
  fixtures::writeBytes(dir / "UP.BIL", fixtures::bilData(t));
  fixtures::writeBytes(dir / "UP.HDR", header);
  EXPECT_TRUE(listed(dir / "UP.BIL")) << "upper-case header name beside an upper-case file";
}

TEST(BilReader, SamplesAreBigEndianFeetAndNegativesBecomeZero) {
  fixtures::TempDir dir;
  BilTile t = tile(3, 3);
  t.samples = {256, -1, -9999, 1, 2, 3, 4, 5, 32767};
  ASSERT_TRUE(fixtures::writeBil(dir / "a.bil", t));
  // Bytes 0x01 0x00 are 256 feet.
  EXPECT_EQ(fixtures::bilData(t).substr(0, 4), std::string("\x01\x00\xFF\xFF", 4));
  auto o = fixtures::openScene({dir / "a.bil"});
  ASSERT_TRUE(o->ok);
  EXPECT_DOUBLE_EQ(o->H(0, 0, 0), 256 * 0.30480061);
  EXPECT_EQ(o->H(0, 0, 1), 0.0);
  EXPECT_EQ(o->H(0, 0, 2), 0.0);
  EXPECT_DOUBLE_EQ(o->H(0, 2, 2), 32767 * 0.30480061);
  // Node positions follow ulxmap + j * xdim and ulymap - i * ydim.
  const ElevationGrid& g = o->scene.grid;
  EXPECT_DOUBLE_EQ(g.lon[o->index(0, 1, 2)], 139.0 + 2 * 0.01);
  EXPECT_DOUBLE_EQ(g.lat[o->index(0, 1, 2)], 36.0 - 0.01);
  EXPECT_TRUE(g.GeoCoordinates);
}

TEST(BilReader, StandardHeadersInEitherByteOrderReadLikeTheLowerCaseForm) {
  fixtures::TempDir dir;
  BilTile t = tile(4, 3);
  t.samples = {100, 200, 300, 400, -5, 0, 1000, 2000, 5, 6, 7, -9999};
  t.ulymap = 35.99;
  ASSERT_TRUE(fixtures::writeBil(dir / "ref.bil", t));
  std::string little = fixtures::bilData(t);
  for (size_t i = 0; i + 1 < little.size(); i += 2) {
    std::swap(little[i], little[i + 1]);
  }
  // As a common conversion tool writes it: capital keys, the corner one line early.
  const std::string standard =
      "BYTEORDER      I\nLAYOUT         BIL\nNROWS          3\nNCOLS          4\n"
      "NBANDS         1\nNBITS          16\nBANDROWBYTES   8\nTOTALROWBYTES  8\n"
      "PIXELTYPE      SIGNEDINT\nULXMAP         139\nULYMAP         35.99\n"
      "XDIM           0.01\nYDIM           0.01\nNODATA         -9999\n";
  std::string motorola = standard;
  motorola.replace(motorola.find(" I\n"), 3, " M\n");
  struct Variant {
    const char* name;
    std::string header;
    const std::string& data;
  };
  const std::string big = fixtures::bilData(t);
  std::string upper = fixtures::bilHeaderText(t);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  const Variant variants[] = {
      {"little", standard, little},
      {"big", motorola, big},
      {"lsbfirst", replaceLine(standard, 1, "byteorder lsbfirst"), little},
      {"keys on lines 11 to 14", replaceLine(upper, 1, "BYTEORDER I"), little},
      {"13 lines, without NODATA", standard.substr(0, standard.find("NODATA")), little},
  };
  const auto reference = fixtures::openScene({dir / "ref.bil"});
  ASSERT_TRUE(reference->ok);
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    fixtures::writeBytes(dir / "v.bil", v.data);
    fixtures::writeBytes(dir / "v.hdr", v.header);
    const auto o = fixtures::openScene({dir / "v.bil"});
    ASSERT_TRUE(o->ok);
    ASSERT_EQ(o->scene.grid.count, reference->scene.grid.count);
    for (uint32_t i = 0; i < o->scene.grid.count; ++i) {
      EXPECT_EQ(o->scene.grid.H[i], reference->scene.grid.H[i]) << i;
      EXPECT_DOUBLE_EQ(o->scene.grid.lon[i], reference->scene.grid.lon[i]) << i;
      EXPECT_DOUBLE_EQ(o->scene.grid.lat[i], reference->scene.grid.lat[i]) << i;
    }
  }
  EXPECT_DOUBLE_EQ(reference->H(0, 1, 3), 2000 * 0.30480061);
  // Samples that are not one band of 16-bit integers are refused, not misread.
  const std::pair<int, const char*> refused[] = {{6, "NBITS 8"},         {6, "NBITS 32"},
                                                 {6, "nbits sixteen"},   {5, "NBANDS 3"},
                                                 {9, "PIXELTYPE FLOAT"}, {1, "BYTEORDER X"}};
  for (const auto& [line, text] : refused) {
    SCOPED_TRACE(text);
    fixtures::writeBytes(dir / "v.hdr", replaceLine(standard, line, text));
    EXPECT_FALSE(listed(dir / "v.bil"));
  }
  fixtures::writeBytes(dir / "v.hdr", replaceLine(standard, 15, "NBITS 8"));
  EXPECT_TRUE(listed(dir / "v.bil")) << "the first line that holds a key counts";
}

TEST(BilReader, ThinningKeepsEveryStepAndTheLastRowAndColumn) {
  fixtures::TempDir dir;
  BilTile t = tile(6, 5);  // sample (r, c) = 10 * (6r + c) feet
  ASSERT_TRUE(fixtures::writeBil(dir / "a.bil", t));
  // 30 nodes at step 1; 4 x 3 = 12 at step 2 with primitiveLimit 12 on a 16-bit index device.
  auto o = fixtures::openScene({dir / "a.bil"}, DeviceLimits{12, 65535});
  ASSERT_TRUE(o->ok);
  ASSERT_EQ(o->scene.plan.step, 2u);
  const GridFile& f = o->scene.grid.files[0];
  ASSERT_EQ(f.sampledColumns, 4u);  // columns 0, 2, 4, 5
  ASSERT_EQ(f.sampledRows, 3u);     // rows 0, 2, 4
  const int cols[] = {0, 2, 4, 5};
  const int rows[] = {0, 2, 4};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_DOUBLE_EQ(o->H(0, r, c), 10 * (6 * rows[r] + cols[c]) * 0.30480061)
          << "kept row " << r << " column " << c;
    }
  }
}

TEST(BilReader, DataShorterThanTheHeaderFailsTheOpen) {
  fixtures::TempDir dir;
  const BilTile t = tile(4, 4);
  ASSERT_TRUE(fixtures::writeBil(dir / "a.bil", t));
  ASSERT_TRUE(fixtures::writeBil(dir / "b.bil", t));
  fixtures::writeBytes(dir / "b.bil", fixtures::bilData(t).substr(0, 31));
  EXPECT_TRUE(fixtures::openScene({dir / "a.bil"})->ok);
  auto o = fixtures::openScene({dir / "a.bil", dir / "b.bil"});
  EXPECT_FALSE(o->ok);
  EXPECT_EQ(o->scene.grid.fileCount, 0);
  EXPECT_EQ(o->scene.grid.capacity, 0u);
}

TEST(BilReader, OpensTogetherWithTheOtherGeographicFormats) {
  fixtures::TempDir dir;
  BilTile b = tile(4, 3);
  ASSERT_TRUE(fixtures::writeBil(dir / "a.BIL", b));  // extensions compare without case
  fixtures::DemTile x;
  x.columns = x.rows = 3;
  x.lonSW = 139.05;
  x.lonNE = 139.07;
  x.latSW = 35.90;
  x.latNE = 35.92;
  x.heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(fixtures::writeDemXml(dir / "b.xml", x));
  fixtures::writeBytes(dir / "c.txt", "not elevation data\n");
  auto o = fixtures::openScene({dir / "a.BIL", dir / "c.txt", dir / "b.xml"});
  ASSERT_TRUE(o->ok);
  const ElevationGrid& g = o->scene.grid;
  ASSERT_EQ(g.fileCount, 2);
  EXPECT_EQ(g.files[1].path, dir / "b.xml");
  // Bounds span both files; the projection origin is their common centre.
  EXPECT_DOUBLE_EQ(g.lonMin, 139.0);
  EXPECT_DOUBLE_EQ(g.lonMax, 139.07);
  EXPECT_DOUBLE_EQ(g.latMin, 35.90);
  EXPECT_DOUBLE_EQ(g.latMax, 36.0);
  EXPECT_DOUBLE_EQ(o->H(1, 2, 2), 9.0);
}
