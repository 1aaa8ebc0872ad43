#pragma once
// Shared second pass of the binary geographic grids (.tvd, .bil): a row-major block of
// fixed-size samples, rows from north to south, each row from west to east.
//
// Only the kept rows are fetched, and within them only the kept samples when the step is large,
// so a thinned open reads a fraction of the file. The nodes are exactly those a sample-by-sample
// read would keep.

#include <cmath>
#include <memory>

#include "elevation/BinaryFile.h"
#include "elevation/Geodesy.h"
#include "elevation/Readers.h"

namespace torvane {

//! Where the samples lie in the file.
struct SampleBlock {
  uint64_t columns = 0;
  uint64_t rows = 0;
  uint64_t offset = 0;      //!< byte offset of the first sample
  uint64_t sampleSize = 0;  //!< bytes per sample
};

/**
 * @brief Appends the kept nodes of a sample block to the sink.
 *
 * lonOf(j) and latOf(i) give the degrees of column j and row i; height(p) decodes the sample at
 * p into metres (never negative). False, with nothing appended, when the kept node count differs
 * from what the sink expects or the file is shorter than the block; false after the rows
 * appended so far when a read fails midway.
 */
template <class LonOf, class LatOf, class Height>
bool readSampleBlock(NodeSink& sink, const BinaryFile& file, const SampleBlock& block,
                     uint64_t step, LonOf lonOf, LatOf latOf, Height height,
                     const RowProgress& progress) {
  const uint64_t columns = block.columns;
  const uint64_t rows = block.rows;
  const uint64_t W = sampledCount(columns, step);
  const uint64_t R = sampledCount(rows, step);
  if (W * R != sink.size() - sink.written()) {
    return false;  // the header changed since the first pass
  }
  if (!samplesFit(file.size(), block.offset, block.sampleSize, columns, rows)) {
    return false;  // the file holds fewer samples than its header declares
  }
  const ElevationGrid& grid = sink.grid();
  const GeoOrigin origin{degToRad((grid.latMin + grid.latMax) / 2),
                         degToRad((grid.lonMin + grid.lonMax) / 2)};

  // W is bounded by the sampling plan (it is part of the sink's size), not by the header.
  std::unique_ptr<double[]> keptLon(new double[W]);
  std::unique_ptr<double[]> keptLambda(new double[W]);
  {
    uint64_t n = 0;
    for (uint64_t j = 0; j < columns; j = nextKept(j, columns, step)) {
      keptLon[n] = lonOf(j);
      keptLambda[n] = degToRad(keptLon[n]);
      ++n;
    }
  }
  const size_t size = static_cast<size_t>(block.sampleSize);
  const uint64_t rowBytes = columns * block.sampleSize;
  // Dense: kept samples lie close together, so whole blocks are read ahead.
  const bool dense = step * block.sampleSize <= 4096;
  BlockReader reader(file);
  uint64_t rowsDone = 0;
  for (uint64_t i = 0; i < rows; i = nextKept(i, rows, step)) {
    const double lat = latOf(i);
    const RowProjector projector(origin, degToRad(lat));
    const uint64_t rowStart = block.offset + i * rowBytes;
    uint64_t n = 0;
    for (uint64_t j = 0; j < columns; j = nextKept(j, columns, step), ++n) {
      const unsigned char* p = reader.at(rowStart + j * block.sampleSize, size, dense);
      if (!p) {
        return false;
      }
      double x, y;
      projector.project(keptLambda[n], x, y);
      sink.append(y, x, height(p), keptLon[n], lat);
    }
    if (progress && (++rowsDone % 64 == 0)) {
      progress(i + 1, rows);
    }
  }
  if (progress) {
    progress(rows, rows);
  }
  return true;
}

/// A height in metres from a stored value: negative, NaN and infinite values become 0.
inline double storedHeight(double v) { return (v > 0 && v <= 1e300) ? v : 0.0; }

/// True for corners that can be projected: finite, latitudes within +-90 and longitudes
/// within +-360 degrees.
inline bool plausibleCorners(double west, double east, double south, double north) {
  auto lonOk = [](double v) { return std::isfinite(v) && std::fabs(v) <= 360.0; };
  auto latOk = [](double v) { return std::isfinite(v) && std::fabs(v) <= 90.0; };
  return lonOk(west) && lonOk(east) && latOk(south) && latOk(north);
}

}  // namespace torvane
