// Open benchmark: generates 12 adjacent 10 m-style DEM XML tiles (1125 x 750 nodes each) into a
// temporary folder and times the elevation open (both passes, without terrain analysis) on one
// and on two reader threads, against a plain warm-cache read() of the same bytes in the same run.
//
// usage: torvane-bench-open [REPEATS] [FOLDER]
//   FOLDER keeps the generated tiles (and reuses them when present).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "elevation/OpenPipeline.h"
#include "tests/support/DemXmlWriter.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Post-processing stays out of the measurement: this times reading and placing nodes only.
class NoPostProcess : public torvane::OpenSteps {
public:
  explicit NoPostProcess(torvane::ElevationGrid& grid) : mGrid(grid) {}
  void clearScene() override { mGrid.releaseGrid(); }
  void resetViewState() override {}
  bool postProcess(const torvane::SamplingPlan&) override { return true; }

private:
  torvane::ElevationGrid& mGrid;
};

std::vector<fs::path> makeTiles(const fs::path& folder) {
  fs::create_directories(folder);
  torvane::fixtures::Landscape land;
  land.lon0 = 139.25;
  land.lat0 = 35.125;
  land.radius = 0.09;
  land.peak = 2200;
  std::vector<fs::path> paths;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) {
      const fs::path path = folder / ("tile-" + std::to_string(row) + std::to_string(col) + ".xml");
      paths.push_back(path);
      if (fs::exists(path)) {
        continue;
      }
      torvane::fixtures::DemTile t;
      t.columns = 1125;
      t.rows = 750;
      t.lonSW = 139.0 + col * 0.125;
      t.latSW = 35.0 + row / 12.0;
      t.lonNE = t.lonSW + 0.125;
      t.latNE = t.latSW + 1 / 12.0;
      t.type = "10mメッシュ（標高）";
      t.heights = torvane::fixtures::sampleHeights(t, land);
      torvane::fixtures::writeDemXml(path, t);
    }
  }
  return paths;
}

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double readAll(const std::vector<fs::path>& paths, std::vector<char>& buffer) {
  const auto t0 = Clock::now();
  size_t total = 0;
  for (const fs::path& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
      total += static_cast<size_t>(n);
    }
    ::close(fd);
  }
  const auto t1 = Clock::now();
  if (total == 0) {
    std::abort();
  }
  return seconds(t0, t1);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool keep = argc > 2;
  const fs::path folder = keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-open";
  std::fprintf(stderr, "generating tiles in %s ...\n", folder.c_str());
  const std::vector<fs::path> paths = makeTiles(folder);
  uint64_t bytes = 0;
  for (const fs::path& p : paths) {
    bytes += fs::file_size(p);
  }
  const double mb = static_cast<double>(bytes) / 1e6;

  // A buffer the size of a whole tile, as a reader that slurps each file would use.
  std::vector<char> buffer(size_t{32} << 20);
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
      step = static_cast<uint64_t>((grid.files[0].columns - 2) / (grid.files[0].sampledColumns - 2));
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
