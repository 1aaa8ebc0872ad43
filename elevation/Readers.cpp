#include "elevation/Readers.h"

#include <cctype>

namespace torvane {

namespace {
bool holdsPlaneRaster(const std::filesystem::path& path) { return gdalRasterPlaneZone(path) != 0; }

// Every elevation format, chosen by extension. A new format is one more line here: opens,
// drops, the file dialogs and the command-line tool follow.
constexpr ElevationReader kReaders[] = {
    {".tvd", &listTvd, &readTvd, GridCoordinates::Geographic, nullptr, "TVD", "not a TVD grid"},
    {".xml", &listDemXml, &readDemXml, GridCoordinates::Geographic, nullptr, "XML",
     "not a GSI DEM"},
    {".bil", &listBil, &readBil, GridCoordinates::Geographic, nullptr, "BIL",
     "not a 16-bit BIL raster with its header"},
    {".lem", &listLem, &readLem, GridCoordinates::Plane, nullptr, "LEM",
     "not a GSI LEM grid with its header, or another plane zone"},
    // Rasters through GDAL: geographic, or plane data when they lie in a plane zone.
    {".tif", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster,
     "GeoTIFF", "", &gdalRasterRefusal, "GTiff"},
    {".tiff", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster,
     "GeoTIFF", "", &gdalRasterRefusal, "GTiff"},
    {".hgt", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster, "SRTM",
     "", &gdalRasterRefusal, "SRTMHGT"},
    {".asc", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster,
     "ASCII Grid", "", &gdalRasterRefusal, "AAIGrid"},
    {".img", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster,
     "ERDAS Imagine", "", &gdalRasterRefusal, "HFA"},
    {".vrt", &listGdalRaster, &readGdalRaster, GridCoordinates::Either, &holdsPlaneRaster, "VRT",
     "", &gdalRasterRefusal, "VRT"},
};

bool accepts(const ElevationReader& r, bool plane) {
  return r.coordinates == GridCoordinates::Either ||
         r.coordinates == (plane ? GridCoordinates::Plane : GridCoordinates::Geographic);
}
}  // namespace

std::span<const ElevationReader> elevationReaders() { return kReaders; }

bool hasExtension(const std::filesystem::path& path, std::string_view ext) {
  const std::string actual = path.extension().string();
  if (actual.size() != ext.size()) {
    return false;
  }
  for (size_t i = 0; i < ext.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(actual[i])) != ext[i]) {
      return false;
    }
  }
  return true;
}

const ElevationReader* readerForPath(const std::filesystem::path& path, bool plane) {
  for (const ElevationReader& r : kReaders) {
    if (accepts(r, plane) && hasExtension(path, r.extension)) {
      return &r;
    }
  }
  return nullptr;
}

bool readsPlaneData(const ElevationReader& reader, const std::filesystem::path& path) {
  return reader.coordinates == GridCoordinates::Plane ||
         (reader.coordinates == GridCoordinates::Either && reader.holdsPlaneData != nullptr &&
          reader.holdsPlaneData(path));
}

bool isGdalRasterPath(const std::filesystem::path& path) {
  const ElevationReader* reader = readerForPath(path);
  return reader != nullptr && reader->list == &listGdalRaster;
}

bool opensAsPlaneData(std::span<const std::filesystem::path> paths) {
  if (paths.empty()) {
    return false;
  }
  for (const ElevationReader& r : kReaders) {
    if (hasExtension(paths.front(), r.extension)) {
      return readsPlaneData(r, paths.front());
    }
  }
  return false;
}

}  // namespace torvane
