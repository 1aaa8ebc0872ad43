#pragma once
// What the main window does with dropped files: the decision is made from the first path's
// extension (compared without regard to case), the format registries and the state of the
// loaded grid.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "elevation/Readers.h"
#include "overlay/LineReaders.h"

namespace torvane {

inline constexpr size_t kMaxDropPaths = 100;

enum class DropAction {
  None,          //!< nothing happens (no paths, or the view is auto-rotating)
  Refuse,        //!< show `errorText`; nothing is loaded
  LoadProject,   //!< load the one project; failure: 2005 and the caption becomes the program name
  LoadTexture,   //!< drape the one image; failure: 2007
  AddLineFiles,  //!< add every path as line/point data; failure: 2005
  LineFilesOrElevation,  //!< add as line/point data; failing that, open as elevation data
                         //!< when one of the .xml paths is a DEM file; failure: 2005, caption reset
  OpenLem,               //!< open every path as LEM data; failure: 2005, caption reset
  OpenElevation,         //!< open every path as elevation data; failure: 2005, caption reset
};

//! The state of the scene that a drop depends on, and the formats it knows.
struct DropContext {
  bool rotating = false;
  bool gridLoaded = false;
  bool geoCoordinates = true;
  std::span<const ElevationReader> elevationFormats = elevationReaders();
  std::span<const LineFormat> lineFileFormats = lineFormats();
};

struct DropDecision {
  DropAction action = DropAction::None;
  int errorText = 0;  //!< the text to show when the action is Refuse or when it fails
};

/// Chooses what a drop of `paths` does. Only the first kMaxDropPaths paths count.
DropDecision decideDrop(std::span<const std::filesystem::path> paths, const DropContext& context);

//! The files of one format as a file dialog's type list and the usage texts name them.
struct FileType {
  std::string name;                   //!< "XML", "NMEA"
  std::vector<std::string> patterns;  //!< "*.log", "*.nmea"
};

/// The elevation formats in registry order, one entry per name, GSI's zip downloads included.
std::vector<FileType> elevationFileTypes(
    std::span<const ElevationReader> formats = elevationReaders());
/// The line/point formats read over data of this kind, one entry per name.
std::vector<FileType> lineFileTypes(bool geoCoordinates,
                                    std::span<const LineFormat> formats = lineFormats());

/// True when the file is a GSI DEM file: among its first 12 lines, the last one read starts
/// (after blanks) with "<DEM". A file that cannot be opened is not one.
bool isDemXmlFile(const std::filesystem::path& path);

/// The image draped on a single LEM file: the path with its extension replaced by ".jpg" when
/// that file exists, otherwise the same name in a folder PHOTO beside the file's own folder
/// (a/b/DEM/x.lem -> a/b/DEM/x.jpg, else a/b/PHOTO/x.jpg). Whether that one exists is for the
/// image loader to find out.
std::filesystem::path drapedImageForLem(const std::filesystem::path& lemPath);

/**
 * @brief The project named on the command line (program name excluded), if any.
 *
 * Exactly one argument whose extension is ".tvp" (any case) names a project; an argument with a
 * folder part is used unchanged, a bare file name is taken from `currentDir`.
 */
std::optional<std::filesystem::path> commandLineProject(std::span<const std::string> args,
                                                        const std::filesystem::path& currentDir);

/// The project to open at start-up: "AutoRun.tvp" in `currentDir` when it exists, otherwise the
/// command-line project.
std::optional<std::filesystem::path> startupProject(
    const std::optional<std::filesystem::path>& commandLine,
    const std::filesystem::path& currentDir);

}  // namespace torvane
