#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/GridBuilder.h"
#include "tests/support/RecordingDevice.h"
#include "terrain/TerrainMesh.h"

namespace torvane {
namespace {

using fixtures::buildGrid;
using fixtures::RecordingDevice;
using fixtures::SubGrid;

ModelFit fitFor(double dx, double dy, double dh) {
  ElevationGrid g;
  g.Xmin = 100, g.Xmax = 100 + dx;
  g.Ymin = -50, g.Ymax = -50 + dy;
  g.Hmin = 10, g.Hmax = 10 + dh;
  return fitModelSpace(g);
}

TEST(ModelFit, LongerSideSpansTwoUnitsUnlessTheReliefIsTaller) {
  ModelFit f = fitFor(2000, 1000, 300);
  EXPECT_DOUBLE_EQ(f.scale, 0.001);
  EXPECT_DOUBLE_EQ(f.offsetX, -1);
  EXPECT_DOUBLE_EQ(f.offsetY, 0.5);

  f = fitFor(1000, 4000, 100);
  EXPECT_DOUBLE_EQ(f.scale, 0.0005);

  f = fitFor(2000, 1000, 1500);  // height range above half the longer side: it spans 1 unit
  EXPECT_DOUBLE_EQ(f.scale, 1 / 1500.0);
  EXPECT_DOUBLE_EQ(f.offsetX, -2000 / 1500.0 / 2);

  f = fitFor(0, 1000, 10);  // all nodes on one north-south line
  EXPECT_DOUBLE_EQ(f.scale, 0.002);
  f = fitFor(2000, 1000, 1e-9);  // flat
  EXPECT_DOUBLE_EQ(f.scale, 0.001);
  f = fitFor(0, 0, 40);
  EXPECT_DOUBLE_EQ(f.scale, 1 / 40.0);
  f = fitFor(0, 0, 0);
  EXPECT_DOUBLE_EQ(f.scale, 1);
}

TEST(ModelFit, ToModelAndBack) {
  ElevationGrid g;
  g.Xmin = 100, g.Xmax = 2100, g.Ymin = -50, g.Ymax = 950, g.Hmin = 10, g.Hmax = 310;
  const ModelFit fit = fitModelSpace(g);
  const ModelPoint nw = toModel(fit, 100, 950, 10, 2);
  EXPECT_DOUBLE_EQ(nw.x, -1);
  EXPECT_DOUBLE_EQ(nw.y, 0.5);
  EXPECT_DOUBLE_EQ(nw.z, 0);
  const ModelPoint top = toModel(fit, 2100, -50, 310, 2);
  EXPECT_DOUBLE_EQ(top.x, 1);
  EXPECT_DOUBLE_EQ(top.y, -0.5);
  EXPECT_DOUBLE_EQ(top.z, -0.3);  // heights point towards -z, at the same proportion at relief 2

  const ModelPoint m = toModel(fit, 812.5, 123.25, 77.5, 5);
  const GridPoint back = fromModel(fit, m.x, m.y, m.z, 5);
  EXPECT_NEAR(back.X, 812.5, 1e-9);
  EXPECT_NEAR(back.Y, 123.25, 1e-9);
  EXPECT_NEAR(back.H, 77.5, 1e-9);
  EXPECT_EQ(toModel(fit, 812.5, 123.25, 77.5, 0).z, 0);
  EXPECT_FALSE(std::isfinite(fromModel(fit, 0, 0, 0.1, 0).H));
}

TEST(TerrainMesh, SmallestMeshAndBelowIt) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{3, 3, 0, 0, 10, [](int r, int c) { return 1.0 * r * c; }}});
  TerrainMesh mesh;
  ASSERT_TRUE(mesh.allocateVertices(g));
  EXPECT_EQ(mesh.vertexCount(), 9u);
  ASSERT_TRUE(mesh.buildIndices(g, 24));
  EXPECT_EQ(mesh.indexType(), IndexType::UInt16);
  const std::vector<uint16_t> expected = {0, 1, 3, 4, 3, 1, 1, 2, 4, 5, 4, 2,
                                          3, 4, 6, 7, 6, 4, 4, 5, 7, 8, 7, 5};
  EXPECT_TRUE(std::ranges::equal(mesh.indices16(), expected));
  EXPECT_FALSE(mesh.buildIndices(g, 18));  // a count that disagrees with the files
  EXPECT_EQ(mesh.indexType(), IndexType::None);
  EXPECT_FALSE(mesh.buildIndices(g, 5));

  ElevationGrid tiny;
  buildGrid(tiny, {SubGrid{2, 2}});
  EXPECT_FALSE(mesh.allocateVertices(tiny));
  EXPECT_FALSE(mesh.hasVertices());
  EXPECT_FALSE(mesh.placeVertices(tiny));
  EXPECT_FALSE(mesh.computeVertexHeights(tiny, 2));
  EXPECT_FALSE(mesh.applyVertexAlpha(255));
  EXPECT_FALSE(mesh.uploadVertices());
}

TEST(TerrainMesh, IndexTypeFollowsTheTotalNodeCount) {
  for (const auto& [subs, type] :
       {std::pair{std::vector<SubGrid>{SubGrid{255, 257}}, IndexType::UInt16},
        std::pair{std::vector<SubGrid>{SubGrid{256, 256}}, IndexType::UInt32},
        std::pair{std::vector<SubGrid>{SubGrid{255, 200}, SubGrid{255, 57}}, IndexType::UInt16},
        std::pair{std::vector<SubGrid>{SubGrid{256, 200}, SubGrid{256, 56}}, IndexType::UInt32}}) {
    ElevationGrid g;
    buildGrid(g, subs);
    SCOPED_TRACE(g.count);
    uint64_t indexCount = 0;
    for (const SubGrid& s : subs) {
      indexCount += 6ull * (s.columns - 1) * (s.rows - 1);
    }
    TerrainMesh mesh;
    ASSERT_TRUE(mesh.allocateVertices(g));
    ASSERT_TRUE(mesh.buildIndices(g, indexCount));
    EXPECT_EQ(mesh.indexType(), type);
    EXPECT_EQ(mesh.indexCount(), indexCount);
    // Indices are relative to each sub-grid's first node: the second sub-grid starts at 0.
    if (subs.size() == 2) {
      const uint64_t second = 6ull * (subs[0].columns - 1) * (subs[0].rows - 1);
      const uint64_t first =
          type == IndexType::UInt16 ? mesh.indices16()[second] : mesh.indices32()[second];
      EXPECT_EQ(first, 0u);
    }
  }
}

TEST(TerrainMesh, DrawRangesAdvanceOverHiddenSubGrids) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{4, 3}, SubGrid{5, 5}, SubGrid{3, 6}});
  g.files[1].shown = false;
  const std::vector<DrawRange> r = computeDrawRanges(g);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].baseVertex, 0u);
  EXPECT_EQ(r[0].primitiveCount, 12u);
  EXPECT_EQ(r[1].baseVertex, 12u);
  EXPECT_EQ(r[1].startIndex, 36u);
  EXPECT_FALSE(r[1].shown);
  EXPECT_EQ(r[2].baseVertex, 37u);
  EXPECT_EQ(r[2].vertexCount, 18u);
  EXPECT_EQ(r[2].startIndex, 36u + 96u);
  EXPECT_EQ(r[2].primitiveCount, 20u);
  EXPECT_TRUE(r[2].shown);
}

TEST(TerrainMesh, PlacementReliefAndAlpha) {
  // 2 km east-west, 1 km north-south, heights 0..100.
  ElevationGrid g;
  buildGrid(g, {SubGrid{5, 3, 1000, 5000, 500, [](int r, int c) { return 25.0 * c + r; }}});
  TerrainMesh mesh;
  ASSERT_TRUE(mesh.allocateVertices(g));
  mesh.fitModelSpace(g);
  ASSERT_TRUE(mesh.placeVertices(g));
  ASSERT_TRUE(mesh.computeVertexHeights(g, 2));
  const auto v = mesh.vertices();
  EXPECT_FLOAT_EQ(v[0].x, -1);  // north-west corner
  EXPECT_FLOAT_EQ(v[0].y, 0.5);
  EXPECT_FLOAT_EQ(v[0].u, 0);
  EXPECT_FLOAT_EQ(v[0].v, 0);
  EXPECT_FLOAT_EQ(v[14].x, 1);  // south-east corner
  EXPECT_FLOAT_EQ(v[14].y, -0.5);
  EXPECT_FLOAT_EQ(v[14].u, 1);
  EXPECT_FLOAT_EQ(v[14].v, 1);
  EXPECT_FLOAT_EQ(v[0].z, 0);  // lowest height
  EXPECT_FLOAT_EQ(v[14].z, -(102.0 - 0) * 0.001);
  ASSERT_TRUE(mesh.computeVertexHeights(g, 0));
  EXPECT_TRUE(std::ranges::all_of(v, [](const TerrainVertex& t) { return t.z == 0; }));

  // Plane coordinates when the grid has no geographic ones.
  g.GeoCoordinates = false;
  g.lonMax = g.lonMin;  // would divide by zero if used
  ASSERT_TRUE(mesh.placeVertices(g));
  EXPECT_FLOAT_EQ(v[7].u, 0.5);
  EXPECT_FLOAT_EQ(v[7].v, 0.5);

  v[3].diffuse = 0x11223344;
  ASSERT_TRUE(mesh.applyVertexAlpha(0x180));  // only the low byte counts
  EXPECT_EQ(v[3].diffuse, 0x80223344u);
  EXPECT_EQ(v[0].diffuse, 0x80FFFFFFu);  // never coloured: white
}

TEST(TerrainMesh, UploadsThroughTheDeviceAndReleasesBeforeFreeing) {
  ElevationGrid g;
  buildGrid(g, {SubGrid{4, 4, 0, 0, 10, [](int r, int c) { return 1.0 * r + c; }}});
  RecordingDevice device;
  {
    TerrainMesh mesh;
    ASSERT_TRUE(mesh.allocateVertices(g));
    ASSERT_TRUE(mesh.buildIndices(g, 54));
    EXPECT_TRUE(mesh.uploadVertices());  // no device: nothing to do, still a success
    EXPECT_TRUE(mesh.uploadIndices());
    ASSERT_TRUE(mesh.setDevice(&device));  // a new device gets the current arrays at once
    EXPECT_EQ(device.vertexCopy.size(), 16u);
    EXPECT_EQ(device.indexType, IndexType::UInt16);
    EXPECT_EQ(device.indexCount, 54u);
    EXPECT_TRUE(mesh.uploadVertices());  // replaces the buffer whole
    EXPECT_EQ(device.log, (std::vector<std::string>{"createVertex", "createIndex", "releaseVertex",
                                                    "createVertex"}));
    device.refuseIndices = true;
    EXPECT_FALSE(mesh.uploadIndices());
    EXPECT_FALSE(device.hasIndexBuffer);
    mesh.release();
    EXPECT_FALSE(device.hasVertexBuffer);
    EXPECT_FALSE(mesh.uploadIndices());
    device.refuseIndices = false;
    ASSERT_TRUE(mesh.allocateVertices(g));
    ASSERT_TRUE(mesh.uploadVertices());
  }  // the mesh's destructor releases the buffer it left on the device
  EXPECT_FALSE(device.hasVertexBuffer);
}

}  // namespace
}  // namespace torvane
