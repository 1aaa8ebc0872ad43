#include "app/Scene.h"

namespace torvane {

void Scene::clearScene() {
  // Release order: draped image, contour sets, line/point layers, terrain buffers, grid.
  // The image, contour, layer and mesh owners join the scene with their subsystems.
  grid.releaseGrid();
}

void Scene::resetViewState() { ResetViewState(view); }

bool Scene::postProcess(const SamplingPlan& openPlan) {
  plan = openPlan;
  // After the extents, in this order:
  //   analyseTerrain -> fitModelSpace, placeVertices -> ApplyRelief ->
  //   ApplyLandColours (EffectiveSeaLevel) -> buildIndices(plan.indexTotal) -> upload.
  // Each step is added here by the subsystem that provides it.
  return true;
}

bool openElevationFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                        const OpenProgressFn& progress, unsigned threads) {
  OpenOptions options;
  options.limits = scene.limits;
  options.progress = progress;
  options.threads = threads;
  return openElevationFiles(paths, scene.grid, scene, options);
}

}  // namespace torvane
