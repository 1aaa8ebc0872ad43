#pragma once
// The open pipeline: turns a list of elevation file paths into a complete grid in two passes
// (headers, then thinned data) with one sampling step that fits the graphics device.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "elevation/ElevationGrid.h"
#include "elevation/FileProblems.h"

namespace torvane {

//! The two device limits that the sampling plan must respect.
//! The largest primitive count a sampling plan may use, whatever the device allows.
inline constexpr uint32_t kPrimitiveLimitCap = 10'000'000;

struct DeviceLimits {
  uint32_t primitiveLimit = kPrimitiveLimitCap;  //!< largest primitive count, at most the cap
  uint32_t indexLimit = 16'777'215;  //!< largest vertex index (above 65535: 32-bit indices)
};

inline constexpr uint64_t kMaxNodeTotal = 10'000'000;

//! The result of planning: the common sampling step and the totals it gives.
struct SamplingPlan {
  uint64_t step = 1;
  uint64_t nodeTotal = 0;   //!< sum of W * R
  uint64_t indexTotal = 0;  //!< sum of 6 * (W - 1) * (R - 1)
};

/**
 * @brief Picks the smallest sampling step whose totals fit the limits and stores each file's
 * sampledColumns and sampledRows for it.
 *
 * Totals are 64-bit, so no declared size can overflow them. Returns std::nullopt when no step
 * fits (limits so small that even 2 x 2 nodes per file do not).
 */
std::optional<SamplingPlan> planSampling(ElevationGrid& grid, const DeviceLimits& limits);

//! Progress of an open, reported per file and per block of rows.
struct OpenProgress {
  //! 1: listing headers, 2: reading data, 3: analysis and mesh; an export (DemExport.h)
  //! reports 4: reading its files again and 5: writing its output
  int pass = 1;
  int fileIndex = 0;           //!< file being worked on
  int fileCount = 0;           //!< files in this pass
  double fraction = 0;         //!< 0..1 over the whole pass
  std::filesystem::path file;  //!< the file being worked on (empty in pass 3)
};
/**
 * Called from the thread that runs the open or from its reader threads, never concurrently.
 * While reader threads finish their files, the thread that runs the open repeats the latest
 * report about every 50 ms, so a caller that services a user interface from its callback keeps
 * doing so.
 */
using OpenProgressFn = std::function<void(const OpenProgress&)>;

/**
 * @brief Runs `work` on `threads` threads (0: one per core; never more than `tasks`), the
 * calling thread among them, and returns when all have returned.
 *
 * While the other threads finish, the calling thread calls `waiting` about every 50 ms, so that
 * a caller serving a user interface from its progress callback keeps doing so.
 */
void runOnThreads(unsigned threads, unsigned tasks, const std::function<void()>& work,
                  const std::function<void()>& waiting);

/// The share of the whole open that a report stands for, 0..1: the headers count for 5 %, the
/// data for 85 % and the analysis for the last 10 %. An export's fraction is already the share of
/// the whole export.
double overallFraction(const OpenProgress& progress);

/**
 * @brief What the scene does around the elevation passes of an open.
 *
 * The pipeline owns the order; the scene owns the objects that an open clears and rebuilds
 * (image, contours, layers, terrain mesh and buffers, view settings).
 */
class OpenSteps {
public:
  virtual ~OpenSteps() = default;
  /// Releases the draped image, contours, layers and terrain buffers, then the grid.
  virtual void clearScene() = 0;
  /// Resets the view settings that every open resets.
  virtual void resetViewState() = 0;
  /// Everything after the extents: analysis, mesh, relief, colouring, indices, upload.
  /// False fails the open (the pipeline then releases the grid).
  virtual bool postProcess(const SamplingPlan& plan) = 0;
};

//! The steps of an open of a grid alone, with no scene around it: clearing releases the grid
//! and nothing follows the extents (no analysis, no mesh). For batch work on the nodes only.
class GridOnlySteps : public OpenSteps {
public:
  explicit GridOnlySteps(ElevationGrid& grid) : mGrid(grid) {}
  void clearScene() override { mGrid.releaseGrid(); }
  void resetViewState() override {}
  bool postProcess(const SamplingPlan&) override { return true; }

private:
  ElevationGrid& mGrid;
};

//! Options of one open.
struct OpenOptions {
  DeviceLimits limits;
  OpenProgressFn progress;
  unsigned threads = 0;  //!< reader threads of the second pass; 0 picks the core count
  //! Receives each file that could not be used and why (may be null).
  FileProblems* problems = nullptr;
};

/**
 * @brief Opens .xml (and the other geographic grid formats) files into the grid.
 *
 * A .zip path stands for its DEM XML members in the archive's order (see Archive.h); an archive
 * that cannot be read contributes nothing. More than 100 files, members counted, or no file
 * that the first pass lists: false, and the scene stays exactly as it was. Otherwise the scene
 * is cleared, so false then leaves an empty grid. Files the first pass rejects are skipped;
 * files that prove damaged in the second pass are left out and the others are read again.
 * Every file left out is reported to options.problems.
 */
bool openElevationFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                        OpenSteps& steps, const OpenOptions& options = {});

/**
 * @brief Opens .lem files (and the other plane-coordinate formats; other paths are ignored)
 * into the grid in plane coordinates.
 *
 * No path or more than 100: false, nothing touched. Otherwise as openElevationFiles; all files
 * must share the zone of the first accepted one (others are skipped), the grid's planeZone is
 * that zone and GeoCoordinates is false.
 */
bool openLemFiles(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                  OpenSteps& steps, const OpenOptions& options = {});

/// The first pass of openElevationData alone: the files the open would list, with the kind of
/// the open (GeoCoordinates, and planeZone for plane data), and no node read. False when none
/// would be listed. For work that reads the files itself, such as the GeoTIFF export.
bool listElevationData(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                       const OpenOptions& options = {});

/// The one open of a list of elevation paths: the plane open when the first path holds plane
/// data (opensAsPlaneData), the geographic open otherwise.
bool openElevationData(std::span<const std::filesystem::path> paths, ElevationGrid& grid,
                       OpenSteps& steps, const OpenOptions& options = {});

}  // namespace torvane
