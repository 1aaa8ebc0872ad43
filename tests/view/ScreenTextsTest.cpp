#include <gtest/gtest.h>

#include <numbers>

#include "elevation/ElevationGrid.h"
#include "measure/Ruler.h"
#include "scene/ViewState.h"
#include "view/ScreenTexts.h"

namespace torvane {
namespace {

TEST(ScreenTexts, StatusBarTexts) {
  ElevationGrid grid;
  grid.count = 4;
  grid.Hmin = 12.3;
  grid.Hmax = 1500;
  grid.slopeMin = 0;
  grid.slopeMax = 45.5;
  grid.openAboveMin = 60.25;
  grid.openAboveMax = 90;
  grid.openBelowMin = 70;
  grid.openBelowMax = 120.125;
  struct Case {
    int ColorT, ColorK, ColorS;
    double Hmin;
    const char* left;
    const char* centre;
  };
  const Case cases[] = {
      {3, 1000, 0, 12.3, "海進:1000  起伏:2  透過:255", "標高:12.300～1500.000"},
      {2, -1, 1, 12.0, "海進:11  起伏:2  透過:255", "傾斜量:0.000～45.500"},
      {3, -1, 2, 12.3, "海進:12  起伏:2  透過:255", "地上開度:60.250～90.000"},
      {1, 250, 3, 12.3, "起伏:2  透過:255", "地下開度:70.000～120.125"},
      {3, 0, 5, 12.3, "海進:0  起伏:2  透過:255", "標高+地上開度"},
      {3, 0, 9, 12.3, "海進:0  起伏:2  透過:255", "地上開度+地下開度"},
      {3, 0, 14, 12.3, "海進:0  起伏:2  透過:255", "標高+傾斜量(特殊)"},
      {3, 0, 19, 12.3, "海進:0  起伏:2  透過:255", "地上開度+地下開度(特殊)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.centre);
    ViewState view;
    view.ColorT = c.ColorT;
    view.ColorK = c.ColorK;
    view.ColorS = c.ColorS;
    grid.Hmin = c.Hmin;
    EXPECT_EQ(statusLeftText(view, grid), c.left);
    EXPECT_EQ(statusCentreText(view, grid), c.centre);
  }
  ViewState view;
  view.Scale = 100;
  view.Alpha = 0;
  view.ColorT = 1;
  EXPECT_EQ(statusLeftText(view, grid), "起伏:100  透過:0");

  EXPECT_EQ(statusRightText(std::nullopt, std::nullopt, 4), "頂点:4");
  EXPECT_EQ(statusRightText(std::nullopt, 3000000u, 4), "線点:3000000  頂点:4");
  EXPECT_EQ(statusRightText(10u, 20u, 4000000000u), "等値:10  線点:20  頂点:4000000000");
}

TEST(ScreenTexts, LabelBoxWidthsCountCharacters) {
  EXPECT_EQ(trackbarLabel(1), "海進");
  EXPECT_EQ(trackbarLabel(4), "起伏");
  EXPECT_EQ(trackbarLabel(5), "透過");
  EXPECT_EQ(trackbarLabel(2), "");
  EXPECT_EQ(labelBoxWidth("起伏"), 24);
  EXPECT_EQ(labelBoxWidth("a"), 12);
  EXPECT_EQ(labelBoxWidth("透過度合"), 24);
  EXPECT_EQ(labelBoxWidth("abc"), 18);
  // A two-character label's box: 24 wide plus 3 on each side.
  const LabelBoxExtent e = labelBoxExtent(labelBoxWidth("起伏"), 35);
  EXPECT_EQ(e.left, 20);
  EXPECT_EQ(e.right, 50);
  // The ruler total: 26 characters give 7 x 28 = 196 pixels plus 3 on each side.
  const std::string total = "距離 1234.567 (1200.000) [2]";
  EXPECT_EQ(textLength(total), 26);
  EXPECT_EQ(topLabelBoxWidth(total), 196);
  EXPECT_EQ(labelBoxExtent(196, 400).left, 299);
  EXPECT_EQ(labelBoxExtent(196, 400).right, 501);
  // Odd widths truncate their half.
  EXPECT_EQ(labelBoxExtent(7, 10).left, 4);
  EXPECT_EQ(labelBoxExtent(7, 10).right, 16);
}

TEST(ScreenTexts, RulerReadoutBlocks) {
  Ruler ruler;
  ruler.X[0] = 100;
  ruler.Y[0] = 200;
  ruler.H[0] = 10;
  ruler.X[1] = 103;
  ruler.Y[1] = 200;
  ruler.H[1] = 14;
  const std::vector<TextLine> sloped = {
      {70, "100.000"}, {82, "200.000"},   {94, "10.000"},   {118, "+3.000"},  {130, "+0.000"},
      {142, "+4.000"}, {154, "(+53.13)"}, {178, "103.000"}, {190, "200.000"}, {202, "14.000"},
  };
  EXPECT_EQ(rulerReadoutLines(ruler, 2, 70), sloped);

  // A vertical segment has no slope angle and its point block starts 12 pixels higher.
  ruler.X[1] = 100;
  ruler.Y[1] = 200.00001;
  ruler.H[1] = 5;
  const std::vector<TextLine> vertical = {
      {10, "100.000"}, {22, "200.000"},  {34, "10.000"},   {58, "+0.000"}, {70, "+0.000"},
      {82, "-5.000"},  {106, "100.000"}, {118, "200.000"}, {130, "5.000"},
  };
  EXPECT_EQ(rulerReadoutLines(ruler, 2, 10), vertical);

  // Downhill angles are negative; the last two of three points are shown.
  ruler.X[2] = 101;
  ruler.Y[2] = 200.00001;
  ruler.H[2] = 4;
  EXPECT_EQ(rulerReadoutLines(ruler, 3, 10)[6], (TextLine{94, "(-45.00)"}));

  const std::vector<TextLine> single = {{70, "100.000"}, {82, "200.000"}, {94, "10.000"}};
  EXPECT_EQ(rulerReadoutLines(ruler, 1, 70), single);
  EXPECT_TRUE(rulerReadoutLines(ruler, 0, 70).empty());
}

TEST(ScreenTexts, ReadoutKeyHelpAndDeviceLines) {
  ViewState view;
  view.RotaZ = std::numbers::pi / 2;
  view.MoveX = -0.25;
  ReadoutInput input{800, 600, 1234, 567, 34, -5};
  const std::vector<TextLine> lines = readoutLines(view, input);
  ASSERT_EQ(lines.size(), 15u);
  const std::vector<TextLine> expected = {
      {70, "800"},    {82, "600"},     {106, "1234"},  {118, "567"},   {142, "34"},
      {154, "-5"},    {178, "-0.250"}, {190, "0.000"}, {202, "0.000"}, {214, "0.000"},
      {226, "0.000"}, {238, "1.571"},  {250, "0.785"}, {274, "2.200"}, {286, "4.000"},
  };
  EXPECT_EQ(lines, expected);
  view.compass = false;
  view.fogStart = 5;
  EXPECT_EQ(readoutLines(view, input).front().y, 10);
  EXPECT_EQ(readoutLines(view, input)[13], (TextLine{214, "0.500"}));

  const std::vector<TextLine> help = keyHelpLines();
  ASSERT_EQ(help.size(), 12u);
  EXPECT_EQ(help.front(), (TextLine{10, "U D      : 平面 側面"}));
  EXPECT_EQ(help.back(), (TextLine{142, "PageDown : マウスホイール下 縮小"}));

  DeviceDescription device{"Mesa llvmpipe", true, 16777215, 10000000, 8192, 8192, 255.0f};
  const std::vector<TextLine> info = deviceInfoLines(device);
  const std::vector<TextLine> expectedInfo = {
      {10, "Mesa llvmpipe"},
      {22, "Software Vertex Processing"},
      {34, "MaxVertexIndex    : 16777215"},
      {46, "MaxPrimitiveCount : 10000000"},
      {58, "MaxTextureWidth   : 8192"},
      {70, "MaxTextureHeight  : 8192"},
      {82, "MaxPointSize      : 255"},
  };
  EXPECT_EQ(info, expectedInfo);
  device.softwareVertexProcessing = false;
  device.maxVertexIndex = 0xFFFFFFFFu;  // a 32-bit limit is shown unsigned, not as -1
  EXPECT_EQ(deviceInfoLines(device)[1].text, "Hardware Vertex Processing");
  EXPECT_EQ(deviceInfoLines(device)[2].text, "MaxVertexIndex    : 4294967295");

  EXPECT_EQ(captionText(-12.5), "-12.500000");
}

}  // namespace
}  // namespace torvane
