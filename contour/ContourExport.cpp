#include "contour/ContourExport.h"

#include <vector>

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
bool writePosition(AtomicFile& f, const ElevationGrid& grid, const ModelFit& fit,
                   const OverlayVertex& v) {
  const double X = (v.x - fit.offsetX) / fit.scale + fit.Xmin;
  const double Y = (v.y - fit.offsetY) / fit.scale + fit.Ymax;
  if (grid.GeoCoordinates) {
    double lat = 0, lon = 0;
    gridToGeo(grid, X, Y, lat, lon);
    return f.print("[%.9f,%.9f]", lon, lat);
  }
  return f.print("[%.3f,%.3f]", X, Y);
}

}  // namespace

bool writeContourGeoJson(const std::filesystem::path& path, const ContourStore& store,
                         const ElevationGrid& grid, const ModelFit& fit, bool visibleOnly,
                         const WriteGuard& guard, WriteError* error) {
  return writeFileAtomically(
      path,
      [&](AtomicFile& f) {
        bool ok = f.write("{\"type\":\"FeatureCollection\",\"features\":[");
        bool firstFeature = true;
        const auto vertices = store.vertices();
        for (int g = 0; ok && g < store.groupCount(); ++g) {
          if (visibleOnly && !store.visible(g)) {
            continue;
          }
          ok = f.print("%s\n{\"type\":\"Feature\",\"properties\":{\"kind\":%d,\"value\":%d,"
                       "\"name\":\"%.*s\"},\"geometry\":{\"type\":\"MultiLineString\","
                       "\"coordinates\":[",
                       firstFeature ? "" : ",", static_cast<int>(store.kind(g)),
                       static_cast<int>(store.value(g)),
                       static_cast<int>(contourKindLabel(store.kind(g), false).size()),
                       contourKindLabel(store.kind(g), false).data());
          firstFeature = false;
          const GroupRange r = store.groupRange(g);
          const auto set = vertices.subspan(r.firstPoint, r.pointCount);
          const std::vector<std::vector<uint32_t>> lines = chainSegments(set);
          for (size_t l = 0; ok && l < lines.size(); ++l) {
            ok = f.write(l == 0 ? "[" : ",[");
            for (size_t i = 0; ok && i < lines[l].size(); ++i) {
              ok = (i == 0 || f.write(",")) && writePosition(f, grid, fit, set[lines[l][i]]);
            }
            ok = ok && f.write("]");
          }
          ok = ok && f.write("]}}");
        }
        return ok && f.write("\n]}\n");
      },
      guard, error);
}

}  // namespace torvane
