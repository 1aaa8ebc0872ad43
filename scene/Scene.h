#pragma once
// The scene: everything loaded and shown in one run of the program. The window owns one; tests
// and the command-line tool create as many as they like.

#include <filesystem>
#include <span>
#include <vector>

#include "scene/DrapedImage.h"
#include "scene/ViewState.h"
#include "contour/ContourStore.h"
#include "elevation/ElevationGrid.h"
#include "elevation/OpenPipeline.h"
#include "measure/Ruler.h"
#include "overlay/LineReaders.h"
#include "overlay/OverlayStore.h"
#include "terrain/TerrainMesh.h"
#include "terrain/ToneCurves.h"

namespace torvane {

class Scene final : public OpenSteps {
public:
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  ElevationGrid grid;
  ViewState view;
  Ruler ruler;
  DeviceLimits limits;
  SamplingPlan plan;  //!< the sampling plan of the last successful open
  //! Terrain vertices, indices and model fit. A renderer attaches its buffers with
  //! mesh.setDevice() and detaches them before it is destroyed.
  TerrainMesh mesh;
  ToneCurves toneCurves;
  //! Line/point layers (GPS tracks, GSI vector features, marks, point clouds). A renderer
  //! attaches its buffer with overlays.setDevice() and detaches it before it is destroyed.
  OverlayStore overlays;
  DrapedImage image;  //!< the image draped over the terrain, if any
  //! Contour sets. A renderer attaches its buffer with contours.setDevice() and detaches it
  //! before it is destroyed.
  ContourStore contours;

  void clearScene() override;
  void resetViewState() override;
  bool postProcess(const SamplingPlan& plan) override;
};

/// Opens .xml/.tvd/.bil elevation files into the scene (see the open pipeline).
bool openElevationFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                        const OpenProgressFn& progress = {}, unsigned threads = 0);
/// Opens .lem elevation files into the scene (plane coordinates; see the open pipeline).
bool openLemFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                  const OpenProgressFn& progress = {}, unsigned threads = 0);
/// Opens elevation files into the scene as every caller does: the plane open when the first
/// path holds plane data, else the geographic open (see openElevationData). Files that could not
/// be used go to `problems` when given.
bool openElevationData(Scene& scene, std::span<const std::filesystem::path> paths,
                       const OpenProgressFn& progress = {}, FileProblems* problems = nullptr,
                       unsigned threads = 0);

/**
 * @brief Adds line/point files to the scene's layers as the program's "add line/point data"
 * does (see addLineFiles in overlay/LineReaders.h): with the scene's terrain, relief and layer
 * transparency. The caller re-draws and updates the menus; nothing is shown here.
 */
bool addLineFiles(Scene& scene, std::span<const std::filesystem::path> paths,
                  const LineProgressFn& progress = {}, FileProblems* problems = nullptr);

/// The files the scene was made from: the elevation files, the line/point files and the
/// draped image with its base image. No output of the scene may replace one of them.
std::vector<std::filesystem::path> inputFiles(const Scene& scene);

}  // namespace torvane
