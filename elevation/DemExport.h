#pragma once
// The opened terrain written out as one Cloud-Optimized GeoTIFF at full resolution, for other
// GIS tools.

#include <cstdint>
#include <filesystem>
#include <string>

#include "elevation/AtomicFile.h"
#include "elevation/ElevationGrid.h"
#include "elevation/OpenPipeline.h"

namespace torvane {

//! The height written where no file covers the output.
inline constexpr double kDemExportNoData = -9999;
//! The largest output, in cells: its heights are assembled in memory (4 bytes a cell and one
//! byte more for the file that wrote it) before GDAL compresses them.
inline constexpr uint64_t kMaxDemExportCells = 400'000'000;
//! The largest file read at full resolution by a reader of the open (40 bytes a node); GDAL
//! rasters are read row by row and have no such limit.
inline constexpr uint64_t kMaxDemExportFileNodes = 50'000'000;

//! What an export wrote.
struct DemExport {
  uint32_t width = 0;   //!< cells west to east
  uint32_t height = 0;  //!< cells north to south
  int epsg = 0;         //!< 6668 for geographic data, 6669..6687 for a plane zone
  double noData = kDemExportNoData;
};

/**
 * @brief Writes the shown files of a grid as one Cloud-Optimized GeoTIFF.
 *
 * The grid may be opened or only listed (listElevationData): every file is read again at full
 * resolution by its reader, unless the open kept all of its nodes (a sampling step of 1), which
 * are then taken as they are. A file that cannot be read fails the export. The output takes the
 * finest spacing among the files (east and north separately) and spans them all; each cell centre
 * is a node of the output grid, so a file of that spacing lands node for node. Where files overlap
 * the later one wins; a coarser file is interpolated bilinearly between its nodes; cells no file
 * covers hold kDemExportNoData. Heights are Float32 metres, in EPSG:6668 for geographic grids
 * or the JGD2011 EPSG code of the grid's plane zone, DEFLATE-compressed with the floating-point
 * predictor, with internal overviews.
 *
 * The file goes through the program's one writer (AtomicFile.h): a hidden temporary file in the
 * target's folder that replaces `output` only when complete and synced, never over one of the
 * grid's files. On failure `output` is untouched and `error` (when given) says why: the
 * writer's reason, or a Content error naming the file that could not be read. `progress` receives
 * pass 4 reports while files are read and pass 5 reports while the GeoTIFF is written, each
 * fraction the share of the whole export; reports are never concurrent and the calling thread
 * repeats the latest while others read.
 */
bool exportDem(const ElevationGrid& grid, const std::filesystem::path& output, DemExport& result,
               WriteError* error = nullptr, const OpenProgressFn& progress = {},
               unsigned threads = 0);

}  // namespace torvane
