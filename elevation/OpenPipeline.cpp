#include "elevation/OpenPipeline.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "elevation/Readers.h"

namespace torvane {

namespace {

// Whether step s fits the limits, with the totals it gives.
bool stepFits(const ElevationGrid& grid, const DeviceLimits& limits, uint64_t s,
              SamplingPlan& plan) {
  plan = SamplingPlan{s, 0, 0};
  const bool wideIndices = limits.indexLimit > 65535;
  for (const GridFile& f : grid.files) {
    const uint64_t W = sampledCount(f.columns, s);
    const uint64_t R = sampledCount(f.rows, s);
    const uint64_t v = W * R;
    plan.nodeTotal += v;
    plan.indexTotal += 6 * (W - 1) * (R - 1);
    if (wideIndices) {
      if (plan.indexTotal > limits.indexLimit || v > limits.primitiveLimit ||
          plan.nodeTotal > kMaxNodeTotal) {
        return false;
      }
    } else if (plan.nodeTotal > limits.primitiveLimit) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<SamplingPlan> planSampling(ElevationGrid& grid, const DeviceLimits& limits) {
  // The totals only fall as the step grows, so the smallest fitting step is found by bisection
  // between 1 and the step that brings every file down to 2 x 2 nodes. This gives the same step
  // as trying 1, 2, 3, ... in turn, without millions of tries for absurd declared sizes.
  uint64_t hi = 1;
  for (const GridFile& f : grid.files) {
    hi = std::max<uint64_t>(hi, std::max(f.columns, f.rows));
  }
  SamplingPlan plan;
  if (!stepFits(grid, limits, hi, plan)) {
    return std::nullopt;
  }
  uint64_t lo = 1;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (stepFits(grid, limits, mid, plan)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  stepFits(grid, limits, lo, plan);
  for (GridFile& f : grid.files) {
    f.sampledColumns = static_cast<uint32_t>(sampledCount(f.columns, plan.step));
    f.sampledRows = static_cast<uint32_t>(sampledCount(f.rows, plan.step));
  }
  return plan;
}

namespace {

// Second pass: every listed file into its own slice of the node arrays. Files are handed out
// to the threads in load order; the slices make the result identical to a serial read. `only`,
// when given, reads every file (otherwise the reader is chosen by extension).
uint64_t readAllFiles(ElevationGrid& grid, const SamplingPlan& plan, const OpenOptions& options,
                      const ElevationReader* only = nullptr) {
  const int n = grid.fileCount;
  std::vector<uint64_t> base(static_cast<size_t>(n) + 1, 0);
  for (int k = 0; k < n; ++k) {
    base[static_cast<size_t>(k) + 1] = base[static_cast<size_t>(k)] + grid.fileNodeCount(k);
  }
  std::vector<uint64_t> written(static_cast<size_t>(n), 0);
  std::vector<double> fileFraction(static_cast<size_t>(n), 0.0);
  std::mutex progressMutex;
  std::atomic<int> nextFile{0};

  auto report = [&](int k, double fraction) {
    if (!options.progress) {
      return;
    }
    std::lock_guard lock(progressMutex);
    fileFraction[static_cast<size_t>(k)] = fraction;
    double sum = 0;
    for (double f : fileFraction) {
      sum += f;
    }
    options.progress(OpenProgress{2, k, n, sum / n});
  };

  auto worker = [&] {
    for (int k = nextFile++; k < n; k = nextFile++) {
      const std::filesystem::path path = grid.filePath(k);
      const ElevationReader* reader = only ? only : readerForPath(path);
      if (!reader) {
        continue;
      }
      NodeSink sink(grid, base[static_cast<size_t>(k)], grid.fileNodeCount(k));
      report(k, 0.0);
      reader->read(sink, path, plan.step, [&](uint64_t done, uint64_t rows) {
        report(k, static_cast<double>(done) / static_cast<double>(rows));
      });
      written[static_cast<size_t>(k)] = sink.written();
    }
  };

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max(n, 1)));
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) {
    pool.emplace_back(worker);
  }
  worker();
  for (std::thread& t : pool) {
    t.join();
  }
  uint64_t total = 0;
  for (int k = 0; k < n; ++k) {
    // A file that delivered a different number of nodes breaks the layout of the files after
    // it: the open as a whole fails, as a serial append would.
    if (written[static_cast<size_t>(k)] != grid.fileNodeCount(k)) {
      return total;
    }
    total += written[static_cast<size_t>(k)];
  }
  return total;
}

constexpr ElevationReader kLemReader{".lem", &listLem, &readLem};

// First pass: headers only; rejected files are simply not listed. `lem` lists only .lem paths;
// without it the reader is chosen by extension.
void listAll(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
             const OpenOptions& options, const ElevationReader* lem) {
  const int n = static_cast<int>(paths.size());
  for (int i = 0; i < n; ++i) {
    if (options.progress) {
      options.progress(OpenProgress{1, i, n, static_cast<double>(i) / n});
    }
    const std::filesystem::path& path = paths[static_cast<size_t>(i)];
    const ElevationReader* reader =
        lem ? (hasExtension(path, lem->extension) ? lem : nullptr) : readerForPath(path);
    if (reader) {
      reader->list(grid, path);
    }
  }
}

// Everything after the first pass: plan, allocation, second pass, extents, post-processing.
// `lem` reads every file with the LEM reader and leaves plane coordinates only.
bool finishOpen(ElevationGrid& grid, OpenSteps& steps, const OpenOptions& options,
                const ElevationReader* lem) {
  auto fail = [&] {
    grid.releaseGrid();
    return false;
  };
  if (grid.fileCount == 0) {
    return fail();
  }
  const std::optional<SamplingPlan> plan = planSampling(grid, options.limits);
  if (!plan || plan->nodeTotal < 9) {
    return fail();
  }
  // The zone chosen by the first LEM file (0 for geographic data). allocateGrid clears it; it is
  // put back before the second pass, whose readers may run on several threads and only check
  // against it. The result is the zone the first listed file had, as with a serial read.
  const int zone = grid.planeZone;
  if (!grid.allocateGrid(plan->nodeTotal)) {
    return fail();
  }
  grid.planeZone = zone;
  const uint64_t count = readAllFiles(grid, *plan, options, lem);
  if (count != plan->nodeTotal) {
    return fail();
  }
  grid.count = static_cast<uint32_t>(count);
  if (lem) {
    grid.GeoCoordinates = false;  // LEM nodes carry plane coordinates only
  }
  if (!grid.computeExtents()) {
    return fail();
  }
  if (!steps.postProcess(*plan)) {
    steps.clearScene();
    return fail();
  }
  return true;
}

}  // namespace

bool openElevationFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                        OpenSteps& steps, const OpenOptions& options) {
  if (paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  steps.clearScene();
  steps.resetViewState();

  listAll(paths, grid, options, nullptr);
  return finishOpen(grid, steps, options, nullptr);
}

bool openLemFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                  OpenSteps& steps, const OpenOptions& options) {
  if (paths.empty() || paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  steps.clearScene();
  steps.resetViewState();

  // The first accepted file sets the zone of the open.
  listAll(paths, grid, options, &kLemReader);
  return finishOpen(grid, steps, options, &kLemReader);
}

}  // namespace torvane
