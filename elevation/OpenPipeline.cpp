#include "elevation/OpenPipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "elevation/Archive.h"
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

double overallFraction(const OpenProgress& progress) {
  const double f = std::clamp(progress.fraction, 0.0, 1.0);
  switch (progress.pass) {
    case 1: return 0.05 * f;
    case 2: return 0.05 + 0.85 * f;
    case 3: return 0.9 + 0.1 * f;
    default: return f;
  }
}

namespace {

// Second pass: every listed file into its own slice of the node arrays. Files are handed out
// to the threads in load order; the slices make the result identical to a serial read. `only`,
// when given, reads every file (otherwise the reader is chosen by extension).
// Removes the dropped files and closes the gaps their slices leave in the node arrays; the plan
// then counts the remaining files (the step stays: fewer nodes fit wherever more did).
void dropFiles(ElevationGrid& grid, SamplingPlan& plan, const std::vector<char>& dropped,
               const std::vector<uint64_t>& base) {
  SamplingPlan kept{plan.step, 0, 0};
  std::vector<GridFile> files;
  for (size_t k = 0; k < grid.files.size(); ++k) {
    if (dropped[k]) {
      continue;
    }
    const uint64_t n = base[k + 1] - base[k];
    if (kept.nodeTotal != base[k]) {
      for (NodeArray* a : {&grid.X, &grid.Y, &grid.H, &grid.lon, &grid.lat}) {
        std::memmove(a->get() + kept.nodeTotal, a->get() + base[k], n * sizeof(double));
      }
    }
    const uint64_t W = grid.files[k].sampledColumns, R = grid.files[k].sampledRows;
    kept.nodeTotal += n;
    kept.indexTotal += 6 * (W - 1) * (R - 1);
    files.push_back(std::move(grid.files[k]));
  }
  grid.files = std::move(files);
  grid.fileCount = static_cast<int>(grid.files.size());
  grid.capacity = static_cast<uint32_t>(kept.nodeTotal);
  plan = kept;
}

uint64_t readAllFiles(ElevationGrid& grid, SamplingPlan& plan, const OpenOptions& options,
                      bool plane) {
  const int n = grid.fileCount;
  std::vector<uint64_t> base(static_cast<size_t>(n) + 1, 0);
  for (int k = 0; k < n; ++k) {
    base[static_cast<size_t>(k) + 1] = base[static_cast<size_t>(k)] + grid.fileNodeCount(k);
  }
  std::vector<uint64_t> written(static_cast<size_t>(n), 0);
  std::vector<double> fileFraction(static_cast<size_t>(n), 0.0);
  std::mutex progressMutex;
  std::atomic<int> nextFile{0};
  OpenProgress latest{2, 0, n, 0.0, {}};

  auto report = [&](int k, double fraction, const std::filesystem::path& path) {
    if (!options.progress) {
      return;
    }
    std::lock_guard lock(progressMutex);
    fileFraction[static_cast<size_t>(k)] = fraction;
    double sum = 0;
    for (double f : fileFraction) {
      sum += f;
    }
    latest.fileIndex = k;
    latest.fraction = sum / n;
    if (latest.file != path) {
      latest.file = path;
    }
    options.progress(latest);
  };

  auto worker = [&] {
    for (int k = nextFile++; k < n; k = nextFile++) {
      const std::filesystem::path path = grid.filePath(k);
      const ElevationReader* reader = plane ? planeReaderForPath(path) : readerForPath(path);
      if (!reader) {
        continue;
      }
      NodeSink sink(grid, base[static_cast<size_t>(k)], grid.fileNodeCount(k));
      report(k, 0.0, path);
      reader->read(sink, path, plan.step, [&](uint64_t done, uint64_t rows) {
        report(k, static_cast<double>(done) / static_cast<double>(rows), path);
      });
      written[static_cast<size_t>(k)] = sink.written();
    }
  };

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max(n, 1)));
  std::mutex doneMutex;
  std::condition_variable doneSignal;
  unsigned running = threads - 1;
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) {
    pool.emplace_back([&] {
      worker();
      std::lock_guard lock(doneMutex);
      --running;
      doneSignal.notify_one();
    });
  }
  worker();
  {
    // The caller's thread may serve a user interface from its progress callback: while the
    // other threads finish, it repeats the latest report instead of blocking in join().
    std::unique_lock lock(doneMutex);
    while (!doneSignal.wait_for(lock, std::chrono::milliseconds(50), [&] { return running == 0; })) {
      if (options.progress) {
        lock.unlock();
        {
          std::lock_guard progressLock(progressMutex);
          options.progress(latest);
        }
        lock.lock();
      }
    }
  }
  for (std::thread& t : pool) {
    t.join();
  }
  // A file that delivered a different number of nodes fails the open as a whole, as a serial
  // append would. An archive member is different: its header was sound, but its data proved
  // corrupt only now (a CRC mismatch, data longer or shorter than declared). Its archive fails
  // and the other files of the open stay. So does a GDAL raster whose blocks prove corrupt.
  std::vector<char> dropped(static_cast<size_t>(n), 0);
  bool anyDropped = false;
  for (int k = 0; k < n; ++k) {
    if (written[static_cast<size_t>(k)] != grid.fileNodeCount(k)) {
      if (!locateMember(grid.filePath(k)) && !isGdalRasterPath(grid.filePath(k))) {
        return 0;
      }
      dropped[static_cast<size_t>(k)] = 1;
      anyDropped = true;
    }
  }
  if (anyDropped) {
    dropFiles(grid, plan, dropped, base);
  }
  return plan.nodeTotal;
}

// First pass: headers only; rejected files are simply not listed. The reader is chosen by
// extension among the readers of the open's kind (`plane`: .lem files and plane-zone rasters).
void listAll(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
             const OpenOptions& options, bool plane) {
  const int n = static_cast<int>(paths.size());
  for (int i = 0; i < n; ++i) {
    const std::filesystem::path& path = paths[static_cast<size_t>(i)];
    if (options.progress) {
      options.progress(OpenProgress{1, i, n, static_cast<double>(i) / n, path});
    }
    const ElevationReader* reader = plane ? planeReaderForPath(path) : readerForPath(path);
    if (reader) {
      reader->list(grid, path);
    }
  }
}

// Everything after the first pass: plan, allocation, second pass, extents, post-processing.
// `plane` reads the files of the plane open and leaves plane coordinates only.
bool finishOpen(ElevationGrid& grid, OpenSteps& steps, const OpenOptions& options, bool plane) {
  auto fail = [&] {
    grid.releaseGrid();
    return false;
  };
  if (grid.fileCount == 0) {
    return fail();
  }
  std::optional<SamplingPlan> plan = planSampling(grid, options.limits);
  if (!plan || plan->nodeTotal < 9) {
    return fail();
  }
  // The zone chosen by the first plane file (0 for geographic data) and the kind of the open.
  // allocateGrid resets both; they are put back before the second pass, whose readers may run
  // on several threads and only check against them. The result is the zone the first listed
  // file had, as with a serial read.
  const int zone = grid.planeZone;
  if (!grid.allocateGrid(plan->nodeTotal)) {
    return fail();
  }
  grid.planeZone = zone;
  grid.GeoCoordinates = !plane;  // plane nodes carry plane coordinates only
  const uint64_t count = readAllFiles(grid, *plan, options, plane);
  if (count != plan->nodeTotal || count < 9) {
    return fail();
  }
  grid.count = static_cast<uint32_t>(count);
  if (!grid.computeExtents()) {
    return fail();
  }
  if (options.progress) {
    options.progress(OpenProgress{3, 0, 1, 0.0, {}});
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
  // Archives stand for their members, and each member counts as a file.
  const std::vector<std::filesystem::path> files = expandArchives(paths);
  if (files.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  steps.clearScene();
  steps.resetViewState();

  listAll(files, grid, options, false);
  return finishOpen(grid, steps, options, false);
}

bool openLemFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                  OpenSteps& steps, const OpenOptions& options) {
  if (paths.empty() || paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  steps.clearScene();
  steps.resetViewState();

  // The readers of the first pass list plane data only from here on; the first accepted file
  // sets the zone of the open.
  grid.GeoCoordinates = false;
  listAll(paths, grid, options, true);
  return finishOpen(grid, steps, options, true);
}

}  // namespace torvane
