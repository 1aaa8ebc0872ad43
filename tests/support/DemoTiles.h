#pragma once
// The bundled demo tiles (resources/demo/*.xml, TORVANE_DEMO_DIR from the build) in name order:
// -00 (south-west), -01 (south-east), -10, -11 (north-east). The folder also holds the demo
// project and its marks, which these leave out.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace torvane::fixtures {

inline std::vector<std::filesystem::path> demoTiles() {
  std::vector<std::filesystem::path> tiles;
  for (const auto& entry : std::filesystem::directory_iterator(TORVANE_DEMO_DIR)) {
    if (entry.path().extension() == ".xml") {
      tiles.push_back(entry.path());
    }
  }
  std::sort(tiles.begin(), tiles.end());
  return tiles;
}

/// The demo tiles as shell arguments, each quoted and preceded by a space.
inline std::string demoTileArgs() {
  std::string args;
  for (const std::filesystem::path& tile : demoTiles()) {
    args += " '" + tile.string() + "'";
  }
  return args;
}

}  // namespace torvane::fixtures
