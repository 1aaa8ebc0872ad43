#include "scene/Propagation.h"

#include "scene/Scene.h"

namespace torvane {

// Line/point layers and contour sets join these operations with their stores; until then the
// terrain is all there is to update.

ColourSettings colourSettingsOf(const ViewState& view) {
  ColourSettings s;
  s.ColorT = view.ColorT;
  s.ColorS = view.ColorS;
  s.ColorR = view.ColorR;
  s.CRHueR = view.CRHueR;
  s.CRHueS = view.CRHueS;
  s.CRHueE = view.CRHueE;
  s.OceanC = view.OceanC;
  s.OceanT = view.OceanT;
  s.Alpha = view.Alpha;
  return s;
}

float overlayPointZ(const ModelFit& fit, int Scale, double H) {
  return static_cast<float>(Scale * fit.scale * 0.5 * (fit.Hmin - H) - 0.0001);
}

bool ApplyLandColours(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  const double seaLevel = EffectiveSeaLevel(scene.view, scene.grid);
  return colourTerrain(scene.grid, colourSettingsOf(scene.view), scene.toneCurves.identity(),
                       seaLevel, scene.mesh.vertices());
}

bool ApplyRelief(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  return scene.mesh.computeVertexHeights(scene.grid, scene.view.Scale);
}

bool ApplyTransparency(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  return scene.mesh.applyVertexAlpha(scene.view.Alpha);
}

bool RefreshVertexData(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  return scene.mesh.uploadVertices();
}

}  // namespace torvane
