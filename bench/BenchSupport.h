#pragma once
// What the benchmarks share: timing and medians, a plain read() of files as the reference an open
// is measured against, cache dropping, an open without post-processing, and the generated
// 12-tile 10 m terrain most benchmarks open.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "elevation/OpenPipeline.h"
#include "tests/support/DemXmlWriter.h"

namespace torvane::bench {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b);
double median(std::vector<double> v);
/// CPU seconds of this process and of its finished children, all threads together.
double cpuSeconds();
/// CPU seconds of the calling thread, with nanosecond resolution: for timing short calls on a
/// machine where other work may take the processor away.
double threadCpuSeconds();

//! Medians of wall-clock and CPU time. CPU time is what to compare on a busy machine: wall
//! time there depends on what else runs.
struct Timing {
  double wall = 0;
  double cpu = 0;
  Timing operator+(const Timing& o) const { return {wall + o.wall, cpu + o.cpu}; }
};

/// Runs fn `repeats` times and returns the medians of its wall and CPU times.
template <typename Fn>
Timing medianTime(int repeats, Fn&& fn) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < repeats; ++i) {
    const auto a = Clock::now();
    const double c = cpuSeconds();
    fn();
    cpu.push_back(cpuSeconds() - c);
    wall.push_back(seconds(a, Clock::now()));
  }
  return {median(wall), median(cpu)};
}

uint64_t totalBytes(const std::vector<std::filesystem::path>& paths);
/// Seconds to read() every byte of the files through a buffer of `bufferBytes`: the reference
/// an open is compared with. Aborts when nothing could be read.
double readAll(const std::vector<std::filesystem::path>& paths, size_t bufferBytes);
/// Drops the files' pages from the page cache, so that the next read comes from storage.
void dropCache(const std::vector<std::filesystem::path>& paths);

/// Open steps that keep post-processing out of a measurement: reading and placing nodes only.
using NoPostProcess = GridOnlySteps;

//! The generated terrain: 3 rows of 4 adjacent 10 m-style tiles of 1125 x 750 nodes.
inline constexpr int kTileGridRows = 3, kTileGridColumns = 4;
/// Tile (row, col) of that terrain, heights included.
fixtures::DemTile tenMetreTile(int row, int col);
/// "tile-RC" for tile (row, col).
std::string tileName(int row, int col);
/// Writes the 12 tiles as DEM XML into `folder` (keeping files already there) and returns their
/// paths in row order.
std::vector<std::filesystem::path> writeTenMetreTiles(const std::filesystem::path& folder);

/// Appends side x side nodes 10 m apart in plane metres, north row first: a volcano 1500 m high
/// in the middle with ridges of amplitude `ripple`, raised by `offset` and cut at 0 m (a flat sea
/// where it falls below). The grid's file and node storage must be prepared for them.
void appendVolcanoNodes(ElevationGrid& grid, uint32_t side, double ripple, double offset);

//! The larger generated terrain: 4 x 4 adjacent 10 m-style tiles of 1125 x 750 nodes (13.5
//! million nodes) around a 2200 m peak.
inline constexpr int kMosaicTileRows = 4, kMosaicTileColumns = 4;
inline constexpr int kMosaicColumns = 1125, kMosaicRows = 750;
//! Heights of each tile, row by row from the north; tiles in the order an open would have them
//! (the northern row of tiles first).
struct MosaicHeights {
  std::vector<std::vector<double>> heights;
};
/// Tile (row, col) of that terrain (row 0 the southernmost), without heights.
fixtures::DemTile mosaicTile(int row, int col);
fixtures::Landscape mosaicLandscape();
MosaicHeights makeMosaicHeights();
/// The grid an open of the tiles gives, built in memory: nodes in a local plane (metres).
void buildMosaicGrid(ElevationGrid& grid, const MosaicHeights& tiles);
/// The same heights as one float32 BIL mosaic of 4500 x 3000 cells with its header.
void writeMosaicBil(const std::filesystem::path& bil, const MosaicHeights& tiles);

}  // namespace torvane::bench
