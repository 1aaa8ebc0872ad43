// Open benchmark: generates 12 adjacent 10 m-style DEM XML tiles (1125 x 750 nodes each) into a
// temporary folder and times the elevation open (both passes, without terrain analysis) on one
// and on two reader threads, against a plain warm-cache read() of the same bytes in the same run.
//
// usage: torvane-bench-open [REPEATS] [FOLDER]
//   FOLDER keeps the generated tiles (and reuses them when present).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/BenchSupport.h"

namespace fs = std::filesystem;
using namespace torvane::bench;

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool keep = argc > 2;
  const fs::path folder =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-open";
  std::fprintf(stderr, "generating tiles in %s ...\n", folder.c_str());
  const std::vector<fs::path> paths = writeTenMetreTiles(folder);
  const double mb = static_cast<double>(totalBytes(paths)) / 1e6;

  // A buffer the size of a whole tile, as a reader that slurps each file would use.
  const size_t buffer = size_t{32} << 20;
  readAll(paths, buffer);  // warm the cache
  std::vector<double> raw, one, two;
  uint64_t step = 0, nodes = 0;
  for (int r = 0; r < repeats; ++r) {
    raw.push_back(readAll(paths, buffer));
    for (unsigned threads : {1u, 2u}) {
      torvane::ElevationGrid grid;
      NoPostProcess steps(grid);
      torvane::OpenOptions options;
      options.threads = threads;
      const auto t0 = Clock::now();
      if (!torvane::openElevationFiles(paths, grid, steps, options)) {
        std::fprintf(stderr, "open failed\n");
        return 1;
      }
      const auto t1 = Clock::now();
      (threads == 1 ? one : two).push_back(seconds(t0, t1));
      nodes = grid.count;
      step =
          static_cast<uint64_t>((grid.files[0].columns - 2) / (grid.files[0].sampledColumns - 2));
    }
  }
  const double tRaw = median(raw), tOne = median(one), tTwo = median(two);
  std::printf("tiles: %zu x 1125 x 750, %.1f MB of XML, step %llu, %llu nodes kept\n", paths.size(),
              mb, static_cast<unsigned long long>(step), static_cast<unsigned long long>(nodes));
  std::printf("medians of %d runs:\n", repeats);
  std::printf("  raw read()           %8.3f s  %7.0f MB/s\n", tRaw, mb / tRaw);
  std::printf("  open, 1 thread       %8.3f s  %7.0f MB/s  (%.1f%% of raw read throughput)\n", tOne,
              mb / tOne, 100 * tRaw / tOne);
  std::printf("  open, 2 threads      %8.3f s  %7.0f MB/s  (%.1f%% of raw read throughput)\n", tTwo,
              mb / tTwo, 100 * tRaw / tTwo);
  if (!keep) {
    fs::remove_all(folder);
  }
  return 0;
}
