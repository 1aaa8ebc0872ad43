// torvane-cli: the headless command-line tool. Every command prints one JSON object on standard
// output; progress and warnings go to standard error.

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/Scene.h"
#include "cli/Json.h"
#include "elevation/NumberParse.h"
#include "resources/Texts.h"

namespace fs = std::filesystem;
using torvane::cli::JsonWriter;

namespace {

constexpr const char* kUsage =
    "usage: torvane-cli info [--limits PRIM,INDEX] FILE...\n"
    "\n"
    "Opens elevation files (GSI DEM XML .xml) as the desktop program does and prints the\n"
    "resulting grid as one JSON object on standard output.\n";

int usage(const std::string& problem = {}) {
  if (!problem.empty()) {
    std::cerr << "torvane-cli: " << problem << "\n";
  }
  std::cerr << kUsage;
  return 2;
}

void print(const JsonWriter& json) { std::cout << json.str() << "\n" << std::flush; }

int fail(std::string_view message) {
  JsonWriter json;
  json.beginObject().field("ok", false).field("error", message).endObject();
  print(json);
  return 1;
}

// "--limits P,I"
bool parseLimits(std::string_view text, torvane::DeviceLimits& limits) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    return false;
  }
  int64_t p = 0, i = 0;
  size_t used = 0, used2 = 0;
  if (!torvane::parseInteger(text.substr(0, comma), p, &used) || used != comma ||
      !torvane::parseInteger(text.substr(comma + 1), i, &used2) ||
      used2 != text.size() - comma - 1 || p <= 0 || i <= 0 || p > UINT32_MAX || i > UINT32_MAX) {
    return false;
  }
  limits.primitiveLimit = static_cast<uint32_t>(p);
  limits.indexLimit = static_cast<uint32_t>(i);
  return true;
}

//! Options shared by the commands that open elevation files.
struct OpenArgs {
  std::vector<fs::path> files;
  torvane::DeviceLimits limits;
};

// Parses the common arguments; unknown options are an error.
bool parseOpenArgs(int argc, char** argv, OpenArgs& args, std::string& problem) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--limits") {
      if (i + 1 >= argc || !parseLimits(argv[i + 1], args.limits)) {
        problem = "--limits needs PRIM,INDEX (two positive integers)";
        return false;
      }
      ++i;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      problem = "unknown option " + std::string(a);
      return false;
    } else {
      args.files.emplace_back(a);
    }
  }
  if (args.files.empty()) {
    problem = "no elevation file given";
    return false;
  }
  return true;
}

void progressToStderr(const torvane::OpenProgress& p) {
  static int lastPercent = -1;
  const int percent = static_cast<int>(p.fraction * 100);
  if (percent != lastPercent) {
    lastPercent = percent;
    std::fprintf(stderr, "\rpass %d: %3d%%", p.pass, percent);
    if (p.pass == 2 && percent == 100) {
      std::fputc('\n', stderr);
    }
  }
}

bool openFiles(torvane::Scene& scene, const OpenArgs& args) {
  scene.limits = args.limits;
  return torvane::openElevationFiles(scene, args.files,
                                     isatty(fileno(stderr)) ? progressToStderr
                                                            : torvane::OpenProgressFn{});
}

// The grid's description shared by `info` and the commands that extend it.
void writeGridFields(JsonWriter& json, const torvane::Scene& scene) {
  const torvane::ElevationGrid& g = scene.grid;
  json.field("step", scene.plan.step).field("fileCount", g.fileCount);
  json.key("files").beginArray();
  for (const torvane::GridFile& f : g.files) {
    json.beginObject()
        .field("name", f.path.filename().string())
        .field("columns", f.columns)
        .field("rows", f.rows)
        .field("sampledColumns", f.sampledColumns)
        .field("sampledRows", f.sampledRows)
        .field("shown", f.shown)
        .endObject();
  }
  json.endArray();
  json.field("count", g.count).field("indexCount", scene.plan.indexTotal);
  json.field("geoCoordinates", g.GeoCoordinates).field("planeZone", g.planeZone);
  if (g.GeoCoordinates) {
    json.field("lonMin", g.lonMin).field("lonMax", g.lonMax);
    json.field("latMin", g.latMin).field("latMax", g.latMax);
  }
  json.field("Xmin", g.Xmin).field("Xmax", g.Xmax).field("Ymin", g.Ymin).field("Ymax", g.Ymax);
  json.field("Hmin", g.Hmin).field("Hmax", g.Hmax);
}

int commandInfo(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem)) {
    return usage(problem);
  }
  torvane::Scene scene;
  if (!openFiles(scene, args)) {
    return fail(torvane::text(torvane::kTextNoValidData));
  }
  JsonWriter json;
  json.beginObject().field("ok", true);
  writeGridFields(json, scene);
  json.endObject();
  print(json);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return usage();
  }
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "info") {
    return commandInfo(argc - 2, argv + 2);
  }
  return usage("unknown command " + std::string(command));
}
