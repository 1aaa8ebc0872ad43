// Format benchmark: the same terrain, 12 adjacent tiles of 1125 x 750 nodes (10 m DEM size),
// written as DEM XML, BIL and TVD into a temporary folder, and opened in one run.
//
// For each format it reports the median of:
//   raw      a plain warm-cache read() of the format's files (1 MiB buffer);
//   passes   openElevationFiles with no post-processing: both passes, planning, allocation,
//            projection of every kept node (analysis excluded); 1 and 2 reader threads;
//   scene    openElevationFiles into a Scene with its post-processing as built today
//            (terrain analysis, mesh placement, relief, colouring, indices, upload to the
//            mesh's buffer device).
// Each is measured warm (files in the page cache) and, for raw and passes with 2 threads, cold
// (the files' cached pages dropped first, so both read from storage). The ratios compare the
// TVD open (passes) with the raw read of the TVD files.
//
// usage: torvane-bench-formats [REPEATS] [FOLDER]   (FOLDER keeps and reuses the files)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "elevation/OpenPipeline.h"
#include "elevation/TvdFile.h"
#include "scene/Scene.h"
#include "tests/support/GridWriters.h"

namespace fs = std::filesystem;
using namespace torvane;
using namespace torvane::bench;

namespace {

struct Files {
  std::vector<fs::path> xml, bil, tvd;
};

Files makeFiles(const fs::path& folder) {
  fs::create_directories(folder);
  Files files;
  for (int row = 0; row < kTileGridRows; ++row) {
    for (int col = 0; col < kTileGridColumns; ++col) {
      const std::string name = tileName(row, col);
      const fs::path xml = folder / (name + ".xml");
      const fs::path bil = folder / (name + ".bil");
      const fs::path tvd = folder / (name + ".tvd");
      files.xml.push_back(xml);
      files.bil.push_back(bil);
      files.tvd.push_back(tvd);
      if (fs::exists(xml) && fs::exists(bil) && fs::exists(tvd)) {
        continue;
      }
      const fixtures::DemTile t = tenMetreTile(row, col);
      fixtures::writeDemXml(xml, t);

      TvdHeader h;
      h.columns = 1125;
      h.rows = 750;
      h.west = t.lonSW;
      h.east = t.lonNE;
      h.south = t.latSW;
      h.north = t.latNE;
      writeTvd(tvd, h, t.heights);

      fixtures::BilTile b;
      b.columns = 1125;
      b.rows = 750;
      b.ulxmap = t.lonSW;
      b.ulymap = t.latNE;
      b.xdim = 0.125 / 1124;
      b.ydim = (1 / 12.0) / 749;
      for (double v : t.heights) {
        // Feet; no-data (negative) stays a negative sample, which the reader stores as 0.
        b.samples.push_back(
            v < 0 ? int16_t{-9999}
                  : static_cast<int16_t>(std::lround(std::min(v / 0.30480061, 32767.0))));
      }
      fixtures::writeBil(bil, b);
    }
  }
  return files;
}

double openPasses(const std::vector<fs::path>& paths, unsigned threads, uint64_t& nodes,
                  uint64_t& step) {
  ElevationGrid grid;
  NoPostProcess steps(grid);
  OpenOptions options;
  options.threads = threads;
  const auto t0 = Clock::now();
  if (!openElevationFiles(paths, grid, steps, options)) {
    std::fprintf(stderr, "open failed\n");
    std::exit(1);
  }
  const auto t1 = Clock::now();
  nodes = grid.count;
  step = (grid.files[0].columns - 2) / (grid.files[0].sampledColumns - 2);
  return seconds(t0, t1);
}

double openScene(const std::vector<fs::path>& paths) {
  Scene scene;
  const auto t0 = Clock::now();
  if (!openElevationFiles(scene, paths)) {
    std::fprintf(stderr, "scene open failed\n");
    std::exit(1);
  }
  return seconds(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool keep = argc > 2;
  const fs::path folder =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-formats";
  std::fprintf(stderr, "generating tiles in %s ...\n", folder.c_str());
  const Files files = makeFiles(folder);

  struct Format {
    const char* name;
    const std::vector<fs::path>* paths;
    std::vector<double> raw, one, two, scene, coldRaw, coldTwo;
  };
  Format formats[] = {{"TVD", &files.tvd, {}, {}, {}, {}, {}, {}},
                      {"BIL", &files.bil, {}, {}, {}, {}, {}, {}},
                      {"DEM XML", &files.xml, {}, {}, {}, {}, {}, {}}};
  uint64_t nodes = 0, step = 0;
  for (Format& f : formats) {
    readAll(*f.paths, size_t{1} << 20);  // warm the cache
  }
  for (int r = 0; r < repeats; ++r) {
    for (Format& f : formats) {
      f.raw.push_back(readAll(*f.paths, size_t{1} << 20));
      f.one.push_back(openPasses(*f.paths, 1, nodes, step));
      f.two.push_back(openPasses(*f.paths, 0, nodes, step));
      f.scene.push_back(openScene(*f.paths));
      dropCache(*f.paths);
      f.coldRaw.push_back(readAll(*f.paths, size_t{1} << 20));
      dropCache(*f.paths);
      f.coldTwo.push_back(openPasses(*f.paths, 0, nodes, step));
    }
  }
  std::printf("12 tiles x 1125 x 750 = %llu nodes declared; step %llu keeps %llu nodes\n",
              12ull * 1125 * 750, static_cast<unsigned long long>(step),
              static_cast<unsigned long long>(nodes));
  std::printf("medians of %d runs (s); passes = both passes without post-processing, scene = "
              "with the Scene's post-processing\n",
              repeats);
  std::printf("%-8s %7s %9s %12s %12s %9s | %9s %12s\n", "format", "MB", "raw read", "passes 1 thr",
              "passes 2 thr", "scene", "cold raw", "cold passes");
  for (const Format& f : formats) {
    std::printf("%-8s %7.1f %9.4f %12.4f %12.4f %9.4f | %9.4f %12.4f\n", f.name,
                static_cast<double>(totalBytes(*f.paths)) / 1e6, median(f.raw), median(f.one),
                median(f.two), median(f.scene), median(f.coldRaw), median(f.coldTwo));
  }
  const Format& tvd = formats[0];
  std::printf("TVD open (passes) / raw read of the TVD files: warm %.2fx with 1 thread, %.2fx "
              "with 2; cold %.2fx with 2\n",
              median(tvd.one) / median(tvd.raw), median(tvd.two) / median(tvd.raw),
              median(tvd.coldTwo) / median(tvd.coldRaw));
  if (!keep) {
    fs::remove_all(folder);
  }
  return 0;
}
