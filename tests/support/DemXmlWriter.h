#pragma once
// Writes GSI-style DEM XML tiles byte for byte as GSI publishes them: optional byte-order mark,
// CRLF or LF, the eleven header lines, a tab-indented <DEM on line 12, tab-indented header tags,
// tuple lines at column 1 and an indented <gml:startPoint> after the list. Partial tiles (a
// start point, a list that ends early) are written the same way. Used by the tests, the
// benchmarks and the demo-data generator.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace torvane::fixtures {

struct DemTile {
  double latSW = 35.0, lonSW = 139.0, latNE = 35.0 + 1.0 / 120, lonNE = 139.0 + 1.0 / 80;
  int columns = 225;
  int rows = 150;
  int startColumn = 0;  //!< node of the first tuple (partial tiles)
  int startRow = 0;
  std::vector<double> heights;  //!< tuples from the start point on; may end early
  bool byteOrderMark = false;
  bool crlf = true;
  std::string meshCode = "53394500";
  std::string type = "5mメッシュ（標高）";
};

/// The tile as file content.
std::string demXmlText(const DemTile& tile);
/// Writes the tile; false when the file cannot be written.
bool writeDemXml(const std::filesystem::path& path, const DemTile& tile);

/// Heights of a full tile from a height function of (lon, lat) in degrees, row by row from north.
std::vector<double> sampleHeights(const DemTile& tile,
                                  const std::function<double(double lon, double lat)>& height);

/**
 * @brief A deterministic landscape: a volcano with a crater, radial valleys and ridges, and a
 * coast to the south-east where the sea has no data (-9999). Heights in metres.
 *
 * Centre (lon0, lat0) and radius in degrees of latitude set where and how large it is.
 */
struct Landscape {
  double lon0 = 139.0125;
  double lat0 = 35.0083;
  double radius = 0.008;
  double peak = 780;
  double operator()(double lon, double lat) const;
};

/// A tile of `columns` x `rows` nodes with the default Landscape's heights.
DemTile landscapeTile(int columns, int rows);

}  // namespace torvane::fixtures
