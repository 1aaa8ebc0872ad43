#include "scene/ViewState.h"

#include <cmath>

#include "elevation/ElevationGrid.h"

namespace torvane {

void ResetViewState(ViewState& view) {
  view.MoveX = view.MoveY = view.MoveZ = 0;
  view.RotaX = view.RotaY = view.RotaZ = 0;
  view.RZoom = kQuarterPi;
  view.ColorT = 3;
  view.ColorS = 0;
  view.ColorR = 1;
  view.CRHueR = true;
  view.CRHueS = 120;
  view.CRHueE = 200;
  view.ColorK = -1;
  view.OceanC = 0x00FF0000;
  view.OceanT = true;
  view.LayerAlphaEnabled = false;
  view.ContourAlphaEnabled = false;
  view.rotating = false;
  view.clockwise = false;
}

int EffectiveSeaLevel(const ViewState& view, const ElevationGrid& grid) {
  if (view.ColorK >= 0) {
    return view.ColorK > 1000 ? 1000 : view.ColorK;
  }
  if (grid.count == 0) {
    return 0;
  }
  double t = std::trunc(grid.Hmin);
  if (grid.Hmin - t < 0.00005) {
    t -= 1;
  }
  if (t < 0) {
    return 0;
  }
  if (t > 1000) {
    return 1000;
  }
  return static_cast<int>(t);
}

}  // namespace torvane
