#pragma once
// Shared pieces of the torvane-cli commands. Each command lives in its own file and is listed
// in the command table of main.cpp.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Scene.h"
#include "cli/Json.h"

namespace torvane::cli {

/// Prints a usage problem and the usage text on standard error; returns exit status 2.
int usage(const std::string& problem = {});
/// The usage text of every command.
std::string usageText();
/// The usage of one command ("usage: torvane-cli NAME ..." and its description), empty for a
/// name the usage text does not hold.
std::string commandUsage(std::string_view name);
/// Prints the JSON object and a newline on standard output, with "problems" added when files
/// could not be used (see reportProblems).
void print(const JsonWriter& json);
/// Tells each file that could not be used on standard error ("PATH: REASON") and keeps it for
/// the "problems" of the printed object.
void reportProblems(const FileProblems& problems);
/// Prints {"ok":false,"error":message}; returns exit status 1.
int fail(std::string_view message);

//! Arguments shared by the commands that open elevation files.
struct OpenArgs {
  std::vector<std::filesystem::path> files;
  DeviceLimits limits;
  std::vector<std::string> rest;  //!< options the common parser did not know, in order
};

/// Parses `--limits P,I` and the file arguments. Arguments starting with "--" that are not
/// common options go to `rest` together with the value that follows them when `takesValue`
/// says so. False (with `problem` set) on bad usage.
bool parseOpenArgs(int argc, char** argv, OpenArgs& args, std::string& problem,
                   bool (*takesValue)(std::string_view option) = nullptr);

/// Opens the files as the program does (openElevationData); files that could not be used are
/// reported (reportProblems).
bool openFiles(Scene& scene, const OpenArgs& args);
/// The files with each .zip archive replaced by its DEM XML members; archives that cannot be
/// read are reported (reportProblems).
std::vector<std::filesystem::path> expandArchivesNoisily(
    std::span<const std::filesystem::path> files);

/// A colour as "0xAARRGGBB".
std::string hexColour(uint32_t argb);
/// Writes "layers": the scene's line/point layers as the `layers` command lists them.
void writeLayers(JsonWriter& json, const Scene& scene);

/// Writes "sets": the scene's contour sets as the `contours` command lists them.
void writeContourSets(JsonWriter& json, const Scene& scene);

/// Writes the fields of the `info` object (without "ok").
void writeGridFields(JsonWriter& json, const Scene& scene);

int commandInfo(int argc, char** argv);
int commandColours(int argc, char** argv);
int commandConvert(int argc, char** argv);
int commandLayers(int argc, char** argv);
int commandHeight(int argc, char** argv);
int commandProject(int argc, char** argv);
int commandProfile(int argc, char** argv);
int commandContours(int argc, char** argv);

}  // namespace torvane::cli
