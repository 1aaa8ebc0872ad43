// Checks against real GSI downloads (出典：国土地理院（基盤地図情報）). They live outside the
// repository; every test here skips when the samples folder is absent.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "elevation/DemExport.h"
#include "scene/Scene.h"
#include "tests/support/TempDir.h"

using namespace torvane;
namespace fs = std::filesystem;

namespace {

const fs::path kDemXml = fs::path(TORVANE_SAMPLES_DIR) / "dem_xml";

std::vector<fs::path> samples(std::initializer_list<const char*> names) {
  std::vector<fs::path> paths;
  for (const char* n : names) {
    paths.push_back(kDemXml / n);
  }
  return paths;
}

#define REQUIRE_SAMPLES()                            \
  if (!fs::is_directory(kDemXml)) {                  \
    GTEST_SKIP() << "no GSI samples at " << kDemXml; \
  }

double nodeH(const Scene& s, int file, uint32_t row, uint32_t col) {
  const GridFile& f = s.grid.files[static_cast<size_t>(file)];
  return s.grid.H[s.grid.fileBase(file) + uint64_t{row} * f.sampledColumns + col];
}

uint64_t nodeIndex(const Scene& s, int file, uint32_t row, uint32_t col) {
  return s.grid.fileBase(file) +
         uint64_t{row} * s.grid.files[static_cast<size_t>(file)].sampledColumns + col;
}

// Adjacent tiles share their edge nodes: the east column of `west` lies where the west column of
// `east` lies, in plane metres of the merged grid.
void expectSharedEdge(const Scene& s, int west, int east) {
  for (uint32_t r : {0u, 75u, 149u}) {
    const uint64_t a = nodeIndex(s, west, r, 224), b = nodeIndex(s, east, r, 0);
    EXPECT_NEAR(s.grid.X[a], s.grid.X[b], 1e-3);
    EXPECT_NEAR(s.grid.Y[a], s.grid.Y[b], 1e-3);
  }
}

}  // namespace

TEST(RealSamples, AdjacentBlocksMerge) {
  REQUIRE_SAMPLES();
  for (const auto& block :
       {samples({"FG-GML-6443-20-51-DEM5A-20161001.xml", "FG-GML-6443-20-52-DEM5A-20161001.xml",
                 "FG-GML-6443-20-61-DEM5A-20161001.xml", "FG-GML-6443-20-62-DEM5A-20161001.xml"}),
        samples({"FG-GML-6443-20-80-DEM5A-20210115.xml", "FG-GML-6443-20-81-DEM5A-20210115.xml",
                 "FG-GML-6443-20-90-DEM5A-20210115.xml",
                 "FG-GML-6443-20-91-DEM5A-20210115.xml"})}) {
    SCOPED_TRACE(block[0].filename().string());
    Scene s;
    ASSERT_TRUE(openElevationFiles(s, block));
    EXPECT_EQ(s.grid.fileCount, 4);
    EXPECT_EQ(s.grid.count, 4u * 225 * 150);
    EXPECT_EQ(s.plan.step, 1u);
    expectSharedEdge(s, 0, 1);
    expectSharedEdge(s, 2, 3);
    // The north tiles' south row meets the south tiles' north row.
    EXPECT_NEAR(s.grid.Y[nodeIndex(s, 2, 149, 10)], s.grid.Y[nodeIndex(s, 0, 0, 10)], 1e-3);
    // The merged plane is centred on the block.
    EXPECT_NEAR(s.grid.Xmin + s.grid.Xmax, 0, 1.0);
    EXPECT_NEAR(s.grid.Ymin + s.grid.Ymax, 0, 1.0);
  }
  // First and last tuples of a full tile (BOM-less CRLF, 2016).
  Scene s;
  ASSERT_TRUE(openElevationFiles(s, samples({"FG-GML-6443-20-51-DEM5A-20161001.xml"})));
  EXPECT_DOUBLE_EQ(nodeH(s, 0, 0, 0), 127.35);
  EXPECT_DOUBLE_EQ(nodeH(s, 0, 149, 224), 115.55);
}

TEST(RealSamples, PartialTilesPlaceTheirDataAtTheStartPoint) {
  REQUIRE_SAMPLES();
  struct Case {
    const char* name;
    uint32_t startColumn, startRow;
    double first;
    uint64_t tuples;
    double last;
  } cases[] = {
      {"FG-GML-3624-30-76-DEM5B-20170202.xml", 57, 0, 0.12, 19968, 0.02},
      {"FG-GML-6443-20-09-DEM5A-20161001.xml", 223, 26, 106.50, 27677, 100.36},
      {"FG-GML-3926-76-DEM10B-20161001.xml", 743, 639, 1.20, 37074, 0.10},
      {"FG-GML-6443-20-16-DEM5A-20161001.xml", 224, 83, 114.61, 14851, 115.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s;
    ASSERT_TRUE(openElevationFiles(s, samples({c.name})));
    ASSERT_EQ(s.plan.step, 1u);
    const GridFile& f = s.grid.files[0];
    const uint64_t start = uint64_t{c.startRow} * f.columns + c.startColumn;
    const uint64_t end = start + c.tuples;  // one past the last tuple's node
    EXPECT_DOUBLE_EQ(s.grid.H[start], c.first);
    if (start > 0) {
      EXPECT_EQ(s.grid.H[start - 1], 0);
    }
    EXPECT_DOUBLE_EQ(s.grid.H[end - 1], c.last);
    if (end < s.grid.count) {
      EXPECT_EQ(s.grid.H[end], 0);  // the list ended early
    }
  }

  // A tile holding a single tuple still opens, as a full grid.
  Scene s;
  ASSERT_TRUE(openElevationFiles(s, samples({"FG-GML-3624-30-98-DEM5B-20170202.xml"})));
  EXPECT_EQ(s.grid.count, 225u * 150);
  EXPECT_EQ(s.grid.Hmax, 0);

  // The Ishigaki block of partial coastal tiles opens as one grid.
  Scene block;
  ASSERT_TRUE(openElevationFiles(
      block,
      samples({"FG-GML-3624-30-76-DEM5B-20170202.xml", "FG-GML-3624-30-77-DEM5B-20170202.xml",
               "FG-GML-3624-30-86-DEM5B-20170202.xml", "FG-GML-3624-30-87-DEM5B-20170202.xml",
               "FG-GML-3624-30-88-DEM5B-20170202.xml", "FG-GML-3624-30-96-DEM5B-20170202.xml",
               "FG-GML-3624-30-97-DEM5B-20170202.xml", "FG-GML-3624-30-98-DEM5B-20170202.xml"})));
  EXPECT_EQ(block.grid.fileCount, 8);
}

TEST(RealSamples, LineEndingsAndByteOrderMarks) {
  REQUIRE_SAMPLES();
  // LF-only file, and a BOM file whose heights carry three decimals.
  Scene lf;
  ASSERT_TRUE(openElevationFiles(lf, samples({"FG-GML-5640-55-00-DEM5A-20161001.xml"})));
  EXPECT_DOUBLE_EQ(nodeH(lf, 0, 0, 0), 168.27);
  EXPECT_DOUBLE_EQ(nodeH(lf, 0, 149, 224), 249.53);
  Scene bom;
  ASSERT_TRUE(openElevationFiles(bom, samples({"FG-GML-6443-20-10-DEM5A-20190130.xml"})));
  EXPECT_DOUBLE_EQ(nodeH(bom, 0, 0, 0), 145.919);
  EXPECT_DOUBLE_EQ(nodeH(bom, 0, 149, 224), 145.80);
}

TEST(RealSamples, ZippedDownloadsOpenDirectlyAsTheirExtractedFiles) {
  REQUIRE_SAMPLES();
  const fs::path zipped = kDemXml / "zipped";
  // 6341-51 and 6341-61 (north of it) merge; 5437-45 lies elsewhere and opens alone.
  Scene pair;
  ASSERT_TRUE(openElevationFiles(pair, std::vector<fs::path>{zipped / "sample-dem10b.zip"}));
  ASSERT_EQ(pair.grid.fileCount, 2);
  EXPECT_EQ(pair.grid.filePath(1),
            zipped / "sample-dem10b.zip" / "FG-GML-6341-61-dem10b-20161001.xml");
  EXPECT_EQ(pair.grid.count, 2u * 1125 * 750);
  EXPECT_DOUBLE_EQ(nodeH(pair, 0, 0, 0), 518.20);
  EXPECT_DOUBLE_EQ(nodeH(pair, 1, 0, 0), 701.40);
  EXPECT_EQ(nodeH(pair, 0, 749, 1124), 0);  // -9999.00
  Scene alone;
  ASSERT_TRUE(openElevationFiles(
      alone, std::vector<fs::path>{zipped / "FG-GML-543745-DEM10B-20161001.zip"}));
  EXPECT_DOUBLE_EQ(nodeH(alone, 0, 0, 0), 2385.50);
  EXPECT_DOUBLE_EQ(nodeH(alone, 0, 749, 1124), 1818.50);

  // The same download unzipped by another tool gives the same grid, node for node.
  if (std::system("command -v unzip >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "unzip is not installed";
  }
  fixtures::TempDir dir;
  const std::string cmd = "unzip -q -o '" + (zipped / "sample-dem10b.zip").string() + "' -d '" +
                          dir.path().string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  Scene extracted;
  ASSERT_TRUE(openElevationFiles(
      extracted, std::vector<fs::path>{dir / "FG-GML-6341-51-dem10b-20161001.xml",
                                       dir / "FG-GML-6341-61-dem10b-20161001.xml"}));
  ASSERT_EQ(extracted.grid.count, pair.grid.count);
  for (uint32_t i = 0; i < pair.grid.count; ++i) {
    ASSERT_EQ(pair.grid.X[i], extracted.grid.X[i]);
    ASSERT_EQ(pair.grid.Y[i], extracted.grid.Y[i]);
    ASSERT_EQ(pair.grid.H[i], extracted.grid.H[i]);
  }
}

TEST(RealSamples, ExportedTileReopensNodeForNode) {
  REQUIRE_SAMPLES();
  Scene tile;
  ASSERT_TRUE(openElevationFiles(tile, samples({"FG-GML-5238-74-00-DEM5A-20161001.xml"})));
  fixtures::TempDir dir;
  DemExport result;
  WriteError error;
  ASSERT_TRUE(exportDem(tile.grid, dir / "tile.tif", result, &error)) << error.message();
  EXPECT_EQ(result.width, 225u);
  EXPECT_EQ(result.height, 150u);
  Scene back;
  ASSERT_TRUE(openElevationFiles(back, std::vector<fs::path>{dir / "tile.tif"}));
  ASSERT_EQ(back.grid.count, tile.grid.count);
  EXPECT_EQ(back.grid.lonMin, tile.grid.lonMin);
  EXPECT_EQ(back.grid.latMax, tile.grid.latMax);
  for (uint32_t i = 0; i < tile.grid.count; ++i) {
    ASSERT_NEAR(back.grid.lon[i], tile.grid.lon[i], 1e-9);
    ASSERT_NEAR(back.grid.lat[i], tile.grid.lat[i], 1e-9);
    ASSERT_EQ(back.grid.H[i], static_cast<float>(tile.grid.H[i])) << i;  // Float32 heights
  }
}
