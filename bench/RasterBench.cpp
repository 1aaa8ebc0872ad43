// GeoTIFF benchmark, both measurements against GDAL's own tools on the same data in one run.
//
//   open    the 13.5 million-node terrain (4500 x 3000 Float32 cells) as one DEFLATE-tiled
//           GeoTIFF, opened by openElevationFiles without post-processing (both passes,
//           planning, the thinned read of every kept row), against
//           `gdal_translate -of ENVI` of the same file: GDAL decoding the same data to an
//           uncompressed raw file. Target: at most 1.5 times its time.
//   export  `torvane-cli export-dem` of the 12-tile 10 m mosaic (DEM XML), against
//           `gdalbuildvrt` + `gdal_translate -of COG` of the same tiles as Float32 BIL (the
//           same heights), with the same output (Float32, DEFLATE, floating-point predictor);
//           GDAL as users run it and with all cores. Target: at most 1.0 times the first.
// Medians of wall-clock time (and of CPU time, this process and its children); the files stay
// in the page cache between runs. The GDAL tools (Debian gdal-bin) are needed only here: without
// them the comparison is skipped and our times are printed alone.
//
// usage: torvane-bench-raster [REPEATS] [FOLDER]   (FOLDER keeps and reuses the files)

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "elevation/OpenPipeline.h"
#include "tests/support/RasterWriter.h"

namespace fs = std::filesystem;
using namespace torvane;
using namespace torvane::bench;

namespace {

bool haveGdalTools() {
  return std::system("command -v gdal_translate >/dev/null 2>&1 && "
                     "command -v gdalbuildvrt >/dev/null 2>&1") == 0;
}

void run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The 13.5 million-node terrain as one tiled, deflated GeoTIFF.
fs::path writeMosaicTiff(const fs::path& folder) {
  const fs::path path = folder / "mosaic.tif";
  if (fs::exists(path)) {
    return path;
  }
  const MosaicHeights tiles = makeMosaicHeights();
  fixtures::RasterTile r;
  r.columns = kMosaicColumns * kMosaicTileColumns;
  r.rows = kMosaicRows * kMosaicTileRows;
  r.west = 139.0;
  r.north = 35.0 + kMosaicTileRows / 12.0;
  r.dx = 0.125 / kMosaicColumns;
  r.dy = (1 / 12.0) / kMosaicRows;
  r.heights.resize(static_cast<size_t>(r.columns) * r.rows);
  for (int tr = 0; tr < kMosaicTileRows; ++tr) {  // from the north
    for (int tc = 0; tc < kMosaicTileColumns; ++tc) {
      const auto& h = tiles.heights[static_cast<size_t>(tr * kMosaicTileColumns + tc)];
      for (int row = 0; row < kMosaicRows; ++row) {
        for (int c = 0; c < kMosaicColumns; ++c) {
          r.heights[static_cast<size_t>(tr * kMosaicRows + row) * r.columns + tc * kMosaicColumns +
                    c] = h[static_cast<size_t>(row * kMosaicColumns + c)];
        }
      }
    }
  }
  r.options = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "COMPRESS=DEFLATE", "PREDICTOR=3"};
  if (!fixtures::writeRaster(path, r)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return path;
}

// The 12 tiles as Float32 BIL rasters of GDAL's own (EHdr) for GDAL's mosaic: the heights the
// DEM XML reader takes (no-data as 0), so that both sides write the same data.
std::vector<fs::path> writeTileBils(const fs::path& folder) {
  std::vector<fs::path> paths;
  for (int row = 0; row < kTileGridRows; ++row) {
    for (int col = 0; col < kTileGridColumns; ++col) {
      const fs::path bil = folder / (tileName(row, col) + "-float.bil");
      paths.push_back(bil);
      if (fs::exists(bil)) {
        continue;
      }
      const fixtures::DemTile t = tenMetreTile(row, col);
      fixtures::RasterTile r;
      r.columns = t.columns;
      r.rows = t.rows;
      r.west = t.lonSW;
      r.north = t.latNE;
      r.dx = (t.lonNE - t.lonSW) / (t.columns - 1);
      r.dy = (t.latNE - t.latSW) / (t.rows - 1);
      r.driver = "EHdr";
      for (double v : t.heights) {
        r.heights.push_back(std::max(v, 0.0));
      }
      if (!fixtures::writeRaster(bil, r)) {
        std::fprintf(stderr, "cannot write %s\n", bil.c_str());
        std::exit(1);
      }
    }
  }
  return paths;
}

void line(const char* name, const Timing& t) {
  std::printf("  %-44s %8.3f s wall %8.3f s cpu\n", name, t.wall, t.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool keep = argc > 2;
  const fs::path folder =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / "torvane-bench-raster";
  fs::create_directories(folder);
  const bool gdal = haveGdalTools();
  if (!gdal) {
    std::printf("gdal_translate/gdalbuildvrt not found: GDAL's times are skipped\n");
  }

  // Opening the GeoTIFF.
  const fs::path tiff = writeMosaicTiff(folder);
  const std::vector<fs::path> open = {tiff};
  uint64_t nodes = 0, step = 0;
  const Timing ours = medianTime(repeats, [&] {
    ElevationGrid grid;
    NoPostProcess steps(grid);
    if (!openElevationFiles(open, grid, steps)) {
      std::fprintf(stderr, "the GeoTIFF did not open\n");
      std::exit(1);
    }
    nodes = grid.count;
    step =
        uint64_t{grid.files[0].columns} / std::max<uint32_t>(grid.files[0].sampledColumns - 1, 1);
  });
  std::printf("open: %s, 4500 x 3000 cells, %llu nodes kept (step about %llu), %d runs\n",
              tiff.filename().c_str(), static_cast<unsigned long long>(nodes),
              static_cast<unsigned long long>(step), repeats);
  line("openElevationFiles (both passes)", ours);
  if (gdal) {
    const fs::path raw = folder / "mosaic.raw";
    const Timing translate = medianTime(
        repeats, [&] { run("gdal_translate -q -of ENVI " + quoted(tiff) + " " + quoted(raw)); });
    line("gdal_translate -of ENVI", translate);
    std::printf("  ratio %.2f (target <= 1.5)\n", ours.wall / translate.wall);
    fs::remove(raw);
    fs::remove(folder / "mosaic.hdr");
  }

  // Exporting the 12-tile mosaic.
  const std::vector<fs::path> xml = writeTenMetreTiles(folder);
  std::string tiles;
  for (const fs::path& p : xml) {
    tiles += " " + quoted(p);
  }
  const fs::path cog = folder / "export.tif";
  const Timing exported = medianTime(repeats, [&] {
    run(std::string(TORVANE_CLI) + " export-dem" + tiles + " --output " + quoted(cog) +
        " >/dev/null");
  });
  std::printf("export: 12 DEM XML tiles of 1125 x 750 nodes into one COG, %d runs\n", repeats);
  line("torvane-cli export-dem", exported);
  if (gdal) {
    std::string bils;
    for (const fs::path& p : writeTileBils(folder)) {
      bils += " " + quoted(p);
    }
    const fs::path vrt = folder / "tiles.vrt", out = folder / "gdal.tif";
    const std::string options = " -q -of COG -ot Float32 -co COMPRESS=DEFLATE -co PREDICTOR=YES ";
    const Timing plain = medianTime(repeats, [&] {
      run("gdalbuildvrt -q " + quoted(vrt) + bils);
      run("gdal_translate" + options + quoted(vrt) + " " + quoted(out));
    });
    line("gdalbuildvrt + gdal_translate -of COG", plain);
    const Timing threaded = medianTime(repeats, [&] {
      run("gdalbuildvrt -q " + quoted(vrt) + bils);
      run("gdal_translate" + options + "-co NUM_THREADS=ALL_CPUS " + quoted(vrt) + " " +
          quoted(out));
    });
    line("  the same with -co NUM_THREADS=ALL_CPUS", threaded);
    std::printf("  ratio %.2f (target <= 1.0), %.2f against GDAL on all cores\n",
                exported.wall / plain.wall, exported.wall / threaded.wall);
  }
  if (!keep) {
    fs::remove_all(folder);
  }
  return 0;
}
