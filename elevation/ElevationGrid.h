#pragma once
// The merged elevation grid: one thinned rectangular sub-grid per loaded file, stored one after
// the other in flat node arrays (row by row from north to south, each row from west to east).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace torvane {

inline constexpr int kMaxFiles = 100;

//! One loaded elevation file and the part of the node arrays it owns.
struct GridFile {
  std::filesystem::path path;   //!< full path as opened
  bool shown = true;            //!< draw this sub-grid
  uint32_t columns = 0;         //!< nodes per row as declared by the file (west to east)
  uint32_t rows = 0;            //!< rows as declared by the file (north to south)
  uint32_t sampledColumns = 0;  //!< W: columns kept after thinning
  uint32_t sampledRows = 0;     //!< R: rows kept after thinning
};

/// Number of kept indices out of n when every s-th index and the last one are kept:
/// (n - 2) / s + 2 for n >= 2. Computed in 64 bits so that no declared size can overflow it.
inline uint64_t sampledCount(uint64_t n, uint64_t step) {
  if (n < 2) {
    return n;
  }
  return (n - 2) / step + 2;
}

/// True when source index i of n is kept with sampling step s.
inline bool isKept(uint64_t i, uint64_t n, uint64_t step) { return i % step == 0 || i + 1 == n; }

/// The next kept source index after i (n when there is none).
inline uint64_t nextKept(uint64_t i, uint64_t n, uint64_t step) {
  if (i + 1 >= n) {
    return n;
  }
  uint64_t next = (i / step + 1) * step;
  return next < n - 1 ? next : n - 1;
}

//! Frees a node array obtained by allocateNodeArray().
struct NodeArrayDeleter {
  void operator()(double* p) const noexcept;
};
//! A per-node array of doubles, allocated once at its final size.
using NodeArray = std::unique_ptr<double[], NodeArrayDeleter>;

/// An uninitialised array of n doubles (nullptr when memory runs out). Large arrays are backed
/// by huge pages where the system allows it: filling hundreds of megabytes of fresh node arrays
/// otherwise spends much of an open in page faults.
NodeArray allocateNodeArray(size_t n);

/**
 * @brief The elevation record: file list, node coordinates (plane metres), heights (metres,
 * never negative), geographic coordinates (degrees), extents and the derived terrain measures.
 *
 * Owned by the scene; empty after construction and after releaseGrid(). Node arrays are
 * allocated once at their final size by allocateGrid() and never grow.
 */
class ElevationGrid {
public:
  ElevationGrid() = default;
  ElevationGrid(const ElevationGrid&) = delete;
  ElevationGrid& operator=(const ElevationGrid&) = delete;

  int fileCount = 0;
  std::vector<GridFile> files;  // at most kMaxFiles entries; size() == fileCount

  uint32_t capacity = 0;  //!< nodes allocated (the planned node count of the open)
  uint32_t count = 0;     //!< nodes stored so far

  // Node arrays of `capacity` elements each.
  NodeArray X, Y, H, lon, lat;
  NodeArray slope, openAbove, openBelow;  //!< degrees, filled by terrain analysis

  bool GeoCoordinates = true;  //!< lon/lat are meaningful (false after a LEM open)
  double lonMin = 0, lonMax = 0, latMin = 0, latMax = 0;
  int planeZone = 0;  //!< Plane Rectangular Coordinate System zone 1..19 of LEM data, 0 when none

  double Xmin = 0, Xmax = 0, Ymin = 0, Ymax = 0, Hmin = 0, Hmax = 0;

  bool analysed = false;
  double slopeMin = 0, slopeMax = 0, openAboveMin = 0, openAboveMax = 0, openBelowMin = 0,
         openBelowMax = 0;

  /// Path of file i, or the empty path when i is out of range.
  std::filesystem::path filePath(int i) const;

  /// Index of the first node of file k (B_k): the sum of W_j * R_j over the files before it.
  uint64_t fileBase(int k) const;
  /// Kept node count of file k (W_k * R_k).
  uint64_t fileNodeCount(int k) const;

  /// Records a file of geographic data and extends the combined bounds with its edges.
  /// Returns false (recording nothing) when kMaxFiles files are listed already.
  bool recordGeographicFile(const std::filesystem::path& path, uint32_t columns, uint32_t rows,
                            double west, double east, double south, double north);
  /// Records a file without touching the geographic bounds (plane-coordinate data).
  bool recordFile(const std::filesystem::path& path, uint32_t columns, uint32_t rows);

  /// Allocates every node array with n elements. False when n is 0 or memory runs out; arrays
  /// already obtained stay owned and are freed by releaseGrid().
  bool allocateGrid(uint64_t n);
  /// Frees every node array and empties the file list.
  void releaseGrid();
  /// Releases this grid and takes the file list, bounds and zone of a first pass that was made
  /// into `listed` (which is left empty).
  void takeListing(ElevationGrid& listed);

  /// Sets the X, Y and H extents over all nodes. False (extents unchanged) when count < 9.
  bool computeExtents();

  /// Appends one node; the caller guarantees count < capacity.
  void appendNode(double x, double y, double h, double lonDeg, double latDeg) {
    X[count] = x;
    Y[count] = y;
    H[count] = h;
    lon[count] = lonDeg;
    lat[count] = latDeg;
    ++count;
  }

  bool full() const { return count >= capacity; }
};

/**
 * @brief A window onto the node arrays that one reader fills: nodes [base, base + size).
 *
 * Readers of the second pass write through a sink so that files can be read on several threads,
 * each into its own slice, with the same result as appending them in load order.
 */
class NodeSink {
public:
  NodeSink(ElevationGrid& grid, uint64_t base, uint64_t size)
      : mGrid(grid), mBase(base), mSize(size) {}

  uint64_t size() const { return mSize; }
  uint64_t written() const { return mWritten; }
  bool full() const { return mWritten >= mSize; }

  void append(double x, double y, double h, double lonDeg, double latDeg) {
    const uint64_t i = mBase + mWritten++;
    mGrid.X[i] = x;
    mGrid.Y[i] = y;
    mGrid.H[i] = h;
    mGrid.lon[i] = lonDeg;
    mGrid.lat[i] = latDeg;
  }

  const ElevationGrid& grid() const { return mGrid; }

private:
  ElevationGrid& mGrid;
  uint64_t mBase;
  uint64_t mSize;
  uint64_t mWritten = 0;
};

}  // namespace torvane
