#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "cli/Commands.h"
#include "scene/CommandLine.h"
#include "elevation/Archive.h"
#include "elevation/Readers.h"
#include "resources/Texts.h"
#include "scene/DropDispatch.h"

namespace torvane::cli {

namespace {
constexpr const char* kUsage =
    "usage: torvane-cli COMMAND [OPTIONS] FILE...\n"
    "\n"
    "  info [--limits PRIM,INDEX] FILE...\n"
    "      open elevation files as the desktop program does and print the grid\n"
    "\n"
    "  colours [--limits PRIM,INDEX] FILE... [--set KEY=VALUE]... (--node K,R,C)...\n"
    "          [--png OUT.png [--file K]]\n"
    "      colour the terrain with the given view settings (ColorT, ColorS, ColorR, CRHueR,\n"
    "      CRHueS, CRHueE, ColorK, OceanC, OceanT, Alpha) and print the colours of the nodes\n"
    "      (file K, row R, column C); --png writes file K's colours with a world file\n"
    "\n"
    "  convert FILE... --output OUT\n"
    "      write each latitude/longitude elevation file's full-resolution grid as a .tvd (OUT\n"
    "      is the .tvd for one file, or a folder that receives NAME.tvd for each file)\n"
    "\n"
    "  layers [--limits PRIM,INDEX] FILE... --add LAYERFILE...\n"
    "      open elevation files, add line/point files as the program does and list the\n"
    "      layers\n"
    "\n"
    "  height [--limits PRIM,INDEX] FILE... (--geo LON,LAT | --grid X,Y)...\n"
    "      the terrain height at each point (degrees, or grid plane metres X east, Y north)\n"
    "\n"
    "  profile [--limits PRIM,INDEX] FILE... --ruler X1,Y1,X2,Y2[,X3,Y3...] [--interpolate]\n"
    "          [--csv OUT.csv]\n"
    "      the cross-section along a path ruler through the given plane points (at most\n"
    "      100): sample count, height extremes, lengths, area, mean height, ruler text;\n"
    "      --csv writes the samples as the cross-section window saves them\n"
    "\n"
    "  project [--limits PRIM,INDEX] PROJECT.tvp [--save OUT.tvp]\n"
    "      load a project file as the desktop program does and print the grid, layers,\n"
    "      contour sets, draped image and view settings; --save writes the loaded state\n"
    "      to OUT.tvp as the program's Save does\n"
    "\n"
    "  contours [--limits PRIM,INDEX] FILE... --kind elevation|slope --first A --last B\n"
    "           --step S [--geojson OUT]\n"
    "      build contour sets as the contour dialog does with those bounds and pitch;\n"
    "      --geojson writes them as a GeoJSON FeatureCollection (one feature per set)\n"
    "\n"
    "Every command prints one JSON object on standard output.\n"
    "torvane-cli COMMAND --help prints the usage of one command, torvane-cli --version the\n"
    "version.\n";

// The file types the commands take, from the format registries.
std::string fileTypesText() {
  auto list = [](const std::vector<FileType>& types) {
    std::string text;
    for (const FileType& t : types) {
      for (const std::string& pattern : t.patterns) {
        text += " " + pattern.substr(1);  // "*.xml" -> ".xml"
      }
    }
    return text;
  };
  return "\nElevation files:" + list(elevationFileTypes()) +
         "\nLine/point files:" + list(lineFileTypes(true)) +
         "; over plane-coordinate elevation data:" + list(lineFileTypes(false)) + "\n";
}

void progressToStderr(const OpenProgress& p) {
  static int lastPercent = -1;
  const int percent = static_cast<int>(overallFraction(p) * 100);
  if (percent != lastPercent) {
    lastPercent = percent;
    std::fprintf(stderr, "\ropening: %3d%%%s", percent, p.pass == 3 ? "\n" : "");
  }
}
}  // namespace

int usage(const std::string& problem) {
  if (!problem.empty()) {
    std::cerr << "torvane-cli: " << problem << "\n";
  }
  std::cerr << usageText();
  return 2;
}

std::string usageText() { return kUsage + fileTypesText(); }

std::string commandUsage(std::string_view name) {
  // A command's entry in the usage text: from "  NAME " at the start of a line to the blank
  // line after it.
  const std::string_view text = kUsage;
  if (name.empty()) {
    return {};
  }
  const std::string start = "\n  " + std::string(name) + " ";
  const size_t at = text.find(start);
  if (at == std::string_view::npos) {
    return {};
  }
  const size_t from = at + 3;
  const size_t end = text.find("\n\n", from);
  return "usage: torvane-cli " + std::string(text.substr(from, end - from + 1));
}

std::string hexColour(uint32_t argb) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", argb);
  return text;
}

void writeLayers(JsonWriter& json, const Scene& scene) {
  const OverlayStore& store = scene.overlays;
  const bool english = englishLabels();
  json.key("layers").beginArray();
  for (int g = 0; g < store.groupCount(); ++g) {
    json.beginObject()
        .field("name", store.layerName(g).filename().string())
        .field("kind", store.kind(g))
        .field("kindName", store.layerKindName(g, english))
        .field("points", store.groupPointCount(g))
        .field("polylines", store.polylineCount(g))
        .field("pointSize", store.pointSize(g))
        .field("drawMode", store.drawMode(g))
        .field("colour", hexColour(store.colour(g)))
        .field("visible", store.visible(g))
        .endObject();
  }
  json.endArray();
}

void writeContourSets(JsonWriter& json, const Scene& scene) {
  const ContourStore& sets = scene.contours;
  json.key("sets").beginArray();
  for (int g = 0; g < sets.groupCount(); ++g) {
    json.beginObject()
        .field("kind", sets.kind(g))
        .field("value", sets.value(g))
        .field("points", sets.groupPointCount(g))
        .field("polylines", sets.polylineCount(g))
        .field("colour", hexColour(sets.colour(g)))
        .field("visible", sets.visible(g))
        .endObject();
  }
  json.endArray();
}

namespace {
// The files this run could not use. They are told on standard error as they are found and
// listed in the printed object's "problems" (one run prints one object).
FileProblems& runProblems() {
  static FileProblems problems;
  return problems;
}
}  // namespace

void reportProblems(const FileProblems& problems) {
  for (const FileProblem& p : problems) {
    std::fprintf(stderr, "%s: %s\n", p.path.c_str(), p.reason.c_str());
    runProblems().push_back(p);
  }
}

void print(const JsonWriter& json) {
  std::string text = json.str();
  const FileProblems& problems = runProblems();
  if (!problems.empty() && !text.empty() && text.back() == '}') {
    JsonWriter list;
    list.beginArray();
    for (const FileProblem& p : problems) {
      list.beginObject().field("path", p.path.string()).field("reason", p.reason).endObject();
    }
    list.endArray();
    text.pop_back();
    text += ",\"problems\":" + list.str() + "}";
  }
  std::cout << text << "\n" << std::flush;
}

int fail(std::string_view message) {
  JsonWriter json;
  json.beginObject().field("ok", false).field("error", message).endObject();
  print(json);
  return 1;
}

bool parseOpenArgs(int argc, char** argv, OpenArgs& args, std::string& problem,
                   bool (*takesValue)(std::string_view option)) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--limits") {
      if (i + 1 >= argc || !parseDeviceLimits(argv[i + 1], args.limits)) {
        problem = "--limits needs PRIM,INDEX (two positive integers)";
        return false;
      }
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      if (!takesValue || a.substr(0, 2) != "--") {
        problem = "unknown option " + std::string(a);
        return false;
      }
      args.rest.emplace_back(a);
      if (takesValue(a)) {
        if (i + 1 >= argc) {
          problem = std::string(a) + " needs a value";
          return false;
        }
        args.rest.emplace_back(argv[++i]);
      }
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

std::vector<std::filesystem::path> expandArchivesNoisily(
    std::span<const std::filesystem::path> files) {
  FileProblems problems;
  std::vector<std::filesystem::path> expanded = expandArchives(files, &problems);
  reportProblems(problems);
  return expanded;
}

bool openFiles(Scene& scene, const OpenArgs& args) {
  scene.limits = args.limits;
  const OpenProgressFn progress = isatty(fileno(stderr)) ? progressToStderr : OpenProgressFn{};
  FileProblems problems;
  const bool opened = openElevationData(scene, args.files, progress, &problems);
  reportProblems(problems);
  return opened;
}

void writeGridFields(JsonWriter& json, const Scene& scene) {
  const ElevationGrid& g = scene.grid;
  json.field("step", scene.plan.step).field("fileCount", g.fileCount);
  json.key("files").beginArray();
  for (const GridFile& f : g.files) {
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
  if (g.analysed) {
    json.field("slopeMin", g.slopeMin).field("slopeMax", g.slopeMax);
    json.field("openAboveMin", g.openAboveMin).field("openAboveMax", g.openAboveMax);
    json.field("openBelowMin", g.openBelowMin).field("openBelowMax", g.openBelowMax);
  }
  json.field("effectiveSeaLevel", EffectiveSeaLevel(scene.view, g));
}

}  // namespace torvane::cli
