#pragma once
// Contour sets as GeoJSON, for other GIS tools: one MultiLineString feature per set, its
// segments joined into lines (see ContourChains.h), with the set's kind and value as properties.

#include <filesystem>

#include "elevation/AtomicFile.h"

namespace torvane {

class ContourStore;
class ElevationGrid;
struct ModelFit;

/**
 * @brief Writes the sets of `store` (only the visible ones when `visibleOnly`) as a GeoJSON
 * FeatureCollection to `path`, safely: the file is replaced only once completely written.
 *
 * Positions come back from model space through `fit` (the fit the sets were placed with):
 * longitude and latitude in degrees (9 decimals) for geographic data, plane metres (3 decimals)
 * for plane-coordinate data. Properties: "kind" (1 elevation, 2 slope), "value" (metres or
 * degrees) and "name" (the kind's name). A target among `guard`'s inputs is refused. False with
 * `error` set when the file cannot be written.
 */
bool writeContourGeoJson(const std::filesystem::path& path, const ContourStore& store,
                         const ElevationGrid& grid, const ModelFit& fit, bool visibleOnly,
                         const WriteGuard& guard, WriteError* error);

}  // namespace torvane
