#include <gtest/gtest.h>

#include "elevation/ElevationGrid.h"
#include "measure/ElevationInfo.h"
#include "measure/HueCircle.h"

namespace torvane {
namespace {

TEST(ElevationInfo, RowsAndExtentLineFollowTheCoordinateKind) {
  ElevationGrid grid;
  ASSERT_TRUE(grid.recordGeographicFile("/data/tiles/a.xml", 225, 150, 139, 139.5, 35, 35.25));
  grid.files[0].sampledColumns = 113;
  grid.files[0].sampledRows = 75;
  grid.Xmin = -1200.5;
  grid.Xmax = 3400;
  grid.Ymin = 10;
  grid.Ymax = 20.25;
  grid.Hmin = 0;
  grid.Hmax = 1234.5678;

  const ElevationInfoRow row = elevationInfoRow(grid.files[0], 0);
  EXPECT_EQ(row.number, "    1");
  EXPECT_EQ(row.name, "a.xml");
  EXPECT_EQ(row.size, "( 225 , 150 )");
  EXPECT_EQ(row.sampled, "( 113 , 75 )");

  EXPECT_EQ(elevationExtentText(grid),
            "B(35.000000～35.250000) L(139.000000～139.500000) H(0.000～1234.568)");
  grid.GeoCoordinates = false;
  EXPECT_EQ(elevationExtentText(grid),
            "X(-1200.500000～3400.000000) Y(10.000000～20.250000) H(0.000～1234.568)");
  grid.Xmax = 1e300;  // hostile extents are cut, not overrun
  EXPECT_EQ(elevationExtentText(grid).substr(0, 14), "X(-1200.500000");
}

TEST(HueCircle, ChosenColoursKeepOnlyTheirHue) {
  struct Case {
    const char* name;
    uint32_t chosen;  // COLORREF 0x00BBGGRR
    int hue;
  };
  const Case cases[] = {
      {"pure red", 0x000000FF, 0},
      {"dark brown of the same hue", 0x00202060, 0},
      {"saddle brown", 0x0013458B, 17},
      {"pure blue", 0x00FF0000, 160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(hueOfColour(c.chosen), c.hue);
  }
  EXPECT_EQ(hueCircleColour(0), 0x000000FFu);
  EXPECT_EQ(hueCircleColour(hueOfColour(0x00202060)), hueCircleColour(0));
  EXPECT_EQ(hueCircleColour(80), 0x0000FF00u);
}

}  // namespace
}  // namespace torvane
