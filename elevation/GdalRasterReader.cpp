// The reader of rasters GDAL opens (see GdalRaster.h for placement and heights), in the two
// passes of every reader: the header alone in the first, the kept rows in the second.

#include <memory>

#include "elevation/GdalRaster.h"
#include "elevation/GdalSession.h"
#include "elevation/Geodesy.h"
#include "elevation/Readers.h"

namespace torvane {

namespace {

// Why the raster does not fit this open, or empty when it does (after a successful open).
std::string placementRefusal(const ElevationGrid& grid, const RasterGrid& raster) {
  if (grid.GeoCoordinates) {
    return raster.placement == RasterPlacement::Geographic
               ? std::string()
               : "plane zone " + std::to_string(raster.zone) + ": opens with plane data only";
  }
  if (raster.placement != RasterPlacement::Plane) {
    return "geographic coordinates: open it without plane data";
  }
  if (grid.planeZone != 0 && grid.planeZone != raster.zone) {
    return "plane zone " + std::to_string(raster.zone) + " differs from zone " +
           std::to_string(grid.planeZone) + " of the open";
  }
  return {};
}

}  // namespace

std::string gdalRasterRefusal(const ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return "more than 100 files";
  }
  GdalMessages messages;
  GdalRaster raster;
  std::string reason;
  if (!raster.open(path, reason)) {
    return reason;
  }
  return placementRefusal(grid, raster.grid());
}

bool listGdalRaster(ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return false;
  }
  GdalMessages messages;
  GdalRaster raster;
  std::string reason;
  if (!raster.open(path, reason) || !placementRefusal(grid, raster.grid()).empty()) {
    return false;
  }
  const RasterGrid& r = raster.grid();
  if (grid.GeoCoordinates) {
    return grid.recordGeographicFile(path, r.columns, r.rows, r.west(), r.east(), r.south(),
                                     r.north());
  }
  // Every plane file of an open lies in one zone: the first accepted file chooses it.
  if (grid.planeZone == 0) {
    grid.planeZone = r.zone;
  }
  return grid.recordFile(path, r.columns, r.rows);
}

bool readGdalRaster(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                    const RowProgress& progress) {
  if (sink.size() == 0 || sink.full() || step == 0) {
    return false;
  }
  GdalMessages messages;
  GdalRaster raster;
  std::string reason;
  const ElevationGrid& grid = sink.grid();
  if (!raster.open(path, reason) || !placementRefusal(grid, raster.grid()).empty()) {
    return false;
  }
  const RasterGrid& r = raster.grid();
  const uint64_t columns = r.columns;
  const uint64_t rows = r.rows;
  const uint64_t W = sampledCount(columns, step);
  const uint64_t R = sampledCount(rows, step);
  if (W * R != sink.size() - sink.written()) {
    return false;  // the file changed since the first pass
  }
  const bool geo = grid.GeoCoordinates;
  const GeoOrigin origin{degToRad((grid.latMin + grid.latMax) / 2),
                         degToRad((grid.lonMin + grid.lonMax) / 2)};
  // Positions of the kept columns (W is bounded by the plan through the sink's size).
  std::unique_ptr<uint32_t[]> keptColumn(new uint32_t[W]);
  std::unique_ptr<double[]> keptX(new double[W]);
  std::unique_ptr<double[]> keptLambda(new double[W]);
  {
    uint64_t n = 0;
    for (uint64_t j = 0; j < columns; j = nextKept(j, columns, step), ++n) {
      keptColumn[n] = static_cast<uint32_t>(j);
      keptX[n] = r.x0 + static_cast<double>(j) * r.dx;
      keptLambda[n] = degToRad(keptX[n]);
    }
  }
  // One row of heights: only kept rows are read, each in one request of the whole row.
  std::unique_ptr<double[]> heights(new double[columns]);
  uint64_t rowsDone = 0;
  for (uint64_t i = 0; i < rows; i = nextKept(i, rows, step)) {
    if (!raster.readRow(static_cast<uint32_t>(i), heights.get())) {
      return false;
    }
    const double y = r.y0 - static_cast<double>(i) * r.dy;
    if (geo) {
      const RowProjector projector(origin, degToRad(y));
      for (uint64_t n = 0; n < W; ++n) {
        double north, east;
        projector.project(keptLambda[n], north, east);
        sink.append(east, north, heights[keptColumn[n]], keptX[n], y);
      }
    } else {
      for (uint64_t n = 0; n < W; ++n) {
        sink.append(keptX[n], y, heights[keptColumn[n]], 0.0, 0.0);
      }
    }
    if (progress && ++rowsDone % 16 == 0) {
      progress(i + 1, rows);
    }
  }
  if (progress) {
    progress(rows, rows);
  }
  return true;
}

int gdalRasterPlaneZone(const std::filesystem::path& path) {
  if (!isGdalRasterPath(path)) {
    return 0;
  }
  GdalMessages messages;
  GdalRaster raster;
  std::string reason;
  if (!raster.open(path, reason) || raster.grid().placement != RasterPlacement::Plane) {
    return 0;
  }
  return raster.grid().zone;
}

}  // namespace torvane
