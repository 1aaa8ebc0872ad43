#include <string_view>

#include "elevation/ElevationGrid.h"
#include "elevation/Readers.h"
#include "overlay/LineReaders.h"

namespace torvane {

namespace {
using ReaderFn = bool (*)(OverlayStore&, const LineReadContext&, const std::filesystem::path&);

//! A line/point format by extension, and whether it needs geographic or plane data.
struct LineFormat {
  std::string_view extension;
  bool geographic;
  ReaderFn read;
};

// NMEA loggers write ".nmea" as often as ".log". GPS devices and apps, web maps and GIS tools
// write the formats read through GDAL.
constexpr LineFormat kFormats[] = {
    {".xml", true, &readGsiVector},  {".log", true, &readNmeaLog}, {".nmea", true, &readNmeaLog},
    {".bln", true, &readBln},        {".blhrgb", true, &readBlhrgb}, {".xyn", false, &readXyn},
    {".gpx", true, &readVectorFile}, {".kml", true, &readVectorFile},
    {".kmz", true, &readVectorFile}, {".geojson", true, &readVectorFile},
    {".json", true, &readVectorFile}, {".shp", true, &readVectorFile},
    {".gpkg", true, &readVectorFile},
};

ReaderFn readerFor(const std::filesystem::path& path, bool geoCoordinates) {
  for (const LineFormat& f : kFormats) {
    if (f.geographic == geoCoordinates && hasExtension(path, f.extension)) {
      return f.read;
    }
  }
  return nullptr;
}
}  // namespace

bool isLineFile(const std::filesystem::path& path, bool geoCoordinates) {
  return readerFor(path, geoCoordinates) != nullptr;
}

bool addLineFiles(OverlayStore& store, const LineReadContext& context,
                  std::span<const std::filesystem::path> paths, const LayerAlpha& alpha) {
  if (paths.empty() || paths.size() > static_cast<size_t>(kMaxFiles) || context.grid.count == 0 ||
      !context.mesh.hasVertices()) {
    return false;
  }
  if (!ensureStoreAllocated(store, kMaxLayers)) {
    return false;
  }
  bool added = false;
  const double files = static_cast<double>(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    const ReaderFn read = readerFor(paths[i], context.grid.GeoCoordinates);
    if (read == nullptr) {
      continue;
    }
    // Each file reports its own fraction as its share of the list.
    LineReadContext fileContext = context;
    if (context.progress) {
      fileContext.progress = [&, i](double f) { context.progress((static_cast<double>(i) + f) / files); };
    }
    added = read(store, fileContext, paths[i]) || added;
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
