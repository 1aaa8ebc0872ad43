#include <gtest/gtest.h>

#include <algorithm>

#include "scene/Commands.h"
#include "scene/Contours.h"
#include "scene/Propagation.h"
#include "scene/Scene.h"
#include "tests/support/GridBuilder.h"
#include "tests/support/RecordingDevice.h"

namespace torvane {
namespace {

using fixtures::RecordingDevice;
using fixtures::SubGrid;

// A scene with a 6 x 5 grid 50 m by 40 m rising from 0 to 20 m towards the east,
// post-processed as an open does.
struct LoadedScene {
  Scene scene;
  RecordingDevice device;

  explicit LoadedScene(bool withDevice = true) {
    if (withDevice) {
      scene.mesh.setDevice(&device);
    }
    fixtures::buildGrid(scene.grid, {SubGrid{6, 5, 0, 0, 10, [](int, int c) { return 4.0 * c; }}});
    SamplingPlan plan;
    plan.nodeTotal = 30;
    plan.indexTotal = 6 * 5 * 4;
    ok = scene.postProcess(plan);
  }
  ~LoadedScene() {
    scene.clearScene();
    scene.mesh.setDevice(nullptr);
  }
  bool ok = false;
};

TEST(Propagation, WithoutAGridEveryOperationDoesNothing) {
  Scene scene;
  RecordingDevice device;
  scene.mesh.setDevice(&device);
  EXPECT_FALSE(ApplyLandColours(scene));
  EXPECT_FALSE(ApplyRelief(scene));
  EXPECT_FALSE(ApplyTransparency(scene));
  EXPECT_FALSE(RefreshVertexData(scene));
  EXPECT_TRUE(device.log.empty());
  scene.mesh.setDevice(nullptr);
}

TEST(Propagation, PostProcessBuildsAColouredUploadedMesh) {
  LoadedScene s;
  ASSERT_TRUE(s.ok);
  EXPECT_TRUE(s.scene.grid.analysed);
  EXPECT_EQ(s.device.vertexCopy.size(), 30u);
  EXPECT_EQ(s.device.indexCount, 120u);
  EXPECT_EQ(s.device.log, (std::vector<std::string>{"createVertex", "createIndex"}));
  // Effective sea level: Hmin 0 gives 0, so only the node at 0 m is sea (blue).
  const auto v = s.scene.mesh.vertices();
  EXPECT_EQ(v[0].diffuse, 0xFF0000FFu);
  EXPECT_EQ(v[5].diffuse, 0xFFFF00FFu);     // highest: magenta at the top of the fixed ramp
  EXPECT_FLOAT_EQ(v[5].z, -20.0 * 2 / 50);  // relief 2: heights at the horizontal scale
}

TEST(Propagation, SettingChangesReachTheVerticesAndTheDevice) {
  LoadedScene s;
  ASSERT_TRUE(s.ok);
  Scene& scene = s.scene;

  scene.view.Alpha = 64;
  ASSERT_TRUE(ApplyTransparency(scene));
  EXPECT_TRUE(std::ranges::all_of(scene.mesh.vertices(),
                                  [](const TerrainVertex& t) { return (t.diffuse >> 24) == 64; }));
  EXPECT_EQ(scene.mesh.vertices()[5].diffuse & 0xFFFFFF, 0xFF00FFu);

  scene.view.Scale = 0;
  ASSERT_TRUE(ApplyRelief(scene));
  EXPECT_TRUE(
      std::ranges::all_of(scene.mesh.vertices(), [](const TerrainVertex& t) { return t.z == 0; }));

  scene.view.ColorK = 10;  // floods everything up to 10 m
  scene.view.OceanT = false;
  ASSERT_TRUE(ApplyLandColours(scene));
  EXPECT_EQ(scene.mesh.vertices()[2].diffuse, 0x400000FFu);  // 8 m: sea, alpha kept
  EXPECT_NE(scene.mesh.vertices()[3].diffuse, 0x400000FFu);  // 12 m: land

  s.device.log.clear();
  ASSERT_TRUE(RefreshVertexData(scene));
  EXPECT_EQ(s.device.log, (std::vector<std::string>{"releaseVertex", "createVertex"}));
  EXPECT_EQ(s.device.vertexCopy[2].diffuse, 0x400000FFu);
  EXPECT_EQ(s.device.vertexCopy[2].z, 0);
}

TEST(Propagation, FlatGridOpensWithoutLandColours) {
  Scene scene;
  fixtures::buildGrid(scene.grid, {SubGrid{3, 3, 0, 0, 10, [](int, int) { return 7.0; }}});
  SamplingPlan plan;
  plan.indexTotal = 24;
  ASSERT_TRUE(scene.postProcess(plan));
  EXPECT_EQ(scene.mesh.vertices()[4].diffuse, 0xFFFFFFFFu);
  EXPECT_FALSE(ApplyLandColours(scene));
}

TEST(Propagation, ClearSceneAndFailedUploadsReleaseTheBuffers) {
  LoadedScene s;
  ASSERT_TRUE(s.ok);
  s.scene.clearScene();
  EXPECT_FALSE(s.device.hasVertexBuffer || s.device.hasIndexBuffer);
  EXPECT_FALSE(s.scene.mesh.hasVertices());
  EXPECT_EQ(s.scene.grid.count, 0u);

  // A device that refuses the index buffer fails the post-processing.
  Scene scene;
  RecordingDevice device;
  device.refuseIndices = true;
  scene.mesh.setDevice(&device);
  fixtures::buildGrid(scene.grid, {SubGrid{3, 3, 0, 0, 10, [](int r, int) { return 1.0 * r; }}});
  SamplingPlan plan;
  plan.indexTotal = 24;
  EXPECT_FALSE(scene.postProcess(plan));
  scene.clearScene();  // what the open does on failure
  EXPECT_FALSE(device.hasVertexBuffer);
  scene.mesh.setDevice(nullptr);
}

TEST(Propagation, LayersFollowReliefAndTransparency) {
  LoadedScene s;
  ASSERT_TRUE(s.ok);
  Scene& scene = s.scene;
  OverlayStore& layers = scene.overlays;
  ASSERT_TRUE(layers.allocateOverlayStore(10));
  GroupStore::Builder b(layers);
  ASSERT_TRUE(b.begin(kKindMark, kColourWhite));
  b.append(makeOverlayVertex(scene.mesh.fit(), scene.view.Scale, 10, 0, 12, kColourWhite, false),
           12);
  b.close();
  ASSERT_TRUE(b.finish());
  ASSERT_TRUE(layers.uploadStore());

  scene.view.Alpha = 64;
  ASSERT_TRUE(ApplyTransparency(scene));
  EXPECT_EQ(layers.vertices()[0].diffuse, kColourWhite) << "layer transparency is off";
  scene.view.LayerAlphaEnabled = true;
  ASSERT_TRUE(ApplyTransparency(scene));
  EXPECT_EQ(layers.vertices()[0].diffuse, 0x40FFFFFFu);

  scene.view.Scale = 5;
  ASSERT_TRUE(ApplyRelief(scene));
  // The relief rule (lowest height 0), 0.0001 nearer the eye.
  EXPECT_EQ(layers.vertices()[0].z,
            static_cast<float>((0 - 12) * scene.mesh.fit().scale * 5 * 0.5) - 0.0001f);

  scene.clearScene();
  EXPECT_FALSE(layers.allocated()) << "clearing the scene discards the layers";
}

TEST(Propagation, ContoursFollowReliefTransparencyAndClearing) {
  LoadedScene s;
  ASSERT_TRUE(s.ok);
  Scene& scene = s.scene;
  scene.view.Alpha = 64;
  ASSERT_TRUE(buildContourRange(scene, kElevationContour, {5, 15, 5}));
  ContourStore& sets = scene.contours;
  ASSERT_EQ(sets.groupCount(), 3);
  EXPECT_EQ(commandContext(scene).contourSetCount, 3);
  EXPECT_EQ(sets.vertices()[0].diffuse, kElevationContourColour) << "contour transparency off";
  EXPECT_EQ(sets.vertices()[0].z, static_cast<float>(toModel(scene.mesh.fit(), 0, 0, 5, 2).z))
      << "built without the lift";

  scene.view.ContourAlphaEnabled = true;
  ASSERT_TRUE(ApplyTransparency(scene));
  EXPECT_EQ(sets.vertices()[0].diffuse, 0x40FFFFFFu);
  scene.view.Scale = 7;
  ASSERT_TRUE(ApplyRelief(scene));
  EXPECT_EQ(sets.vertices()[0].z,
            static_cast<float>((0 - 5) * scene.mesh.fit().scale * 7 * 0.5) - 0.0001f);

  scene.clearScene();
  EXPECT_FALSE(sets.allocated()) << "clearing the scene discards the contour sets";
  EXPECT_EQ(commandContext(scene).contourSetCount, 0);
}

}  // namespace
}  // namespace torvane
