// Elevation rasters through GDAL: header checks, placement and rows of band 1.
//
// GDAL's geotransform is always area-oriented: (0, 0) is the outer corner of the north-west
// pixel, and a value stands for the pixel's centre whether AREA_OR_POINT says Area or Point (the
// GeoTIFF driver shifts the tie point of a PixelIsPoint file by half a pixel). Nodes therefore
// lie at pixel centres. GTIFF_POINT_GEO_IGNORE would undo that shift, so it is held off here.
//
// Placement: a geographic system of JGD2000, JGD2011 or WGS 84 gives geographic nodes (the three
// differ by far less than a cell of any DEM, as with GSI's own data); a zone of the Japan Plane
// Rectangular system (EPSG 2443..2461 for JGD2000, 6669..6687 for JGD2011) gives plane nodes of
// that zone. Anything else, and any grid that is not north-up, is read through a warped VRT:
// to JGD2011 geographic (EPSG:6668), or to its own zone for a rotated plane grid, with GDAL's
// suggested output size, which keeps the source's resolution.

#include "elevation/GdalRaster.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string_view>

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include "elevation/GdalSession.h"
#include "elevation/Readers.h"
#include "elevation/SampleGrid.h"

namespace torvane {

namespace {

// The GDAL driver of the path's format in the reader registry, or nullptr.
const char* driverFor(const std::filesystem::path& path) {
  const ElevationReader* reader = readerForPath(path);
  return reader != nullptr ? reader->gdalDriver : nullptr;
}

GDALDatasetH openDataset(const std::filesystem::path& path, const char* driver) {
  const char* drivers[] = {driver, nullptr};
  // Many-core decoding of tiled GeoTIFFs: rows span several tiles, which GDAL then decodes in
  // parallel.
  const char* tiffOptions[] = {"NUM_THREADS=ALL_CPUS", nullptr};
  const bool tiff = driver != nullptr && std::strcmp(driver, "GTiff") == 0;
  return GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                    driver != nullptr ? drivers : nullptr, tiff ? tiffOptions : nullptr, nullptr);
}

//! What a coordinate system is to us.
struct CrsClass {
  enum Kind { Geographic, Plane, Other } kind = Other;
  int zone = 0;
};

int epsgCode(OGRSpatialReferenceH srs) {
  const char* authority = OSRGetAuthorityName(srs, nullptr);
  const char* code = OSRGetAuthorityCode(srs, nullptr);
  if (authority != nullptr && code != nullptr && EQUAL(authority, "EPSG")) {
    return std::atoi(code);
  }
  // No code in the file (a WKT or an ESRI .prj): ask PROJ which registered system it is.
  int count = 0;
  int* confidence = nullptr;
  OGRSpatialReferenceH* matches = OSRFindMatches(srs, nullptr, &count, &confidence);
  int epsg = 0;
  for (int i = 0; i < count && epsg == 0; ++i) {
    if (confidence[i] < 70) {
      continue;
    }
    const char* a = OSRGetAuthorityName(matches[i], nullptr);
    const char* c = OSRGetAuthorityCode(matches[i], nullptr);
    if (a != nullptr && c != nullptr && EQUAL(a, "EPSG")) {
      epsg = std::atoi(c);
    }
  }
  OSRFreeSRSArray(matches);
  CPLFree(confidence);
  return epsg;
}

CrsClass classify(OGRSpatialReferenceH srs) {
  const int epsg = epsgCode(srs);
  if (epsg >= 2443 && epsg <= 2461) {
    return {CrsClass::Plane, epsg - 2442};  // JGD2000 / Japan Plane Rectangular CS I..XIX
  }
  if (epsg >= 6669 && epsg <= 6687) {
    return {CrsClass::Plane, epsg - 6668};  // JGD2011 / Japan Plane Rectangular CS I..XIX
  }
  // JGD2000, JGD2011 and WGS 84, in their 2D and 3D forms.
  for (int code : {4612, 6668, 4326, 4947, 6667, 4979}) {
    if (epsg == code) {
      return {CrsClass::Geographic, 0};
    }
  }
  return {};
}

bool northUp(const double gt[6]) { return gt[2] == 0 && gt[4] == 0 && gt[1] > 0 && gt[5] < 0; }

bool allFinite(const double gt[6]) {
  for (int i = 0; i < 6; ++i) {
    if (!std::isfinite(gt[i])) {
      return false;
    }
  }
  return true;
}

// Sizes and block layout of a dataset within the limits; empty when they are, else the reason.
std::string checkSizes(GDALDatasetH ds) {
  const uint64_t columns = static_cast<uint64_t>(std::max(GDALGetRasterXSize(ds), 0));
  const uint64_t rows = static_cast<uint64_t>(std::max(GDALGetRasterYSize(ds), 0));
  const int bands = GDALGetRasterCount(ds);
  if (bands < 1) {
    return "no raster band";
  }
  if (columns < 2 || rows < 2) {
    return "fewer than 2 x 2 cells";
  }
  if (columns > kMaxRasterSide || rows > kMaxRasterSide || columns * rows > kMaxRasterNodes) {
    return "raster too large";
  }
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  const GDALDataType type = GDALGetRasterDataType(band);
  if (type == GDT_Unknown || GDALDataTypeIsComplex(type)) {
    return "band 1 is not a number per cell";
  }
  int blockX = 0, blockY = 0;
  GDALGetBlockSize(band, &blockX, &blockY);
  uint64_t blockBytes = static_cast<uint64_t>(std::max(blockX, 0)) *
                        static_cast<uint64_t>(std::max(blockY, 0)) *
                        static_cast<uint64_t>(GDALGetDataTypeSizeBytes(type));
  const char* interleave = GDALGetMetadataItem(ds, "INTERLEAVE", "IMAGE_STRUCTURE");
  if (interleave != nullptr && EQUAL(interleave, "PIXEL")) {
    blockBytes *= static_cast<uint64_t>(bands);
  }
  if (blockBytes == 0 || blockBytes > kMaxRasterBlockBytes) {
    return "raster blocks too large";
  }
  return {};
}

// The sources a .vrt names (those GDAL found) must keep the same limits, so that reading it
// never decodes a huge file for a small window. Nested .vrt files are followed a few levels
// deep. Missing sources show when the first row is read.
std::string checkVrtSources(GDALDatasetH vrt, int depth) {
  char** files = GDALGetFileList(vrt);
  std::string reason;
  const std::string self = GDALGetDescription(vrt);
  for (int i = 0; files != nullptr && files[i] != nullptr && reason.empty(); ++i) {
    if (self == files[i]) {
      continue;
    }
    GDALDatasetH source =
        GDALOpenEx(files[i], GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (source == nullptr) {
      reason = "a source of the VRT cannot be read";
      break;
    }
    reason = checkSizes(source);
    if (!reason.empty()) {
      reason = "a source of the VRT: " + reason;
    } else if (GDALGetDatasetDriver(source) == GDALGetDriverByName("VRT")) {
      reason = depth >= 4 ? "VRT sources nested too deep" : checkVrtSources(source, depth + 1);
    }
    GDALClose(source);
  }
  CSLDestroy(files);
  return reason;
}

// Well-known text of EPSG:6668 (JGD2011 geographic), the system other rasters are warped to.
std::string jgd2011Wkt() {
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  std::string wkt;
  if (OSRImportFromEPSG(srs, 6668) == OGRERR_NONE) {
    char* text = nullptr;
    if (OSRExportToWkt(srs, &text) == OGRERR_NONE && text != nullptr) {
      wkt = text;
    }
    CPLFree(text);
  }
  OSRDestroySpatialReference(srs);
  return wkt;
}

}  // namespace

struct GdalRaster::Handles {
  GDALDatasetH source = nullptr;
  GDALDatasetH warped = nullptr;  // reads through the source, so it closes first
  GDALRasterBandH band = nullptr;
  GDALDataType type = GDT_Float64;

  ~Handles() {
    if (warped != nullptr) {
      GDALClose(warped);
    }
    if (source != nullptr) {
      GDALClose(source);
    }
  }
};

GdalRaster::GdalRaster() = default;
GdalRaster::~GdalRaster() = default;

bool GdalRaster::open(const std::filesystem::path& path, std::string& reason) {
  ensureGdal();
  mHandles = std::make_unique<Handles>();
  mGrid = {};
  const char* driver = driverFor(path);
  if (driver == nullptr) {
    reason = "not a raster format";
    return false;
  }
  const GdalThreadOption pointGeo("GTIFF_POINT_GEO_IGNORE", "FALSE");
  // Sibling files (.prj, .aux.xml, .ovr) are probed one by one instead of listing the folder,
  // which takes long in folders of many thousand tiles.
  const GdalThreadOption readDir("GDAL_DISABLE_READDIR_ON_OPEN", "TRUE");
  Handles& h = *mHandles;
  h.source = openDataset(path, driver);
  if (h.source == nullptr) {
    reason = "not a readable raster";
    return false;
  }
  reason = checkSizes(h.source);
  if (!reason.empty()) {
    return false;
  }
  if (std::strcmp(driver, "VRT") == 0) {
    reason = checkVrtSources(h.source, 0);
    if (!reason.empty()) {
      return false;
    }
  }
  OGRSpatialReferenceH srs = GDALGetSpatialRef(h.source);
  if (srs == nullptr) {
    reason = "no coordinate system";
    return false;
  }
  double gt[6];
  if (GDALGetGeoTransform(h.source, gt) != CE_None || !allFinite(gt) ||
      gt[1] * gt[5] - gt[2] * gt[4] == 0) {
    reason = "no geotransform";
    return false;
  }
  const CrsClass crs = classify(srs);
  if (crs.kind == CrsClass::Other || !northUp(gt)) {
    // A plane grid that is merely rotated stays in its zone; everything else goes to JGD2011.
    std::string target;
    if (crs.kind == CrsClass::Plane) {
      char* text = nullptr;
      if (OSRExportToWkt(srs, &text) == OGRERR_NONE && text != nullptr) {
        target = text;
      }
      CPLFree(text);
    } else {
      target = jgd2011Wkt();
    }
    if (!target.empty()) {
      h.warped = GDALAutoCreateWarpedVRTEx(h.source, nullptr, target.c_str(), GRA_Bilinear, 0.125,
                                           nullptr, nullptr);
    }
    if (h.warped == nullptr) {
      reason = "coordinate system cannot be converted to JGD2011";
      return false;
    }
    reason = checkSizes(h.warped);
    if (!reason.empty() || GDALGetGeoTransform(h.warped, gt) != CE_None || !allFinite(gt) ||
        !northUp(gt)) {
      reason = reason.empty() ? "coordinate system cannot be converted to JGD2011" : reason;
      return false;
    }
    mGrid.warped = true;
  }
  GDALDatasetH ds = h.warped != nullptr ? h.warped : h.source;
  h.band = GDALGetRasterBand(ds, 1);
  h.type = GDALGetRasterDataType(h.band);
  int has = 0;
  mNoData = GDALGetRasterNoDataValue(h.band, &has);
  mHasNoData = has != 0;
  mScale = GDALGetRasterScale(h.band, &has);
  mScale = has != 0 && std::isfinite(mScale) && mScale != 0 ? mScale : 1.0;
  mOffset = GDALGetRasterOffset(h.band, &has);
  mOffset = has != 0 && std::isfinite(mOffset) ? mOffset : 0.0;

  mGrid.columns = static_cast<uint32_t>(GDALGetRasterXSize(ds));
  mGrid.rows = static_cast<uint32_t>(GDALGetRasterYSize(ds));
  mGrid.placement =
      crs.kind == CrsClass::Plane ? RasterPlacement::Plane : RasterPlacement::Geographic;
  mGrid.zone = crs.kind == CrsClass::Plane ? crs.zone : 0;
  mGrid.dx = gt[1];
  mGrid.dy = -gt[5];
  mGrid.x0 = gt[0] + gt[1] / 2;
  mGrid.y0 = gt[3] + gt[5] / 2;
  const bool placed =
      mGrid.placement == RasterPlacement::Geographic
          ? plausibleCorners(mGrid.west(), mGrid.east(), mGrid.south(), mGrid.north())
          : std::isfinite(mGrid.east()) && std::isfinite(mGrid.south()) &&
                std::fabs(mGrid.east()) < 1e8 && std::fabs(mGrid.south()) < 1e8;
  if (!placed || !(mGrid.east() > mGrid.west()) || !(mGrid.north() > mGrid.south())) {
    reason = "corners out of range";
    return false;
  }
  // A VRT or a warp reads its sources only now: one row proves that they can be read, so such a
  // file fails while the others of its open are listed, not halfway through the data.
  if (h.warped != nullptr || std::strcmp(driver, "VRT") == 0) {
    std::unique_ptr<double[]> row(new double[mGrid.columns]);
    if (!readRow(0, row.get())) {
      reason = h.warped != nullptr ? "data cannot be read"
                                   : "a source of the VRT is missing or cannot be read";
      return false;
    }
  }
  reason.clear();
  return true;
}

bool GdalRaster::readRow(uint32_t row, double* out) {
  if (!mHandles || mHandles->band == nullptr || row >= mGrid.rows) {
    return false;
  }
  const int columns = static_cast<int>(mGrid.columns);
  if (GDALRasterIO(mHandles->band, GF_Read, 0, static_cast<int>(row), columns, 1, out, columns, 1,
                   GDT_Float64, 0, 0) != CE_None) {
    return false;
  }
  // A Float32 band's no-data value may be written with more digits than a float holds.
  const bool single = mHandles->type == GDT_Float32 && std::fabs(mNoData) <= FLT_MAX;
  const float noData = single ? static_cast<float>(mNoData) : 0.0f;
  for (int j = 0; j < columns; ++j) {
    const double raw = out[j];
    if (mHasNoData && (raw == mNoData || (single && static_cast<float>(raw) == noData))) {
      out[j] = 0;
    } else {
      out[j] = storedHeight(raw * mScale + mOffset);
    }
  }
  return true;
}

}  // namespace torvane
