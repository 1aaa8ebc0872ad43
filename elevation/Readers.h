#pragma once
// The elevation readers. Each format has a first-pass entry that reads only the header and
// records the file in the grid, and a second-pass entry that appends the file's thinned nodes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "elevation/ElevationGrid.h"

namespace torvane {

/// Progress of one file in the second pass: rows done out of rows. May be empty.
using RowProgress = std::function<void(uint64_t rowsDone, uint64_t rows)>;

using ListFn = bool (*)(ElevationGrid& grid, const std::filesystem::path& path);
using ReadFn = bool (*)(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                        const RowProgress& progress);

//! A reader chosen by file extension (lower case, with the dot).
struct ElevationReader {
  std::string_view extension;
  ListFn list;
  ReadFn read;
};

/// The reader for a path by its extension, compared without regard to case; nullptr for none.
/// Serves the open of geographic data (.xml and the other grid formats).
const ElevationReader* readerForPath(const std::filesystem::path& path);

/// The reader of a path in the open of plane-coordinate data: .lem files and GDAL rasters;
/// nullptr for any other path.
const ElevationReader* planeReaderForPath(const std::filesystem::path& path);

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
