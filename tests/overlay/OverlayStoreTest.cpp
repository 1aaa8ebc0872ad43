// The layer store: the append protocol, deletion with its block moves, recolouring,
// transparency, relief, device upload, the shrinking allocation and labels.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "overlay/LabelText.h"
#include "overlay/OverlayStore.h"

namespace torvane {
namespace {

// One layer to add: polylines given by their point counts; point i of the layer gets x = base+i.
struct LayerSpec {
  const char* name;
  int32_t kind;
  uint32_t colour;
  int pointSize;
  uint32_t drawMode;
  std::vector<uint32_t> polylines;
  float base;
};

bool addLayer(OverlayStore& store, const LayerSpec& spec) {
  GroupStore::Builder b(store);
  if (!b.begin(spec.kind, spec.colour)) {
    return false;
  }
  store.setNewLayer(spec.name, spec.pointSize, spec.drawMode);
  uint32_t n = 0;
  for (uint32_t count : spec.polylines) {
    for (uint32_t k = 0; k < count; ++k, ++n) {
      const float x = spec.base + static_cast<float>(n);
      store.setLabel(b.nextIndex(), std::string(spec.name) + std::to_string(n));
      b.append({x, -x, 0.5f * x, spec.colour}, 10.0 * x);
    }
    b.close();
  }
  return b.finish();
}

const LayerSpec kLayers[] = {
    {"a.log", kKindNmea, 0xFF0000FF, 0, kDrawLineStrip, {3, 2}, 0},
    {"b.bln", kKindMark, 0xFFFFFFFF, 5, kDrawMarks, {4}, 100},
    {"c.xml", 201, 0xFFC0C0C0, 0, kDrawLineStrip, {2, 1, 3}, 200},
};

// Everything a layer's drawing and listing depends on.
void expectSameLayers(const OverlayStore& got, const OverlayStore& want) {
  ASSERT_EQ(got.groupCount(), want.groupCount());
  ASSERT_EQ(got.pointTotal(), want.pointTotal());
  ASSERT_EQ(got.polylineTotal(), want.polylineTotal());
  for (int g = 0; g < want.groupCount(); ++g) {
    SCOPED_TRACE(g);
    EXPECT_EQ(got.layerName(g), want.layerName(g));
    EXPECT_EQ(got.kind(g), want.kind(g));
    EXPECT_EQ(got.colour(g), want.colour(g));
    EXPECT_EQ(got.visible(g), want.visible(g));
    EXPECT_EQ(got.pointSize(g), want.pointSize(g));
    EXPECT_EQ(got.drawMode(g), want.drawMode(g));
    EXPECT_EQ(got.polylineCount(g), want.polylineCount(g));
    EXPECT_EQ(got.groupPointCount(g), want.groupPointCount(g));
  }
  for (uint32_t p = 0; p < want.polylineTotal(); ++p) {
    EXPECT_EQ(got.pointsPerPolyline()[p], want.pointsPerPolyline()[p]) << "polyline " << p;
  }
  for (uint32_t i = 0; i < want.pointTotal(); ++i) {
    EXPECT_EQ(0, std::memcmp(&got.vertices()[i], &want.vertices()[i], sizeof(OverlayVertex)))
        << "point " << i;
    EXPECT_EQ(got.heights()[i], want.heights()[i]) << "point " << i;
    EXPECT_EQ(got.label(i), want.label(i)) << "point " << i;
  }
}

TEST(OverlayStore, DeletingALayerMovesTheLaterOnesDownUnchanged) {
  for (int victim = 0; victim < 3; ++victim) {
    SCOPED_TRACE(victim);
    OverlayStore store, reference;
    ASSERT_TRUE(store.allocateOverlayStore(100));
    ASSERT_TRUE(reference.allocateOverlayStore(100));
    for (int g = 0; g < 3; ++g) {
      ASSERT_TRUE(addLayer(store, kLayers[g]));
      if (g != victim) {
        ASSERT_TRUE(addLayer(reference, kLayers[g]));
      }
    }
    store.setVisible(2, false);
    if (victim != 2) {
      reference.setVisible(1, false);
    }
    EXPECT_EQ(store.groupRange(2).firstPoint, 9u);
    EXPECT_EQ(store.groupRange(2).firstPolyline, 3u);
    ASSERT_TRUE(store.deleteGroup(victim));
    expectSameLayers(store, reference);
  }
  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(100));
  ASSERT_TRUE(addLayer(store, kLayers[0]));
  EXPECT_FALSE(store.deleteGroup(1));
  EXPECT_FALSE(store.deleteGroup(-1));
  EXPECT_EQ(store.groupCount(), 1);
}

TEST(OverlayStore, ProtocolLimits) {
  OverlayStore store;
  // Not allocated: nothing can begin.
  GroupStore::Builder none(store);
  EXPECT_FALSE(none.begin(kKindMark, kColourWhite));
  EXPECT_FALSE(store.allocateOverlayStore(0));

  ASSERT_TRUE(store.allocateOverlayStore(1000));
  for (int g = 0; g < kMaxLayers; ++g) {
    ASSERT_TRUE(addLayer(store, {"x", kKindMark, kColourWhite, 5, kDrawMarks, {1}, 0}));
  }
  EXPECT_FALSE(addLayer(store, {"x", kKindMark, kColourWhite, 5, kDrawMarks, {1}, 0}))
      << "a 101st layer";
  EXPECT_EQ(store.groupCount(), kMaxLayers);

  // A layer with no closed polyline is not registered, and its points are overwritten later.
  OverlayStore small;
  ASSERT_TRUE(small.allocateOverlayStore(4));
  GroupStore::Builder b(small);
  ASSERT_TRUE(b.begin(kKindNmea, kColourBlue));
  b.append({0, 0, 0, 0}, 0);
  b.close(2);
  EXPECT_FALSE(b.finish());
  EXPECT_EQ(small.groupCount(), 0);
  EXPECT_EQ(small.pointTotal(), 0u);
  ASSERT_TRUE(b.begin(kKindNmea, kColourBlue));
  while (!b.full()) {
    b.append({1, 1, 1, 1}, 1);
  }
  EXPECT_EQ(b.open(), 4u);
  b.close(2);
  EXPECT_TRUE(b.finish());
  EXPECT_EQ(small.pointTotal(), 4u);

  EXPECT_FALSE(store.setPointSize(0, 0));
  EXPECT_FALSE(store.setPointSize(0, 11));
  EXPECT_FALSE(store.setPointSize(kMaxLayers, 3));
  EXPECT_TRUE(store.setPointSize(0, 10));
  EXPECT_EQ(store.pointSize(0), 10);
  EXPECT_TRUE(store.layerName(kMaxLayers).empty());
  EXPECT_TRUE(store.layerKindName(kMaxLayers, false).empty());
  EXPECT_EQ(store.groupPointCount(kMaxLayers), 0);
}

TEST(OverlayStore, ColourAlphaAndRelief) {
  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(100));
  for (const LayerSpec& spec : kLayers) {
    ASSERT_TRUE(addLayer(store, spec));
  }
  EXPECT_FALSE(store.setGroupColour(3, 0));
  ASSERT_TRUE(store.setGroupColour(1, 0x80123456));
  EXPECT_EQ(store.colour(1), 0x80123456u);
  for (uint32_t i = 0; i < store.pointTotal(); ++i) {
    const uint32_t want = i >= 5 && i < 9 ? 0x80123456u : (i < 5 ? 0xFF0000FFu : 0xFFC0C0C0u);
    EXPECT_EQ(store.vertices()[i].diffuse, want) << i;
  }
  store.setAlpha(0x140);  // only the low byte counts
  for (uint32_t i = 0; i < store.pointTotal(); ++i) {
    EXPECT_EQ(store.vertices()[i].diffuse >> 24, 0x40u) << i;
  }
  EXPECT_EQ(store.colour(0), 0xFF0000FFu) << "group colours keep their alpha";
  EXPECT_EQ(store.vertices()[0].diffuse & 0xFFFFFF, 0x0000FFu);

  // After a relief change every point, marks included, sits 0.0001 above the relief rule.
  ModelFit fit;
  fit.scale = 0.002;
  fit.Hmin = 100;
  store.rescaleHeights(fit, 3);
  for (uint32_t i = 0; i < store.pointTotal(); ++i) {
    const double H = store.heights()[i];
    EXPECT_EQ(store.vertices()[i].z, static_cast<float>((100 - H) * 0.002 * 3 * 0.5) - 0.0001f)
        << i;
  }
  // Marks are stored without the lift, lines with it.
  EXPECT_EQ(makeOverlayVertex(fit, 2, 0, 0, 50, 0, false).z, 0.1f);
  EXPECT_EQ(makeOverlayVertex(fit, 2, 0, 0, 50, 0, true).z, 0.1f - 0.0001f);
}

TEST(OverlayStore, OverlayPointsSitJustAboveTheSurface) {
  ModelFit fit;
  fit.scale = 0.01;
  fit.Hmin = 100;
  EXPECT_FLOAT_EQ(overlayVertexZ(fit, 2, 150), static_cast<float>(-0.5 - 0.0001));
  EXPECT_FLOAT_EQ(overlayVertexZ(fit, 0, 150), -0.0001f);
}

// A device that records what it was given and refuses on demand.
struct FakeDevice : GroupBufferDevice {
  bool refuse = false;
  bool live = false;
  size_t uploaded = 0;
  int creates = 0;
  bool createVertexBuffer(std::span<const OverlayVertex> v) override {
    ++creates;
    live = !refuse;
    uploaded = live ? v.size() : 0;
    return live;
  }
  void releaseVertexBuffer() override { live = false; }
};

TEST(OverlayStore, UploadFollowsTheDevice) {
  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(100));
  EXPECT_FALSE(store.uploadStore()) << "no point";
  ASSERT_TRUE(addLayer(store, kLayers[0]));
  EXPECT_TRUE(store.uploadStore()) << "no device: the data counts as uploaded";
  EXPECT_TRUE(store.hasVertexBuffer());

  FakeDevice device;
  EXPECT_TRUE(store.setDevice(&device)) << "attaching uploads the current data";
  EXPECT_TRUE(device.live);
  EXPECT_EQ(device.uploaded, 5u);
  device.refuse = true;
  EXPECT_FALSE(store.uploadStore());
  EXPECT_FALSE(store.hasVertexBuffer());
  device.refuse = false;
  ASSERT_TRUE(store.uploadStore());
  store.freeOverlayStore();
  EXPECT_FALSE(device.live) << "freeing releases the buffer before the arrays";
  EXPECT_FALSE(store.hasVertexBuffer());
  EXPECT_EQ(store.capacity(), 0u);
  EXPECT_EQ(store.groupCount(), 0);

  // A store without data attaches without uploading; detaching releases.
  const int creates = device.creates;
  FakeDevice other;
  EXPECT_TRUE(store.setDevice(&other));
  EXPECT_EQ(other.creates, 0);
  EXPECT_EQ(device.creates, creates);
  store.setDevice(nullptr);
}

TEST(OverlayStore, AllocationShrinksByHalvesDownTo65535) {
  struct Case {
    uint32_t largestThatFits;
    std::vector<uint32_t> tried;
    bool ok;
  };
  const Case cases[] = {
      {3000000, {3000000}, true},
      {800000, {3000000, 1500000, 750000}, true},
      {93750, {3000000, 1500000, 750000, 375000, 187500, 93750}, true},
      {90000, {3000000, 1500000, 750000, 375000, 187500, 93750}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.largestThatFits);
    std::vector<uint32_t> tried;
    int releases = 0;
    const bool ok = allocateShrinking(
        [&](uint32_t capacity) {
          tried.push_back(capacity);
          return capacity <= c.largestThatFits;
        },
        [&] { ++releases; });
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(tried, c.tried);
    EXPECT_EQ(releases, static_cast<int>(c.tried.size()) + (c.ok ? 0 : 1))
        << "one release before each try and one after the last failure";
  }

  // An allocated store with a vertex buffer is used as it is; without one it is allocated anew.
  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(100));
  ASSERT_TRUE(addLayer(store, kLayers[0]));
  ASSERT_TRUE(store.uploadStore());
  ASSERT_TRUE(ensureStoreAllocated(store, kMaxLayers));
  EXPECT_EQ(store.capacity(), 100u);
  EXPECT_EQ(store.groupCount(), 1);
  store.releaseVertexBuffer();
  ASSERT_TRUE(ensureStoreAllocated(store, kMaxLayers));
  EXPECT_EQ(store.capacity(), kMaxStorePoints);
  EXPECT_EQ(store.groupCount(), 0);
}

TEST(OverlayStore, LabelsKeepWholeCharactersOfTheirEncoding) {
  const std::string kana = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";  // テスト in UTF-8
  const std::string sjis = "\x83\x65\x83\x58\x83\x67";              // テスト in CP932
  struct Case {
    std::string in;
    size_t max;
    std::string kept;
    std::string utf8;
  };
  const Case cases[] = {
      {std::string(40, 'A'), 31, std::string(31, 'A'), std::string(31, 'A')},
      {kana + kana + kana + kana, 31, kana + kana + kana + kana.substr(0, 3), ""},  // 30 bytes
      {"A" + kana + kana + kana + kana, 31, "A" + kana + kana + kana + kana.substr(0, 3), ""},
      {sjis + sjis + sjis + sjis + sjis + sjis, 31,
       (sjis + sjis + sjis + sjis + sjis).substr(0, 30), ""},
      {"A" + sjis, 4, "A\x83\x65", "Aテ"},
      {"A" + sjis, 2, "A", "A"},
      {sjis, 6, sjis, "テスト"},
      {"\x83", 6, "\x83", "\xEF\xBF\xBD"},  // a lone lead byte decodes to the replacement
      {"\xB1\xB2", 6, "\xB1\xB2", "ｱｲ"},    // half-width kana are single CP932 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(truncateLabel(c.in, c.max), c.kept);
    if (!c.utf8.empty()) {
      EXPECT_EQ(labelToUtf8(c.kept), c.utf8);
    }
  }
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
  EXPECT_FALSE(isValidUtf8("\xE3\x83"));         // cut short
  EXPECT_TRUE(isValidUtf8("\xF0\x9F\x97\xBB"));  // four bytes

  OverlayStore store;
  ASSERT_TRUE(store.allocateOverlayStore(4));
  store.setLabel(0, kana + kana + kana + kana);
  EXPECT_EQ(store.label(0).size(), 30u);
  EXPECT_EQ(store.labelText(0), "テストテストテストテ");
  store.setLabel(1, "");
  EXPECT_EQ(store.label(1), "");
  store.copyLabel(2, 0);
  EXPECT_EQ(store.label(2), store.label(0));
}

TEST(OverlayStore, KindNames) {
  struct Case {
    int32_t kind;
    const char* japanese;
    const char* english;
  };
  const Case cases[] = {
      {101, "測量の基準点", "GCP"},  {191, "目印", "Mark"},
      {192, "その他", "Others"},     {208, "河川堤防表法肩法線", "LeveeEdge"},
      {291, "NMEA LOG", "NMEA LOG"}, {307, "道路区分面", "RdSgmtA"},
      {0, "その他", "Others"},       {400, "その他", "Others"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kindName(c.kind, false), c.japanese) << c.kind;
    EXPECT_EQ(kindName(c.kind, true), c.english) << c.kind;
  }
  // The GSI tags are tried in ascending kind order; 27 of them.
  int tags = 0;
  int32_t last = 0;
  for (const KindInfo& k : kindTable()) {
    EXPECT_GT(k.kind, last);
    last = k.kind;
    tags += k.tag.empty() ? 0 : 1;
  }
  EXPECT_EQ(tags, 27);
}

}  // namespace
}  // namespace torvane
