// Terrain benchmark: slope and openness (analyseTerrain) plus land colouring (colourTerrain) on
// a generated grid of 16 adjacent 10 m-style tiles of 1125 x 750 nodes (13.5 million nodes),
// on one thread and on every core, against `gdaldem slope` on the same heights written as a
// float32 BIL mosaic (skipped when gdaldem is not installed). Also checks that the threaded
// results equal the serial ones bit for bit, that the arc tangent approximation stays within 1e-12
// relative of std::atan, and reports the peak resident memory of opening the same 16 tiles
// as DEM XML through the whole open (in a child process, so only the open is counted).
//
// usage: torvane-bench-terrain [REPEATS] [FOLDER]
//   FOLDER keeps the generated DEM XML tiles for the memory measurement (reused when present).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "scene/Scene.h"
#include "terrain/LandColouring.h"
#include "terrain/TerrainAnalysis.h"
#include "terrain/ToneCurves.h"
#include "terrain/AtanApprox.h"
#include "tests/support/DemXmlWriter.h"

namespace fs = std::filesystem;
using namespace torvane::bench;

namespace {

constexpr int kTileRows = kMosaicTileRows, kTileColumns = kMosaicTileColumns;
constexpr int kColumns = kMosaicColumns, kRows = kMosaicRows;

bool haveGdaldem() { return std::system("command -v gdaldem >/dev/null 2>&1") == 0; }

double maxRelative(const double* a, const std::vector<double>& b) {
  double worst = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] != 0) {
      worst = std::max(worst, std::fabs(a[i] - b[i]) / std::fabs(b[i]));
    } else if (a[i] != 0) {
      worst = std::max(worst, 1.0);
    }
  }
  return worst;
}

std::vector<fs::path> writeDemTiles(const fs::path& folder) {
  fs::create_directories(folder);
  const auto land = mosaicLandscape();
  std::vector<fs::path> paths;
  for (int row = kTileRows - 1; row >= 0; --row) {
    for (int col = 0; col < kTileColumns; ++col) {
      const fs::path path = folder / ("tile-" + std::to_string(row) + std::to_string(col) + ".xml");
      paths.push_back(path);
      if (!fs::exists(path)) {
        auto t = mosaicTile(row, col);
        t.heights = torvane::fixtures::sampleHeights(t, land);
        torvane::fixtures::writeDemXml(path, t);
      }
    }
  }
  return paths;
}

// Child process: the whole open of the tiles, as the program does it. The device limits are
// those of a 16-bit-index device with a large primitive count, the only kind whose plan takes
// more than 10 million nodes without thinning.
int openOnly(const std::vector<std::string>& paths) {
  std::vector<fs::path> files(paths.begin(), paths.end());
  torvane::Scene scene;
  scene.limits = {200'000'000, 65535};
  const auto a = Clock::now();
  const bool ok = torvane::openElevationFiles(scene, files);
  std::printf("%d %u %.3f\n", ok ? 1 : 0, scene.grid.count, seconds(a, Clock::now()));
  return ok ? 0 : 1;
}

void measureOpenMemory(const fs::path& folder) {
  const std::vector<fs::path> paths = writeDemTiles(folder);
  const fs::path out = folder / "open-child.txt";
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<std::string> args = {self, "--open-only"};
  for (const fs::path& p : paths) {
    args.push_back(p.string());
  }
  std::vector<char*> argv;
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  std::fflush(stdout);  // or the child would print what is buffered once more
  const pid_t pid = fork();
  if (pid == 0) {
    FILE* f = std::freopen(out.c_str(), "w", stdout);
    if (f) {
      execv(self.c_str(), argv.data());
    }
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  int ok = 0;
  unsigned count = 0;
  double openSeconds = 0;
  if (FILE* f = std::fopen(out.c_str(), "r")) {
    if (std::fscanf(f, "%d %u %lf", &ok, &count, &openSeconds) != 3) {
      ok = 0;
    }
    std::fclose(f);
  }
  // Node arrays (8 doubles), vertices (24 bytes) and 32-bit indices (6 per cell).
  const double cells = double(kTileRows) * kTileColumns * (kColumns - 1) * (kRows - 1);
  const double expectedMiB = (count * (8 * 8.0 + 24) + cells * 6 * 4) / (1 << 20);
  std::printf("open of %zu DEM XML tiles: %s, %u nodes, %.2f s, peak RSS %.0f MiB "
              "(arrays at their final size: %.0f MiB)\n",
              paths.size(), ok ? "ok" : "FAILED", count, openSeconds, usage.ru_maxrss / 1024.0,
              expectedMiB);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--open-only") == 0) {
    return openOnly(std::vector<std::string>(argv + 2, argv + argc));
  }
  const int repeats = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path folder =
      argc >= 3 ? fs::path(argv[2])
                : fs::temp_directory_path() / ("torvane-bench-terrain-" + std::to_string(getpid()));
  const bool keep = argc >= 3;
  fs::create_directories(folder);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

  std::printf("cores: %u, analysis code: %s, repeats: %d (medians)\n", cores,
              torvane::avxAvailable() ? "avx" : "scalar", repeats);
  const MosaicHeights tiles = makeMosaicHeights();
  torvane::ElevationGrid grid;
  buildMosaicGrid(grid, tiles);
  const double mNodes = grid.count / 1e6;
  std::printf("grid: %d tiles of %d x %d = %u nodes\n", kTileRows * kTileColumns, kColumns, kRows,
              grid.count);

  // Reference results: serial, scalar std::atan.
  torvane::analyseTerrain(grid, 1, false);
  const std::vector<double> refSlope(grid.slope.get(), grid.slope.get() + grid.count);
  const std::vector<double> refAbove(grid.openAbove.get(), grid.openAbove.get() + grid.count);
  const std::vector<double> refBelow(grid.openBelow.get(), grid.openBelow.get() + grid.count);
  const Timing tScalar =
      medianTime(std::max(1, repeats / 2), [&] { torvane::analyseTerrain(grid, 1, false); });

  const Timing tSerial = medianTime(repeats, [&] { torvane::analyseTerrain(grid, 1); });
  const std::vector<double> serialSlope(grid.slope.get(), grid.slope.get() + grid.count);
  const std::vector<double> serialAbove(grid.openAbove.get(), grid.openAbove.get() + grid.count);
  const std::vector<double> serialBelow(grid.openBelow.get(), grid.openBelow.get() + grid.count);
  const double relative = std::max({maxRelative(grid.slope.get(), refSlope),
                                    maxRelative(grid.openAbove.get(), refAbove),
                                    maxRelative(grid.openBelow.get(), refBelow)});

  const Timing tThreads = medianTime(repeats, [&] { torvane::analyseTerrain(grid, cores); });
  const size_t bytes = grid.count * sizeof(double);
  const bool identical = std::memcmp(serialSlope.data(), grid.slope.get(), bytes) == 0 &&
                         std::memcmp(serialAbove.data(), grid.openAbove.get(), bytes) == 0 &&
                         std::memcmp(serialBelow.data(), grid.openBelow.get(), bytes) == 0;

  // Colouring: the default (elevation, fixed hue ramp) and the heaviest composite (height,
  // above- and below-ground openness on the hue circle).
  const torvane::ToneCurves curves;
  std::vector<torvane::TerrainVertex> serialVertices(grid.count), vertices(grid.count);
  torvane::ColourSettings plainSettings, tripleSettings;
  tripleSettings.ColorS = 6;
  tripleSettings.ColorR = 6;
  auto colour = [&](const torvane::ColourSettings& s, std::vector<torvane::TerrainVertex>& v,
                    unsigned threads) {
    torvane::colourTerrain(grid, s, curves.identity(), 0, v, threads);
  };
  const Timing tColourSerial =
      medianTime(repeats, [&] { colour(plainSettings, serialVertices, 1); });
  const Timing tColour = medianTime(repeats, [&] { colour(plainSettings, vertices, cores); });
  bool coloursIdentical = std::memcmp(serialVertices.data(), vertices.data(),
                                      vertices.size() * sizeof(torvane::TerrainVertex)) == 0;
  const Timing tTripleSerial =
      medianTime(repeats, [&] { colour(tripleSettings, serialVertices, 1); });
  const Timing tTriple = medianTime(repeats, [&] { colour(tripleSettings, vertices, cores); });
  coloursIdentical =
      coloursIdentical && std::memcmp(serialVertices.data(), vertices.data(),
                                      vertices.size() * sizeof(torvane::TerrainVertex)) == 0;

  std::printf("\n%-44s %9s %9s %12s\n", "step", "seconds", "CPU s", "M nodes/s");
  auto line = [&](const char* name, const Timing& t) {
    std::printf("%-44s %9.3f %9.3f %12.1f\n", name, t.wall, t.cpu, mNodes / t.wall);
  };
  line("analyseTerrain, 1 thread, std::atan", tScalar);
  line("analyseTerrain, 1 thread", tSerial);
  line("analyseTerrain, all cores", tThreads);
  line("colourTerrain elevation, 1 thread", tColourSerial);
  line("colourTerrain elevation, all cores", tColour);
  line("colourTerrain height+openness, 1 thread", tTripleSerial);
  line("colourTerrain height+openness, all cores", tTriple);
  line("analysis + elevation colouring, all cores", tThreads + tColour);
  std::printf("\nthreaded analysis equals serial bit for bit: %s\n", identical ? "yes" : "NO");
  std::printf("threaded colours equal serial bit for bit: %s\n", coloursIdentical ? "yes" : "NO");
  std::printf(
      "arc tangent approximation vs std::atan, largest relative difference: %.3g (%s 1e-12)\n",
      relative, relative <= 1e-12 ? "within" : "NOT within");
  std::printf("speed-up of the arc tangent approximation (1 thread): %.2fx; of all cores: %.2fx\n",
              tScalar.wall / tSerial.wall, tSerial.wall / tThreads.wall);

  if (haveGdaldem()) {
    const fs::path bil = folder / "mosaic.bil";
    const fs::path tif = folder / "slope.tif";
    writeMosaicBil(bil, tiles);
    const std::string command =
        "gdaldem slope -q '" + bil.string() + "' '" + tif.string() + "' >/dev/null 2>&1";
    int failures = 0;
    const Timing tGdal = medianTime(repeats, [&] {
      if (std::system(command.c_str()) != 0) {
        ++failures;
      }
    });
    std::printf(
        "\ngdaldem slope (float32 BIL in, GeoTIFF out, one process): %.3f s, %.3f CPU s%s\n",
        tGdal.wall, tGdal.cpu, failures ? " (FAILED)" : "");
    std::printf("our slope + both openness measures / gdaldem slope: %.2f wall (target <= 1), "
                "%.2f CPU\n",
                tThreads.wall / tGdal.wall, tThreads.cpu / tGdal.cpu);
    std::printf("our analysis + colouring / gdaldem slope: %.2f wall, %.2f CPU\n",
                (tThreads + tColour).wall / tGdal.wall, (tThreads + tColour).cpu / tGdal.cpu);
  } else {
    std::printf("\ngdaldem not installed: comparison skipped\n");
  }
  fs::remove(folder / "mosaic.bil");
  fs::remove(folder / "mosaic.hdr");
  fs::remove(folder / "slope.tif");

  grid.releaseGrid();
  std::printf("\n");
  measureOpenMemory(folder / "tiles");
  if (!keep) {
    fs::remove_all(folder);
  }
  return identical && coloursIdentical && relative <= 1e-12 ? 0 : 1;
}
