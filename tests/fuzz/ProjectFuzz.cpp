// Fuzz target: the project file. The input is the project text (any encoding); it may name the
// small elevation tile "t.xml" and the image "i.png" that lie beside it. A project that loads must
// leave every view setting in its range, and saving it, loading the saved file and saving again
// must give the same text (when the stored angles were within one turn of 0..2pi, since an angle
// is wrapped only once on reading). The tile, the image and the two scenes are made once per
// process, and every input loads into the same scenes as the window loads project after project
// into its one scene; so each run costs the load alone, not a new scene.
#include <cmath>
#include <cstdlib>

#include "scene/ProjectFile.h"
#include "scene/Scene.h"
#include "tests/fuzz/FuzzHarness.h"
#include "tests/support/DemXmlWriter.h"

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

void checkView(const torvane::ViewState& v) {
  check(v.ColorT >= 1 && v.ColorT <= 3 && v.ColorS >= 0 && v.ColorS <= 9 && v.ColorR >= 1 &&
        v.ColorR <= 7);
  check(v.CRHueS >= 0 && v.CRHueS <= 239 && v.CRHueE >= 0 && v.CRHueE <= 239);
  check(v.ColorK >= -1 && v.ColorK <= 1000 && v.Scale >= 0 && v.Scale <= 100);
  check(v.Alpha >= 0 && v.Alpha <= 255 && v.Pitch >= 1 && v.Pitch <= 10);
  check(std::isfinite(v.MoveX) && std::isfinite(v.MoveY) && std::isfinite(v.MoveZ));
  check(std::isfinite(v.RotaX) && std::isfinite(v.RotaZ));
  check(v.RZoom >= torvane::kMinZoom && v.RZoom <= torvane::kQuarterPi);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  const std::filesystem::path dir = fuzz::workDir();
  static const bool tile = [&] {
    fixtures::DemTile t;
    t.columns = 6;
    t.rows = 5;
    t.latNE = t.latSW + 0.0004;
    t.lonNE = t.lonSW + 0.0005;
    t.heights.assign(30, 12.5);
    fuzz::writeFile(dir / "i.png", "\x89PNG\r\n\x1A\n");
    return fixtures::writeDemXml(dir / "t.xml", t);
  }();
  check(tile);
  fuzz::writeFile(dir / "p.tvp", std::string_view(reinterpret_cast<const char*>(data), size));
  static Scene scene, again;
  scene.limits = again.limits = DeviceLimits{65535, 65535};
  if (!LoadProject(scene, dir / "p.tvp")) {
    return 0;
  }
  check(scene.grid.count > 0);
  checkView(scene.view);
  const double turn = 2 * 3.141592653589793;
  const bool wrapped = scene.view.RotaX >= 0 && scene.view.RotaX <= turn && scene.view.RotaZ >= 0 &&
                       scene.view.RotaZ <= turn;
  if (!wrapped || !SaveProject(scene, dir / "q.tvp")) {
    return 0;  // a name that cannot be stored
  }
  check(LoadProject(again, dir / "q.tvp"));
  check(projectText(again, dir / "q.tvp") == projectText(scene, dir / "q.tvp"));
  return 0;
}
