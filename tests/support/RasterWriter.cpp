#include "tests/support/RasterWriter.h"

#include <cstdio>
#include <mutex>

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

namespace torvane::fixtures {

namespace {

void registerDrivers() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

GDALDatasetH memoryCopy(const RasterTile& tile) {
  const GDALDataType type = GDALGetDataTypeByName(tile.type.c_str());
  GDALDatasetH mem = GDALCreate(GDALGetDriverByName("MEM"), "", tile.columns, tile.rows, tile.bands,
                                type, nullptr);
  if (mem == nullptr) {
    return nullptr;
  }
  std::vector<double> values(static_cast<size_t>(tile.columns) * tile.rows, 0.0);
  for (size_t i = 0; i < values.size() && i < tile.heights.size(); ++i) {
    values[i] = tile.heights[i];
  }
  GDALRasterBandH band = GDALGetRasterBand(mem, 1);
  bool ok = GDALRasterIO(band, GF_Write, 0, 0, tile.columns, tile.rows, values.data(), tile.columns,
                         tile.rows, GDT_Float64, 0, 0) == CE_None;
  if (tile.noData) {
    ok = ok && GDALSetRasterNoDataValue(band, *tile.noData) == CE_None;
  }
  if (tile.scale != 1 || tile.offset != 0) {
    ok = ok && GDALSetRasterScale(band, tile.scale) == CE_None &&
         GDALSetRasterOffset(band, tile.offset) == CE_None;
  }
  if (tile.geotransform) {
    // A PixelIsPoint file stores node (0, 0) itself as its tie point.
    const double half = tile.pixelIsPoint ? 0.0 : 0.5;
    double gt[6] = {tile.west - half * tile.dx,  tile.dx, 0,
                    tile.north + half * tile.dy, 0,       -tile.dy};
    ok = ok && GDALSetGeoTransform(mem, gt) == CE_None;
  }
  if (tile.epsg != 0) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    ok = ok && OSRImportFromEPSG(srs, tile.epsg) == OGRERR_NONE &&
         GDALSetSpatialRef(mem, srs) == CE_None;
    OSRDestroySpatialReference(srs);
  }
  if (tile.pixelIsPoint) {
    GDALSetMetadataItem(mem, "AREA_OR_POINT", "Point", nullptr);
  }
  if (!ok) {
    GDALClose(mem);
    return nullptr;
  }
  return mem;
}

bool copyTo(const std::filesystem::path& path, const char* driverName, GDALDatasetH source,
            const std::vector<std::string>& options) {
  GDALDriverH driver = GDALGetDriverByName(driverName);
  if (driver == nullptr) {
    return false;
  }
  std::vector<const char*> list;
  for (const std::string& o : options) {
    list.push_back(o.c_str());
  }
  list.push_back(nullptr);
  GDALDatasetH out = GDALCreateCopy(driver, path.c_str(), source, FALSE,
                                    const_cast<char**>(list.data()), nullptr, nullptr);
  if (out == nullptr) {
    return false;
  }
  GDALClose(out);
  return true;
}

}  // namespace

bool writeRaster(const std::filesystem::path& path, const RasterTile& tile) {
  registerDrivers();
  GDALDatasetH mem = memoryCopy(tile);
  if (mem == nullptr) {
    return false;
  }
  bool ok;
  if (tile.driver == "VRT") {
    // A VRT needs a source on disk: a GeoTIFF of the same name beside it.
    std::filesystem::path source = path;
    source.replace_extension(".source.tif");
    ok = copyTo(source, "GTiff", mem, {});
    GDALDatasetH opened = ok ? GDALOpen(source.c_str(), GA_ReadOnly) : nullptr;
    ok = opened != nullptr && copyTo(path, "VRT", opened, tile.options);
    if (opened != nullptr) {
      GDALClose(opened);
    }
  } else {
    // Without this GDAL would move a PixelIsPoint tie point by half a cell as it writes.
    CPLSetThreadLocalConfigOption("GTIFF_POINT_GEO_IGNORE", tile.pixelIsPoint ? "TRUE" : nullptr);
    ok = copyTo(path, tile.driver.c_str(), mem, tile.options);
    CPLSetThreadLocalConfigOption("GTIFF_POINT_GEO_IGNORE", nullptr);
  }
  GDALClose(mem);
  return ok;
}

std::vector<double> heightsAt(const RasterTile& tile,
                              const std::function<double(double lon, double lat)>& height) {
  registerDrivers();
  OGRSpatialReferenceH from = OSRNewSpatialReference(nullptr);
  OGRSpatialReferenceH to = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(from, tile.epsg != 0 ? tile.epsg : 6668);
  OSRImportFromEPSG(to, 6668);
  OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
  OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
  OGRCoordinateTransformationH transform = OCTNewCoordinateTransformation(from, to);
  std::vector<double> heights;
  for (int i = 0; i < tile.rows; ++i) {
    for (int j = 0; j < tile.columns; ++j) {
      double x = tile.west + j * tile.dx;
      double y = tile.north - i * tile.dy;
      if (transform != nullptr) {
        OCTTransform(transform, 1, &x, &y, nullptr);
      }
      heights.push_back(height(x, y));
    }
  }
  if (transform != nullptr) {
    OCTDestroyCoordinateTransformation(transform);
  }
  OSRDestroySpatialReference(from);
  OSRDestroySpatialReference(to);
  return heights;
}

std::pair<double, double> positionIn(int epsg, double lon, double lat) {
  registerDrivers();
  OGRSpatialReferenceH from = OSRNewSpatialReference(nullptr);
  OGRSpatialReferenceH to = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(from, 6668);
  OSRImportFromEPSG(to, epsg);
  OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
  OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
  OGRCoordinateTransformationH transform = OCTNewCoordinateTransformation(from, to);
  if (transform != nullptr) {
    OCTTransform(transform, 1, &lon, &lat, nullptr);
    OCTDestroyCoordinateTransformation(transform);
  }
  OSRDestroySpatialReference(from);
  OSRDestroySpatialReference(to);
  return {lon, lat};
}

std::string vrtText(const std::filesystem::path& source, int columns, int rows) {
  char head[200];
  std::snprintf(head, sizeof head, "<VRTDataset rasterXSize=\"%d\" rasterYSize=\"%d\">\n", columns,
                rows);
  return std::string(head) +
         "  <SRS dataAxisToSRSAxisMapping=\"2,1\">EPSG:6668</SRS>\n"
         "  <GeoTransform>139.0, 0.01, 0, 36.0, 0, -0.01</GeoTransform>\n"
         "  <VRTRasterBand dataType=\"Float32\" band=\"1\">\n"
         "    <SimpleSource>\n"
         "      <SourceFilename relativeToVRT=\"0\">" +
         source.string() +
         "</SourceFilename>\n"
         "      <SourceBand>1</SourceBand>\n"
         "    </SimpleSource>\n"
         "  </VRTRasterBand>\n"
         "</VRTDataset>\n";
}

}  // namespace torvane::fixtures
