#include "contour/ContourExport.h"

#include <cstdio>

#include "contour/ContourChains.h"
#include "contour/ContourStore.h"
#include "elevation/AtomicFile.h"
#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"
#include "terrain/TerrainMesh.h"

namespace torvane {

namespace {

// Writes one position: degrees with 9 decimals (0.1 mm) or plane metres with 3 (1 mm); the
// model-space floats the sets are kept in hold no more than that.
bool writePosition(std::FILE* f, const ElevationGrid& grid, const ModelFit& fit,
                   const OverlayVertex& v) {
  const double X = (v.x - fit.offsetX) / fit.scale + fit.Xmin;
  const double Y = (v.y - fit.offsetY) / fit.scale + fit.Ymax;
  if (grid.GeoCoordinates) {
    double lat = 0, lon = 0;
    gridToGeo(grid, X, Y, lat, lon);
    return std::fprintf(f, "[%.9f,%.9f]", lon, lat) > 0;
  }
  return std::fprintf(f, "[%.3f,%.3f]", X, Y) > 0;
}

}  // namespace

bool writeContourGeoJson(const std::filesystem::path& path, const ContourStore& store,
                         const ElevationGrid& grid, const ModelFit& fit, bool visibleOnly,
                         std::string* error) {
  return writeFileAtomically(
      path,
      [&](std::FILE* f) {
        bool ok = std::fputs("{\"type\":\"FeatureCollection\",\"features\":[", f) >= 0;
        bool firstFeature = true;
        const auto vertices = store.vertices();
        for (int g = 0; ok && g < store.groupCount(); ++g) {
          if (visibleOnly && !store.visible(g)) {
            continue;
          }
          ok = std::fprintf(f,
                            "%s\n{\"type\":\"Feature\",\"properties\":{\"kind\":%d,\"value\":%d,"
                            "\"name\":\"%.*s\"},\"geometry\":{\"type\":\"MultiLineString\","
                            "\"coordinates\":[",
                            firstFeature ? "" : ",", static_cast<int>(store.kind(g)),
                            static_cast<int>(store.value(g)),
                            static_cast<int>(contourKindLabel(store.kind(g), false).size()),
                            contourKindLabel(store.kind(g), false).data()) > 0;
          firstFeature = false;
          const GroupRange r = store.groupRange(g);
          const auto set = vertices.subspan(r.firstPoint, r.pointCount);
          const std::vector<std::vector<uint32_t>> lines = chainSegments(set);
          for (size_t l = 0; ok && l < lines.size(); ++l) {
            ok = std::fputs(l == 0 ? "[" : ",[", f) >= 0;
            for (size_t i = 0; ok && i < lines[l].size(); ++i) {
              ok = (i == 0 || std::fputc(',', f) != EOF) &&
                   writePosition(f, grid, fit, set[lines[l][i]]);
            }
            ok = ok && std::fputc(']', f) != EOF;
          }
          ok = ok && std::fputs("]}}", f) >= 0;
        }
        return ok && std::fputs("\n]}\n", f) >= 0;
      },
      error);
}

}  // namespace torvane
