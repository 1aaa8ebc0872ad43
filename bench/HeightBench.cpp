// Height sampling benchmark: 1 million heightAtGeo queries at random points over 100 geographic
// sub-grids (10 x 10 tiles of 225 x 150 nodes, as GSI 5 m tiles), by the per-query search
// (linear column and row scans) and by the prepared sampler (binary searches), in the same run.
// Prints queries per second of each and checks that both answer every query alike.
//
//   build/bench/torvane-bench-height [QUERIES]

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"
#include "terrain/HeightSampling.h"
#include "terrain/TerrainMesh.h"

using torvane::bench::Clock;
using torvane::bench::seconds;

namespace {

constexpr int kTiles = 10;  // per side
constexpr uint32_t kColumns = 225, kRows = 150;
constexpr double kTileLon = 1.0 / 80, kTileLat = 1.0 / 120;

bool buildTiles(torvane::ElevationGrid& grid, torvane::TerrainMesh& mesh) {
  for (int t = 0; t < kTiles * kTiles; ++t) {
    const double west = 139.0 + (t % kTiles) * kTileLon, south = 35.0 + (t / kTiles) * kTileLat;
    if (!grid.recordGeographicFile("tile.xml", kColumns, kRows, west, west + kTileLon, south,
                                   south + kTileLat)) {
      return false;
    }
    grid.files.back().sampledColumns = kColumns;
    grid.files.back().sampledRows = kRows;
  }
  if (!grid.allocateGrid(uint64_t{kColumns} * kRows * kTiles * kTiles)) {
    return false;
  }
  for (int t = 0; t < kTiles * kTiles; ++t) {
    const double west = 139.0 + (t % kTiles) * kTileLon, north = 35.0 + (t / kTiles + 1) * kTileLat;
    for (uint32_t r = 0; r < kRows; ++r) {
      const double lat = north - r * kTileLat / (kRows - 1);
      for (uint32_t c = 0; c < kColumns; ++c) {
        const double lon = west + c * kTileLon / (kColumns - 1);
        double X = 0, Y = 0;
        torvane::geoToGrid(grid, lon, lat, X, Y);
        grid.appendNode(X, Y, 500 + 400 * std::sin(lon * 900) * std::cos(lat * 700), lon, lat);
      }
    }
  }
  const uint64_t indices = uint64_t{6} * (kColumns - 1) * (kRows - 1) * kTiles * kTiles;
  return grid.computeExtents() && mesh.buildIndices(grid, indices);
}

}  // namespace

int main(int argc, char** argv) {
  const int queries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  torvane::ElevationGrid grid;
  torvane::TerrainMesh mesh;
  if (!buildTiles(grid, mesh)) {
    std::fprintf(stderr, "cannot build the tiles\n");
    return 1;
  }
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> lon(grid.lonMin, grid.lonMax),
      lat(grid.latMin, grid.latMax);
  std::vector<std::pair<double, double>> points(static_cast<size_t>(queries));
  for (auto& p : points) {
    p = {lon(random), lat(random)};
  }

  const auto prepareStart = Clock::now();
  const torvane::HeightSampler sampler(grid, mesh);
  const double prepare = seconds(prepareStart, Clock::now());

  // Each way runs three times, alternating; the fastest run of each counts (CPU time of this
  // thread, so other work on the machine does not enter).
  std::vector<double> linearH(points.size()), sampledH(points.size());
  int found = 0;
  double linear = 1e30, binary = 1e30;
  for (int round = 0; round < 3; ++round) {
    double start = torvane::bench::threadCpuSeconds();
    found = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      double X, Y;
      found +=
          torvane::heightAtGeo(grid, mesh, points[i].first, points[i].second, X, Y, linearH[i]);
    }
    linear = std::min(linear, torvane::bench::threadCpuSeconds() - start);
    start = torvane::bench::threadCpuSeconds();
    for (size_t i = 0; i < points.size(); ++i) {
      double X, Y;
      sampler.heightAtGeo(grid, mesh, points[i].first, points[i].second, X, Y, sampledH[i]);
    }
    binary = std::min(binary, torvane::bench::threadCpuSeconds() - start);
  }
  int differ = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    differ += linearH[i] != sampledH[i];
  }
  std::printf("%d queries over %d sub-grids (%u nodes), %d with a height, identical: %s\n", queries,
              grid.fileCount, grid.count, found, differ == 0 ? "yes" : "NO");
  std::printf("per-query search (linear scans): %.0f queries/s\n", queries / linear);
  std::printf("prepared sampler (binary search): %.0f queries/s (prepared in %.2f ms)\n",
              queries / binary, prepare * 1e3);
  std::printf("ratio: %.2fx (CPU time of the querying thread, best of 3)\n", linear / binary);
  return differ == 0 ? 0 : 1;
}
