#include "scene/Propagation.h"

#include "scene/Scene.h"

namespace torvane {

bool ApplyLandColours(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  const double seaLevel = EffectiveSeaLevel(scene.view, scene.grid);
  return colourTerrain(scene.grid, scene.view, scene.toneCurves.identity(), seaLevel,
                       scene.mesh.vertices());
}

bool ApplyRelief(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  const bool ok = scene.mesh.computeVertexHeights(scene.grid, scene.view.Scale);
  if (scene.overlays.groupCount() > 0) {
    scene.overlays.rescaleHeights(scene.mesh.fit(), scene.view.Scale);
  }
  if (scene.contours.groupCount() > 0) {
    scene.contours.rescaleHeights(scene.mesh.fit(), scene.view.Scale);
  }
  return ok;
}

bool ApplyTransparency(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  const bool ok = scene.mesh.applyVertexAlpha(scene.view.Alpha);
  if (scene.overlays.groupCount() > 0 && scene.view.LayerAlphaEnabled) {
    scene.overlays.setAlpha(scene.view.Alpha);
  }
  if (scene.contours.groupCount() > 0 && scene.view.ContourAlphaEnabled) {
    scene.contours.setAlpha(scene.view.Alpha);
  }
  return ok;
}

bool RefreshVertexData(Scene& scene) {
  if (!scene.mesh.hasVertices()) {
    return false;
  }
  const bool ok = scene.mesh.uploadVertices();
  if (scene.overlays.groupCount() > 0) {
    scene.overlays.uploadStore();
  }
  if (scene.contours.groupCount() > 0) {
    scene.contours.uploadStore();
  }
  return ok;
}

}  // namespace torvane
