// Picking benchmark: the terrain point under the cursor on a generated grid of 3162 x 3162
// (10 million) nodes, by the exhaustive test of every triangle and by the bounding-box pyramid,
// for the same random rays (plan, oblique and grazing side views, some missing the terrain).
// Prints the median time per pick of each, their ratio, the pyramid's build time and memory, and
// checks that both give the same point on every ray. Times are CPU times of the picking thread.
//
//   build/bench/torvane-bench-pick [RAYS [SIDE]]      (default 1000 rays, side 3162)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "elevation/ElevationGrid.h"
#include "scene/ViewState.h"
#include "terrain/TerrainMesh.h"
#include "view/Picking.h"

using torvane::bench::Clock;
using torvane::bench::median;
using torvane::bench::seconds;

namespace {

// A volcano with ridges and a flat sea below 0 m, side x side nodes 10 m apart, as the mesh an
// open builds (positions, relief 2, indices).
bool buildTerrain(torvane::ElevationGrid& grid, torvane::TerrainMesh& mesh, uint32_t side) {
  grid.GeoCoordinates = false;
  if (!grid.recordFile("synthetic.tvd", side, side)) {
    return false;
  }
  grid.files[0].sampledColumns = grid.files[0].sampledRows = side;
  if (!grid.allocateGrid(uint64_t{side} * side)) {
    return false;
  }
  torvane::bench::appendVolcanoNodes(grid, side, 60, -80);
  const uint64_t indices = uint64_t{6} * (side - 1) * (side - 1);
  if (!grid.computeExtents() || !mesh.allocateVertices(grid)) {
    return false;
  }
  mesh.fitModelSpace(grid);
  return mesh.placeVertices(grid) && mesh.computeVertexHeights(grid, 2) &&
         mesh.buildIndices(grid, indices);
}

}  // namespace

int main(int argc, char** argv) {
  const int rays = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const uint32_t side = argc > 2 ? static_cast<uint32_t>(std::max(3, std::atoi(argv[2]))) : 3162;

  torvane::ElevationGrid grid;
  torvane::TerrainMesh mesh;
  if (!buildTerrain(grid, mesh, side)) {
    std::fprintf(stderr, "cannot build a %u x %u grid\n", side, side);
    return 1;
  }
  torvane::TerrainPicker picker;
  const double cpuBuild = torvane::bench::cpuSeconds();
  const auto buildStart = Clock::now();
  picker.build(mesh, grid);
  const double buildSeconds = seconds(buildStart, Clock::now());
  const double buildCpu = torvane::bench::cpuSeconds() - cpuBuild;
  std::printf("grid: %u nodes, %llu triangles\n", grid.count,
              static_cast<unsigned long long>(mesh.indexCount() / 3));
  std::printf("pyramid: built in %.1f ms (CPU %.1f ms), %.2f MB\n", buildSeconds * 1e3,
              buildCpu * 1e3, picker.memoryBytes() / 1048576.0);

  std::mt19937_64 random(2024);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> exhaustive, pyramid;
  std::vector<double> tests;
  int hits = 0, mismatches = 0;
  for (int q = 0; q < rays; ++q) {
    torvane::ViewState view;
    const int kind = q % 3;
    view.RotaZ = unit(random) * 6.283185307179586;
    view.RotaX = kind == 0   ? unit(random) * 0.4                                     // near plan
                 : kind == 1 ? 0.4 + unit(random) * 1.0                               // oblique
                             : torvane::kQuarterPi * 2 + (unit(random) - 0.5) * 0.1;  // side
    view.RZoom = 0.05 + unit(random) * 0.7;
    view.MoveX = (unit(random) - 0.5) * 1.6;
    view.MoveY = (unit(random) - 0.5) * 1.6;
    const torvane::FrameGeometry frame = torvane::frameGeometryFor(view, 800, 600);
    const double sx = unit(random) * 800, sy = unit(random) * 600;

    // CPU time of this thread: other work on the machine does not enter.
    const double t0 = torvane::bench::threadCpuSeconds();
    const torvane::PickResult a = torvane::pickTerrain(mesh, grid, frame, sx, sy, true);
    const double t1 = torvane::bench::threadCpuSeconds();
    const torvane::PickResult b = torvane::pickTerrain(mesh, grid, frame, sx, sy, true, &picker);
    const double t2 = torvane::bench::threadCpuSeconds();
    exhaustive.push_back(t1 - t0);
    pyramid.push_back(t2 - t1);
    tests.push_back(static_cast<double>(picker.lastTriangleTests()));
    hits += a.found;
    if (a.found != b.found || (a.found && (a.x != b.x || a.y != b.y || a.z != b.z))) {
      ++mismatches;
      std::fprintf(stderr, "ray %d differs\n", q);
    }
    if ((q + 1) % 100 == 0) {
      std::fprintf(stderr, "\r%d rays", q + 1);
    }
  }
  std::fprintf(stderr, "\n");
  const double e = median(exhaustive), p = median(pyramid);
  std::printf("rays: %d (%d hit the terrain), results identical: %s\n", rays, hits,
              mismatches == 0 ? "yes" : "NO");
  std::printf("exhaustive: median %.3f ms per pick\n", e * 1e3);
  std::printf("pyramid:    median %.4f ms per pick (max %.4f ms, median %.0f triangle tests)\n",
              p * 1e3, *std::max_element(pyramid.begin(), pyramid.end()) * 1e3, median(tests));
  std::printf("ratio:      %.0fx\n", p > 0 ? e / p : 0.0);
  return mismatches == 0 ? 0 : 1;
}
