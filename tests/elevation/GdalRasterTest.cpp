// The GDAL raster reader against the readers of the same grids in other formats: BIL for
// geographic rasters, LEM for plane-zone rasters; warped rasters against their terrain.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "elevation/Readers.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"

using namespace torvane;
using fixtures::RasterTile;

namespace {

constexpr double kFeet = 0.30480061;

// A 40 x 30 BIL tile with negative (no-data) samples in its south-east corner.
fixtures::BilTile bilTile() {
  fixtures::BilTile t;
  t.columns = 40;
  t.rows = 30;
  t.ulxmap = 139.25;
  t.ulymap = 35.75;
  t.xdim = 0.0025;
  t.ydim = 0.002;
  for (int i = 0; i < t.rows; ++i) {
    for (int j = 0; j < t.columns; ++j) {
      t.samples.push_back(static_cast<int16_t>(i > 25 && j > 30 ? -9999 : 37 * i + 11 * j));
    }
  }
  return t;
}

// The same grid as a raster: metres, node (0, 0) at the BIL's upper-left node.
RasterTile rasterOf(const fixtures::BilTile& b) {
  RasterTile r;
  r.columns = b.columns;
  r.rows = b.rows;
  r.west = b.ulxmap;
  r.north = b.ulymap;
  r.dx = b.xdim;
  r.dy = b.ydim;
  r.type = "Float64";
  for (int16_t s : b.samples) {
    r.heights.push_back(s * kFeet);
  }
  return r;
}

std::unique_ptr<fixtures::OpenedScene> openPlane(const std::vector<std::filesystem::path>& paths) {
  auto o = std::make_unique<fixtures::OpenedScene>();
  o->ok = openLemFiles(o->scene, paths);
  return o;
}

// Every node of `a` and `b` in the same place with the same height.
void expectSameNodes(const ElevationGrid& a, const ElevationGrid& b, double heightTolerance) {
  ASSERT_EQ(a.count, b.count);
  ASSERT_EQ(a.fileCount, b.fileCount);
  for (int k = 0; k < a.fileCount; ++k) {
    EXPECT_EQ(a.files[k].sampledColumns, b.files[k].sampledColumns);
    EXPECT_EQ(a.files[k].sampledRows, b.files[k].sampledRows);
  }
  int bad = 0;
  for (uint32_t i = 0; i < a.count && bad < 5; ++i) {
    const bool same = std::fabs(a.X[i] - b.X[i]) < 1e-4 && std::fabs(a.Y[i] - b.Y[i]) < 1e-4 &&
                      std::fabs(a.lon[i] - b.lon[i]) < 1e-9 &&
                      std::fabs(a.lat[i] - b.lat[i]) < 1e-9 &&
                      std::fabs(a.H[i] - b.H[i]) <= heightTolerance;
    if (!same) {
      ++bad;
      ADD_FAILURE() << "node " << i << ": X " << a.X[i] << " / " << b.X[i] << ", Y " << a.Y[i]
                    << " / " << b.Y[i] << ", lon " << a.lon[i] << " / " << b.lon[i] << ", lat "
                    << a.lat[i] << " / " << b.lat[i] << ", H " << a.H[i] << " / " << b.H[i];
    }
  }
}

}  // namespace

TEST(GdalRaster, EachFormatEqualsTheSameGridReadAsBil) {
  fixtures::TempDir dir;
  const fixtures::BilTile bil = bilTile();
  ASSERT_TRUE(fixtures::writeBil(dir / "grid.bil", bil));
  const RasterTile base = rasterOf(bil);

  struct Case {
    const char* name;
    std::function<void(RasterTile&)> vary;
  };
  const std::vector<Case> cases = {
      {"strips.tif", [](RasterTile&) {}},
      {"tiles.tif",
       [](RasterTile& r) {
         r.options = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE",
                      "PREDICTOR=3"};
       }},
      // The tie point of a PixelIsPoint file is the node itself.
      {"point.tif", [](RasterTile& r) { r.pixelIsPoint = true; }},
      {"wgs84.tif", [](RasterTile& r) { r.epsg = 4326; }},
      {"jgd2000.TIFF", [](RasterTile& r) { r.epsg = 4612; }},
      // ASCII grids hold heights in decimal text: float precision.
      {"grid.asc", [](RasterTile& r) { r.driver = "AAIGrid"; }},
      {"grid.img", [](RasterTile& r) { r.driver = "HFA"; }},
      {"grid.vrt", [](RasterTile& r) { r.driver = "VRT"; }},
  };
  for (const DeviceLimits limits : {DeviceLimits{}, DeviceLimits{300, 16'777'215}}) {
    const auto expected = fixtures::openScene({dir / "grid.bil"}, limits);
    ASSERT_TRUE(expected->ok);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " at step " + std::to_string(expected->scene.plan.step));
      RasterTile r = base;
      c.vary(r);
      ASSERT_TRUE(fixtures::writeRaster(dir / c.name, r));
      const auto o = fixtures::openScene({dir / c.name}, limits);
      ASSERT_TRUE(o->ok);
      EXPECT_EQ(o->scene.grid.files[0].columns, 40u);
      EXPECT_EQ(o->scene.grid.files[0].rows, 30u);
      EXPECT_TRUE(o->scene.grid.GeoCoordinates);
      EXPECT_DOUBLE_EQ(o->scene.grid.lonMin, 139.25);
      EXPECT_DOUBLE_EQ(o->scene.grid.latMax, 35.75);
      expectSameNodes(expected->scene.grid, o->scene.grid, r.driver == "AAIGrid" ? 1e-4 : 1e-9);
    }
    EXPECT_GT(expected->scene.plan.step, limits.primitiveLimit < 1000 ? 1u : 0u);
  }
}

TEST(GdalRaster, NoDataGivesZeroAndScaleAndOffsetGiveMetres) {
  fixtures::TempDir dir;
  struct Case {
    const char* type;
    double noData;
    double value;     // stored in every cell but the first
    double expected;  // metres read there
    double scale = 1, offset = 0;
  };
  const Case cases[] = {
      {"Int16", 32767, 812, 812},
      {"UInt16", 65535, 40000, 40000},
      {"Float32", -3.4028234663852886e+38, 1.5, 1.5},
      {"Float32", NAN, 2.25, 2.25},
      {"Float32", 0.1, 0.2, 0.2f},              // a float no-data value written with double digits
      {"Int16", -9999, -5, 0},                  // below sea level, as GSI's readers store it
      {"Int16", -32768, 812, 181.2, 0.1, 100},  // decimetres above a datum 100 m up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " no-data " + std::to_string(c.noData));
    RasterTile r;
    r.columns = r.rows = 3;
    r.type = c.type;
    r.noData = c.noData;
    r.scale = c.scale;
    r.offset = c.offset;
    r.heights.assign(9, c.value);
    r.heights[0] = c.noData;
    ASSERT_TRUE(fixtures::writeRaster(dir / "n.tif", r));
    const auto o = fixtures::openScene({dir / "n.tif"});
    ASSERT_TRUE(o->ok);
    EXPECT_EQ(o->H(0, 0, 0), 0.0) << "no-data gives 0";
    EXPECT_NEAR(o->H(0, 2, 2), c.expected, 1e-6);
  }
}

TEST(GdalRaster, SrtmTileCoversWholeDegreesWithNodesOnTheirLines) {
  fixtures::TempDir dir;
  RasterTile r;
  r.columns = r.rows = 1201;
  r.west = 139;
  r.north = 36;
  r.dx = r.dy = 1.0 / 1200;
  r.epsg = 4326;
  r.type = "Int16";
  r.driver = "SRTMHGT";
  r.heights.assign(1201 * 1201, 250);
  r.heights[1201 * 600 + 1200] = 3776;
  ASSERT_TRUE(fixtures::writeRaster(dir / "N35E139.hgt", r));
  const auto o = fixtures::openScene({dir / "N35E139.hgt"});
  ASSERT_TRUE(o->ok);
  const ElevationGrid& g = o->scene.grid;
  EXPECT_DOUBLE_EQ(g.lonMin, 139);
  EXPECT_DOUBLE_EQ(g.lonMax, 140);
  EXPECT_DOUBLE_EQ(g.latMin, 35);
  EXPECT_DOUBLE_EQ(g.latMax, 36);
  EXPECT_EQ(o->scene.plan.step, 1u);
  EXPECT_EQ(o->H(0, 600, 1200), 3776);
  EXPECT_DOUBLE_EQ(g.lat[o->index(0, 600, 1200)], 35.5);
}

TEST(GdalRaster, PlaneZoneRasterEqualsTheLemGridOfItsZone) {
  fixtures::TempDir dir;
  fixtures::LemTile lem;
  lem.columns = 12;
  lem.rows = 9;
  lem.zone = 9;
  lem.west = -8000;
  lem.east = -8000 + 11 * 5.0;
  lem.north = -30000;
  lem.south = -30000 - 8 * 5.0;
  for (int i = 0; i < 108; ++i) {
    lem.decimetres.push_back(i == 50 ? -9999 : 13 * i + 7);
  }
  std::filesystem::create_directories(dir.path() / "plane");
  ASSERT_TRUE(fixtures::writeLem(dir / "plane/g.lem", dir / "plane/g.csv", lem, false));
  RasterTile r;
  r.columns = 12;
  r.rows = 9;
  r.west = lem.west;
  r.north = lem.north;
  r.dx = r.dy = 5;
  r.type = "Float64";
  r.noData = -9999;
  for (int v : lem.decimetres) {
    r.heights.push_back(v < 0 ? v : v / 10.0);
  }
  const auto expected = openPlane({dir / "plane/g.lem"});
  ASSERT_TRUE(expected->ok);
  for (const int epsg : {6677, 2451}) {  // zone IX of JGD2011 and of JGD2000
    SCOPED_TRACE(epsg);
    r.epsg = epsg;
    ASSERT_TRUE(fixtures::writeRaster(dir / "g.tif", r));
    EXPECT_EQ(gdalRasterPlaneZone(dir / "g.tif"), 9);
    const auto o = openPlane({dir / "g.tif"});
    ASSERT_TRUE(o->ok);
    EXPECT_FALSE(o->scene.grid.GeoCoordinates);
    EXPECT_EQ(o->scene.grid.planeZone, 9);
    expectSameNodes(expected->scene.grid, o->scene.grid, 1e-9);
  }
  // LEM data and rasters of its zone open together; a raster of another zone stays out, as
  // does a geographic raster; the geographic open refuses plane rasters.
  r.epsg = 6670;  // zone II
  r.west += 100;
  ASSERT_TRUE(fixtures::writeRaster(dir / "zone2.tif", r));
  RasterTile geo;
  ASSERT_TRUE(fixtures::writeRaster(dir / "geo.tif", geo));
  const auto mixed =
      openPlane({dir / "plane/g.lem", dir / "zone2.tif", dir / "geo.tif", dir / "g.tif"});
  ASSERT_TRUE(mixed->ok);
  EXPECT_EQ(mixed->scene.grid.fileCount, 2);
  EXPECT_EQ(mixed->scene.grid.filePath(1), dir / "g.tif");
  // Opened as the program opens files, a plane raster first chooses the plane open.
  const auto dispatched = fixtures::openScene({dir / "g.tif", dir / "plane/g.lem"});
  ASSERT_TRUE(dispatched->ok);
  EXPECT_EQ(dispatched->scene.grid.planeZone, 9);
  EXPECT_EQ(dispatched->scene.grid.fileCount, 2);
  Scene geographic;
  EXPECT_FALSE(openElevationFiles(geographic, std::vector<std::filesystem::path>{dir / "g.tif"}));

  ElevationGrid planeGrid;
  planeGrid.GeoCoordinates = false;
  planeGrid.planeZone = 9;
  EXPECT_EQ(gdalRasterRefusal(planeGrid, dir / "zone2.tif"),
            "plane zone 2 differs from zone 9 of the open");
  EXPECT_EQ(gdalRasterRefusal(planeGrid, dir / "geo.tif"),
            "geographic coordinates: open it without plane data");
  EXPECT_EQ(gdalRasterRefusal(ElevationGrid{}, dir / "g.tif"),
            "plane zone 9: opens with plane data only");
  EXPECT_EQ(gdalRasterRefusal(ElevationGrid{}, dir / "geo.tif"), "");
  for (const char* notZoned : {"geo.tif", "plane/g.lem", "missing.tif"}) {
    EXPECT_EQ(gdalRasterPlaneZone(dir / notZoned), 0) << notZoned;
  }
}

TEST(GdalRaster, UtmRasterIsWarpedOntoTheSameTerrainWithinOneCell) {
  fixtures::TempDir dir;
  // A cone 1000 m high at 139.5 E 35.5 N, falling 1 m per metre of distance: it lies well
  // inside the raster, whose footprint is a turned square in geographic coordinates.
  const double peakLon = 139.5, peakLat = 35.5;
  auto cone = [&](double lon, double lat) {
    const double dx = (lon - peakLon) * 111320.0 * std::cos(peakLat * M_PI / 180);
    const double dy = (lat - peakLat) * 110940.0;
    return std::max(0.0, 1000 - std::hypot(dx, dy));
  };
  RasterTile utm;
  utm.epsg = 6691;  // JGD2011 / UTM zone 54N
  utm.columns = 120;
  utm.rows = 100;
  utm.dx = utm.dy = 30;
  const auto [peakX, peakY] = fixtures::positionIn(utm.epsg, peakLon, peakLat);
  utm.west = peakX - 60 * 30.0 + 7;  // the peak lies between nodes
  utm.north = peakY + 50 * 30.0 - 11;
  utm.heights = fixtures::heightsAt(utm, cone);
  ASSERT_TRUE(fixtures::writeRaster(dir / "utm.tif", utm));
  EXPECT_EQ(gdalRasterPlaneZone(dir / "utm.tif"), 0);

  const auto o = fixtures::openScene({dir / "utm.tif"});
  ASSERT_TRUE(o->ok);
  const ElevationGrid& g = o->scene.grid;
  ASSERT_TRUE(g.GeoCoordinates);
  const GridFile& f = g.files[0];
  // GDAL's suggested warp keeps about the source's resolution.
  EXPECT_NEAR(static_cast<double>(f.columns) * f.rows, 120.0 * 100, 120.0 * 100 * 0.1);
  const double cellLon = (g.lonMax - g.lonMin) / (f.columns - 1);
  const double cellLat = (g.latMax - g.latMin) / (f.rows - 1);
  uint32_t top = 0;
  for (uint32_t i = 0; i < g.count; ++i) {
    top = g.H[i] > g.H[top] ? i : top;
    if (cone(g.lon[i], g.lat[i]) > 0) {
      ASSERT_NEAR(g.H[i], cone(g.lon[i], g.lat[i]), 30) << "node " << i;
    }
  }
  EXPECT_LE(std::fabs(g.lon[top] - peakLon), cellLon);
  EXPECT_LE(std::fabs(g.lat[top] - peakLat), cellLat);
  EXPECT_GT(g.H[top], 1000 - 30);
}
