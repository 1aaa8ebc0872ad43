#include "scene/DropDispatch.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "elevation/Readers.h"
#include "elevation/TextLineReader.h"
#include "resources/Texts.h"

namespace torvane {

DropDecision decideDrop(std::span<const std::filesystem::path> paths, const DropContext& context) {
  if (paths.empty() || context.rotating) {
    return {DropAction::None, 0};
  }
  const size_t count = std::min(paths.size(), kMaxDropPaths);
  const std::filesystem::path& first = paths.front();
  auto is = [&](std::string_view ext) { return hasExtension(first, ext); };

  if (is(".tvp")) {
    if (count != 1) {
      return {DropAction::Refuse, kTextOneFileOnly};
    }
    return {DropAction::LoadProject, kTextNoValidData};
  }
  if (is(".jpg") || is(".png")) {
    if (count != 1) {
      return {DropAction::Refuse, kTextOneFileOnly};
    }
    if (!context.gridLoaded) {
      return {DropAction::Refuse, kTextNoElevationData};
    }
    return {DropAction::LoadTexture, kTextUnsupportedFile};
  }
  auto lineFormat = [&](bool geographic) -> const LineFormat* {
    for (const LineFormat& f : context.lineFileFormats) {
      if (f.geographic == geographic && is(f.extension)) {
        return &f;
      }
    }
    return nullptr;
  };
  const ElevationReader* elevation = nullptr;
  for (const ElevationReader& r : context.elevationFormats) {
    if (is(r.extension)) {
      elevation = &r;
      break;
    }
  }
  const bool lineData = lineFormat(true) != nullptr || lineFormat(false) != nullptr;
  if (lineData && elevation == nullptr) {
    if (!context.gridLoaded || lineFormat(context.geoCoordinates) == nullptr) {
      return {DropAction::Refuse, kTextNoElevationData};
    }
    return {DropAction::AddLineFiles, kTextNoValidData};
  }
  // A name both kinds use (GSI's .xml): line/point data over a geographic grid, else elevation.
  if (lineData && context.gridLoaded && context.geoCoordinates && lineFormat(true) != nullptr) {
    return {DropAction::LineFilesOrElevation, kTextNoValidData};
  }
  if (elevation != nullptr && readsPlaneData(*elevation, first)) {
    return {DropAction::OpenLem, kTextNoValidData};
  }
  return {DropAction::OpenElevation, kTextNoValidData};
}

namespace {
void addFileType(std::vector<FileType>& types, std::string_view name, std::string_view extension) {
  const std::string pattern = "*" + std::string(extension);
  for (FileType& t : types) {
    if (t.name == name) {
      t.patterns.push_back(pattern);
      return;
    }
  }
  types.push_back({std::string(name), {pattern}});
}
}  // namespace

std::vector<FileType> elevationFileTypes(std::span<const ElevationReader> formats) {
  std::vector<FileType> types;
  for (const ElevationReader& r : formats) {
    addFileType(types, r.filterName, r.extension);
  }
  addFileType(types, "ZIP", ".zip");  // GSI downloads: archives of DEM XML
  return types;
}

std::vector<FileType> lineFileTypes(bool geoCoordinates, std::span<const LineFormat> formats) {
  std::vector<FileType> types;
  for (const LineFormat& f : formats) {
    if (f.geographic == geoCoordinates) {
      addFileType(types, f.filterName, f.extension);
    }
  }
  return types;
}

bool isDemXmlFile(const std::filesystem::path& path) {
  TextLineReader reader;
  if (!reader.open(path)) {
    return false;
  }
  std::string_view line;
  std::string last;
  for (int i = 0; i < 12 && reader.next(line); ++i) {
    last.assign(line);
  }
  return lineStartsWithTag(last, "<DEM");
}

std::filesystem::path drapedImageForLem(const std::filesystem::path& lemPath) {
  std::filesystem::path beside = lemPath;
  beside.replace_extension(".jpg");
  std::error_code ec;
  if (std::filesystem::exists(beside, ec)) {
    return beside;
  }
  return lemPath.parent_path().parent_path() / "PHOTO" / beside.filename();
}

std::optional<std::filesystem::path> commandLineProject(std::span<const std::string> args,
                                                        const std::filesystem::path& currentDir) {
  if (args.size() != 1 || !hasExtension(args.front(), ".tvp")) {
    return std::nullopt;
  }
  const std::filesystem::path arg(args.front());
  if (arg.has_parent_path()) {
    return arg;
  }
  return currentDir / arg;
}

std::optional<std::filesystem::path> startupProject(
    const std::optional<std::filesystem::path>& commandLine,
    const std::filesystem::path& currentDir) {
  const std::filesystem::path autoRun = currentDir / "AutoRun.tvp";
  std::error_code ec;
  if (std::filesystem::is_regular_file(autoRun, ec)) {
    return autoRun;
  }
  return commandLine;
}

}  // namespace torvane
