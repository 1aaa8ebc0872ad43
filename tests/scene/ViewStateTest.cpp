#include <gtest/gtest.h>

#include "scene/ViewState.h"
#include "elevation/ElevationGrid.h"

namespace torvane {
namespace {

// The camera and colouring values that a fresh view has and every open restores.
void expectOpenDefaults(const ViewState& v) {
  EXPECT_EQ(v.MoveX, 0);
  EXPECT_EQ(v.MoveY, 0);
  EXPECT_EQ(v.MoveZ, 0);
  EXPECT_EQ(v.RotaX, 0);
  EXPECT_EQ(v.RotaZ, 0);
  EXPECT_EQ(v.RZoom, 0.7853981633974483);
  EXPECT_EQ(v.ColorT, 3);
  EXPECT_EQ(v.ColorS, 0);
  EXPECT_EQ(v.ColorR, 1);
  EXPECT_TRUE(v.CRHueR);
  EXPECT_EQ(v.CRHueS, 120);
  EXPECT_EQ(v.CRHueE, 200);
  EXPECT_EQ(v.ColorK, -1);
  EXPECT_EQ(v.OceanC, 0x00FF0000u);
  EXPECT_TRUE(v.OceanT);
  EXPECT_FALSE(v.LayerAlphaEnabled || v.ContourAlphaEnabled || v.rotating || v.clockwise);
}

TEST(ViewState, InitialValues) {
  const ViewState v;
  expectOpenDefaults(v);
  EXPECT_EQ(v.Scale, 2);
  EXPECT_EQ(v.Alpha, 255);
  EXPECT_EQ(v.Pitch, 5);
  EXPECT_EQ(v.fogMode, 0);
  EXPECT_EQ(v.fogStart, 22);
  EXPECT_EQ(v.frameMode, 0);
  EXPECT_TRUE(v.compass && v.trackbar && v.statusBar);
}

TEST(ViewState, ResetRestoresCameraAndColouringButKeepsDisplaySettings) {
  ViewState v;
  v.MoveX = 1, v.MoveY = 2, v.MoveZ = 3, v.RotaX = 1.5, v.RotaZ = 4, v.RZoom = 0.1;
  v.ColorT = 1, v.ColorS = 17, v.ColorR = 6, v.CRHueR = false, v.CRHueS = 3, v.CRHueE = 4;
  v.ColorK = 250, v.OceanC = 0x123456, v.OceanT = false;
  v.LayerAlphaEnabled = v.ContourAlphaEnabled = true;
  v.rotating = v.clockwise = true;
  v.Scale = 40, v.Alpha = 100, v.Pitch = 9, v.fogMode = 2, v.fogStart = 5, v.frameMode = 2;
  v.overlayTextMode = 1, v.readout = true;
  v.compass = v.trackbar = v.statusBar = false;

  ResetViewState(v);
  expectOpenDefaults(v);
  // Kept across opens.
  EXPECT_EQ(v.Scale, 40);
  EXPECT_EQ(v.Alpha, 100);
  EXPECT_EQ(v.Pitch, 9);
  EXPECT_EQ(v.fogMode, 2);
  EXPECT_EQ(v.fogStart, 5);
  EXPECT_EQ(v.frameMode, 2);
  EXPECT_EQ(v.overlayTextMode, 1);
  EXPECT_TRUE(v.readout);
  EXPECT_FALSE(v.compass || v.trackbar || v.statusBar);
}

TEST(ViewState, EffectiveSeaLevel) {
  ViewState v;
  ElevationGrid g;
  EXPECT_EQ(EffectiveSeaLevel(v, g), 0);  // -1 and no grid

  g.count = 9;
  struct Case {
    int colorK;
    double hmin;
    int expected;
  };
  const Case cases[] = {
      {250, 12.7, 250}, {250, 900, 250}, {1000, 0, 1000},    {1500, 0, 1000},   {0, 55, 0},
      {-1, 12.7, 12},   {-1, 12.0, 11},  {-1, 12.00004, 11}, {-1, 12.0001, 12}, {-1, 0, 0},
      {-1, 0.5, 0},     {-1, 1.0, 0},    {-1, 1500, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.colorK << " " << c.hmin);
    v.ColorK = c.colorK;
    g.Hmin = c.hmin;
    EXPECT_EQ(EffectiveSeaLevel(v, g), c.expected);
  }
}

}  // namespace
}  // namespace torvane
