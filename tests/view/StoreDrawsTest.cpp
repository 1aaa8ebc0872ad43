#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "overlay/OverlayStore.h"
#include "view/StoreDraws.h"

namespace torvane {
namespace {

struct Layer {
  uint32_t mode;
  int pointSize;
  std::vector<uint32_t> polylines;
  bool shown = true;
  std::vector<std::string> labels = {};  // per point, "" for none
};

void addGroup(GroupStore& store, const std::vector<uint32_t>& polylines, bool shown,
              const std::function<void(uint32_t index, uint32_t n)>& perPoint = {}) {
  GroupStore::Builder b(store);
  ASSERT_TRUE(b.begin(1, 0xFFFFFFFF));
  if (perPoint) {
    perPoint(b.nextIndex(), ~0u);  // lets the caller set up the new group first
  }
  uint32_t n = 0;
  for (const uint32_t c : polylines) {
    for (uint32_t k = 0; k < c; ++k, ++n) {
      if (perPoint) {
        perPoint(b.nextIndex(), n);
      }
      b.append({float(n), 0, 0, 0xFFFFFFFF}, 0);
    }
    b.close();
  }
  ASSERT_TRUE(b.finish());
  store.setVisible(store.groupCount() - 1, shown);
}

TEST(StoreDraws, LayersKeepTheirStartVerticesAndSkipShortPolylines) {
  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(1000));
  const std::vector<Layer> layers = {
      {kDrawPoints, 3, {2, 1}},                     // points 0..2
      {kDrawLineStrip, 0, {5}, false},              // 3..7, hidden
      {kDrawLineStrip, 0, {1, 4}},                  // 8 (too short), 9..12
      {kDrawTriangles, 0, {2, 7}},                  // 13..14 (too short), 15..21: 2 triangles
      {kDrawMarks, 5, {3}, true, {"A", "", "三"}},  // 22..24
      {kDrawPoints, 0, {1}},                        // 25, at the size last set
      {kDrawPoints, 5, {2}},                        // 26..27
      {kDrawLineStrip, 0, {2}},                     // 28..29
      {kDrawLineStrip, 0, {3}},                     // 30..32, same batch
      {kDrawMarks, 5, {2}, false, {"", "x"}},       // 33..34
      {7, 0, {4}},                                  // an unknown mode draws nothing
      {kDrawLineStrip, 0, {2}},                     // 39..40, joins 28..32 past hidden marks
      {kDrawMarks, 5, {1}, true, {"m"}},            // 41: its labels come between
      {kDrawLineStrip, 0, {2}},                     // 42..43
  };
  for (const Layer& l : layers) {
    addGroup(store, l.polylines, l.shown, [&](uint32_t index, uint32_t n) {
      if (n == ~0u) {
        store.setNewLayer("layer", l.pointSize, l.mode);
      } else if (n < l.labels.size()) {
        store.setLabel(index, l.labels[n]);
      }
    });
  }
  const std::vector<DrawBatch> expected = {
      {DrawPrimitive::Points, 3, {0, 2}, {2, 1}, 0},
      {DrawPrimitive::LineStrip, 0, {9}, {4}, 2},
      {DrawPrimitive::Triangles, 0, {15}, {6}, 3},
      {DrawPrimitive::Points, 3, {25}, {1}, 5},
      {DrawPrimitive::Points, 5, {26}, {2}, 6},
      {DrawPrimitive::LineStrip, 0, {28, 30, 39}, {2, 3, 2}, 11},
      {DrawPrimitive::LineStrip, 0, {42}, {2}, 13},
  };
  EXPECT_EQ(layerDrawBatches(store), expected);

  const std::vector<LabelledPoints> labelled = labelledPoints(store);
  ASSERT_EQ(labelled.size(), 3u);
  EXPECT_EQ(labelled[0].layer, 4);
  EXPECT_EQ(labelled[0].points, (std::vector<uint32_t>{22, 24}));
  EXPECT_EQ(labelled[1].layer, 9);
  EXPECT_EQ(labelled[1].points, (std::vector<uint32_t>{34}));
  EXPECT_EQ(labelled[2].points, (std::vector<uint32_t>{41}));
}

TEST(StoreDraws, ContourSetsDrawLineListsFromTheirOwnStarts) {
  GroupStore store;
  ASSERT_TRUE(store.allocateStore(300, 1000));
  addGroup(store, {4, 3, 6}, true);  // 0..12: an odd chunk draws its whole pairs only
  addGroup(store, {2}, false);       // 13..14, hidden
  addGroup(store, {1, 5}, true);     // 15 (no segment), 16..20
  const std::vector<DrawBatch> expected = {
      {DrawPrimitive::Lines, 0, {0, 4, 7, 16}, {4, 2, 6, 4}, 2},
  };
  EXPECT_EQ(contourDrawBatches(store), expected);
  store.setVisible(0, false);
  store.setVisible(2, false);
  EXPECT_TRUE(contourDrawBatches(store).empty());
}

}  // namespace
}  // namespace torvane
