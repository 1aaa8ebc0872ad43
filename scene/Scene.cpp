#include "scene/Scene.h"

#include "scene/Propagation.h"
#include "terrain/TerrainAnalysis.h"

namespace torvane {

void Scene::clearScene() {
  // Release order: draped image, contour sets, line/point layers, terrain buffers, grid.
  releaseDrapedImage(*this);
  contours.freeContourStore();
  overlays.freeOverlayStore();
  mesh.release();
  grid.releaseGrid();
}

void Scene::resetViewState() {
  ResetViewState(view);
  resetRuler(ruler);
}

bool Scene::postProcess(const SamplingPlan& openPlan) {
  plan = openPlan;
  // The extents are known; everything that depends on the nodes follows in this order. A grid
  // too flat to colour or analyse still opens; failures from here on fail the open (the
  // pipeline then clears the scene).
  analyseTerrain(grid);
  if (!mesh.allocateVertices(grid)) {
    return false;
  }
  mesh.fitModelSpace(grid);
  mesh.placeVertices(grid);
  ApplyRelief(*this);
  ApplyLandColours(*this);
  return mesh.buildIndices(grid, plan.indexTotal) && mesh.uploadVertices() && mesh.uploadIndices();
}

namespace {
OpenOptions openOptions(const Scene& scene, const OpenProgressFn& progress, unsigned threads,
                        FileProblems* problems = nullptr) {
  OpenOptions options;
  options.limits = scene.limits;
  options.progress = progress;
  options.threads = threads;
  options.problems = problems;
  return options;
}
}  // namespace

bool openElevationFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                        const OpenProgressFn& progress, unsigned threads) {
  return openElevationFiles(paths, scene.grid, scene, openOptions(scene, progress, threads));
}

bool openLemFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                  const OpenProgressFn& progress, unsigned threads) {
  return openLemFiles(paths, scene.grid, scene, openOptions(scene, progress, threads));
}

bool openElevationData(Scene& scene, std::span<const std::filesystem::path> paths,
                       const OpenProgressFn& progress, FileProblems* problems, unsigned threads) {
  return openElevationData(paths, scene.grid, scene,
                           openOptions(scene, progress, threads, problems));
}

bool addLineFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                  const LineProgressFn& progress, FileProblems* problems) {
  const HeightSampler sampler(scene.grid, scene.mesh);
  const LineReadContext context{scene.grid, scene.mesh, sampler, scene.view.Scale, progress};
  return addLineFiles(scene.overlays, context, paths,
                      {scene.view.LayerAlphaEnabled, scene.view.Alpha}, problems);
}

std::vector<std::filesystem::path> inputFiles(const Scene& scene) {
  std::vector<std::filesystem::path> files;
  for (int i = 0; i < scene.grid.fileCount; ++i) {
    files.push_back(scene.grid.filePath(i));
  }
  for (int g = 0; g < scene.overlays.groupCount(); ++g) {
    files.push_back(scene.overlays.layerName(g));
  }
  if (scene.image.loaded) {
    files.push_back(scene.image.path);
    if (!scene.image.basePath.empty()) {
      files.push_back(scene.image.basePath);
    }
  }
  return files;
}

}  // namespace torvane
