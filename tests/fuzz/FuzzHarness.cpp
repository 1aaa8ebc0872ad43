#include "tests/fuzz/FuzzHarness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "elevation/OpenPipeline.h"
#include "elevation/Readers.h"

namespace torvane::fuzz {

namespace {

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

}  // namespace

const std::filesystem::path& workDir() {
  // In memory (/dev/shm) where there is one: every input is written to a file, and a disk file
  // system spends more on truncating and writing back than the readers spend reading.
  static const std::filesystem::path dir = [] {
    std::error_code ec;
    const std::filesystem::path shm = "/dev/shm";
    const std::filesystem::path base =
        std::filesystem::is_directory(shm, ec) && ::access(shm.c_str(), W_OK) == 0
            ? shm
            : std::filesystem::temp_directory_path();
    const auto p = base / ("torvane-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(workDir(), ignored);
    });
    return p;
  }();
  return dir;
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void splitInput(const uint8_t* data, size_t size, std::string_view& first, std::string_view& rest) {
  const auto* text = reinterpret_cast<const char*>(data);
  if (size < 2) {
    first = rest = {};
    return;
  }
  size_t n = size_t{data[0]} | size_t{data[1]} << 8;
  if (n > size - 2) {
    n = size - 2;
  }
  first = std::string_view(text + 2, n);
  rest = std::string_view(text + 2 + n, size - 2 - n);
}

void openAndCheck(const std::filesystem::path& path, Nodes nodes) {
  ElevationGrid grid;
  GridOnlySteps steps(grid);
  OpenOptions options;
  options.limits = DeviceLimits{65535, 65535};  // small grids keep each run fast
  options.threads = 1;
  const std::filesystem::path paths[] = {path};
  const bool ok = openElevationData(paths, grid, steps, options);
  if (!ok) {
    if (grid.fileCount != 0 || grid.count != 0 || grid.capacity != 0) {
      violated("a failed open left a grid");
    }
    return;
  }
  if (grid.count != grid.capacity || grid.count < 9) {
    violated("node count differs from the plan");
  }
  for (uint32_t i = 0; i < grid.count; ++i) {
    if (!std::isfinite(grid.H[i]) || grid.H[i] < 0) {
      violated("height negative or not finite");
    }
    if (nodes == Nodes::AllFinite && (!std::isfinite(grid.X[i]) || !std::isfinite(grid.Y[i]) ||
                                      !std::isfinite(grid.lon[i]) || !std::isfinite(grid.lat[i]))) {
      violated("coordinate not finite");
    }
  }
}

}  // namespace torvane::fuzz
