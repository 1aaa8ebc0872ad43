#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

#include "GridBuilder.h"
#include "elevation/Geodesy.h"
#include "scene/Scene.h"
#include "terrain/HeightSampling.h"
#include "tests/support/DemoTiles.h"

namespace torvane {
namespace {

using testing::buildGrid;
using testing::SubGrid;

uint64_t indexTotal(const ElevationGrid& g) {
  uint64_t n = 0;
  for (const GridFile& f : g.files) {
    n += uint64_t{6} * (f.sampledColumns - 1) * (f.sampledRows - 1);
  }
  return n;
}

// Both the per-query search and the prepared sampler, which must agree on every point.
void expectHeightAtGrid(const ElevationGrid& g, const TerrainMesh& mesh, double X, double Y,
                        bool ok, double H) {
  double h1 = -1, h2 = -1;
  EXPECT_EQ(heightAtGrid(g, mesh, X, Y, h1), ok);
  EXPECT_EQ(HeightSampler(g, mesh).heightAtGrid(g, mesh, X, Y, h2), ok);
  EXPECT_NEAR(h1, H, 1e-9);
  EXPECT_EQ(h1, h2);
}

// Plane data (as after a LEM open): two 3 x 3 sub-grids of 10 m cells, a 10 m gap between them,
// and a third that overlaps the first (the first in load order answers).
//
//   first (0, 0) .. (20, -20)     second (30, 0) .. (50, -20)     third (5, -5) .. (25, -25)
//    0 10 20                       100 everywhere                  500 everywhere
//   20  7  7
//   40  7  7
struct PlaneGrid : ::testing::Test {
  ElevationGrid grid;
  TerrainMesh mesh;
  void SetUp() override {
    SubGrid first;
    first.height = [](int r, int c) { return r == 0 ? 10.0 * c : (c == 0 ? 20.0 * r : 7.0); };
    SubGrid second;
    second.x0 = 30;
    second.height = [](int, int) { return 100.0; };
    SubGrid third;
    third.x0 = 5;
    third.y0 = -5;
    third.height = [](int, int) { return 500.0; };
    buildGrid(grid, {first, second, third});
    grid.GeoCoordinates = false;
    ASSERT_TRUE(mesh.buildIndices(grid, indexTotal(grid)));
  }
};

TEST_F(PlaneGrid, HeightsOnTheDrawnTriangles) {
  struct Case {
    const char* what;
    double X, Y;
    bool ok;
    double H;
  };
  const Case cases[] = {
      {"2 m east, 3 m south of a corner: 0 + 0.2 x 10 + 0.3 x 20", 2, -3, true, 8},
      {"on a node", 10, 0, true, 10},
      {"on the north-west corner", 0, 0, true, 0},
      // (5, -5) on the shared diagonal: the first triangle (0, 10, 20) answers, not the second.
      {"on the shared diagonal", 5, -5, true, 15},
      // Second triangle (SE 7, SW 20, NE 10): 7 + 0.1 x (20 - 7) + 0.1 x (10 - 7).
      {"second triangle", 9, -9, true, 8.6},
      {"east edge of the second sub-grid", 50, -15, true, 100},
      {"gap between sub-grids", 27, -5, false, 0},
      {"south of everything", 10, -30, false, 0},
      {"overlap: the first sub-grid in load order wins", 15, -15, true, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectHeightAtGrid(grid, mesh, c.X, c.Y, c.ok, c.H);
  }
}

TEST_F(PlaneGrid, NothingWithoutAnIndexListOrAZone) {
  double X = 1, Y = 1, H = 1;
  EXPECT_FALSE(heightAtGrid(grid, TerrainMesh{}, 2, -3, H));
  EXPECT_EQ(H, 0);
  // Plane data takes a geographic point through its zone; without one there is nothing to do.
  EXPECT_FALSE(heightAtGeo(grid, mesh, 139, 35, X, Y, H));
  EXPECT_EQ(X, 0);
  EXPECT_EQ(Y, 0);
  EXPECT_EQ(H, 0);
}

// Geographic data opened as the program opens it: the demo's four DEM tiles.
class DemoGrid : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    scene = new Scene;
    ASSERT_TRUE(openElevationFiles(*scene, torvane::fixtures::demoTiles()));
  }
  static void TearDownTestSuite() {
    delete scene;
    scene = nullptr;
  }
  static Scene* scene;
  const ElevationGrid& g() const { return scene->grid; }
  uint64_t node(int k, uint32_t r, uint32_t c) const {
    return g().fileBase(k) + uint64_t{r} * g().files[static_cast<size_t>(k)].sampledColumns + c;
  }
};
Scene* DemoGrid::scene = nullptr;

TEST_F(DemoGrid, NodesBoundsAndLinesOfNodes) {
  const TerrainMesh& mesh = scene->mesh;
  double X = 0, Y = 0, H = 0;
  // A node of the third tile returns its own height and plane position.
  const uint64_t i = node(2, 40, 70);
  ASSERT_TRUE(heightAtGeo(g(), mesh, g().lon[i], g().lat[i], X, Y, H));
  EXPECT_NEAR(H, g().H[i], 1e-9);
  EXPECT_NEAR(X, g().X[i], 1e-6);
  EXPECT_NEAR(Y, g().Y[i], 1e-6);
  ASSERT_TRUE(heightAtGrid(g(), mesh, g().X[i], g().Y[i], H));
  EXPECT_NEAR(H, g().H[i], 1e-6);

  // Just east of the data: false before any conversion.
  EXPECT_FALSE(heightAtGeo(g(), mesh, g().lonMax + 1e-9, g().latMin + 0.001, X, Y, H));
  EXPECT_EQ(X, 0);
  EXPECT_EQ(Y, 0);

  // Points on a row line (a parallel) and on a column line (a meridian) between two nodes lie a
  // hair off the chords that the triangles are made of; they still get the height between the
  // two nodes. Taken well away from the projection's central meridian, in every tile.
  for (int k = 0; k < g().fileCount; ++k) {
    SCOPED_TRACE(k);
    const GridFile& f = g().files[static_cast<size_t>(k)];
    for (uint32_t line = 1; line + 1 < f.sampledRows; line += 37) {
      const uint64_t a = node(k, line, 3), b = node(k, line, 4);
      EXPECT_TRUE(heightAtGeo(g(), mesh, (g().lon[a] + g().lon[b]) / 2, g().lat[a], X, Y, H));
      EXPECT_NEAR(H, (g().H[a] + g().H[b]) / 2, 0.01);
    }
    for (uint32_t line = 1; line + 1 < f.sampledColumns; line += 53) {
      const uint64_t a = node(k, 5, line), b = node(k, 6, line);
      EXPECT_TRUE(heightAtGeo(g(), mesh, g().lon[a], (g().lat[a] + g().lat[b]) / 2, X, Y, H));
      EXPECT_NEAR(H, (g().H[a] + g().H[b]) / 2, 0.01);
    }
  }
}

TEST_F(DemoGrid, PreparedSamplerGivesTheSameAnswers) {
  const TerrainMesh& mesh = scene->mesh;
  const HeightSampler sampler(g(), mesh);
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> lon(g().lonMin - 0.001, g().lonMax + 0.001);
  std::uniform_real_distribution<double> lat(g().latMin - 0.001, g().latMax + 0.001);
  std::uniform_int_distribution<uint64_t> anyNode(0, g().count - 1);
  int hits = 0;
  for (int q = 0; q < 20000; ++q) {
    double u = lon(random), v = lat(random);
    if (q % 4 == 0) {  // exactly on a node's meridian or parallel, where the searches tie
      const uint64_t i = anyNode(random);
      (q % 8 == 0 ? u : v) = q % 8 == 0 ? g().lon[i] : g().lat[i];
    }
    double X1, Y1, H1, X2, Y2, H2;
    const bool ok1 = heightAtGeo(g(), mesh, u, v, X1, Y1, H1);
    const bool ok2 = sampler.heightAtGeo(g(), mesh, u, v, X2, Y2, H2);
    ASSERT_EQ(ok1, ok2) << u << " " << v;
    ASSERT_EQ(H1, H2) << u << " " << v;
    ASSERT_EQ(X1, X2);
    hits += ok1;
    EXPECT_EQ(heightAtGrid(g(), mesh, X1, Y1, H1), sampler.heightAtGrid(g(), mesh, X1, Y1, H2));
    ASSERT_EQ(H1, H2);
  }
  EXPECT_GT(hits, 15000);  // most points lie on land (the sea's nodes are still triangles)
}

}  // namespace
}  // namespace torvane
