#include "measure/ElevationInfo.h"

#include <cstdio>

#include "elevation/ElevationGrid.h"

namespace torvane {

namespace {
std::string sizeText(uint32_t columns, uint32_t rows) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "( %u , %u )", columns, rows);
  return buffer;
}
}  // namespace

ElevationInfoRow elevationInfoRow(const GridFile& file, int index) {
  char number[32];
  std::snprintf(number, sizeof number, "%5d", index + 1);
  return {number, file.path.filename().string(), sizeText(file.columns, file.rows),
          sizeText(file.sampledColumns, file.sampledRows)};
}

std::string elevationExtentText(const ElevationGrid& grid) {
  // Room for six numbers of up to 300 digits each: plane metres of hostile files are unbounded.
  char buffer[2048];
  if (grid.GeoCoordinates) {
    std::snprintf(buffer, sizeof buffer, "B(%f～%f) L(%f～%f) H(%5.3f～%5.3f)", grid.latMin,
                  grid.latMax, grid.lonMin, grid.lonMax, grid.Hmin, grid.Hmax);
  } else {
    std::snprintf(buffer, sizeof buffer, "X(%f～%f) Y(%f～%f) H(%5.3f～%5.3f)", grid.Xmin,
                  grid.Xmax, grid.Ymin, grid.Ymax, grid.Hmin, grid.Hmax);
  }
  return buffer;
}

}  // namespace torvane
