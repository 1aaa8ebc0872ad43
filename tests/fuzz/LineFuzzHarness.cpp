#include "tests/fuzz/LineFuzzHarness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "overlay/LabelText.h"
#include "scene/Scene.h"
#include "tests/fuzz/FuzzHarness.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"

namespace torvane::fuzz {

namespace {

// Small enough to reach the full store now and then; large enough for one 65,535-point piece.
constexpr uint32_t kFuzzCapacity = 70000;

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

struct Terrain {
  Scene scene;
  explicit Terrain(bool plane) {
    const std::filesystem::path dir = workDir() / (plane ? "plane" : "geo");
    std::filesystem::create_directories(dir);
    writeFuzzTerrain(dir.c_str());
    const std::filesystem::path paths[] = {dir / (plane ? "t.lem" : "t.xml")};
    const bool ok = openElevationData(scene, paths, {}, nullptr, 1);
    // One resident layer keeps the store's vertex buffer, so every input reuses the store.
    OverlayStore& store = scene.overlays;
    GroupStore::Builder b(store);
    if (!ok || !store.allocateOverlayStore(kFuzzCapacity) || !b.begin(kKindMark, kColourWhite)) {
      violated("harness terrain");
    }
    store.setNewLayer("resident", 5, kDrawMarks);
    store.setLabel(0, "resident");
    b.append({0, 0, 0, kColourWhite}, 0);
    b.close();
    if (!b.finish() || !store.uploadStore()) {
      violated("harness store");
    }
  }
};

void check(const OverlayStore& s) {
  if (s.groupCount() < 1 || s.groupCount() > kMaxLayers || s.pointTotal() > s.capacity() ||
      s.polylineTotal() > s.capacity() || s.capacity() != kFuzzCapacity) {
    violated("store totals");
  }
  uint64_t polylines = 0, points = 0;
  for (int g = 0; g < s.groupCount(); ++g) {
    const GroupRange r = s.groupRange(g);
    polylines += s.polylineCount(g);
    for (uint32_t p = 0; p < r.polylineCount; ++p) {
      const uint32_t n = s.pointsPerPolyline()[r.firstPolyline + p];
      if (n < 1 || n > kMaxPolylinePoints || (s.drawMode(g) == kDrawLineStrip && n < 2)) {
        violated("polyline length");
      }
      points += n;
    }
    if (s.pointSize(g) < 0 || s.pointSize(g) > 10 || s.layerName(g).empty()) {
      violated("layer settings");
    }
  }
  if (polylines != s.polylineTotal() || points != s.pointTotal()) {
    violated("polyline sums");
  }
  for (uint32_t i = 0; i < s.pointTotal(); ++i) {
    const OverlayVertex& v = s.vertices()[i];
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) || std::fabs(v.x) > 4 ||
        std::fabs(v.y) > 4 || !std::isfinite(s.heights()[i]) || (v.diffuse >> 24) != 0xFF) {
      violated("vertex");
    }
    if (s.label(i).size() > kMaxLabelBytes || !isValidUtf8(s.labelText(i))) {
      violated("label");
    }
  }
}

}  // namespace

void writeFuzzTerrain(const char* dir) {
  const std::filesystem::path folder = dir;
  fixtures::DemTile t;
  t.columns = 20;
  t.rows = 15;
  t.latSW = kFuzzLatSouth;
  t.lonSW = kFuzzLonWest;
  t.latNE = kFuzzLatNorth;
  t.lonNE = kFuzzLonEast;
  t.heights = fixtures::sampleHeights(t, [](double lon, double lat) {
    return 100 + 5000 * (lon - kFuzzLonWest) + 3000 * (lat - kFuzzLatSouth);
  });
  fixtures::writeDemXml(folder / "t.xml", t);
  fixtures::LemTile lem;
  lem.columns = 12;
  lem.rows = 9;
  lem.west = kFuzzWest;
  lem.south = kFuzzSouth;
  lem.east = kFuzzEast;
  lem.north = kFuzzNorth;
  for (int i = 0; i < 108; ++i) {
    lem.decimetres.push_back(i * 13 + 50);
  }
  fixtures::writeLem(folder / "t.lem", folder / "t.csv", lem, false);
}

void addLineFileAndCheck(std::string_view bytes, std::string_view extension) {
  const bool plane = extension == ".xyn";
  static std::unique_ptr<Terrain> geo, flat;
  std::unique_ptr<Terrain>& terrain = plane ? flat : geo;
  if (!terrain) {
    terrain = std::make_unique<Terrain>(plane);
  }
  Scene& scene = terrain->scene;
  const std::filesystem::path path = workDir() / ("input" + std::string(extension));
  writeFile(path, bytes);
  const std::filesystem::path paths[] = {path};
  const bool added = addLineFiles(scene, paths);
  OverlayStore& store = scene.overlays;
  if (added != (store.groupCount() > 1) || !store.hasVertexBuffer()) {
    violated("result and layers disagree");
  }
  check(store);
  while (store.groupCount() > 1) {
    store.deleteGroup(store.groupCount() - 1);
  }
  if (store.pointTotal() != 1 || store.label(0) != "resident") {
    violated("resident layer");
  }
  store.uploadStore();
}

}  // namespace torvane::fuzz
