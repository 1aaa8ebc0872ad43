#pragma once
// Internal to elevation/: one elevation raster opened through GDAL, as the raster reader and the
// GeoTIFF export see it. The header is read and checked on open; rows of band 1 are read on
// demand. No GDAL type appears here.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace torvane {

//! How the nodes of a raster are placed.
enum class RasterPlacement {
  Geographic,  //!< degrees of longitude and latitude (JGD2000, JGD2011, WGS 84 alike)
  Plane,       //!< metres in one zone of the Japan Plane Rectangular system
};

//! Limits a raster's header must keep before any data is read.
inline constexpr uint64_t kMaxRasterSide = 1'000'000;
inline constexpr uint64_t kMaxRasterNodes = uint64_t{1} << 31;
//! The largest block GDAL would have to hold in memory to decode one row (all bands of a
//! pixel-interleaved file): a larger one is a corrupt or hostile header.
inline constexpr uint64_t kMaxRasterBlockBytes = uint64_t{256} << 20;

//! The node grid of a raster: node (0, 0) is the centre of the north-west pixel.
struct RasterGrid {
  uint32_t columns = 0;
  uint32_t rows = 0;
  RasterPlacement placement = RasterPlacement::Geographic;
  int zone = 0;           //!< 1..19 for plane placement
  double x0 = 0, y0 = 0;  //!< node (0, 0): longitude/latitude degrees or easting/northing metres
  double dx = 0, dy = 0;  //!< spacing east and south (both positive)
  bool warped = false;    //!< read through a warp to JGD2011 geographic coordinates

  double west() const { return x0; }
  double north() const { return y0; }
  double east() const { return x0 + dx * static_cast<double>(columns - 1); }
  double south() const { return y0 - dy * static_cast<double>(rows - 1); }
};

/**
 * @brief A raster file opened through GDAL: header checks on open, rows of band 1 on demand.
 *
 * Opening reads the header only (for a .vrt also its sources' headers). Heights are metres
 * after the band's scale and offset; the no-data value, negative and non-finite values give 0,
 * as every reader stores missing heights. Use on one thread at a time; GDAL's messages go to
 * the GdalMessages scope of that thread.
 */
class GdalRaster {
public:
  GdalRaster();
  ~GdalRaster();
  GdalRaster(const GdalRaster&) = delete;
  GdalRaster& operator=(const GdalRaster&) = delete;

  /// Opens the header of `path`. False with `reason` (a few plain words) when the file cannot
  /// be used: unreadable, no coordinate system or geotransform, sizes beyond the limits, a
  /// coordinate system that cannot be placed in Japan's geographic or plane coordinates.
  bool open(const std::filesystem::path& path, std::string& reason);

  const RasterGrid& grid() const { return mGrid; }

  /// Heights of row `row` (0 = north) for every column into `out` (columns elements). False
  /// when GDAL cannot read the row.
  bool readRow(uint32_t row, double* out);

private:
  struct Handles;
  std::unique_ptr<Handles> mHandles;
  RasterGrid mGrid;
  double mNoData = 0;
  bool mHasNoData = false;
  double mScale = 1, mOffset = 0;
};

/// The EPSG code of a placement: 6668 (JGD2011 geographic) or 6668 + zone (JGD2011 zones).
inline int epsgOfPlacement(RasterPlacement placement, int zone) {
  return placement == RasterPlacement::Geographic ? 6668 : 6668 + zone;
}

}  // namespace torvane
