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
};
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

}  // namespace torvane
