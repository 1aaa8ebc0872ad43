#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "scene/ViewState.h"
#include "terrain/TerrainMesh.h"
#include "tests/support/GridBuilder.h"
#include "view/Picking.h"

namespace torvane {
namespace {

using fixtures::buildGrid;
using fixtures::SubGrid;

// The mesh an open would build over `grid` at relief `Scale`.
void buildMesh(TerrainMesh& mesh, const ElevationGrid& grid, int Scale = 2) {
  uint64_t indices = 0;
  for (const GridFile& f : grid.files) {
    indices += uint64_t{6} * (f.sampledColumns - 1) * (f.sampledRows - 1);
  }
  ASSERT_TRUE(mesh.allocateVertices(grid));
  mesh.fitModelSpace(grid);
  ASSERT_TRUE(mesh.placeVertices(grid));
  ASSERT_TRUE(mesh.computeVertexHeights(grid, Scale));
  ASSERT_TRUE(mesh.buildIndices(grid, indices));
}

Vec3f f3(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// A 2 km square sub-grid of 21 x 21 nodes with an east-west ridge 400 m high through its middle
// (heights depend on the row only), and a flat 2 km square east of it. In model space (4 km
// span 2 units, relief 2) the ridge covers x -1..0, the flat tile x 0..1, y runs -0.5..0.5 and
// the ridge's crest at y = 0 lies at z = -0.2.
struct RidgeGrid : ::testing::Test {
  ElevationGrid grid;
  TerrainMesh mesh;
  void SetUp() override {
    SubGrid ridge;
    ridge.columns = ridge.rows = 21;
    ridge.spacing = 100;
    ridge.y0 = 1000;
    ridge.height = [](int r, int) { return 400.0 - 40.0 * std::abs(r - 10); };
    SubGrid flat = ridge;
    flat.x0 = 2000;
    flat.height = [](int, int) { return 0.0; };
    buildGrid(grid, {ridge, flat});
    buildMesh(mesh, grid);
  }
};

TEST_F(RidgeGrid, ExhaustiveTestOnTheInfiniteLine) {
  // Straight down onto the flat east tile, and from below it away from it: the line is
  // infinite, so the surface behind the near point counts too.
  for (const double z0 : {-1.0, 1.0}) {
    SCOPED_TRACE(z0);
    const PickResult r = intersectTerrain(mesh, grid, f3(0.5, 0.25, z0), f3(0.5, 0.25, z0 + 1));
    ASSERT_TRUE(r.found);
    EXPECT_NEAR(r.x, 0.5, 1e-6);
    EXPECT_NEAR(r.y, 0.25, 1e-6);
    EXPECT_NEAR(r.z, 0, 1e-6);
  }
  // A horizontal line from the south at half the ridge height meets both slopes; the nearer
  // (south) one wins whichever way the line points.
  const double z = -0.1;
  for (const double dir : {1.0, -1.0}) {
    SCOPED_TRACE(dir);
    const PickResult r = intersectTerrain(mesh, grid, f3(-0.5, -2, z), f3(-0.5, -2 + dir, z));
    ASSERT_TRUE(r.found);
    EXPECT_NEAR(r.y, -0.25, 1e-5);
    EXPECT_NEAR(r.z, z, 1e-6);
  }
  // Over flat land alone (model x, y -1..1), a line that meets its plane only a million units
  // away picks nothing: rounding must not let such a point pass for one inside a triangle.
  ElevationGrid flatGrid;
  SubGrid flat;
  flat.columns = flat.rows = 21;
  buildGrid(flatGrid, {flat});
  TerrainMesh flatMesh;
  buildMesh(flatMesh, flatGrid);
  int farHits = 0;
  for (double y0 = -0.95; y0 < 1; y0 += 0.1) {
    for (double x0 = -0.95; x0 < 1; x0 += 0.1) {
      farHits += intersectTerrain(flatMesh, flatGrid, f3(x0, y0, -1e-3),
                                  f3(x0 + 1, y0 + 0.7, -1e-3 + 1e-9))
                     .found;
    }
  }
  EXPECT_EQ(farHits, 0);
  // Hidden sub-grids are still picked; a line beside the terrain, or a mesh without indices,
  // finds nothing.
  grid.files[0].shown = false;
  EXPECT_TRUE(intersectTerrain(mesh, grid, f3(-0.5, 0, -1), f3(-0.5, 0, 0)).found);
  EXPECT_FALSE(intersectTerrain(mesh, grid, f3(1.5, 0, -1), f3(1.5, 0, 0)).found);
  EXPECT_FALSE(intersectTerrain(TerrainMesh{}, grid, f3(0.5, 0, -1), f3(0.5, 0, 0)).found);
}

TEST_F(RidgeGrid, PickingThroughTheFrame) {
  ViewState view;
  // Plan view: the window's top-left corner maps (without the terrain test) to the x and y of
  // the corner of the plane z = 0 that the 45 degree, 4:3 view shows from 3 units away. (The
  // point is the near-plane point scaled by 3; its z, 3 x -2, means nothing: pans use only
  // differences of such points.)
  FrameGeometry frame = frameGeometryFor(view, 800, 600);
  PickResult r = pickTerrain(mesh, grid, frame, 0, 0, false);
  ASSERT_TRUE(r.found);
  const double halfHeight = 3 * std::tan(kQuarterPi / 2);
  EXPECT_NEAR(r.x, -halfHeight * 800 / 600, 1e-6);
  EXPECT_NEAR(r.y, halfHeight, 1e-6);
  EXPECT_NEAR(r.z, -6, 1e-9);
  // The centre of the view hits the terrain under the pan offset.
  view.MoveX = 0.5;
  view.MoveY = 0.25;
  frame = frameGeometryFor(view, 800, 600);
  r = pickTerrain(mesh, grid, frame, 400, 300, true);
  ASSERT_TRUE(r.found);
  EXPECT_NEAR(r.x, 0.5, 1e-5);
  EXPECT_NEAR(r.y, 0.25, 1e-5);

  // Side view from the south: a ray through the ridge meets its south slope first.
  view = ViewState{};
  view.RotaX = kQuarterPi * 2;
  view.MoveX = -0.5;
  frame = frameGeometryFor(view, 800, 600);
  r = pickTerrain(mesh, grid, frame, 400, 280, true);
  ASSERT_TRUE(r.found);
  EXPECT_LT(r.y, 0);
  EXPECT_LT(r.z, 0);
  EXPECT_NEAR(r.z, -0.2 * (1 - std::fabs(r.y) / 0.5), 1e-5);

  EXPECT_FALSE(pickTerrain(TerrainMesh{}, grid, frame, 400, 280, true).found);
  EXPECT_FALSE(pickTerrain(mesh, grid, FrameGeometry{}, 400, 280, false).found);  // no frame yet
}

// The pyramid must return exactly the exhaustive test's point on every ray: plan and oblique
// views, side views grazing the flat sea at z = 0, rays that miss, steep relief, hidden tiles.
TEST(TerrainPicker, SameAnswerAsTheExhaustiveTest) {
  ElevationGrid grid;
  SubGrid rough;
  rough.columns = 97;
  rough.rows = 73;
  rough.spacing = 10;
  rough.height = [](int r, int c) {
    const double h = 300 * std::sin(r * 0.21) * std::cos(c * 0.17) + 40 * std::sin(r * c * 0.05);
    return h < 0 ? 0.0 : h;  // the sea is flat
  };
  SubGrid second = rough;  // overlaps the first by half, with other heights
  second.x0 = 480;
  second.y0 = -200;
  second.height = [](int r, int c) { return std::fabs(150 * std::sin((r + c) * 0.1)); };
  buildGrid(grid, {rough, second});
  grid.files[1].shown = false;

  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  TerrainMesh mesh;
  TerrainPicker picker;
  uint64_t pickerTests = 0, rays = 0;
  int hits = 0;
  for (const int Scale : {2, 0, 100}) {
    buildMesh(mesh, grid, Scale);
    EXPECT_TRUE(picker.update(mesh, grid));
    EXPECT_FALSE(picker.update(mesh, grid));  // nothing changed: no rebuild
    for (int q = 0; q < 300; ++q) {
      ViewState view;
      const int kind = q % 4;
      view.RotaZ = unit(random) * 6.283185307179586;
      view.RotaX = kind == 0   ? unit(random) * 0.3
                   : kind == 1 ? unit(random) * 6.283185307179586
                               : kQuarterPi * 2 + (unit(random) - 0.5) * 0.02;  // grazing
      view.RZoom = 0.02 + unit(random) * 0.76;
      view.MoveX = (unit(random) - 0.5) * 1.5;
      view.MoveY = (unit(random) - 0.5) * 1.5;
      view.MoveZ = kind == 3 ? 0 : (unit(random) - 0.5) * 0.2;  // kind 3: along the sea
      const FrameGeometry frame = frameGeometryFor(view, 640, 480);
      const double sx = unit(random) * 640, sy = unit(random) * 480;
      const PickResult a = pickTerrain(mesh, grid, frame, sx, sy, true);
      const PickResult b = pickTerrain(mesh, grid, frame, sx, sy, true, &picker);
      ASSERT_EQ(a.found, b.found) << "Scale " << Scale << " ray " << q;
      if (a.found) {
        ASSERT_EQ(a.x, b.x) << "Scale " << Scale << " ray " << q;
        ASSERT_EQ(a.y, b.y);
        ASSERT_EQ(a.z, b.z);
        ++hits;
      }
      pickerTests += picker.lastTriangleTests();
      ++rays;
      // A line through a vertex in a random direction: its meeting points fall on shared edges
      // and corners, where rounding decides which of the touching triangles accepts them.
      const TerrainVertex& v = mesh.vertices()[static_cast<size_t>(unit(random) * 1000)];
      const Vec3f dir = f3(unit(random) - 0.5, unit(random) - 0.5, (unit(random) - 0.5) * 0.2);
      const Vec3f n = f3(v.x - dir.x, v.y - dir.y, v.z - dir.z),
                  f = f3(v.x + dir.x, v.y + dir.y, v.z + dir.z);
      const PickResult c = intersectTerrain(mesh, grid, n, f);
      const PickResult d = picker.intersect(mesh, n, f);
      ASSERT_EQ(c.found, d.found);
      ASSERT_EQ(c.x, d.x);
      ASSERT_EQ(c.y, d.y);
      ASSERT_EQ(c.z, d.z);
    }
  }
  EXPECT_GT(hits, 300);
  // The pyramid tests a small fraction of the 2 x 96 x 72 x 2 triangles per ray.
  EXPECT_LT(pickerTests / rays, uint64_t{2 * 96 * 72 * 2} / 10);
}

}  // namespace
}  // namespace torvane
