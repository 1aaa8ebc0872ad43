#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "elevation/ElevationGrid.h"
#include "elevation/Readers.h"
#include "overlay/LineReaders.h"

namespace torvane {

namespace {
// Every line/point format, chosen by extension. A new format is one more line here: the menu
// command, drops, projects, the file dialog and the command-line tool follow. NMEA loggers
// write ".nmea" as often as ".log". GPS devices and apps, web maps and GIS tools write the
// formats read through GDAL.
constexpr LineFormat kFormats[] = {
    {".xml", true, &readGsiVector, "XML"},          {".log", true, &readNmeaLog, "NMEA"},
    {".nmea", true, &readNmeaLog, "NMEA"},          {".bln", true, &readBln, "BLN"},
    {".blhrgb", true, &readBlhrgb, "BLHRGB"},       {".xyn", false, &readXyn, "XYN"},
    {".gpx", true, &readVectorFile, "GPX"},         {".kml", true, &readVectorFile, "KML"},
    {".kmz", true, &readVectorFile, "KML"},         {".geojson", true, &readVectorFile, "GeoJSON"},
    {".json", true, &readVectorFile, "GeoJSON"},    {".shp", true, &readVectorFile, "Shapefile"},
    {".gpkg", true, &readVectorFile, "GeoPackage"},
};

// Why a file that added no layer could not be used, when its reader did not say.
std::string unusedReason(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    return "not found";
  }
  if (::access(path.c_str(), R_OK) != 0) {
    return "cannot be read";
  }
  return "no point inside the elevation data";
}
}  // namespace

std::span<const LineFormat> lineFormats() { return kFormats; }

const LineFormat* lineFormatFor(const std::filesystem::path& path, bool geoCoordinates) {
  for (const LineFormat& f : kFormats) {
    if (f.geographic == geoCoordinates && hasExtension(path, f.extension)) {
      return &f;
    }
  }
  return nullptr;
}

bool addLineFiles(OverlayStore& store, const LineReadContext& context,
                  std::span<const std::filesystem::path> paths, const LayerAlpha& alpha,
                  FileProblems* problems) {
  if (paths.empty() || paths.size() > static_cast<size_t>(kMaxFiles) || context.grid.count == 0 ||
      !context.mesh.hasVertices()) {
    return false;
  }
  if (!ensureStoreAllocated(store, kMaxLayers)) {
    return false;
  }
  auto problem = [&](const std::filesystem::path& path, std::string reason) {
    if (problems != nullptr) {
      problems->push_back({path, std::move(reason)});
    }
  };
  bool added = false;
  const double files = static_cast<double>(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    const bool geo = context.grid.GeoCoordinates;
    const LineFormat* format = lineFormatFor(paths[i], geo);
    if (format == nullptr) {
      problem(paths[i], lineFormatFor(paths[i], !geo) == nullptr ? "not a line/point file"
                        : geo ? "needs elevation data in plane coordinates"
                              : "needs elevation data in latitude and longitude");
      continue;
    }
    // Each file reports its own fraction as its share of the list.
    LineReadContext fileContext = context;
    if (context.progress) {
      fileContext.progress = [&, i](double f) {
        context.progress((static_cast<double>(i) + f) / files);
      };
    }
    std::string reason;
    fileContext.reason = &reason;
    if (format->read(store, fileContext, paths[i])) {
      added = true;
    } else {
      problem(paths[i], reason.empty() ? unusedReason(paths[i]) : reason);
    }
  }
  if (!added) {
    return false;
  }
  if (alpha.enabled) {
    store.setAlpha(alpha.alpha);
  }
  if (!store.uploadStore()) {
    store.freeOverlayStore();
    return false;
  }
  return true;
}

}  // namespace torvane
