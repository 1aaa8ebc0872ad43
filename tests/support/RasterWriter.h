#pragma once
// Writes elevation rasters through GDAL's own API for the tests, the benchmarks and the fuzz
// seeds: GeoTIFF and the other formats the raster reader opens, with or without a coordinate
// system and geotransform, as PixelIsPoint or PixelIsArea files.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace torvane::fixtures {

struct RasterTile {
  int columns = 4;
  int rows = 3;
  //! Node (0, 0), the centre of the north-west cell, and the spacing east and south, in the
  //! units of the coordinate system.
  double west = 139.0, north = 36.0, dx = 0.01, dy = 0.01;
  int epsg = 6668;           //!< 0: no coordinate system
  bool geotransform = true;  //!< false: none written
  //! AREA_OR_POINT=Point with the tie point stored at node (0, 0), as PixelIsPoint files hold it.
  bool pixelIsPoint = false;
  std::vector<double> heights;  //!< row by row from the north; missing values are 0
  std::optional<double> noData;
  double scale = 1, offset = 0;      //!< metres = stored value x scale + offset
  std::string type = "Float32";      //!< a GDAL data type name
  std::string driver = "GTiff";      //!< GTiff, AAIGrid, HFA, VRT, SRTMHGT, ...
  std::vector<std::string> options;  //!< creation options, e.g. "TILED=YES"
  int bands = 1;                     //!< bands beyond the first hold 0
};

/// Writes the tile; false when GDAL cannot (the message goes to standard error).
bool writeRaster(const std::filesystem::path& path, const RasterTile& tile);

/// Heights of a landscape given in JGD2011 degrees (longitude, latitude) at each node of the
/// tile, whose positions are in the tile's coordinate system; row by row from the north.
std::vector<double> heightsAt(const RasterTile& tile,
                              const std::function<double(double lon, double lat)>& height);

/// The position of a JGD2011 point (degrees) in the system of `epsg`, easting or longitude first.
std::pair<double, double> positionIn(int epsg, double lon, double lat);

/// A .vrt text over one source raster, declaring `columns` x `rows` cells.
std::string vrtText(const std::filesystem::path& source, int columns, int rows);

}  // namespace torvane::fixtures
