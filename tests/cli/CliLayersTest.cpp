// torvane-cli layers: the demo data with generated layer files, and the real GSI vector and
// NMEA samples over generated tiles that cover them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/DemXmlWriter.h"
#include "tests/support/DemoTiles.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using torvane::fixtures::runCli;

std::string quoted(const std::vector<fs::path>& paths) {
  std::string out;
  for (const fs::path& p : paths) {
    out += " '" + p.string() + "'";
  }
  return out;
}

std::vector<fs::path> demoFiles() { return torvane::fixtures::demoTiles(); }

TEST(CliLayers, ListsTheAddedLayers) {
  const torvane::fixtures::TempDir dir;
  const fs::path log = dir / "track.log", marks = dir / "marks.bln", plane = dir / "m.xyn";
  torvane::fixtures::writeBytes(log, "$GPGGA,1,3500.30,N,13900.60,E,1,8\n"
                                     "$GNGGA,2,3500.31,N,13900.61,E,1,8\n"
                                     "$GPGGA,3,3500.32,N,13900.62,E,1,8\n");
  torvane::fixtures::writeBytes(marks, "35.006,139.012,山頂\n35.007,139.013,Pass\n");
  torvane::fixtures::writeBytes(plane, "0,0,A\n");
  const std::string demo = quoted(demoFiles());

  const auto r = runCli("layers" + demo + " --add" + quoted({log, plane, marks}));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "{\"ok\":true,\"pointTotal\":5,\"polylineTotal\":2,\"layers\":["
                   "{\"name\":\"track.log\",\"kind\":291,\"kindName\":\"NMEA LOG\",\"points\":3,"
                   "\"polylines\":1,\"pointSize\":0,\"drawMode\":1,\"colour\":\"0xFF0000FF\","
                   "\"visible\":true},"
                   "{\"name\":\"marks.bln\",\"kind\":191,\"kindName\":\"目印\",\"points\":2,"
                   "\"polylines\":1,\"pointSize\":5,\"drawMode\":10,\"colour\":\"0xFFFFFFFF\","
                   "\"visible\":true}],\"problems\":[{\"path\":\"" +
                       plane.string() +
                       "\",\"reason\":\"needs elevation data in plane coordinates\"}]}\n");

  const auto none = runCli("layers" + demo + " --add" + quoted({plane}));
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "{\"ok\":false,\"error\":\"有効データがありません\",\"problems\":["
                      "{\"path\":\"" +
                          plane.string() +
                          "\",\"reason\":\"needs elevation data in plane coordinates\"}]}\n");
  EXPECT_EQ(runCli("layers" + demo).status, 2) << "no --add";
  EXPECT_EQ(runCli("layers --add" + quoted({log})).status, 2) << "no elevation file";
}

// A generated DEM tile on the 1/120 x 1/80 degree cell that holds (lat, lon).
fs::path tileAround(const fs::path& dir, double lat, double lon) {
  torvane::fixtures::DemTile tile;
  tile.latSW = std::floor(lat * 120) / 120;
  tile.lonSW = std::floor(lon * 80) / 80;
  tile.latNE = tile.latSW + 1.0 / 120;
  tile.lonNE = tile.lonSW + 1.0 / 80;
  tile.heights = torvane::fixtures::sampleHeights(tile, [](double, double) { return 50.0; });
  const fs::path path = dir / ("tile" + std::to_string(static_cast<int>(lat * 1000)) + ".xml");
  torvane::fixtures::writeDemXml(path, tile);
  return path;
}

TEST(CliLayers, RealSamplesClassifyByKind) {
  const fs::path samples = TORVANE_SAMPLES_DIR;
  if (!fs::exists(samples / "fgd_xml") || !fs::exists(samples / "nmea")) {
    GTEST_SKIP() << "no real samples";
  }
  const torvane::fixtures::TempDir dir;
  const std::vector<fs::path> tiles = {
      tileAround(dir.path(), 35.7576, 139.6255),  // RdCompt
      tileAround(dir.path(), 35.7107, 139.7648),  // BldA (7 buildings)
      tileAround(dir.path(), 35.6952, 139.7185),  // BldA (synthetic)
      tileAround(dir.path(), 34.1234, 133.1234),  // ElevPt
      tileAround(dir.path(), 36.1128, 139.6702),  // test.nmea
      tileAround(dir.path(), 35.7874, 139.4049),  // 20220112_test.nmea
  };
  const std::vector<fs::path> layers = {
      samples / "fgd_xml/fgdconv/RdCompt.xml",
      samples / "fgd_xml/jpgis-convert/input.xml",
      samples / "fgd_xml/gdal_autotest/BldA.xml",
      samples / "fgd_xml/gdal_autotest/ElevPt.xml",
      samples / "nmea/test.nmea",
      samples / "nmea/20220112_test.nmea",
  };
  const auto r = runCli("layers" + quoted(tiles) + " --add" + quoted(layers));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string kinds[] = {
      "\"name\":\"RdCompt.xml\",\"kind\":212,\"kindName\":\"道路構成線\",\"points\":58,"
      "\"polylines\":2",
      "\"name\":\"input.xml\",\"kind\":305,\"kindName\":\"建築物\"",
      "\"name\":\"BldA.xml\",\"kind\":305,\"kindName\":\"建築物\"",
      "\"name\":\"ElevPt.xml\",\"kind\":102,\"kindName\":\"標高点\",\"points\":1,\"polylines\":1,"
      "\"pointSize\":5,\"drawMode\":0",
      "\"name\":\"test.nmea\",\"kind\":291,\"kindName\":\"NMEA "
      "LOG\",\"points\":227,\"polylines\":1",
      "\"name\":\"20220112_test.nmea\",\"kind\":291,\"kindName\":\"NMEA LOG\",\"points\":460",
  };
  for (const std::string& k : kinds) {
    EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;
  }
  EXPECT_EQ(r.out.find("その他"), std::string::npos) << r.out;
  // BldA outlines are blue-ish light blue lines.
  EXPECT_NE(r.out.find("\"colour\":\"0xFF8080FF\""), std::string::npos);
}

}  // namespace
