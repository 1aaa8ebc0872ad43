#include "terrain/HeightSampling.h"

#include <algorithm>
#include <cmath>

#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"
#include "terrain/TerrainMesh.h"

// The cell of a point is found by its keys, (longitude, latitude) for geographic data and
// (X, Y) otherwise, and the cell's two triangles (the ones the mesh draws) are tested in plane
// metres. Where projected cells are not axis-aligned in key space, a point on or very near a row
// or column line can fall just outside both triangles of its cell; the neighbouring cells across
// the nearest lines are then tried before the sub-grid gives up on the point.

namespace torvane {

namespace {

constexpr double kDegenerate = 5e-12;
constexpr double kProbeTop = 1000.0;  // the vertical probe runs from height 0 to this height

struct Keys {
  const double* u;  // grows eastwards
  const double* v;  // grows northwards
};

Keys keysOf(const ElevationGrid& grid, bool geoKeys) {
  return geoKeys ? Keys{grid.lon.get(), grid.lat.get()} : Keys{grid.X.get(), grid.Y.get()};
}

bool hasIndexList(const TerrainMesh& mesh) {
  return mesh.indexType() != IndexType::None && mesh.indexCount() > 5;
}

// The sub-grid record of file k whose first node is `base`; no sortedness is assumed.
HeightSampler::SubGrid describe(const ElevationGrid& grid, const Keys& keys, int k, uint64_t base) {
  HeightSampler::SubGrid s;
  const GridFile& f = grid.files[static_cast<size_t>(k)];
  s.base = base;
  s.columns = f.sampledColumns;
  s.rows = f.sampledRows;
  s.usable = s.columns >= 2 && s.rows >= 2 && base + uint64_t{s.columns} * s.rows <= grid.count;
  if (s.usable) {
    s.uWest = keys.u[base];
    s.uEast = keys.u[base + s.columns - 1];
    s.vNorth = keys.v[base];
    s.vSouth = keys.v[base + uint64_t{s.rows - 1} * s.columns];
  }
  return s;
}

// Column of the cell: the smallest n in 0..W-3 with u <= u(node(0, n + 1)), else W - 2.
uint32_t findColumn(const HeightSampler::SubGrid& s, const Keys& keys, double u) {
  const uint32_t last = s.columns - 2;
  if (!s.columnKeys.empty()) {
    // Sorted keys, copied side by side: a lower bound over keys 1..W-2.
    const auto begin = s.columnKeys.begin() + 1;
    return static_cast<uint32_t>(
        std::lower_bound(begin, begin + last, u, [](double key, double x) { return key < x; }) -
        begin);
  }
  const double* row0 = keys.u + s.base;
  for (uint32_t n = 0; n < last; ++n) {
    if (u <= row0[n + 1]) {
      return n;
    }
  }
  return last;
}

// Row of the cell: the smallest m in 0..R-3 with v >= v(node(m + 1, 0)), else R - 2.
uint32_t findRow(const HeightSampler::SubGrid& s, const Keys& keys, double v) {
  const uint32_t last = s.rows - 2;
  if (!s.rowKeys.empty()) {
    // Keys falling southwards: the first of rows 1..R-2 with key <= v.
    const auto begin = s.rowKeys.begin() + 1;
    return static_cast<uint32_t>(
        std::lower_bound(begin, begin + last, v, [](double key, double x) { return key > x; }) -
        begin);
  }
  const double* column0 = keys.v + s.base;
  const uint64_t w = s.columns;
  for (uint32_t m = 0; m < last; ++m) {
    if (v >= column0[(m + 1) * w]) {
      return m;
    }
  }
  return last;
}

// Minus twice the signed area of (A, B, P) in the trapezoid form; not negative on the inner
// side of the clockwise edge A->B and on the edge itself.
inline double edgeSide(double xa, double ya, double xb, double yb, double xp, double yp) {
  return (ya + yb) * (xb - xa) + (yb + yp) * (xp - xb) + (ya + yp) * (xa - xp);
}

// Height of triangle (a, b, c) at (X, Y) when it contains the point and is neither degenerate
// nor vertical.
bool triangleHeight(const ElevationGrid& grid, uint64_t a, uint64_t b, uint64_t c, double X,
                    double Y, double& H) {
  const double* xs = grid.X.get();
  const double* ys = grid.Y.get();
  const double* hs = grid.H.get();
  if (edgeSide(xs[a], ys[a], xs[b], ys[b], X, Y) < 0 ||
      edgeSide(xs[b], ys[b], xs[c], ys[c], X, Y) < 0 ||
      edgeSide(xs[c], ys[c], xs[a], ys[a], X, Y) < 0) {
    return false;
  }
  const double e1x = xs[b] - xs[a], e1y = ys[b] - ys[a], e1z = hs[b] - hs[a];
  const double e2x = xs[c] - xs[a], e2y = ys[c] - ys[a], e2z = hs[c] - hs[a];
  double nx = e1y * e2z - e1z * e2y;
  double ny = e1z * e2x - e1x * e2z;
  double nz = e1x * e2y - e1y * e2x;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length < kDegenerate) {
    nx = ny = nz = 0;
  } else {
    nx /= length;
    ny /= length;
    nz /= length;
  }
  const double d = -(nx * xs[a] + ny * ys[a] + nz * hs[a]);
  if (std::fabs(kProbeTop * nz) < kDegenerate) {
    return false;
  }
  H = -(nx * X + ny * Y + d) / nz;
  return true;
}

// The two triangles of cell (m, n), in the mesh's order.
bool cellHeight(const ElevationGrid& grid, const HeightSampler::SubGrid& s, uint32_t m, uint32_t n,
                double X, double Y, double& H) {
  const uint64_t w = s.columns;
  const uint64_t c = s.base + n + m * w;
  return triangleHeight(grid, c, c + 1, c + w, X, Y, H) ||
         triangleHeight(grid, c + w + 1, c + w, c + 1, X, Y, H);
}

bool subGridHeight(const ElevationGrid& grid, const HeightSampler::SubGrid& s, const Keys& keys,
                   double u, double v, double X, double Y, double& H) {
  if (!s.usable || !(s.uWest <= u && u <= s.uEast && s.vSouth <= v && v <= s.vNorth)) {
    return false;
  }
  const uint32_t n = findColumn(s, keys, u);
  const uint32_t m = findRow(s, keys, v);
  if (cellHeight(grid, s, m, n, X, Y, H)) {
    return true;
  }
  // The point may lie a hair across a curved row or column line: try the cells beyond the
  // nearest column line, the nearest row line, and the one beyond both.
  const uint64_t w = s.columns;
  const double uWestLine = keys.u[s.base + n], uEastLine = keys.u[s.base + n + 1];
  const double vNorthLine = keys.v[s.base + m * w], vSouthLine = keys.v[s.base + (m + 1) * w];
  const int dn = (u - uWestLine) < (uEastLine - u) ? -1 : 1;
  const int dm = (vNorthLine - v) < (v - vSouthLine) ? -1 : 1;
  const int64_t n2 = int64_t{n} + dn, m2 = int64_t{m} + dm;
  const bool n2ok = n2 >= 0 && n2 <= int64_t{s.columns} - 2;
  const bool m2ok = m2 >= 0 && m2 <= int64_t{s.rows} - 2;
  const auto un2 = static_cast<uint32_t>(n2), um2 = static_cast<uint32_t>(m2);
  return (n2ok && cellHeight(grid, s, m, un2, X, Y, H)) ||
         (m2ok && cellHeight(grid, s, um2, n, X, Y, H)) ||
         (n2ok && m2ok && cellHeight(grid, s, um2, un2, X, Y, H));
}

bool insideGeoBounds(const ElevationGrid& grid, double lon, double lat) {
  return !(lon < grid.lonMin || lon > grid.lonMax || lat < grid.latMin || lat > grid.latMax);
}

// The cell search over every sub-grid in load order. Without `subs` each sub-grid is described
// on the way (linear searches, nothing allocated); with it, the prepared records serve.
bool searchAll(const ElevationGrid& grid, const std::vector<HeightSampler::SubGrid>* subs, double u,
               double v, double X, double Y, double& H) {
  const Keys keys = keysOf(grid, grid.GeoCoordinates);
  if (subs != nullptr) {
    for (const HeightSampler::SubGrid& s : *subs) {
      if (subGridHeight(grid, s, keys, u, v, X, Y, H)) {
        return true;
      }
    }
  } else {
    uint64_t base = 0;
    for (int k = 0; k < grid.fileCount; ++k) {
      if (subGridHeight(grid, describe(grid, keys, k, base), keys, u, v, X, Y, H)) {
        return true;
      }
      base += grid.fileNodeCount(k);
    }
  }
  H = 0;
  return false;
}

bool ready(const ElevationGrid& grid, const TerrainMesh& mesh) {
  return hasIndexList(mesh) && grid.count > 0;
}

bool gridQuery(const ElevationGrid& grid, const TerrainMesh& mesh,
               const std::vector<HeightSampler::SubGrid>* subs, double X, double Y, double& H) {
  H = 0;
  if (!ready(grid, mesh)) {
    return false;
  }
  if (!grid.GeoCoordinates) {
    return searchAll(grid, subs, X, Y, X, Y, H);
  }
  double lat = 0, lon = 0;
  if (!gridToGeo(grid, X, Y, lat, lon) || !insideGeoBounds(grid, lon, lat)) {
    return false;
  }
  return searchAll(grid, subs, lon, lat, X, Y, H);
}

bool geoQuery(const ElevationGrid& grid, const TerrainMesh& mesh,
              const std::vector<HeightSampler::SubGrid>* subs, double lon, double lat, double& X,
              double& Y, double& H) {
  X = Y = H = 0;
  if (!ready(grid, mesh)) {
    return false;
  }
  if (!grid.GeoCoordinates) {
    // Plane data: the point goes into the grid's zone and is searched by its plane keys.
    return geoToGrid(grid, lon, lat, X, Y) && gridQuery(grid, mesh, subs, X, Y, H);
  }
  if (!insideGeoBounds(grid, lon, lat) || !geoToGrid(grid, lon, lat, X, Y)) {
    return false;
  }
  return searchAll(grid, subs, lon, lat, X, Y, H);
}

}  // namespace

bool heightAtGrid(const ElevationGrid& grid, const TerrainMesh& mesh, double X, double Y,
                  double& H) {
  return gridQuery(grid, mesh, nullptr, X, Y, H);
}

bool heightAtGeo(const ElevationGrid& grid, const TerrainMesh& mesh, double lon, double lat,
                 double& X, double& Y, double& H) {
  return geoQuery(grid, mesh, nullptr, lon, lat, X, Y, H);
}

void HeightSampler::build(const ElevationGrid& grid, const TerrainMesh& mesh) {
  mSubGrids.clear();
  if (!ready(grid, mesh)) {
    return;
  }
  const Keys keys = keysOf(grid, grid.GeoCoordinates);
  uint64_t base = 0;
  for (int k = 0; k < grid.fileCount; ++k) {
    SubGrid s = describe(grid, keys, k, base);
    if (s.usable) {
      // Sorted keys are copied side by side for binary searches. The comparisons are written
      // so that a NaN key leaves the search linear.
      s.columnKeys.assign(keys.u + base, keys.u + base + s.columns);
      for (uint32_t c = 1; c < s.columns && !s.columnKeys.empty(); ++c) {
        if (!(s.columnKeys[c - 1] <= s.columnKeys[c])) {
          s.columnKeys.clear();
        }
      }
      for (uint64_t r = 0; r < s.rows; ++r) {
        s.rowKeys.push_back(keys.v[base + r * s.columns]);
        if (r > 0 && !(s.rowKeys[r - 1] >= s.rowKeys[r])) {
          s.rowKeys.clear();
          break;
        }
      }
    }
    mSubGrids.push_back(s);
    base += grid.fileNodeCount(k);
  }
}

bool HeightSampler::heightAtGrid(const ElevationGrid& grid, const TerrainMesh& mesh, double X,
                                 double Y, double& H) const {
  return gridQuery(grid, mesh, &mSubGrids, X, Y, H);
}

bool HeightSampler::heightAtGeo(const ElevationGrid& grid, const TerrainMesh& mesh, double lon,
                                double lat, double& X, double& Y, double& H) const {
  return geoQuery(grid, mesh, &mSubGrids, lon, lat, X, Y, H);
}

}  // namespace torvane
