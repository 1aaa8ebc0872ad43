#include "view/Picking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "elevation/ElevationGrid.h"
#include "terrain/TerrainMesh.h"

// The terrain test runs in single precision, as the viewer's picking always has: the plane of
// each triangle from its three corners (unit normal, or none for a zero-area triangle), the
// meeting point with the infinite line near + s (far - near), and the inside test seen from
// above. Because every candidate goes through the one function triangleHit(), the exhaustive
// walk and the pyramid agree to the bit.
//
// The pyramid (TerrainPicker) keeps, per sub-grid, the bounding boxes of blocks of 8 x 8 cells
// and of every 2 x 2 group of boxes above them. A triangle that the test accepts has its
// meeting point inside its own box up to rounding: the point lies on the line within a few units
// in the last place of |P| + |near|; seen from above it lies inside the triangle up to the
// rounding of the edge functions; and its height lies on the triangle's plane up to those
// errors times the plane's steepest gradient. Boxes are widened by a generous multiple of that
// bound before the line is tested against them, so no accepted triangle is ever skipped.

namespace torvane {

namespace {

constexpr int kLeafCells = 8;  // cells per side of a leaf block
// Rounding allowance per unit of coordinate magnitude: 2^-17, sixty-four times the unit
// roundoff of single precision, far above the few roundings the test accumulates.
constexpr double kRoundingAllowance = 1.0 / 131072.0;
// The height allowance is the horizontal one times (1 + kGradientSlack x the sub-grid's
// steepest gradient): a horizontal error moves a point on a plane by the gradient times itself
// in height; the factor 2 leaves room for the plane's own rounding.
constexpr double kGradientSlack = 2;
// A box is passed over when its nearest point lies farther than the best hit so far. The best
// distance was computed in single precision, so the comparison gives it this relative slack,
// far above the few units in the last place (2^-24 each) that the computation can be off.
constexpr double kDistanceSlack = 1e-6;
// The search stack: descending one level pops one box and pushes at most its four children, so
// the stack holds at most four entries per level. Pyramids have at most 30 levels (2^32 cells a
// side in 8-cell leaves), well below this bound.
constexpr int kMaxPyramidLevels = 40;

inline float edgeFunction(const TerrainVertex& u, const TerrainVertex& v, const Vec3f& p) {
  return (u.y + v.y) * (v.x - u.x) + (v.y + p.y) * (p.x - v.x) + (u.y + p.y) * (u.x - p.x);
}

// One triangle (a, b, c): true with the meeting point and its squared distance to `origin`
// when the line meets the triangle's plane inside the triangle seen from above (edges
// included). A point that is not finite is never inside.
inline bool triangleHit(const TerrainVertex& a, const TerrainVertex& b, const TerrainVertex& c,
                        const Vec3f& origin, const Vec3f& dir, Vec3f& p, float& distance2) {
  const float e1x = b.x - a.x, e1y = b.y - a.y, e1z = b.z - a.z;
  const float e2x = c.x - a.x, e2y = c.y - a.y, e2z = c.z - a.z;
  float nx = e1y * e2z - e1z * e2y;
  float ny = e1z * e2x - e1x * e2z;
  float nz = e1x * e2y - e1y * e2x;
  const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length == 0.0f) {
    return false;  // no normal: the plane meets no line
  }
  nx /= length;
  ny /= length;
  nz /= length;
  const float d = -(a.x * nx + a.y * ny + a.z * nz);
  const float dot = nx * dir.x + ny * dir.y + nz * dir.z;
  if (dot == 0.0f) {
    return false;  // the line runs parallel to the plane
  }
  const float s = (d + (nx * origin.x + ny * origin.y + nz * origin.z)) / dot;
  p = {origin.x - s * dir.x, origin.y - s * dir.y, origin.z - s * dir.z};
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
    return false;
  }
  // Far from the triangle the edge functions below cancel catastrophically (their terms grow
  // with |p| squared) and can call a point millions of units away inside. No point farther
  // from the triangle than its own size can be inside, so such points are turned away first.
  const float minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
  const float minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
  const float size = std::max(maxX - minX, maxY - minY);
  if (p.x < minX - size || p.x > maxX + size || p.y < minY - size || p.y > maxY + size) {
    return false;
  }
  if (!(edgeFunction(a, b, p) >= 0.0f) || !(edgeFunction(b, c, p) >= 0.0f) ||
      !(edgeFunction(c, a, p) >= 0.0f)) {
    return false;
  }
  const float dx = p.x - origin.x, dy = p.y - origin.y, dz = p.z - origin.z;
  distance2 = dx * dx + dy * dy + dz * dz;
  return true;
}

Vec3f minus(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

bool hasIndexList(const TerrainMesh& mesh) {
  return mesh.indexType() != IndexType::None && mesh.indexCount() > 5;
}

// Triangles of file k (none for a file without a cell).
uint64_t triangleCount(const GridFile& f) {
  return f.sampledColumns >= 2 && f.sampledRows >= 2
             ? uint64_t{2} * (f.sampledColumns - 1) * (f.sampledRows - 1)
             : 0;
}

}  // namespace

FrameGeometry frameGeometryFor(const ViewState& view, int width, int height) {
  FrameGeometry g;
  g.transforms = computeFrameTransforms(view, width, height);
  g.viewport.width = width;
  g.viewport.height = height;
  return g;
}

bool invertMatrix(const Mat4d& m, Mat4d& out) {
  // Gauss-Jordan elimination with partial pivoting on [m | I].
  double a[4][8];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m.m[i][j];
      a[i][j + 4] = i == j ? 1 : 0;
    }
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
        pivot = r;
      }
    }
    if (!(std::fabs(a[pivot][col]) > 0) || !std::isfinite(a[pivot][col])) {
      return false;
    }
    if (pivot != col) {
      std::swap(a[pivot], a[col]);
    }
    const double inv = 1.0 / a[col][col];
    for (int j = 0; j < 8; ++j) {
      a[col][j] *= inv;
    }
    for (int r = 0; r < 4; ++r) {
      if (r != col && a[r][col] != 0) {
        const double f = a[r][col];
        for (int j = 0; j < 8; ++j) {
          a[r][j] -= f * a[col][j];
        }
      }
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      out.m[i][j] = a[i][j + 4];
    }
  }
  return true;
}

bool unprojectPoint(const FrameGeometry& frame, double screenX, double screenY, double depth,
                    Vec3d& out) {
  const Viewport& vp = frame.viewport;
  Mat4d inverse;
  if (!frame.valid() || vp.maxZ == vp.minZ ||
      !invertMatrix(frame.transforms.worldViewProjection(), inverse)) {
    return false;
  }
  const Vec3d ndc{2.0 * (screenX - vp.x) / vp.width - 1.0, 1.0 - 2.0 * (screenY - vp.y) / vp.height,
                  (depth - vp.minZ) / (vp.maxZ - vp.minZ)};
  double w = 1;
  const Vec3d p = transformPoint(inverse, ndc, &w);
  if (w == 0) {
    return false;
  }
  out = {p.x / w, p.y / w, p.z / w};
  return std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z);
}

PickResult intersectTerrain(const TerrainMesh& mesh, const ElevationGrid& grid,
                            const Vec3f& nearPoint, const Vec3f& farPoint) {
  PickResult result;
  if (!hasIndexList(mesh)) {
    return result;
  }
  const std::span<const uint16_t> i16 = mesh.indices16();
  const std::span<const uint32_t> i32 = mesh.indices32();
  const std::span<const TerrainVertex> v = mesh.vertices();
  const uint64_t indexCount = mesh.indexCount();
  const Vec3f dir = minus(farPoint, nearPoint);
  auto index = [&](uint64_t i) -> uint64_t { return i16.empty() ? i32[i] : i16[i]; };

  float best = 0;
  uint64_t start = 0;  // first index of the sub-grid's block
  uint64_t base = 0;   // its first vertex
  for (int k = 0; k < grid.fileCount; ++k) {
    const GridFile& f = grid.files[static_cast<size_t>(k)];
    const uint64_t triangles = triangleCount(f);
    if (base + uint64_t{f.sampledColumns} * f.sampledRows > v.size() ||
        start + 3 * triangles > indexCount) {
      break;  // the mesh does not hold this sub-grid
    }
    for (uint64_t t = 0; t < triangles; ++t) {
      const uint64_t i = start + 3 * t;
      Vec3f p;
      float d2 = 0;
      if (triangleHit(v[base + index(i)], v[base + index(i + 1)], v[base + index(i + 2)], nearPoint,
                      dir, p, d2) &&
          (!result.found || d2 < best)) {
        result = {true, p.x, p.y, p.z};
        best = d2;
      }
    }
    start += 3 * triangles;
    base += grid.fileNodeCount(k);
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// TerrainPicker

struct TerrainPicker::RayQuery {
  Vec3f origin, dir;  // the single-precision line of the test
  double o[3], d[3];  // the same in double for the box tests
  double dirLength;
  double tolXY;  // widening of every box across x and y
};

struct TerrainPicker::BestHit {
  bool found = false;
  float distance2 = 0;
  uint64_t triangle = 0;  // global index: ties go to the smaller one
  Vec3f point;

  void offer(uint64_t t, const Vec3f& p, float d2) {
    if (!found || d2 < distance2 || (d2 == distance2 && t < triangle)) {
      found = true;
      distance2 = d2;
      triangle = t;
      point = p;
    }
  }
};

namespace {

// The parameter interval [t0, t1] of the line inside the box widened by tol; false when the
// line misses it.
bool lineMeetsBox(const float lo[3], const float hi[3], const double tol[3], const double o[3],
                  const double d[3], double& t0, double& t1) {
  t0 = -std::numeric_limits<double>::infinity();
  t1 = std::numeric_limits<double>::infinity();
  for (int i = 0; i < 3; ++i) {
    const double a = lo[i] - tol[i], b = hi[i] + tol[i];
    if (d[i] == 0) {
      if (o[i] < a || o[i] > b) {
        return false;
      }
      continue;
    }
    double ta = (a - o[i]) / d[i], tb = (b - o[i]) / d[i];
    if (ta > tb) {
      std::swap(ta, tb);
    }
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    if (t0 > t1) {
      return false;
    }
  }
  return true;
}

// Lower bound of the distance from the line's origin to any point of the line in [t0, t1].
double nearestOnInterval(double t0, double t1, double dirLength) {
  if (t0 <= 0 && 0 <= t1) {
    return 0;
  }
  return std::min(std::fabs(t0), std::fabs(t1)) * dirLength;
}

void growBox(TerrainPicker::Box& box, const TerrainVertex& v) {
  box.lo[0] = std::min(box.lo[0], v.x);
  box.lo[1] = std::min(box.lo[1], v.y);
  box.lo[2] = std::min(box.lo[2], v.z);
  box.hi[0] = std::max(box.hi[0], v.x);
  box.hi[1] = std::max(box.hi[1], v.y);
  box.hi[2] = std::max(box.hi[2], v.z);
}

TerrainPicker::Box emptyBox() {
  constexpr float inf = std::numeric_limits<float>::infinity();
  return {{inf, inf, inf}, {-inf, -inf, -inf}};
}

void unite(TerrainPicker::Box& box, const TerrainPicker::Box& other) {
  for (int i = 0; i < 3; ++i) {
    box.lo[i] = std::min(box.lo[i], other.lo[i]);
    box.hi[i] = std::max(box.hi[i], other.hi[i]);
  }
}

// Steepest gradient |grad z| of triangle (a, b, c) over the x-y plane; infinite when it stands
// vertical or has no area.
double gradientOf(const TerrainVertex& a, const TerrainVertex& b, const TerrainVertex& c) {
  const double e1x = double{b.x} - a.x, e1y = double{b.y} - a.y, e1z = double{b.z} - a.z;
  const double e2x = double{c.x} - a.x, e2y = double{c.y} - a.y, e2z = double{c.z} - a.z;
  const double nx = e1y * e2z - e1z * e2y;
  const double ny = e1z * e2x - e1x * e2z;
  const double nz = e1x * e2y - e1y * e2x;
  if (nz == 0) {
    return std::numeric_limits<double>::infinity();
  }
  return std::sqrt(nx * nx + ny * ny) / std::fabs(nz);
}

}  // namespace

void TerrainPicker::clear() {
  mSubGrids.clear();
  mBoxes.clear();
  mBoxes.shrink_to_fit();
  mMagnitude = 0;
  mBuilt = false;
}

bool TerrainPicker::update(const TerrainMesh& mesh, const ElevationGrid& grid) {
  if (mBuilt && mRevision == mesh.revision()) {
    return false;
  }
  build(mesh, grid);
  return true;
}

void TerrainPicker::build(const TerrainMesh& mesh, const ElevationGrid& grid) {
  clear();
  mBuilt = true;
  mRevision = mesh.revision();
  if (!hasIndexList(mesh)) {
    return;
  }
  const std::span<const TerrainVertex> v = mesh.vertices();
  // Steeper than this, the height allowance would cover whole mountains: such a sub-grid (a
  // cliff standing vertical, a cell without area, coordinates that are not finite) is tested
  // triangle by triangle instead.
  constexpr double kSteepest = 1e4;

  uint64_t base = 0, firstTriangle = 0;
  for (int k = 0; k < grid.fileCount; ++k) {
    const GridFile& f = grid.files[static_cast<size_t>(k)];
    const uint64_t triangles = triangleCount(f);
    if (base + uint64_t{f.sampledColumns} * f.sampledRows > v.size() ||
        3 * (firstTriangle + triangles) > mesh.indexCount()) {
      break;  // as the exhaustive test: the mesh does not hold this sub-grid
    }
    SubGrid s;
    s.base = base;
    s.firstTriangle = firstTriangle;
    if (triangles > 0) {
      s.cellColumns = f.sampledColumns - 1;
      s.cellRows = f.sampledRows - 1;
      const uint64_t w = f.sampledColumns;
      const int leafW = static_cast<int>((s.cellColumns + kLeafCells - 1) / kLeafCells);
      const int leafH = static_cast<int>((s.cellRows + kLeafCells - 1) / kLeafCells);
      const size_t leafStart = mBoxes.size();
      mBoxes.resize(leafStart + static_cast<size_t>(leafW) * leafH, emptyBox());
      Box* leaves = mBoxes.data() + leafStart;
      double slope = 0;
      for (uint32_t m = 0; m < s.cellRows; ++m) {
        Box* rowLeaves = leaves + static_cast<size_t>(m / kLeafCells) * leafW;
        for (uint32_t n = 0; n < s.cellColumns; ++n) {
          const uint64_t c = base + n + m * w;
          const TerrainVertex &a = v[c], &b = v[c + 1], &sw = v[c + w], &se = v[c + w + 1];
          Box& box = rowLeaves[n / kLeafCells];
          growBox(box, a);
          growBox(box, b);
          growBox(box, sw);
          growBox(box, se);
          slope = std::max({slope, gradientOf(a, b, sw), gradientOf(se, sw, b)});
        }
      }
      s.slope = slope;
      s.exhaustive = !(slope <= kSteepest);  // also for NaN
      double magnitude = 0;
      for (size_t i = leafStart; i < mBoxes.size() && !s.exhaustive; ++i) {
        const Box& box = mBoxes[i];
        for (int j = 0; j < 3; ++j) {
          s.exhaustive = s.exhaustive || !std::isfinite(box.lo[j]) || !std::isfinite(box.hi[j]);
          magnitude =
              std::max({magnitude, std::fabs(double{box.lo[j]}), std::fabs(double{box.hi[j]})});
        }
      }
      if (!s.exhaustive) {
        mMagnitude = std::max(mMagnitude, magnitude);
      }
      if (s.exhaustive) {
        mBoxes.resize(leafStart);
      } else {
        // Levels above the leaves, each box the union of up to 2 x 2 boxes below it, up to a
        // single box.
        s.levelWidth.push_back(leafW);
        s.levelHeight.push_back(leafH);
        s.levelOffset.push_back(leafStart);
        while (s.levelWidth.back() > 1 || s.levelHeight.back() > 1) {
          const int pw = s.levelWidth.back(), ph = s.levelHeight.back();
          const size_t prev = s.levelOffset.back();
          const int lw = (pw + 1) / 2, lh = (ph + 1) / 2;
          const size_t start = mBoxes.size();
          mBoxes.resize(start + static_cast<size_t>(lw) * lh, emptyBox());
          for (int j = 0; j < ph; ++j) {
            for (int i = 0; i < pw; ++i) {
              unite(mBoxes[start + static_cast<size_t>(j / 2) * lw + i / 2],
                    mBoxes[prev + static_cast<size_t>(j) * pw + i]);
            }
          }
          s.levelWidth.push_back(lw);
          s.levelHeight.push_back(lh);
          s.levelOffset.push_back(start);
        }
      }
    }
    mSubGrids.push_back(std::move(s));
    base += grid.fileNodeCount(k);
    firstTriangle += triangles;
  }
}

size_t TerrainPicker::memoryBytes() const {
  size_t bytes = mBoxes.capacity() * sizeof(Box) + mSubGrids.capacity() * sizeof(SubGrid);
  for (const SubGrid& s : mSubGrids) {
    bytes += s.levelWidth.capacity() * sizeof(int) * 2 + s.levelOffset.capacity() * sizeof(size_t);
  }
  return bytes;
}

void TerrainPicker::searchSubGrid(const TerrainMesh& mesh, const SubGrid& s, const RayQuery& q,
                                  BestHit& best) const {
  const std::span<const TerrainVertex> v = mesh.vertices();
  const uint64_t w = uint64_t{s.cellColumns} + 1;
  auto testCell = [&](uint32_t m, uint32_t n) {
    const uint64_t c = s.base + n + m * w;
    const uint64_t t = s.firstTriangle + 2 * (uint64_t{m} * s.cellColumns + n);
    Vec3f p;
    float d2 = 0;
    mLastTests += 2;
    if (triangleHit(v[c], v[c + 1], v[c + w], q.origin, q.dir, p, d2)) {
      best.offer(t, p, d2);
    }
    if (triangleHit(v[c + w + 1], v[c + w], v[c + 1], q.origin, q.dir, p, d2)) {
      best.offer(t + 1, p, d2);
    }
  };
  if (s.cellColumns == 0) {
    return;
  }
  if (s.exhaustive) {
    for (uint32_t m = 0; m < s.cellRows; ++m) {
      for (uint32_t n = 0; n < s.cellColumns; ++n) {
        testCell(m, n);
      }
    }
    return;
  }

  const double tol[3] = {q.tolXY, q.tolXY, q.tolXY * (1 + kGradientSlack * s.slope)};
  const double tolLength = std::sqrt(tol[0] * tol[0] + tol[1] * tol[1] + tol[2] * tol[2]);
  // A box whose nearest line point lies farther than the best hit so far cannot improve it:
  // its candidates' computed distances exceed (bound - tolerance)^2 up to rounding.
  auto beyondBest = [&](double bound) {
    if (!best.found || bound <= tolLength) {
      return false;
    }
    const double reach = bound - tolLength;
    return reach * reach * (1 - kDistanceSlack) > best.distance2;
  };

  struct Entry {
    int level, i, j;
    double bound;
  };
  Entry stack[4 * kMaxPyramidLevels];
  int top = 0;
  const int topLevel = static_cast<int>(s.levelWidth.size()) - 1;
  double t0 = 0, t1 = 0;
  {
    const Box& root = mBoxes[s.levelOffset[static_cast<size_t>(topLevel)]];
    if (!lineMeetsBox(root.lo, root.hi, tol, q.o, q.d, t0, t1)) {
      return;
    }
    stack[top++] = {topLevel, 0, 0, nearestOnInterval(t0, t1, q.dirLength)};
  }
  while (top > 0) {
    const Entry e = stack[--top];
    if (beyondBest(e.bound)) {
      continue;
    }
    if (e.level == 0) {
      const uint32_t m0 = static_cast<uint32_t>(e.j) * kLeafCells;
      const uint32_t n0 = static_cast<uint32_t>(e.i) * kLeafCells;
      const uint32_t m1 = std::min<uint32_t>(m0 + kLeafCells, s.cellRows);
      const uint32_t n1 = std::min<uint32_t>(n0 + kLeafCells, s.cellColumns);
      for (uint32_t m = m0; m < m1; ++m) {
        for (uint32_t n = n0; n < n1; ++n) {
          const uint64_t c = s.base + n + m * w;
          Box cell = emptyBox();
          growBox(cell, v[c]);
          growBox(cell, v[c + 1]);
          growBox(cell, v[c + w]);
          growBox(cell, v[c + w + 1]);
          if (lineMeetsBox(cell.lo, cell.hi, tol, q.o, q.d, t0, t1) &&
              !beyondBest(nearestOnInterval(t0, t1, q.dirLength))) {
            testCell(m, n);
          }
        }
      }
      continue;
    }
    // Children that the line meets, nearest first.
    const int child = e.level - 1;
    const int cw = s.levelWidth[static_cast<size_t>(child)];
    const int ch = s.levelHeight[static_cast<size_t>(child)];
    const size_t offset = s.levelOffset[static_cast<size_t>(child)];
    Entry found[4];
    int count = 0;
    for (int dj = 0; dj < 2; ++dj) {
      for (int di = 0; di < 2; ++di) {
        const int i = e.i * 2 + di, j = e.j * 2 + dj;
        if (i >= cw || j >= ch) {
          continue;
        }
        const Box& box = mBoxes[offset + static_cast<size_t>(j) * cw + i];
        if (lineMeetsBox(box.lo, box.hi, tol, q.o, q.d, t0, t1)) {
          found[count++] = {child, i, j, nearestOnInterval(t0, t1, q.dirLength)};
        }
      }
    }
    // Pushed farthest first, so the nearest is searched first and tightens the bound early.
    for (int a = 1; a < count; ++a) {
      for (int b = a; b > 0 && found[b - 1].bound < found[b].bound; --b) {
        std::swap(found[b - 1], found[b]);
      }
    }
    for (int f = 0; f < count; ++f) {
      stack[top++] = found[f];
    }
  }
}

PickResult TerrainPicker::intersect(const TerrainMesh& mesh, const Vec3f& nearPoint,
                                    const Vec3f& farPoint) const {
  mLastTests = 0;
  if (!hasIndexList(mesh)) {
    return {};
  }
  RayQuery q;
  q.origin = nearPoint;
  q.dir = minus(farPoint, nearPoint);
  q.o[0] = nearPoint.x;
  q.o[1] = nearPoint.y;
  q.o[2] = nearPoint.z;
  q.d[0] = q.dir.x;
  q.d[1] = q.dir.y;
  q.d[2] = q.dir.z;
  q.dirLength = std::sqrt(q.d[0] * q.d[0] + q.d[1] * q.d[1] + q.d[2] * q.d[2]);
  const double reach =
      std::max({std::fabs(q.o[0]), std::fabs(q.o[1]), std::fabs(q.o[2])}) + mMagnitude + 1;
  q.tolXY = kRoundingAllowance * reach;
  BestHit best;
  for (const SubGrid& s : mSubGrids) {
    searchSubGrid(mesh, s, q, best);
  }
  if (!best.found) {
    return {};
  }
  return {true, best.point.x, best.point.y, best.point.z};
}

PickResult pickTerrain(const TerrainMesh& mesh, const ElevationGrid& grid,
                       const FrameGeometry& frame, double screenX, double screenY, bool intersect,
                       const TerrainPicker* picker) {
  Vec3d nearPoint;
  if (!unprojectPoint(frame, screenX, screenY, 0, nearPoint)) {
    return {};
  }
  if (!intersect) {
    return {true, nearPoint.x * kEyeDistance, nearPoint.y * kEyeDistance,
            nearPoint.z * kEyeDistance};
  }
  Vec3d farPoint;
  if (!hasIndexList(mesh) || !unprojectPoint(frame, screenX, screenY, 1, farPoint)) {
    return {};
  }
  const Vec3f n{static_cast<float>(nearPoint.x), static_cast<float>(nearPoint.y),
                static_cast<float>(nearPoint.z)};
  const Vec3f f{static_cast<float>(farPoint.x), static_cast<float>(farPoint.y),
                static_cast<float>(farPoint.z)};
  return picker != nullptr ? picker->intersect(mesh, n, f) : intersectTerrain(mesh, grid, n, f);
}

}  // namespace torvane
