#include "scene/Contours.h"

#include "contour/ContourExport.h"
#include "scene/Scene.h"

namespace torvane {

ContourPlacement contourPlacement(const Scene& scene) {
  ContourPlacement p;
  p.fit = scene.mesh.fit();
  p.Scale = scene.view.Scale;
  p.alphaEnabled = scene.view.ContourAlphaEnabled;
  p.Alpha = scene.view.Alpha;
  return p;
}

bool buildContourRange(Scene& scene, int kind, const ContourLevels& levels,
                       const ContourProgressFn& progress) {
  return buildContourRange(scene.contours, scene.grid, contourPlacement(scene), kind, levels.first,
                           levels.last, levels.step, progress);
}

bool buildContourSet(Scene& scene, int kind, int value) {
  return buildContourSet(scene.contours, scene.grid, contourPlacement(scene), kind, value);
}

std::vector<bool> buildContourSets(Scene& scene, std::span<const ContourSetRequest> requests,
                                   const ContourProgressFn& progress) {
  return buildContourSets(scene.contours, scene.grid, contourPlacement(scene), requests, progress);
}

bool exportContourGeoJson(const Scene& scene, const std::filesystem::path& path, bool visibleOnly,
                          WriteError* error) {
  if (scene.grid.count == 0) {
    if (error != nullptr) {
      *error = {WriteError::Kind::Content, 0, path, "no elevation data"};
    }
    return false;
  }
  const std::vector<std::filesystem::path> inputs = inputFiles(scene);
  return writeContourGeoJson(path, scene.contours, scene.grid, scene.mesh.fit(), visibleOnly,
                             WriteGuard{inputs}, error);
}

}  // namespace torvane
