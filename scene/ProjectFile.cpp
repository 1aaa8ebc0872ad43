#include "scene/ProjectFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

#include "elevation/AtomicFile.h"
#include "elevation/Readers.h"
#include "scene/Contours.h"
#include "scene/DrapedImage.h"
#include "scene/IniFile.h"
#include "scene/Propagation.h"
#include "scene/Scene.h"

namespace torvane {

namespace {

// The read default of a contour set's Type and Value: the list ends there.
constexpr int kNoContourEntry = -9999;

std::filesystem::path absoluteNormal(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::path a = std::filesystem::absolute(p, ec);
  return (ec ? p : a).lexically_normal();
}

std::filesystem::path projectFolderOf(const std::filesystem::path& projectPath) {
  return absoluteNormal(projectPath).parent_path();
}

std::string key(std::string_view name, int index) {
  return std::string(name) + std::to_string(index);
}

// "%11.9lf" without the process locale (a Qt program runs under the user's LC_NUMERIC).
std::string fixed9(double value) {
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 9);
  std::string text(buffer, result.ptr);
  if (text.size() < 11) {
    text.insert(0, 11 - text.size(), ' ');
  }
  return text;
}

// Writes the view settings saved in `section`, in the table's order.
void writeViewSettings(IniFile& ini, const ViewState& view, std::string_view section) {
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.section != section ||
        (setting.depends == Depends::HueCircle && view.ColorR != kRampHueCircle)) {
      continue;
    }
    std::visit(
        [&](auto member) {
          const auto value = view.*member;
          using T = std::remove_cv_t<decltype(value)>;
          if constexpr (std::is_same_v<T, double>) {
            ini.set(section, setting.key, fixed9(value));
          } else if constexpr (std::is_same_v<T, bool>) {
            ini.set(section, setting.key, value ? "1" : "0");
          } else {
            ini.set(section, setting.key, std::to_string(value));
          }
        },
        setting.member);
  }
}

// Reads the view settings stored in `section` as the table says, each falling back to its
// default; ColorT falls back to it also when no image is draped.
void readViewSettings(const IniFile& ini, std::string_view section, ViewState& view,
                      bool imageLoaded) {
  // The land type and colour belong to the stored image colour mode, whatever the image says.
  int storedMode = view.ColorT;
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.section != section || setting.onLoad == OnLoad::NotRead ||
        (setting.depends == Depends::HueCircle && view.ColorR != kRampHueCircle)) {
      continue;
    }
    if (setting.depends == Depends::LandAndSea && storedMode != kLandAndSea) {
      resetSetting(view, setting);
      continue;
    }
    const std::string* stored = ini.find(section, setting.key);
    const ValidValues& valid = setting.valid;
    std::visit(
        [&](auto member) {
          using T = std::remove_reference_t<decltype(view.*member)>;
          if constexpr (std::is_same_v<T, double>) {
            // Only stored numbers change a number; the range applies to what it then holds.
            if (const std::optional<double> d = profileDouble(stored)) {
              view.*member = *d;
            }
            double& value = view.*member;
            if (setting.onLoad == OnLoad::Wrap) {
              value = value > valid.hi ? value - (valid.hi - valid.lo) : value;
              value = value < valid.lo ? value + (valid.hi - valid.lo) : value;
            } else if (setting.onLoad == OnLoad::Clamp) {
              value = std::clamp(value, valid.lo, valid.hi);
            }
          } else {
            const auto fallback = static_cast<int32_t>(kDefaultView.*member);
            int32_t value = profileInt(stored, fallback);
            if (setting.onLoad == OnLoad::Checked && !valid.holds(value)) {
              value = fallback;
            }
            if constexpr (std::is_same_v<T, bool>) {
              view.*member = value != 0;
            } else {
              view.*member = static_cast<T>(value);
            }
          }
        },
        setting.member);
    if (setting.depends == Depends::Image) {
      storedMode = view.ColorT;
      if (!imageLoaded) {
        resetSetting(view, setting);  // without an image, land and sea colours
      }
    }
  }
}

// Names 1, 2, ... of a list, up to the first missing or empty one.
std::vector<std::filesystem::path> readNames(const IniFile& ini, std::string_view section,
                                             const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> names;
  for (int i = 1; i <= kMaxProjectEntries; ++i) {
    const std::string* value = ini.find(section, key("Name", i));
    if (value == nullptr || value->empty()) {
      break;
    }
    names.push_back(resolveProjectPath(*value, folder));
  }
  return names;
}

// For each of `count` loaded items, the 1-based number of the stored entry it came from: the
// first entry not taken yet that names the same file (a file read into several items matches
// its entries in order), or 0 when none does.
template <typename PathOf>
std::vector<int> matchStoredNames(const std::vector<std::filesystem::path>& stored, int count,
                                  PathOf pathOf) {
  std::vector<int> entries(static_cast<size_t>(std::max(count, 0)), 0);
  std::vector<char> taken(stored.size(), 0);
  for (int i = 0; i < count; ++i) {
    const std::filesystem::path item = pathOf(i);
    for (size_t j = 0; j < stored.size(); ++j) {
      if (!taken[j] && stored[j] == item) {
        taken[j] = 1;
        entries[static_cast<size_t>(i)] = static_cast<int>(j) + 1;
        break;
      }
    }
  }
  return entries;
}

bool refuseSave(WriteError* error, const std::filesystem::path& path, std::string detail) {
  if (error != nullptr) {
    *error = {WriteError::Kind::Content, 0, path, std::move(detail)};
  }
  return false;
}

// The layers of the project, one name per layer. A file that gives several layers (the waypoints
// and the track of a GPX file) is named once for each of them, so a run of one name is read as
// often as it takes to give that many layers, and never so often that it would give more. True
// when any layer was added.
bool addProjectLayers(Scene& scene, const std::vector<std::filesystem::path>& names,
                      FileProblems* problems) {
  bool added = false;
  for (size_t i = 0; i < names.size();) {
    size_t run = 1;
    while (i + run < names.size() && names[i + run] == names[i]) {
      ++run;
    }
    const std::filesystem::path one[] = {names[i]};
    size_t remaining = run;
    while (remaining > 0) {
      const int before = scene.overlays.groupCount();
      if (!addLineFiles(scene, one, {}, problems)) {
        break;
      }
      added = true;
      const auto gained = static_cast<size_t>(scene.overlays.groupCount() - before);
      if (gained == 0 || gained > remaining || remaining - gained < gained) {
        break;
      }
      remaining -= gained;
    }
    i += run;
  }
  return added;
}

}  // namespace

std::string storedProjectPath(const std::filesystem::path& file,
                              const std::filesystem::path& projectFolder) {
  const std::filesystem::path full = absoluteNormal(file);
  const std::filesystem::path folder = absoluteNormal(projectFolder);
  const std::filesystem::path parent = full.parent_path();
  if (parent == folder) {
    return full.filename().string();
  }
  // A member of an archive in the project folder, also one in a folder of the archive.
  const std::filesystem::path inFolder = full.lexically_relative(folder);
  if (std::distance(inFolder.begin(), inFolder.end()) >= 2 &&
      hasExtension(*inFolder.begin(), ".zip")) {
    return inFolder.generic_string();
  }
  return full.string();
}

std::filesystem::path resolveProjectPath(std::string_view stored,
                                         const std::filesystem::path& projectFolder) {
  std::string text(stored);
  std::replace(text.begin(), text.end(), '\\', '/');
  const std::filesystem::path value(text);
  if (!value.has_parent_path()) {
    return projectFolder / value;
  }
  if (value.is_relative() && hasExtension(*value.begin(), ".zip")) {
    return projectFolder / value;  // "NAME.zip/MEMBER", MEMBER possibly in a folder
  }
  return value;
}

std::string projectText(const Scene& scene, const std::filesystem::path& projectPath) {
  const std::filesystem::path folder = projectFolderOf(projectPath);
  const ViewState& v = scene.view;
  IniFile ini;
  auto setInt = [&](std::string_view section, std::string_view name, long long value) {
    ini.set(section, name, std::to_string(value));
  };

  for (int i = 0; i < scene.grid.fileCount; ++i) {
    setInt("File", key("Flag", i + 1), scene.grid.files[static_cast<size_t>(i)].shown ? 1 : 0);
    ini.set("File", key("Name", i + 1), storedProjectPath(scene.grid.filePath(i), folder));
  }
  if (scene.image.loaded) {
    ini.set("File", "Texture", storedProjectPath(scene.image.path, folder));
  }

  writeViewSettings(ini, v, "File1");
  const OverlayStore& layers = scene.overlays;
  for (int i = 0; i < layers.groupCount(); ++i) {
    ini.set("File1", key("Name", i + 1), storedProjectPath(layers.layerName(i), folder));
    setInt("File1", key("Flag", i + 1), layers.visible(i) ? 1 : 0);
    setInt("File1", key("PSize", i + 1), layers.pointSize(i));
    setInt("File1", key("Color", i + 1), layers.colour(i));
  }
  writeViewSettings(ini, v, "Calc1");
  const ContourStore& sets = scene.contours;
  for (int i = 0; i < sets.groupCount(); ++i) {
    setInt("Calc1", key("Type", i + 1), sets.kind(i));
    setInt("Calc1", key("Value", i + 1), sets.value(i));
    setInt("Calc1", key("Flag", i + 1), sets.visible(i) ? 1 : 0);
    setInt("Calc1", key("Color", i + 1), sets.colour(i));
  }

  writeViewSettings(ini, v, "View");
  writeViewSettings(ini, v, "Rota");
  return ini.text();
}

bool SaveProject(const Scene& scene, const std::filesystem::path& path, WriteError* error) {
  if (!hasExtension(path, ".tvp")) {
    return refuseSave(error, path, "not a project file name (.tvp)");
  }
  if (scene.grid.count == 0) {
    return refuseSave(error, path, "no elevation data to save");
  }
  // A line break in a file name would split its line and corrupt the file.
  auto breaksLine = [](const std::filesystem::path& p) {
    return p.native().find_first_of("\r\n") != std::string::npos;
  };
  bool unstorable = scene.image.loaded && breaksLine(scene.image.path);
  for (int i = 0; i < scene.grid.fileCount; ++i) {
    unstorable = unstorable || breaksLine(scene.grid.filePath(i));
  }
  for (int i = 0; i < scene.overlays.groupCount(); ++i) {
    unstorable = unstorable || breaksLine(scene.overlays.layerName(i));
  }
  if (unstorable) {
    return refuseSave(error, path,
                      "a file name holds a line break and cannot be saved in a project");
  }
  // The data files must stay: a project is never written over one of them. (Saving over the
  // project that was opened is the usual save and is not among these.)
  const std::vector<std::filesystem::path> inputs = inputFiles(scene);
  return writeFileAtomically(path, projectText(scene, path), WriteGuard{inputs}, error);
}

bool LoadProject(Scene& scene, const std::filesystem::path& path, const OpenProgressFn& progress,
                 FileProblems* problems) {
  auto problem = [&](std::string reason) {
    if (problems != nullptr) {
      problems->push_back({path, std::move(reason)});
    }
  };
  if (!hasExtension(path, ".tvp")) {
    problem("not a project file (.tvp)");
    return false;
  }
  const std::optional<IniFile> read = IniFile::read(path);
  if (!read) {
    std::error_code ec;
    problem(std::filesystem::exists(path, ec) ? "cannot be read" : "not found");
    return false;
  }
  const IniFile& ini = *read;
  const std::filesystem::path folder = projectFolderOf(path);

  // Elevation files: opening them clears the scene and resets the view. An open that finds
  // none of them leaves the scene as it was.
  const std::vector<std::filesystem::path> names = readNames(ini, "File", folder);
  if (names.empty()) {
    problem("names no elevation file");
    return false;
  }
  if (!openElevationData(scene, names, progress, problems) || scene.grid.count == 0) {
    return false;
  }
  // Each stored setting goes to the file or layer it was stored with, found by its name, so
  // that a missing file costs only its own settings.
  const std::vector<int> fileEntries =
      matchStoredNames(names, scene.grid.fileCount, [&](int i) { return scene.grid.filePath(i); });
  for (int i = 0; i < scene.grid.fileCount; ++i) {
    if (const int entry = fileEntries[static_cast<size_t>(i)]; entry > 0) {
      scene.grid.files[static_cast<size_t>(i)].shown =
          profileInt(ini.find("File", key("Flag", entry)), 1) != 0;
    }
  }
  if (const std::string* texture = ini.find("File", "Texture");
      texture != nullptr && !texture->empty()) {
    LoadTexture(scene, resolveProjectPath(*texture, folder));  // a failure is ignored
  }

  ViewState& v = scene.view;
  readViewSettings(ini, "File1", v, scene.image.loaded);
  const std::vector<std::filesystem::path> layerNames = readNames(ini, "File1", folder);
  OverlayStore& layers = scene.overlays;
  if (!layerNames.empty() && addProjectLayers(scene, layerNames, problems)) {
    const std::vector<int> layerEntries = matchStoredNames(
        layerNames, layers.groupCount(), [&](int g) { return layers.layerName(g); });
    for (int i = 0; i < layers.groupCount(); ++i) {
      const int entry = layerEntries[static_cast<size_t>(i)];
      if (entry == 0) {
        continue;
      }
      layers.setVisible(i, profileInt(ini.find("File1", key("Flag", entry)), 1) != 0);
      if (layers.pointSize(i) >= 1) {
        layers.setPointSize(i, profileInt(ini.find("File1", key("PSize", entry)), 5));
      }
      // Point clouds keep the colours of their points.
      if (!hasExtension(layerNames[static_cast<size_t>(entry - 1)], ".blhrgb")) {
        layers.setGroupColour(
            i, static_cast<uint32_t>(profileInt(ini.find("File1", key("Color", entry)), -1)));
      }
    }
  }
  readViewSettings(ini, "Calc1", v, scene.image.loaded);
  // Contour sets: rebuilt by kind and value over the new grid, up to the first missing kind or
  // value; a set that cannot be rebuilt is left out and the next one is tried. As many are read
  // as the store holds and a save writes (not only the first 100 entries of the other lists).
  std::vector<ContourSetRequest> requests;
  for (int i = 1; i <= kMaxContourSets; ++i) {
    const int type = profileInt(ini.find("Calc1", key("Type", i)), kNoContourEntry);
    const int value = profileInt(ini.find("Calc1", key("Value", i)), kNoContourEntry);
    if (type == kNoContourEntry || value == kNoContourEntry) {
      break;
    }
    requests.push_back({type, value,
                        static_cast<uint32_t>(profileInt(ini.find("Calc1", key("Color", i)), -1)),
                        profileInt(ini.find("Calc1", key("Flag", i)), 1) != 0});
  }
  if (!requests.empty()) {
    buildContourSets(scene, requests);
  }

  // The camera, colouring, relief, transparency and rotation speed, then what they change.
  readViewSettings(ini, "View", v, scene.image.loaded);
  readViewSettings(ini, "Rota", v, scene.image.loaded);
  if (scene.mesh.hasVertices()) {
    ApplyLandColours(scene);
  }
  ApplyRelief(scene);
  ApplyTransparency(scene);
  RefreshVertexData(scene);
  return true;
}

}  // namespace torvane
