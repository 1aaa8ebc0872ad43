// Writes the bundled demo data: four adjacent 5 m DEM XML tiles (2 x 2) of a volcano with radial
// valleys and a coast to the south-east whose sea has no data. The south-east tile is partial in
// the way GSI publishes coastal tiles: its tuple list ends after the last land node.
//
// usage: torvane-make-demo OUTPUT_FOLDER

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/DemXmlWriter.h"

using torvane::fixtures::DemTile;

namespace {
// The GSI mesh code of a 5 m tile from its south-west corner.
std::string meshCode(double lat, double lon) {
  const double a = lat * 1.5 + 1e-9, b = lon - 100 + 1e-9;
  const int p = static_cast<int>(a), q = static_cast<int>(b);
  const int r = static_cast<int>((a - p) * 8), s = static_cast<int>((b - q) * 8);
  const int t = static_cast<int>(((a - p) * 8 - r) * 10),
            u = static_cast<int>(((b - q) * 8 - s) * 10);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d%02d%d%d%d%d", p, q, r, s, t, u);
  return buf;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: torvane-make-demo OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  const torvane::fixtures::Landscape land;
  const double tileLat = 1.0 / 120, tileLon = 1.0 / 80;
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col) {
      DemTile t;
      t.latSW = 35.0 + row * tileLat;
      t.lonSW = 139.0 + col * tileLon;
      t.latNE = t.latSW + tileLat;
      t.lonNE = t.lonSW + tileLon;
      t.meshCode = meshCode(t.latSW, t.lonSW);
      t.byteOrderMark = (row + col) % 2 == 1;  // GSI's newer files carry a byte-order mark
      t.heights = torvane::fixtures::sampleHeights(t, land);
      // Coastal tiles: leading and trailing sea is left out of the list, as GSI does.
      size_t first = 0;
      while (first < t.heights.size() && t.heights[first] <= -9999) {
        ++first;
      }
      size_t last = t.heights.size();
      while (last > first && t.heights[last - 1] <= -9999) {
        --last;
      }
      t.startColumn = static_cast<int>(first % static_cast<size_t>(t.columns));
      t.startRow = static_cast<int>(first / static_cast<size_t>(t.columns));
      t.heights = std::vector<double>(t.heights.begin() + static_cast<long>(first),
                                      t.heights.begin() + static_cast<long>(last));
      const std::string name = "FG-GML-" + t.meshCode.substr(0, 4) + "-" + t.meshCode.substr(4, 2) +
                               "-" + t.meshCode.substr(6, 2) + "-DEM5A-20161001.xml";
      if (!torvane::fixtures::writeDemXml(out / name, t)) {
        std::fprintf(stderr, "cannot write %s\n", (out / name).c_str());
        return 1;
      }
      std::printf("%s\n", (out / name).c_str());
    }
  }
  return 0;
}
