#include "elevation/OpenPipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
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

void runOnThreads(unsigned threads, unsigned tasks, const std::function<void()>& work,
                  const std::function<void()>& waiting) {
  threads = threads ? threads : std::thread::hardware_concurrency();
  threads = std::clamp<unsigned>(threads, 1, std::max(tasks, 1u));
  std::mutex doneMutex;
  std::condition_variable doneSignal;
  unsigned running = threads - 1;
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) {
    pool.emplace_back([&] {
      work();
      std::lock_guard lock(doneMutex);
      --running;
      doneSignal.notify_one();
    });
  }
  work();
  {
    std::unique_lock lock(doneMutex);
    while (
        !doneSignal.wait_for(lock, std::chrono::milliseconds(50), [&] { return running == 0; })) {
      lock.unlock();
      waiting();
      lock.lock();
    }
  }
  for (std::thread& t : pool) {
    t.join();
  }
}

double overallFraction(const OpenProgress& progress) {
  const double f = std::clamp(progress.fraction, 0.0, 1.0);
  switch (progress.pass) {
    case 1:
      return 0.05 * f;
    case 2:
      return 0.05 + 0.85 * f;
    case 3:
      return 0.9 + 0.1 * f;
    default:
      return f;
  }
}

namespace {

// Second pass: every listed file into its own slice of the node arrays. Files are handed out
// to the threads in load order; the slices make the result identical to a serial read. Files
// that did not deliver their nodes are added to `failed`.
uint64_t readAllFiles(ElevationGrid& grid, const SamplingPlan& plan, const OpenOptions& options,
                      bool plane, std::vector<std::filesystem::path>& failed) {
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
      const ElevationReader* reader = readerForPath(path, plane);
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

  // The caller's thread may serve a user interface from its progress callback: while the
  // other threads finish, it repeats the latest report instead of blocking in join().
  runOnThreads(options.threads, static_cast<unsigned>(std::max(n, 1)), worker, [&] {
    if (options.progress) {
      std::lock_guard progressLock(progressMutex);
      options.progress(latest);
    }
  });
  // A file that delivered a different number of nodes fails the open as a whole, as a serial
  // append would. An archive member is different: its header was sound, but its data proved
  // corrupt only now (a CRC mismatch, data longer or shorter than declared). It is left out and
  // the open goes on with the others. So is a GDAL raster whose blocks prove corrupt.
  for (int k = 0; k < n; ++k) {
    if (written[static_cast<size_t>(k)] != grid.fileNodeCount(k)) {
      if (!locateMember(grid.filePath(k)) && !isGdalRasterPath(grid.filePath(k))) {
        return 0;
      }
      failed.push_back(grid.filePath(k));
    }
  }
  return plan.nodeTotal;
}

void addProblem(const OpenOptions& options, const std::filesystem::path& path, std::string reason) {
  if (options.problems != nullptr) {
    options.problems->push_back({path, std::move(reason)});
  }
}

// Why a path that no reader listed could not be used.
std::string unlistedReason(const ElevationGrid& grid, const std::filesystem::path& path,
                           const ElevationReader* reader) {
  if (!locateMember(path)) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
      return "not found";
    }
    if (std::filesystem::is_directory(status)) {
      return "a folder, not a file";
    }
    if (::access(path.c_str(), R_OK) != 0) {
      return "cannot be read";
    }
  }
  if (reader == nullptr) {
    return "not an elevation file";
  }
  return reader->rejection != nullptr ? reader->rejection(grid, path)
                                      : std::string(reader->rejected);
}

// First pass: headers only; a file no reader lists is left out with its reason. In a plane
// open only readers of plane data are asked.
void listAll(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
             const OpenOptions& options, bool plane) {
  const int n = static_cast<int>(paths.size());
  for (int i = 0; i < n; ++i) {
    const std::filesystem::path& path = paths[static_cast<size_t>(i)];
    if (options.progress) {
      options.progress(OpenProgress{1, i, n, static_cast<double>(i) / n, path});
    }
    const ElevationReader* reader = readerForPath(path, plane);
    if (reader == nullptr || !reader->list(grid, path)) {
      addProblem(options, path, unlistedReason(grid, path, reader));
    }
  }
}

enum class Finish { Opened, Failed, Retry };

// Everything after the first pass: plan, allocation, second pass, extents, post-processing.
// Retry, with the failed files in `failed`, when files proved damaged in the second pass: the
// plan and the projection must then come from the files that remain.
Finish finishOpen(ElevationGrid& grid, OpenSteps& steps, const OpenOptions& options, bool plane,
                  std::vector<std::filesystem::path>& failed) {
  auto fail = [&] {
    grid.releaseGrid();
    return Finish::Failed;
  };
  std::optional<SamplingPlan> plan = planSampling(grid, options.limits);
  if (!plan || plan->nodeTotal < 9) {
    return fail();
  }
  // The zone chosen by the first plane file (0 for geographic data). allocateGrid clears it; it
  // is put back before the second pass, whose readers may run on several threads and only check
  // against it. The result is the zone the first listed file had, as with a serial read.
  const int zone = grid.planeZone;
  if (!grid.allocateGrid(plan->nodeTotal)) {
    return fail();
  }
  grid.planeZone = zone;
  grid.GeoCoordinates = !plane;  // plane nodes carry plane coordinates only
  const uint64_t count = readAllFiles(grid, *plan, options, plane, failed);
  if (!failed.empty()) {
    grid.releaseGrid();
    return Finish::Retry;
  }
  if (count != plan->nodeTotal) {
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
  return Finish::Opened;
}

// Both opens: the first pass lists the files into a grid of its own, so that an open that finds
// no data leaves the scene as it was. Once data was found the scene is cleared and the grid
// takes the listing. Archive members that fail in the second pass are left out and the rest is
// listed and read again, so that the plan, the extents and the projection's centre come from
// the files that opened.
bool openListed(std::vector<std::filesystem::path> files, ElevationGrid& grid, OpenSteps& steps,
                const OpenOptions& options, bool plane) {
  bool cleared = false;
  for (;;) {
    ElevationGrid listed;
    listed.GeoCoordinates = !plane;
    listAll(files, listed, options, plane);
    if (listed.fileCount == 0) {
      return false;
    }
    if (!cleared) {
      steps.clearScene();
      steps.resetViewState();
      cleared = true;
    }
    grid.takeListing(listed);
    std::vector<std::filesystem::path> failed;
    switch (finishOpen(grid, steps, options, plane, failed)) {
      case Finish::Opened:
        return true;
      case Finish::Failed:
        return false;
      case Finish::Retry:
        break;
    }
    for (const std::filesystem::path& path : failed) {
      addProblem(options, path, locateMember(path) ? "damaged archive member" : "damaged data");
      files.erase(std::remove(files.begin(), files.end(), path), files.end());
    }
  }
}

}  // namespace

bool openElevationFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                        OpenSteps& steps, const OpenOptions& options) {
  if (paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  // Archives stand for their members, and each member counts as a file.
  std::vector<std::filesystem::path> files = expandArchives(paths, options.problems);
  if (files.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  return openListed(std::move(files), grid, steps, options, false);
}

bool openLemFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                  OpenSteps& steps, const OpenOptions& options) {
  if (paths.empty() || paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  // The first accepted file sets the zone of the open.
  return openListed({paths.begin(), paths.end()}, grid, steps, options, true);
}

bool openElevationData(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                       OpenSteps& steps, const OpenOptions& options) {
  return opensAsPlaneData(paths) ? openLemFiles(paths, grid, steps, options)
                                 : openElevationFiles(paths, grid, steps, options);
}

bool listElevationData(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                       const OpenOptions& options) {
  const bool plane = opensAsPlaneData(paths);
  if (paths.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  const std::vector<std::filesystem::path> files =
      plane ? std::vector<std::filesystem::path>(paths.begin(), paths.end())
            : expandArchives(paths, options.problems);
  if (files.size() > static_cast<size_t>(kMaxFiles)) {
    return false;
  }
  grid.releaseGrid();
  grid.GeoCoordinates = !plane;
  listAll(files, grid, options, plane);
  return grid.fileCount > 0;
}

}  // namespace torvane
