#pragma once
// The readers of line/point files and the one entry point that adds them to the layer store:
// GSI vector feature XML, NMEA GPS logs, BLN and XYN marks, BLHRGB point clouds, and the vector
// formats of other tools (GPX, KML, GeoJSON, Shapefile, GeoPackage). Each reader but the last
// appends at most one layer; none shows a message; points are placed on the terrain by the
// height sampling and stored in model space.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "elevation/FileProblems.h"
#include "overlay/OverlayStore.h"
#include "terrain/HeightSampling.h"

namespace torvane {

class ElevationGrid;
class TerrainMesh;

/// Progress of a long read: the fraction (0..1) of the file list done. Called once per file,
/// every 65,535 points and every few megabytes of input; may be empty.
using LineProgressFn = std::function<void(double fraction)>;

//! What the readers place points with: the loaded terrain, its sampler and the relief setting.
struct LineReadContext {
  const ElevationGrid& grid;
  const TerrainMesh& mesh;
  const HeightSampler& sampler;  //!< built for grid and mesh
  int Scale = 2;                 //!< relief setting; z follows the relief rule
  LineProgressFn progress;
  //! Where a reader that adds no layer may say why, in a few plain words (may be null).
  std::string* reason = nullptr;
};

//! Kinds classifyGsiFile() gives besides the kind table's: not usable, and a DEM file.
inline constexpr int32_t kKindUnusable = 0;
inline constexpr int32_t kKindDem = 1;

/**
 * @brief The layer kind of a GSI vector file from its first lines.
 *
 * Line 12 (or the last line of a shorter file), after leading blanks: "<DEM" gives kKindDem, a
 * tag of the kind table its kind. Otherwise the first of the first 1,000 lines that begins with a
 * kind tag gives its kind (GSI downloads start their first feature on line 10), else the first
 * line that begins with <gml:pos> gives 199 or one that contains <gml:posList> gives 299, else
 * kKindUnusable (also for a file that cannot be opened).
 */
int32_t classifyGsiFile(const std::filesystem::path& path);

/// Layer colour of a GSI kind (A8R8G8B8).
uint32_t gsiKindColour(int32_t kind);

/// GSI vector features: point kinds as points (size 5), line and area kinds as line strips
/// broken where they leave the data and split every 65,535 points. True when a layer was added.
bool readGsiVector(OverlayStore& store, const LineReadContext& context,
                   const std::filesystem::path& path);

/// NMEA 0183 log: GGA fixes (of any talker: $GPGGA, $GNGGA, ...) with a fix as one blue track,
/// broken where it leaves the data. True when a layer was added.
bool readNmeaLog(OverlayStore& store, const LineReadContext& context,
                 const std::filesystem::path& path);

/// BLN marks: "latitude,longitude,label" (or space separated). True when a layer was added.
bool readBln(OverlayStore& store, const LineReadContext& context,
             const std::filesystem::path& path);

/// XYN marks: "X,Y,label" in the plane system of the grid, inside its extents (bounds included).
bool readXyn(OverlayStore& store, const LineReadContext& context,
             const std::filesystem::path& path);

/// BLHRGB point cloud: "latitude,longitude,height,any,R,G,B"; heights from the file, colours
/// clamped to 0..255. True when a layer was added.
bool readBlhrgb(OverlayStore& store, const LineReadContext& context,
                const std::filesystem::path& path);

/**
 * @brief GPX, KML/KMZ, GeoJSON, Shapefile and GeoPackage files, read with GDAL: each layer of
 * the file gives a layer of its lines (track segments, line strings, polygon rings; the NMEA
 * kind for GPX tracks and routes, else "other"), one of its named points as marks labelled with
 * the "name" field, and one of its other points, each only when it holds a point.
 *
 * Coordinates are converted to longitude and latitude (WGS 84 and JGD2011 alike; none given:
 * longitude/latitude) and placed as NMEA fixes are: a point off the data is skipped and breaks
 * the line. A file that GDAL cannot open or that breaks off while being read adds nothing.
 * True when at least one layer was added; otherwise context.reason says why. GPX files as GPS
 * devices and apps write them are read in one pass without GDAL, with the same result
 * (overlay/GpxScanner.h).
 */
bool readVectorFile(OverlayStore& store, const LineReadContext& context,
                    const std::filesystem::path& path);

//! The layer transparency settings that apply to newly added layers.
struct LayerAlpha {
  bool enabled = false;  //!< LayerAlphaEnabled
  int alpha = 255;       //!< the terrain transparency (Alpha)
};

using LineReaderFn = bool (*)(OverlayStore& store, const LineReadContext& context,
                              const std::filesystem::path& path);

//! A line/point format: one row of the registry that the menu command, drops, projects, the
//! file dialog and the command-line tool ask.
struct LineFormat {
  std::string_view extension;  //!< lower case, with the dot
  bool geographic;             //!< read over geographic data (else over plane data)
  LineReaderFn read;
  std::string_view filterName;  //!< the format's name in file dialogs
};

/// Every line/point format, in the order dialogs list them.
std::span<const LineFormat> lineFormats();

/// The format that reads `path` over data of this kind (geographic when `geoCoordinates`), by
/// extension compared without regard to case; nullptr for none.
const LineFormat* lineFormatFor(const std::filesystem::path& path, bool geoCoordinates);

/**
 * @brief Adds line/point files as layers: the one entry point of the menu command, dropped files
 * and the project file.
 *
 * Refuses (false, store untouched) a list of 0 or more than 100 paths or when no terrain is
 * loaded. Allocates the store if it has no vertex buffer (shrinking capacity), then reads each
 * path by its format (lineFormatFor); other files are skipped. Each file that adds no layer is
 * reported to `problems` (when given) with its reason. False when no file added a layer (the
 * store stays allocated). Then applies the transparency when enabled and uploads; a failed
 * upload frees the whole store and returns false.
 */
bool addLineFiles(OverlayStore& store, const LineReadContext& context,
                  std::span<const std::filesystem::path> paths, const LayerAlpha& alpha,
                  FileProblems* problems = nullptr);

}  // namespace torvane
