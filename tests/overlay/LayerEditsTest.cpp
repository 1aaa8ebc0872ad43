// The rules of the layer list: menu greying, hue-circle spacing, point sizes, deletion and the
// transparency switch.

#include <gtest/gtest.h>

#include <vector>

#include "overlay/LayerEdits.h"
#include "terrain/Hls.h"

namespace torvane {
namespace {

// Four layers: line, points (size 5), line, marks (size 5); layer g has g + 1 points.
void fill(OverlayStore& store) {
  ASSERT_TRUE(store.allocateOverlayStore(100));
  const int sizes[] = {0, 5, 0, 5};
  for (int g = 0; g < 4; ++g) {
    GroupStore::Builder b(store);
    ASSERT_TRUE(b.begin(200 + g, 0xFF000000u | static_cast<uint32_t>(g)));
    store.setNewLayer("layer" + std::to_string(g), sizes[g],
                      sizes[g] ? kDrawPoints : kDrawLineStrip);
    for (int i = 0; i <= g; ++i) {
      b.append({static_cast<float>(g), 0, 0, 0xFF000000u | static_cast<uint32_t>(g)}, 0);
    }
    b.close();
    ASSERT_TRUE(b.finish());
  }
  ASSERT_TRUE(store.uploadStore());
}

TEST(LayerEdits, HueCircleSpacing) {
  struct Case {
    int n, start, end;
    bool counterClockwise;
    std::vector<int> hues;
  };
  const Case cases[] = {
      {3, 0, 160, false, {0, 80, 160}},
      {3, 0, 160, true, {0, 200, 160}},   // span -80: the middle hue -40 wraps to 200
      {3, 200, 40, false, {200, 0, 40}},  // span 80 through the top of the scale
      {4, 100, 100, true, {100, 100, 100, 100}},
      {5, 0, 239, false, {0, 59, 119, 179, 239}},
      {2, 0, 160, false, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hueCircleHues(c.n, c.start, c.end, c.counterClockwise), c.hues)
        << c.n << " " << c.start << " " << c.end << " " << c.counterClockwise;
  }

  OverlayStore store;
  fill(store);
  const std::vector<int> rows = {0, 2, 3};
  EXPECT_FALSE(colourLayersAlongHueCircle(store, std::vector<int>{0, 1}, 0, 160, false, {}));
  ASSERT_TRUE(colourLayersAlongHueCircle(store, rows, 0, 160, false, {true, 0x80}));
  EXPECT_EQ(store.colour(0), 0x80FF0000u);  // hue 0: red, with the transparency
  EXPECT_EQ(store.colour(2), layerColourFromColorRef(colorHlsToRgb(80, 120, 240), {true, 0x80}));
  EXPECT_EQ(store.colour(3), 0x800000FFu);  // hue 160: blue
  EXPECT_EQ(store.colour(1), 0xFF000001u) << "unselected layers keep their colour";
  EXPECT_EQ(store.vertices()[store.groupRange(3).firstPoint].diffuse, 0x800000FFu);
}

TEST(LayerEdits, MenuStateFollowsTheSelection) {
  OverlayStore store;
  fill(store);
  store.setPointSize(3, 7);
  struct Case {
    std::vector<int> rows;
    LayerMenuState want;
  };
  const Case cases[] = {
      {{}, {false, false, 0, false, false, false}},
      {{0}, {true, false, 0, true, false, true}},      // a line layer: no point size
      {{0, 3}, {true, true, 7, true, false, true}},    // checked by the first with a size
      {{2, 1, 3}, {true, true, 5, true, true, true}},  // three rows: the hue circle
  };
  for (const Case& c : cases) {
    const LayerMenuState s = layerMenuState(store, c.rows);
    EXPECT_EQ(s.showHide, c.want.showHide);
    EXPECT_EQ(s.pointSize, c.want.pointSize);
    EXPECT_EQ(s.checkedPointSize, c.want.checkedPointSize);
    EXPECT_EQ(s.colour, c.want.colour);
    EXPECT_EQ(s.hueCircle, c.want.hueCircle);
    EXPECT_EQ(s.remove, c.want.remove);
  }
  // Only layers with a point size change.
  EXPECT_EQ(setLayerPointSizes(store, std::vector<int>{0, 1}, 9), std::vector<int>{1});
  EXPECT_EQ(store.pointSize(0), 0);
  EXPECT_EQ(store.pointSize(1), 9);
}

TEST(LayerEdits, DeletingRowsRenumbersAndTheLastFreesTheStore) {
  OverlayStore store;
  fill(store);
  // Rows 1 and 3 of four (0-based 0 and 2): the former layers 2 and 4 remain, in order.
  EXPECT_EQ(deleteLayers(store, std::vector<int>{2, 0}), 2);
  EXPECT_EQ(store.layerName(0), "layer1");
  EXPECT_EQ(store.layerName(1), "layer3");
  EXPECT_EQ(store.groupPointCount(1), 4);
  EXPECT_EQ(store.vertices()[2].x, 3.0f);
  EXPECT_TRUE(store.hasVertexBuffer());
  EXPECT_EQ(deleteLayers(store, std::vector<int>{0, 1}), 0);
  EXPECT_FALSE(store.allocated()) << "nothing left: the store is freed";
  EXPECT_FALSE(store.hasVertexBuffer());

  fill(store);
  deleteAllLayers(store);
  EXPECT_FALSE(store.allocated());
}

TEST(LayerEdits, TransparencySwitchAndColours) {
  OverlayStore store;
  fill(store);
  applyLayerAlpha(store, {true, 0x30});
  EXPECT_EQ(store.vertices()[0].diffuse, 0x30000000u);
  recolourLayers(store, std::vector<int>{0}, layerColourFromColorRef(0x00563412, {true, 0x30}));
  EXPECT_EQ(store.colour(0), 0x30123456u);
  // Off writes 255 into every vertex, recoloured ones included.
  applyLayerAlpha(store, {false, 0x30});
  EXPECT_EQ(store.vertices()[0].diffuse, 0xFF123456u);
  EXPECT_EQ(store.vertices()[9].diffuse, 0xFF000003u);
  EXPECT_EQ(colorRefOfLayerColour(0x80123456u), 0x00563412u);
  EXPECT_EQ(layerColourFromColorRef(0x00563412, {false, 0x30}), 0xFF123456u);
}

}  // namespace
}  // namespace torvane
