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
  // NMEA loggers write ".nmea" as often as ".log".
  if (is(".log") || is(".nmea") || is(".bln") || is(".blhrgb")) {
    if (!context.gridLoaded || !context.geoCoordinates) {
      return {DropAction::Refuse, kTextNoElevationData};
    }
    return {DropAction::AddLineFiles, kTextNoValidData};
  }
  if (is(".xyn")) {
    if (!context.gridLoaded || context.geoCoordinates) {
      return {DropAction::Refuse, kTextNoElevationData};
    }
    return {DropAction::AddLineFiles, kTextNoValidData};
  }
  if (is(".xml") && context.gridLoaded && context.geoCoordinates) {
    return {DropAction::LineFilesOrElevation, kTextNoValidData};
  }
  if (is(".lem")) {
    return {DropAction::OpenLem, kTextNoValidData};
  }
  return {DropAction::OpenElevation, kTextNoValidData};
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
    const std::optional<std::filesystem::path>& commandLine, const std::filesystem::path& currentDir) {
  const std::filesystem::path autoRun = currentDir / "AutoRun.tvp";
  std::error_code ec;
  if (std::filesystem::is_regular_file(autoRun, ec)) {
    return autoRun;
  }
  return commandLine;
}

}  // namespace torvane
