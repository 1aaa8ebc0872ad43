#pragma once
// The terrain the line/point reader tests lay their files on, and the checks they share.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "overlay/LineReaders.h"
#include "scene/Scene.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"

namespace torvane::fixtures {

// A tile of 5 m DEM, 1/120 degree high and 1/80 degree wide, with its south-west corner at
// (lat, lon): heights rise 1 m per node eastwards from 100 m.
struct GeoTerrain {
  TempDir dir;
  std::unique_ptr<OpenedScene> opened;
  Scene& scene() { return opened->scene; }

  explicit GeoTerrain(double lat = 35.0, double lon = 139.0) {
    DemTile tile;
    tile.latSW = lat;
    tile.lonSW = lon;
    tile.latNE = lat + 1.0 / 120;
    tile.lonNE = lon + 1.0 / 80;
    tile.heights =
        sampleHeights(tile, [&](double x, double) { return 100 + (x - lon) * 80 * 224; });
    const std::filesystem::path path = dir / "dem.xml";
    writeDemXml(path, tile);
    opened = openScene({path});
  }

  std::filesystem::path write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = dir / name;
    writeBytes(path, text);
    return path;
  }
  bool add(std::vector<std::filesystem::path> paths) { return addLineFiles(scene(), paths); }
  // Adds one file that must add nothing; the reason it was reported with.
  std::string refusal(const std::filesystem::path& path) {
    FileProblems problems;
    const std::filesystem::path one[] = {path};
    EXPECT_FALSE(addLineFiles(scene(), one, {}, &problems));
    return problems.size() == 1 ? problems[0].reason : "(" + std::to_string(problems.size()) + ")";
  }

  // The vertex a point at (lon, lat) gets, with the terrain height or the given one.
  OverlayVertex expected(double lon, double lat, uint32_t colour, bool lift,
                         const double* height = nullptr) {
    double X = 0, Y = 0, H = 0;
    EXPECT_TRUE(heightAtGeo(scene().grid, scene().mesh, lon, lat, X, Y, H)) << lon << " " << lat;
    return makeOverlayVertex(scene().mesh.fit(), scene().view.Scale, X, Y, height ? *height : H,
                             colour, lift);
  }
};

inline void expectVertex(const OverlayVertex& got, const OverlayVertex& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.z, want.z);
  EXPECT_EQ(got.diffuse, want.diffuse);
}

/// The point counts of group g's polylines.
inline std::vector<uint32_t> polylines(const OverlayStore& store, int g) {
  const GroupRange r = store.groupRange(g);
  const auto all = store.pointsPerPolyline();
  return {all.begin() + r.firstPolyline, all.begin() + r.firstPolyline + r.polylineCount};
}

}  // namespace torvane::fixtures
