// Archive benchmark: the 12 generated 10 m-style tiles opened straight from one deflated zip
// against the same tiles extracted, in the same run: both passes, without terrain analysis, on
// the reader threads the program uses. Each open runs in a child process, so that the peak
// memory reported is that open's own. Caches are warm for both.
//
// usage: torvane-bench-archive [REPEATS] [FOLDER]
//   FOLDER keeps the generated tiles and their zip (and reuses them when present).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "tests/support/ZipWriter.h"

namespace fs = std::filesystem;
using namespace torvane::bench;

namespace {

struct Run {
  double wall = 0;
  double cpu = 0;
  double peakMb = 0;
};

// One open in a child process: wall time, CPU time and peak resident memory of the child.
Run openInChild(const std::vector<fs::path>& paths, unsigned threads) {
  const auto t0 = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    torvane::ElevationGrid grid;
    NoPostProcess steps(grid);
    torvane::OpenOptions options;
    options.threads = threads;
    const bool ok = torvane::openElevationFiles(paths, grid, steps, options) && grid.count > 0;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const auto t1 = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "open failed\n");
    std::exit(1);
  }
  Run r;
  r.wall = seconds(t0, t1);
  r.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  r.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return r;
}

Run medians(const std::vector<Run>& runs) {
  std::vector<double> wall, cpu, peak;
  for (const Run& r : runs) {
    wall.push_back(r.wall);
    cpu.push_back(r.cpu);
    peak.push_back(r.peakMb);
  }
  return {median(wall), median(cpu), median(peak)};
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool keep = argc > 2;
  const fs::path folder =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-archive";
  std::fprintf(stderr, "generating tiles in %s ...\n", folder.c_str());
  const std::vector<fs::path> tiles = writeTenMetreTiles(folder);
  const fs::path zip = folder / "tiles.zip";
  if (!fs::exists(zip)) {
    std::vector<torvane::fixtures::ZipEntry> entries;
    for (const fs::path& p : tiles) {
      std::ifstream in(p, std::ios::binary);
      entries.push_back(
          {p.filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
    }
    std::fprintf(stderr, "zipping them ...\n");
    if (!torvane::fixtures::writeZip(zip, entries)) {
      std::fprintf(stderr, "cannot write %s\n", zip.c_str());
      return 1;
    }
  }
  const double xmlMb = static_cast<double>(totalBytes(tiles)) / 1e6;
  const double zipMb = static_cast<double>(fs::file_size(zip)) / 1e6;
  readAll(tiles, size_t{1} << 20);  // warm the cache
  readAll({zip}, size_t{1} << 20);

  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<Run> extracted, archived;
  for (int r = 0; r < repeats; ++r) {
    extracted.push_back(openInChild(tiles, threads));
    archived.push_back(openInChild({zip}, threads));
  }
  const Run e = medians(extracted), a = medians(archived);
  std::printf("tiles: %zu x 1125 x 750, %.1f MB of XML, %.1f MB zipped; %u reader threads\n",
              tiles.size(), xmlMb, zipMb, threads);
  std::printf("medians of %d runs (each open in its own process):\n", repeats);
  std::printf("  extracted  %7.3f s wall  %7.3f s CPU  %7.1f MB peak\n", e.wall, e.cpu, e.peakMb);
  std::printf("  archive    %7.3f s wall  %7.3f s CPU  %7.1f MB peak\n", a.wall, a.cpu, a.peakMb);
  std::printf("  archive / extracted: %.2fx wall, %.2fx CPU (target: within 1.5x)\n",
              a.wall / e.wall, a.cpu / e.cpu);
  if (!keep) {
    fs::remove_all(folder);
  }
  return 0;
}
