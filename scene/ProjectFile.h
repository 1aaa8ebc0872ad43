#pragma once
// The project file (.tvp): the whole working state as INI text, and its re-creation. Sections
// File (elevation files, visibility, draped image), File1 (line/point layers), Calc1 (contour
// sets), View (camera and colouring) and Rota (rotation speed), in that order. Written as UTF-8;
// files in CP932 (Shift_JIS) text with CRLF line ends and backslash paths read as well.

#include <filesystem>
#include <string>
#include <string_view>

#include "elevation/AtomicFile.h"
#include "elevation/FileProblems.h"
#include "elevation/OpenPipeline.h"

namespace torvane {

class Scene;

//! At most this many elevation files and layers are read; contour sets are read up to the 300
//! the store holds (kMaxContourSets), as many as a save writes.
inline constexpr int kMaxProjectEntries = 100;

/// How a data file is stored: its bare name when it lies in the project folder, or
/// "NAME.zip/MEMBER" for a member of an archive that lies there (MEMBER may have folders);
/// otherwise its absolute path.
std::string storedProjectPath(const std::filesystem::path& file,
                              const std::filesystem::path& projectFolder);

/// The file a stored value names. Both '/' and '\' separate folders. A bare name, or
/// "NAME.zip/MEMBER", is taken from the project folder; any other value stands as it is.
std::filesystem::path resolveProjectPath(std::string_view stored,
                                         const std::filesystem::path& projectFolder);

/// The project text that SaveProject writes for `scene` saved at `projectPath`.
std::string projectText(const Scene& scene, const std::filesystem::path& projectPath);

/**
 * @brief Saves the working state as a project file.
 *
 * False, with `error` saying why, when the extension is not ".tvp" (any case), no elevation
 * grid is loaded, a path cannot be stored (it holds a line break) or the file cannot be
 * written. The file is written beside the target under a temporary name, flushed to disk and
 * renamed over it, so a failed save leaves an existing project exactly as it was.
 */
bool SaveProject(const Scene& scene, const std::filesystem::path& path,
                 WriteError* error = nullptr);

/**
 * @brief Re-creates the working state from a project file.
 *
 * Opens the elevation files (the plane open when the first holds plane data), which resets the
 * view; then applies visibility, the draped image, layers, contour sets and the view settings,
 * each falling back to its default when absent or out of range. A file's or layer's stored
 * settings go to the file or layer of the same name, so a missing file loses only its own.
 * False when the extension is not ".tvp", the file names no elevation file or none of the
 * elevation files opens (the scene then stays as it was unless the open had found data); what
 * fails after that (an image, a layer or a contour set) is left out. Every file that could not
 * be used is reported to `problems` when given.
 */
bool LoadProject(Scene& scene, const std::filesystem::path& path,
                 const OpenProgressFn& progress = {}, FileProblems* problems = nullptr);

}  // namespace torvane
