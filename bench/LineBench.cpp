// Line/point benchmark: 100 adjacent 5 m DEM tiles (225 x 150 nodes each) are opened, then a GPS
// log of 1,000,000 fixes, the same fixes as one GPX track segment, and a point cloud of 1,000,000
// points spread over all of them are added as layers, as the program adds them. Reports points
// per second including the height sampling, beside a plain read() of the same files and the
// sampling alone, and the GPX add against the NMEA add, measured in the same run.
//
// usage: torvane-bench-lines [REPEATS] [FOLDER]
//   FOLDER keeps the generated files (and reuses them when present).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "overlay/LayerEdits.h"
#include "scene/Scene.h"
#include "tests/support/GridWriters.h"
#include "tests/support/VectorFiles.h"

namespace fs = std::filesystem;
using namespace torvane;
using namespace torvane::bench;

namespace {

constexpr int kTileRows = 10, kTileColumns = 10;
constexpr double kTileHeight = 1.0 / 120, kTileWidth = 1.0 / 80;
constexpr double kSouth = 35.0, kWest = 139.0;
constexpr int kPoints = 1000000;

std::vector<fs::path> writeTiles(const fs::path& folder) {
  std::vector<fs::path> paths;
  const fixtures::Landscape land{kWest + kTileColumns * kTileWidth / 2,
                                 kSouth + kTileRows * kTileHeight / 2, 0.03, 900};
  for (int r = 0; r < kTileRows; ++r) {
    for (int c = 0; c < kTileColumns; ++c) {
      const fs::path path = folder / ("tile-" + std::to_string(r) + std::to_string(c) + ".xml");
      paths.push_back(path);
      if (fs::exists(path)) {
        continue;
      }
      fixtures::DemTile t;
      t.latSW = kSouth + r * kTileHeight;
      t.lonSW = kWest + c * kTileWidth;
      t.latNE = t.latSW + kTileHeight;
      t.lonNE = t.lonSW + kTileWidth;
      t.heights = fixtures::sampleHeights(t, land);
      fixtures::writeDemXml(path, t);
    }
  }
  return paths;
}

// Where the n-th of kPoints lies: a lawnmower track over the whole area (west to east, then
// east to west one lane further north), kept a little inside its edges.
void trackPoint(int n, double& lat, double& lon) {
  constexpr int lanes = 100;
  constexpr int perLane = kPoints / lanes;
  const int lane = n / perLane, k = n % perLane;
  const double f = (k + 0.5) / perLane;
  lon = kWest + 1e-6 + (lane % 2 == 0 ? f : 1 - f) * (kTileColumns * kTileWidth - 2e-6);
  lat = kSouth + (lane + 0.5) / lanes * kTileRows * kTileHeight;
}

void writeLog(const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  char line[160];
  for (int n = 0; n < kPoints; ++n) {
    double lat = 0, lon = 0;
    trackPoint(n, lat, lon);
    const int la = static_cast<int>(lat), lo = static_cast<int>(lon);
    const int len = std::snprintf(line, sizeof line,
                                  "$GPGGA,%02d%02d%05.2f,%02d%010.7f,N,%03d%010.7f,E,4,12,0.67,124."
                                  "694,M,38.868,M,1.3,1006*7D\n",
                                  n / 36000 % 24, n / 600 % 60, n % 600 / 10.0, la, (lat - la) * 60,
                                  lo, (lon - lo) * 60);
    out.write(line, len);
  }
}

void writeGpx(const fs::path& path) {
  fixtures::GpxContent gpx;
  gpx.tracks.resize(1);
  fixtures::GeoLine& segment = gpx.tracks[0].emplace_back();
  segment.reserve(kPoints);
  for (int n = 0; n < kPoints; ++n) {
    fixtures::GeoPoint& p = segment.emplace_back();
    trackPoint(n, p.lat, p.lon);
  }
  fixtures::writeBytes(path, fixtures::gpxText(gpx));
}

void writeCloud(const fs::path& path, std::vector<double>& lats, std::vector<double>& lons) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> u(1e-6, 1 - 1e-6);
  char line[160];
  for (int n = 0; n < kPoints; ++n) {
    const double lat = kSouth + u(random) * kTileRows * kTileHeight;
    const double lon = kWest + u(random) * kTileColumns * kTileWidth;
    lats.push_back(lat);
    lons.push_back(lon);
    const int len = std::snprintf(line, sizeof line, "%.9f,%.9f,%.2f,0,%d,%d,%d\n", lat, lon,
                                  100 + 50 * u(random), n % 256, n / 256 % 256, 200);
    out.write(line, len);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const bool keep = argc > 2;
  const fs::path folder =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-lines";
  fs::create_directories(folder);
  std::fprintf(stderr, "generating %d tiles and the layer files in %s ...\n",
               kTileRows * kTileColumns, folder.c_str());
  const std::vector<fs::path> tiles = writeTiles(folder);
  const fs::path log = folder / "track.nmea", gpx = folder / "track.gpx",
                 cloud = folder / "cloud.blhrgb";
  std::vector<double> lats, lons;
  writeCloud(cloud, lats, lons);  // always: the sampling check needs the coordinates
  if (!fs::exists(log)) {
    writeLog(log);
  }
  if (!fs::exists(gpx)) {
    writeGpx(gpx);
  }

  Scene scene;
  if (!openElevationFiles(scene, tiles)) {
    std::fprintf(stderr, "open failed\n");
    return 1;
  }
  const HeightSampler sampler(scene.grid, scene.mesh);
  std::printf("terrain: %d files, %u nodes; layers: %d points each\n", scene.grid.fileCount,
              scene.grid.count, kPoints);
  std::printf("medians of %d runs (wall / CPU seconds):\n", repeats);

  Timing nmeaAdd{}, gpxAdd{};
  for (const fs::path& file : {log, gpx, cloud}) {
    const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
    readAll({file}, size_t{1} << 20);  // warm the cache
    const Timing raw = medianTime(repeats, [&] { readAll({file}, size_t{1} << 20); });
    uint32_t points = 0;
    const Timing add = medianTime(repeats, [&] {
      deleteAllLayers(scene.overlays);
      const std::vector<fs::path> one = {file};
      if (!addLineFiles(scene, one)) {
        std::fprintf(stderr, "adding %s failed\n", file.c_str());
        std::exit(1);
      }
      points = scene.overlays.pointTotal();
    });
    std::printf("  %-13s %6.1f MB  read() %6.3f / %6.3f   add %6.3f / %6.3f   %5.2f M points/s "
                "(CPU %5.2f M/s), %u points\n",
                file.filename().c_str(), mb, raw.wall, raw.cpu, add.wall, add.cpu,
                points / add.wall / 1e6, points / add.cpu / 1e6, points);
    if (file == log) {
      nmeaAdd = add;
    } else if (file == gpx) {
      gpxAdd = add;
    }
  }
  std::printf("  GPX add / NMEA add: %.2f (wall), %.2f (CPU)\n", gpxAdd.wall / nmeaAdd.wall,
              gpxAdd.cpu / nmeaAdd.cpu);

  // The height sampling alone, for the cloud's coordinates.
  int found = 0;
  const Timing sampling = medianTime(repeats, [&] {
    found = 0;
    for (size_t i = 0; i < lats.size(); ++i) {
      double X = 0, Y = 0, H = 0;
      found += sampler.heightAtGeo(scene.grid, scene.mesh, lons[i], lats[i], X, Y, H) ? 1 : 0;
    }
  });
  std::printf("  sampling alone: %6.3f / %6.3f   %5.2f M points/s, %d of %zu inside\n",
              sampling.wall, sampling.cpu, lats.size() / sampling.wall / 1e6, found, lats.size());
  if (!keep) {
    fs::remove_all(folder);
  }
  return 0;
}
