// Contour benchmark: a 97-level elevation range on the generated 13.5 million-node terrain (16
// adjacent 10 m-style tiles of 1125 x 750 nodes), traced in one walk over the triangles, against
// one walk per level (the simple way) and against `gdal_contour -fl` with the same 97 levels on
// the same heights written as a float32 BIL mosaic (skipped when gdal_contour is not installed).
// Also checks that the range trace gives, level by level, exactly the segments of the single-level
// trace.
//
// usage: torvane-bench-contours [REPEATS]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "contour/ContourTrace.h"
#include "elevation/ElevationGrid.h"

namespace fs = std::filesystem;
using namespace torvane::bench;

namespace {

bool haveGdalContour() { return std::system("command -v gdal_contour >/dev/null 2>&1") == 0; }

uint64_t pointsOf(const std::vector<torvane::ContourTrace>& traces) {
  uint64_t n = 0;
  for (const auto& t : traces) {
    n += t.size();
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path folder =
      fs::temp_directory_path() / ("torvane-bench-contours-" + std::to_string(getpid()));
  fs::create_directories(folder);

  const MosaicHeights tiles = makeMosaicHeights();
  torvane::ElevationGrid grid;
  buildMosaicGrid(grid, tiles);
  // 97 levels spread over the terrain's heights: pitch = trunc(Hmax / 98), levels pitch .. 97
  // pitch.
  const int pitch = std::max(1, static_cast<int>(grid.Hmax / 98));
  const torvane::ContourLevels levels{pitch, 97 * pitch, pitch};
  std::printf("grid: %d tiles of %d x %d = %u nodes, heights %.2f .. %.2f m\n",
              kMosaicTileRows * kMosaicTileColumns, kMosaicColumns, kMosaicRows, grid.count,
              grid.Hmin, grid.Hmax);
  std::printf("levels: %lld, %d .. %d m every %d m; repeats: %d (medians)\n",
              static_cast<long long>(levels.count()), levels.first, levels.last, pitch, repeats);

  // Every level complete: no store limit cuts any of them short.
  torvane::ContourRangeLimits unlimited;
  unlimited.outCapacity = UINT64_MAX;
  unlimited.pointsLeft = UINT64_MAX;
  unlimited.setsLeft = 300;
  std::vector<torvane::ContourTrace> range;
  const Timing tRange = medianTime(repeats, [&] {
    range = torvane::traceContourRange(grid, torvane::kElevationContour, levels, unlimited);
  });

  // A store of 3,000,000 points, as the program allocates it: the range stops once it is full.
  torvane::ContourRangeLimits store = unlimited;
  store.outCapacity = 3'000'000;
  store.pointsLeft = 3'000'000;
  std::vector<torvane::ContourTrace> stored;
  const Timing tStored = medianTime(repeats, [&] {
    stored = torvane::traceContourRange(grid, torvane::kElevationContour, levels, store);
  });

  // One walk per level, and the identity check against it.
  torvane::ContourTrace one;
  bool identical = true;
  const Timing tPerLevel = medianTime(std::max(1, repeats / 2), [&] {
    for (int64_t k = 0; k < levels.count(); ++k) {
      torvane::traceContours(grid, torvane::kElevationContour, levels.value(k), UINT64_MAX, one);
      const auto& r = range[static_cast<size_t>(k)];
      identical = identical && one.X == r.X && one.Y == r.Y && one.H == r.H;
    }
  });

  std::printf("\n%-52s %9s %9s %12s\n", "trace", "seconds", "CPU s", "points");
  std::printf("%-52s %9.3f %9.3f %12llu\n", "one walk per level (97 walks)", tPerLevel.wall,
              tPerLevel.cpu, static_cast<unsigned long long>(pointsOf(range)));
  std::printf("%-52s %9.3f %9.3f %12llu\n", "range in one walk, every level complete", tRange.wall,
              tRange.cpu, static_cast<unsigned long long>(pointsOf(range)));
  std::printf("%-52s %9.3f %9.3f %12llu\n", "range in one walk, into a 3,000,000-point store",
              tStored.wall, tStored.cpu, static_cast<unsigned long long>(pointsOf(stored)));
  std::printf("\nrange trace equals the per-level trace level by level: %s\n",
              identical ? "yes" : "NO");
  std::printf("speed-up of one walk over one walk per level: %.1fx\n",
              tPerLevel.wall / tRange.wall);

  if (haveGdalContour()) {
    const fs::path bil = folder / "mosaic.bil";
    const fs::path gpkg = folder / "contours.gpkg";
    writeMosaicBil(bil, tiles);
    std::string command = "gdal_contour -q -a elev -fl";
    for (int64_t k = 0; k < levels.count(); ++k) {
      command += " " + std::to_string(levels.value(k));
    }
    command += " '" + bil.string() + "' '" + gpkg.string() + "' >/dev/null 2>&1";
    int failures = 0;
    const Timing tGdal = medianTime(repeats, [&] {
      fs::remove(gpkg);
      if (std::system(command.c_str()) != 0) {
        ++failures;
      }
    });
    std::printf("\ngdal_contour -fl, same 97 levels (float32 BIL in, GeoPackage out): %.3f s, "
                "%.3f CPU s%s\n",
                tGdal.wall, tGdal.cpu, failures ? " (FAILED)" : "");
    std::printf("our range trace / gdal_contour: %.3f wall, %.3f CPU (target < 1)\n",
                tRange.wall / tGdal.wall, tRange.cpu / tGdal.cpu);
  } else {
    std::printf("\ngdal_contour not installed: comparison skipped\n");
  }
  fs::remove_all(folder);
  return identical ? 0 : 1;
}
