#pragma once
// The elevation readers. Each format has a first-pass entry that reads only the header and
// records the file in the grid, and a second-pass entry that appends the file's thinned nodes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "elevation/ElevationGrid.h"

namespace torvane {

/// Progress of one file in the second pass: rows done out of rows. May be empty.
using RowProgress = std::function<void(uint64_t rowsDone, uint64_t rows)>;

using ListFn = bool (*)(ElevationGrid& grid, const std::filesystem::path& path);
using ReadFn = bool (*)(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                        const RowProgress& progress);

//! Which coordinates a reader's files hold: latitude/longitude, plane metres of one zone, or
//! either (decided per file; the reader lists a file only in an open of its own kind).
enum class GridCoordinates { Geographic, Plane, Either };

//! A reader chosen by file extension (lower case, with the dot): one row of the registry that
//! every open, drop, file dialog and command-line tool asks.
struct ElevationReader {
  std::string_view extension;
  ListFn list;
  ReadFn read;
  GridCoordinates coordinates = GridCoordinates::Geographic;
  //! For GridCoordinates::Either: whether the file holds plane data (reads its header only).
  bool (*holdsPlaneData)(const std::filesystem::path& path) = nullptr;
  std::string_view filterName;  //!< the format's name in file dialogs ("XML")
  std::string_view rejected;    //!< why the first pass refused a file, in a few plain words
  //! When set, why the first pass refused this file for this grid (replaces `rejected`).
  std::string (*rejection)(const ElevationGrid& grid, const std::filesystem::path& path) = nullptr;
  //! For formats read through GDAL: the one GDAL driver that may open them, so that a file is
  //! never handed to whichever of GDAL's many drivers claims it first.
  const char* gdalDriver = nullptr;
};

/// Every elevation reader, in the order dialogs list them.
std::span<const ElevationReader> elevationReaders();

/// The reader for a path by its extension, compared without regard to case, among the readers
/// of geographic data (or of plane data when `plane`); nullptr for none.
const ElevationReader* readerForPath(const std::filesystem::path& path, bool plane = false);

/// True when `reader` reads `path` as plane data (a plane format, or a file of a format of
/// either kind that holds plane data).
bool readsPlaneData(const ElevationReader& reader, const std::filesystem::path& path);

/// True when the files open in plane coordinates: the first path's reader reads plane data
/// (a .lem file, or a raster in a plane zone). Otherwise they open as geographic data.
bool opensAsPlaneData(std::span<const std::filesystem::path> paths);

/// True when the path's extension equals `ext` ("." included, lower case) ignoring case.
bool hasExtension(const std::filesystem::path& path, std::string_view ext);

// GSI DEM XML (.xml)
bool listDemXml(ElevationGrid& grid, const std::filesystem::path& path);
bool readDemXml(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                const RowProgress& progress = {});

// BIL raster (.bil) with its text header (.hdr): 16-bit big-endian samples in feet.
bool listBil(ElevationGrid& grid, const std::filesystem::path& path);
bool readBil(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress = {});

// The program's own binary grid (.tvd, see TvdFile.h).
bool listTvd(ElevationGrid& grid, const std::filesystem::path& path);
bool readTvd(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress = {});

// GSI LEM grid (.lem) with its CSV header, in plane coordinates of one zone. listLem sets the
// grid's planeZone from the first accepted file and rejects files of another zone; readLem
// checks against the grid's planeZone (any zone when it is 0) and stores lon = lat = 0.
bool listLem(ElevationGrid& grid, const std::filesystem::path& path);
bool readLem(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress = {});

// Rasters read through GDAL (.tif, .tiff, .hgt, .asc, .img, .vrt): band 1 in metres, a node at
// each pixel centre. In the geographic open (grid.GeoCoordinates true) listGdalRaster accepts
// rasters in JGD2000, JGD2011 or WGS 84 degrees and rasters of any other system GDAL can warp to
// JGD2011 degrees, and refuses plane-zone rasters. In the plane open (GeoCoordinates false) it
// accepts rasters of a Japan Plane Rectangular zone only, under the zone rule of listLem.
// readGdalRaster reads only the kept rows, and keeps the open's placement.
bool listGdalRaster(ElevationGrid& grid, const std::filesystem::path& path);
bool readGdalRaster(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                    const RowProgress& progress = {});

/// The zone (1..19) of a raster in a Japan Plane Rectangular zone of JGD2000 or JGD2011, else 0
/// (other systems, unreadable files, paths that are no GDAL raster). Reads the header only.
int gdalRasterPlaneZone(const std::filesystem::path& path);

/// Why listGdalRaster would refuse the path for this grid, in a few plain words ("no
/// coordinate system", "raster too large", ...); empty when it would accept it.
std::string gdalRasterRefusal(const ElevationGrid& grid, const std::filesystem::path& path);

/// True for the extensions read through GDAL.
bool isGdalRasterPath(const std::filesystem::path& path);

}  // namespace torvane
