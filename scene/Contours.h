#pragma once
// The scene's contour sets: builds from the parameter dialog, the project file and the
// command-line tool, placed with the terrain's model fit and the view's relief and transparency,
// and the GeoJSON export of the sets.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "contour/ContourStore.h"
#include "elevation/AtomicFile.h"

namespace torvane {

class Scene;

/// Where the scene's contour points go: the terrain's model fit, the relief, and the
/// transparency when it applies to contours.
ContourPlacement contourPlacement(const Scene& scene);

/// Builds the range of `kind` over the scene's grid (see buildContourRange of the store).
bool buildContourRange(Scene& scene, int kind, const ContourLevels& levels,
                       const ContourProgressFn& progress = {});
/// Builds the single set of `kind` at `value` (the project file's sets).
bool buildContourSet(Scene& scene, int kind, int value);
/// Rebuilds a project's sets in one walk per kind (see buildContourSets of the store).
std::vector<bool> buildContourSets(Scene& scene, std::span<const ContourSetRequest> requests,
                                   const ContourProgressFn& progress = {});

/// Writes the scene's contour sets (the visible ones when `visibleOnly`) as GeoJSON, replacing
/// `path` only once the file is complete and never replacing one of the scene's input files.
/// False with `error` set when there is nothing to write from (no grid) or the file cannot be
/// written.
bool exportContourGeoJson(const Scene& scene, const std::filesystem::path& path, bool visibleOnly,
                          WriteError* error);

}  // namespace torvane
