// The GeoTIFF export: what GDAL finds in the file, the mosaic rules, and a round trip through
// the raster reader.

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

#include <gdal.h>
#include <ogr_srs_api.h>

#include "elevation/DemExport.h"
#include "elevation/TvdFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"
#include "tests/support/WriteFaults.h"

using namespace torvane;
namespace fs = std::filesystem;

namespace {

//! What GDAL reports of a written GeoTIFF.
struct Written {
  std::string layout, compression, predictor;
  int width = 0, height = 0, overviews = 0, epsg = 0;
  double noData = 0, gt[6] = {};
  std::vector<float> cells;
  float at(int column, int row) const { return cells[static_cast<size_t>(row * width + column)]; }
};

Written inspect(const fs::path& path) {
  Written w;
  GDALAllRegister();
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (ds == nullptr) {
    ADD_FAILURE() << "GDAL cannot open " << path;
    return w;
  }
  auto item = [&](const char* key) {
    const char* v = GDALGetMetadataItem(ds, key, "IMAGE_STRUCTURE");
    return std::string(v ? v : "");
  };
  w.layout = item("LAYOUT");
  w.compression = item("COMPRESSION");
  w.predictor = item("PREDICTOR");
  w.width = GDALGetRasterXSize(ds);
  w.height = GDALGetRasterYSize(ds);
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  w.overviews = GDALGetOverviewCount(band);
  w.noData = GDALGetRasterNoDataValue(band, nullptr);
  GDALGetGeoTransform(ds, w.gt);
  if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
    const char* code = OSRGetAuthorityCode(srs, nullptr);
    w.epsg = code ? std::atoi(code) : 0;
  }
  EXPECT_EQ(GDALGetRasterDataType(band), GDT_Float32);
  w.cells.resize(static_cast<size_t>(w.width) * w.height);
  EXPECT_EQ(GDALRasterIO(band, GF_Read, 0, 0, w.width, w.height, w.cells.data(), w.width, w.height,
                         GDT_Float32, 0, 0),
            CE_None);
  GDALClose(ds);
  return w;
}

}  // namespace

TEST(DemExport, AdjacentTilesReopenAsTheOpenedGrid) {
  fixtures::TempDir dir;
  std::vector<fs::path> paths;
  fixtures::DemTile t;
  t.columns = 300;
  t.rows = 200;
  t.lonNE = t.lonSW + 299 * 0.0001;
  t.latNE = t.latSW + 199 * 0.0001;
  for (int k = 0; k < 2; ++k) {
    fixtures::DemTile tile = t;
    tile.lonSW += k * 299 * 0.0001;
    tile.lonNE += k * 299 * 0.0001;
    tile.heights = fixtures::sampleHeights(tile, fixtures::Landscape{139.03, 35.01, 0.01, 900});
    paths.push_back(dir / ("t" + std::to_string(k) + ".xml"));
    ASSERT_TRUE(fixtures::writeDemXml(paths.back(), tile));
  }
  const auto opened = fixtures::openScene(paths);
  ASSERT_TRUE(opened->ok);
  DemExport result;
  WriteError error;
  ASSERT_TRUE(exportDem(opened->scene.grid, dir / "out.tif", result, &error)) << error.message();
  EXPECT_EQ(result.width, 599u);  // the tiles share their edge column
  EXPECT_EQ(result.height, 200u);
  EXPECT_EQ(result.epsg, 6668);

  const Written w = inspect(dir / "out.tif");
  EXPECT_EQ(w.layout, "COG");
  EXPECT_EQ(w.compression, "DEFLATE");
  EXPECT_EQ(w.predictor, "3");
  EXPECT_GE(w.overviews, 1);
  EXPECT_EQ(w.epsg, 6668);
  EXPECT_EQ(w.noData, kDemExportNoData);
  EXPECT_EQ(fixtures::folderEntries(dir.path()),
            (std::vector<std::string>{"out.tif", "t0.xml", "t1.xml"}));

  // The files only listed, not opened (as torvane-cli does): the same heights.
  ElevationGrid listed;
  ASSERT_TRUE(listElevationData(paths, listed));
  EXPECT_EQ(listed.count, 0u);
  ASSERT_TRUE(exportDem(listed, dir / "listed.tif", result, &error)) << error.message();
  EXPECT_EQ(inspect(dir / "listed.tif").cells, w.cells);
  std::filesystem::remove(dir / "listed.tif");

  const auto back = fixtures::openScene({dir / "out.tif"});
  ASSERT_TRUE(back->ok);
  const ElevationGrid& a = opened->scene.grid;
  const ElevationGrid& b = back->scene.grid;
  EXPECT_DOUBLE_EQ(b.lonMin, a.lonMin);
  EXPECT_NEAR(b.lonMax, a.lonMax, 1e-12);
  EXPECT_DOUBLE_EQ(b.latMax, a.latMax);
  EXPECT_NEAR(b.latMin, a.latMin, 1e-12);
  int bad = 0;
  for (int k = 0; k < 2 && bad < 5; ++k) {
    for (uint64_t i = 0; i < 200; ++i) {
      for (uint64_t j = 0; j < 300; ++j) {
        const uint64_t p = opened->index(k, i, j), q = back->index(0, i, j + 299 * k);
        if (std::fabs(a.lon[p] - b.lon[q]) > 1e-9 || std::fabs(a.lat[p] - b.lat[q]) > 1e-9 ||
            std::fabs(a.H[p] - b.H[q]) > 1e-4 * std::max(1.0, a.H[p])) {
          if (++bad < 5) {
            ADD_FAILURE() << "file " << k << " node " << i << "," << j << ": H " << a.H[p] << " / "
                          << b.H[q];
          }
        }
      }
    }
  }
}

TEST(DemExport, FinestSpacingAndTheLaterFileWinWhereFilesOverlap) {
  fixtures::TempDir dir;
  // A: GeoTIFF, 0.01 degree, 139.00..139.05 x 35.96..36.00, rising 100 m a column east and
  // 10 m a row south.
  fixtures::RasterTile a;
  a.columns = 6;
  a.rows = 5;
  a.west = 139.0;
  a.north = 36.0;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 6; ++j) {
      a.heights.push_back(300 + 100 * j + 10 * i);
    }
  }
  ASSERT_TRUE(fixtures::writeRaster(dir / "a.tif", a));
  // B: TVD, 0.01 degree, 139.10..139.15 x 35.96..36.00, 200 m; a gap lies between A and B.
  TvdHeader b;
  b.columns = 6;
  b.rows = 5;
  b.west = 139.10;
  b.east = 139.15;
  b.south = 35.96;
  b.north = 36.0;
  ASSERT_TRUE(writeTvd(dir / "b.tvd", b, std::vector<double>(30, 200.0)));
  // C: BIL, 0.0025 degree, 139.03..139.08 x 35.98..36.00, 984 feet, over A's east part.
  fixtures::BilTile c;
  c.columns = 21;
  c.rows = 9;
  c.ulxmap = 139.03;
  c.ulymap = 36.0;
  c.xdim = c.ydim = 0.0025;
  c.samples.assign(21 * 9, 984);
  ASSERT_TRUE(fixtures::writeBil(dir / "c.bil", c));

  const double cHeight = 984 * 0.30480061;
  const double none = kDemExportNoData;
  struct Probe {
    double lon, lat;
    double abc, cab;  // expected with the files in either order
  };
  const Probe probes[] = {
      {139.01, 36.00, 400, 400},            // A alone, a node
      {139.0125, 35.9675, 457.5, 457.5},    // A alone between its nodes
      {139.04, 35.99, cHeight, 710},        // A and C: the later file
      {139.0325, 35.9825, cHeight, 642.5},  // a node of C only, between A's nodes
      {139.065, 35.995, cHeight, cHeight},  // C alone
      {139.09, 35.99, none, none},          // between the files
      {139.065, 35.97, none, none},         // south of C, east of A
      {139.12, 35.97, 200, 200},            // B
  };
  // Opened whole, the files' nodes are taken from the open; thinned, they are read again.
  const DeviceLimits thin{40, 16'777'215};
  for (const auto& [abc, limits] :
       {std::pair{true, DeviceLimits{}}, std::pair{false, DeviceLimits{}}, std::pair{true, thin},
        std::pair{false, thin}}) {
    SCOPED_TRACE(std::string(abc ? "A, B, C" : "C, A, B") + " with primitive limit " +
                 std::to_string(limits.primitiveLimit));
    const std::vector<fs::path> order =
        abc ? std::vector<fs::path>{dir / "a.tif", dir / "b.tvd", dir / "c.bil"}
            : std::vector<fs::path>{dir / "c.bil", dir / "a.tif", dir / "b.tvd"};
    const auto opened = fixtures::openScene(order, limits);
    ASSERT_TRUE(opened->ok);
    ASSERT_EQ(opened->scene.grid.fileCount, 3);
    EXPECT_EQ(opened->scene.plan.step > 1, limits.primitiveLimit < 100);
    DemExport result;
    WriteError error;
    ASSERT_TRUE(exportDem(opened->scene.grid, dir / "out.tif", result, &error)) << error.message();
    EXPECT_EQ(result.width, 61u);
    EXPECT_EQ(result.height, 17u);
    const Written w = inspect(dir / "out.tif");
    EXPECT_NEAR(w.gt[1], 0.0025, 1e-12);
    EXPECT_NEAR(w.gt[0], 139.0 - 0.00125, 1e-12);
    EXPECT_NEAR(w.gt[3], 36.0 + 0.00125, 1e-12);
    for (const Probe& p : probes) {
      const int column = static_cast<int>(std::lround((p.lon - 139.0) / 0.0025));
      const int row = static_cast<int>(std::lround((36.0 - p.lat) / 0.0025));
      EXPECT_NEAR(w.at(column, row), abc ? p.abc : p.cab, 1e-3) << p.lon << " " << p.lat;
    }
  }
}

TEST(DemExport, PlaneDataKeepsItsZoneAndReopensInIt) {
  fixtures::TempDir dir;
  fixtures::LemTile lem;
  lem.columns = 8;
  lem.rows = 6;
  lem.west = -8000;
  lem.east = -8000 + 7 * 5.0;
  lem.north = -30000;
  lem.south = -30000 - 5 * 5.0;
  for (int i = 0; i < 48; ++i) {
    lem.decimetres.push_back(i * 31);
  }
  fs::create_directories(dir / "p");
  ASSERT_TRUE(fixtures::writeLem(dir / "p/g.lem", dir / "p/g.csv", lem, false));
  Scene scene;
  ASSERT_TRUE(openLemFiles(scene, std::vector<fs::path>{dir / "p/g.lem"}));
  DemExport result;
  WriteError error;
  Scene thinned;
  thinned.limits = DeviceLimits{20, 16'777'215};
  ASSERT_TRUE(openLemFiles(thinned, std::vector<fs::path>{dir / "p/g.lem"}));
  ASSERT_GT(thinned.plan.step, 1u);
  ASSERT_TRUE(exportDem(thinned.grid, dir / "g.tif", result, &error)) << error.message();
  const std::vector<float> reread = inspect(dir / "g.tif").cells;
  ASSERT_TRUE(exportDem(scene.grid, dir / "g.tif", result, &error)) << error.message();
  EXPECT_EQ(inspect(dir / "g.tif").cells, reread) << "the LEM file read again gives the same";
  EXPECT_EQ(result.epsg, 6677);
  EXPECT_EQ(inspect(dir / "g.tif").epsg, 6677);
  Scene back;
  ASSERT_TRUE(openLemFiles(back, std::vector<fs::path>{dir / "g.tif"}));
  EXPECT_EQ(back.grid.planeZone, 9);
  ASSERT_EQ(back.grid.count, scene.grid.count);
  for (uint32_t i = 0; i < scene.grid.count; ++i) {
    EXPECT_NEAR(back.grid.X[i], scene.grid.X[i], 1e-9);
    EXPECT_NEAR(back.grid.Y[i], scene.grid.Y[i], 1e-9);
    EXPECT_NEAR(back.grid.H[i], scene.grid.H[i], 1e-4);
  }
}

TEST(DemExport, FailuresNameTheTargetAndLeaveNothingBehind) {
  fixtures::TempDir dir;
  fixtures::RasterTile t;
  t.heights.assign(12, 5.0);
  ASSERT_TRUE(fixtures::writeRaster(dir / "in.tif", t));
  const auto opened = fixtures::openScene({dir / "in.tif"});
  ASSERT_TRUE(opened->ok);
  fs::create_directories(dir / "folder.tif");

  struct Case {
    const char* name;
    fs::path target;
    WriteError::Kind kind;
    int code;
  };
  const Case cases[] = {
      {"missing folder", dir / "no/such/out.tif", WriteError::Kind::System, ENOENT},
      {"an input", dir / "in.tif", WriteError::Kind::InputFile, 0},
      {"a folder in the way", dir / "folder.tif", WriteError::Kind::System, EISDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DemExport result;
    WriteError error;
    EXPECT_FALSE(exportDem(opened->scene.grid, c.target, result, &error));
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.path, c.target);
    EXPECT_EQ(fixtures::folderEntries(dir.path()),
              (std::vector<std::string>{"folder.tif", "in.tif"}));
  }
  // The disk fills up after GDAL has written the file: the old file stays, nothing is left.
  ASSERT_TRUE(fixtures::writeBytes(dir / "out.tif", "old"));
  for (const fixtures::FaultAt at :
       {fixtures::FaultAt::Fsync, fixtures::FaultAt::Close, fixtures::FaultAt::Rename}) {
    SCOPED_TRACE(fixtures::faultName(at));
    const fixtures::WriteFault fault(at);
    DemExport result;
    WriteError error;
    EXPECT_FALSE(exportDem(opened->scene.grid, dir / "out.tif", result, &error));
    EXPECT_TRUE(fault.hit());
    EXPECT_EQ(error.code, ENOSPC);
    EXPECT_EQ(fixtures::fileBytes(dir / "out.tif"), "old");
    EXPECT_EQ(fixtures::folderEntries(dir.path()),
              (std::vector<std::string>{"folder.tif", "in.tif", "out.tif"}));
  }
  Scene empty;
  DemExport result;
  WriteError error;
  EXPECT_FALSE(exportDem(empty.grid, dir / "new.tif", result, &error));
  EXPECT_EQ(error.kind, WriteError::Kind::Content);
  EXPECT_FALSE(fs::exists(dir / "new.tif"));
}
