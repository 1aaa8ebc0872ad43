#include "elevation/Readers.h"

#include <array>
#include <cctype>

namespace torvane {

namespace {
// Readers of the geographic open, chosen by extension. A new format is one more line here.
constexpr std::array kReaders = {
    ElevationReader{".tvd", &listTvd, &readTvd},
    ElevationReader{".xml", &listDemXml, &readDemXml},
    ElevationReader{".bil", &listBil, &readBil},
    ElevationReader{".tif", &listGdalRaster, &readGdalRaster},
    ElevationReader{".tiff", &listGdalRaster, &readGdalRaster},
    ElevationReader{".hgt", &listGdalRaster, &readGdalRaster},
    ElevationReader{".asc", &listGdalRaster, &readGdalRaster},
    ElevationReader{".img", &listGdalRaster, &readGdalRaster},
    ElevationReader{".vrt", &listGdalRaster, &readGdalRaster},
};

// Readers of the plane open: GSI's LEM grids and the rasters GDAL reads, which list themselves
// only when they lie in a plane zone.
constexpr ElevationReader kLemReader{".lem", &listLem, &readLem};
}  // namespace

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

const ElevationReader* readerForPath(const std::filesystem::path& path) {
  for (const ElevationReader& r : kReaders) {
    if (hasExtension(path, r.extension)) {
      return &r;
    }
  }
  return nullptr;
}

const ElevationReader* planeReaderForPath(const std::filesystem::path& path) {
  if (hasExtension(path, kLemReader.extension)) {
    return &kLemReader;
  }
  const ElevationReader* reader = readerForPath(path);
  return reader != nullptr && reader->list == &listGdalRaster ? reader : nullptr;
}

bool isGdalRasterPath(const std::filesystem::path& path) {
  const ElevationReader* reader = readerForPath(path);
  return reader != nullptr && reader->list == &listGdalRaster;
}

}  // namespace torvane
