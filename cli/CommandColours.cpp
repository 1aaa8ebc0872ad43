// torvane-cli colours [--limits P,I] FILE... [--set KEY=VALUE]... (--node K,R,C)...
//                     [--png OUT.png [--file K]]

#include <cstdio>
#include <vector>

#include "scene/Propagation.h"
#include "cli/Commands.h"
#include "cli/PngFile.h"
#include "elevation/AtomicFile.h"
#include "elevation/NumberParse.h"
#include "resources/Texts.h"

namespace torvane::cli {

namespace {

bool takesValue(std::string_view option) {
  return option == "--set" || option == "--node" || option == "--png" || option == "--file";
}

bool parseWhole(std::string_view text, int64_t& value) {
  size_t used = 0;
  return !text.empty() && parseInteger(text, value, &used) && used == text.size();
}

// Applies KEY=VALUE, a colouring setting by its project key, to the view; false (with
// `problem` set) for an unknown key or a value the setting does not take.
bool applySetting(ViewState& view, std::string_view assignment, std::string& problem) {
  const size_t eq = assignment.find('=');
  const std::string_view key = assignment.substr(0, eq);
  int64_t v = 0;
  if (eq == std::string_view::npos || !parseWhole(assignment.substr(eq + 1), v)) {
    problem = "--set needs KEY=INTEGER, not " + std::string(assignment);
    return false;
  }
  for (const ViewSetting& s : kViewSettings) {
    if (!s.colouring || s.key != key) {
      continue;
    }
    const ValidValues& valid = s.valid;
    if (!valid.holds(static_cast<double>(v))) {
      auto span = [](double lo, double hi) {
        return std::to_string(static_cast<int64_t>(lo)) + ".." +
               std::to_string(static_cast<int64_t>(hi));
      };
      problem = std::string(key) + " must be " + span(valid.lo, valid.hi);
      if (valid.hasGap()) {
        problem += " (not " + span(valid.gapLo, valid.gapHi) + ")";
      }
      return false;
    }
    setSettingValue(view, s, static_cast<double>(v));
    return true;
  }
  problem = "unknown setting " + std::string(key);
  return false;
}

struct NodeRef {
  int64_t file = 0, row = 0, column = 0;
};

bool parseNode(std::string_view text, NodeRef& node) {
  const size_t a = text.find(',');
  const size_t b = a == std::string_view::npos ? a : text.find(',', a + 1);
  return b != std::string_view::npos && parseWhole(text.substr(0, a), node.file) &&
         parseWhole(text.substr(a + 1, b - a - 1), node.row) &&
         parseWhole(text.substr(b + 1), node.column);
}

// Index of a node of the grid, or -1 when it lies outside.
int64_t nodeIndex(const ElevationGrid& g, const NodeRef& n) {
  if (n.file < 0 || n.file >= g.fileCount || n.row < 0 || n.column < 0) {
    return -1;
  }
  const GridFile& f = g.files[static_cast<size_t>(n.file)];
  if (n.row >= f.sampledRows || n.column >= f.sampledColumns) {
    return -1;
  }
  return static_cast<int64_t>(g.fileBase(static_cast<int>(n.file))) + n.row * f.sampledColumns +
         n.column;
}

// The world file written beside a PNG.
std::filesystem::path worldFilePath(const std::filesystem::path& png) {
  std::filesystem::path world = png;
  world.replace_extension(".pgw");
  return world;
}

// File k's vertex colours as a north-up RGBA image with its world file (node positions are
// pixel centres; the pixel size is the spacing of the first two kept nodes). The two replace
// their old versions together or not at all.
bool exportPng(const Scene& scene, int k, const std::filesystem::path& out, std::string& error) {
  const ElevationGrid& g = scene.grid;
  const GridFile& f = g.files[static_cast<size_t>(k)];
  const uint32_t w = f.sampledColumns, h = f.sampledRows;
  const uint64_t base = g.fileBase(k);
  const auto vertices = scene.mesh.vertices();
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (uint64_t i = 0; i < uint64_t{w} * h; ++i) {
    const uint32_t c = vertices[base + i].diffuse;
    rgba[i * 4 + 0] = static_cast<uint8_t>(c >> 16);
    rgba[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
    rgba[i * 4 + 2] = static_cast<uint8_t>(c);
    rgba[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
  }
  const double* xs = g.GeoCoordinates ? g.lon.get() : g.X.get();
  const double* ys = g.GeoCoordinates ? g.lat.get() : g.Y.get();
  const double left = xs[base], top = ys[base];
  const double pixelWidth = w > 1 ? xs[base + 1] - left : 1;
  const double pixelHeight = h > 1 ? ys[base + w] - top : -1;
  std::string png;
  if (!encodePngRgba(w, h, rgba, png, error)) {
    error = out.string() + ": " + error;
    return false;
  }
  const std::string world = worldFileText(pixelWidth, pixelHeight, left, top);
  const OutputFile files[] = {{out, png}, {worldFilePath(out), world}};
  const std::vector<std::filesystem::path> inputs = inputFiles(scene);
  WriteError failure;
  if (!writeFilesAtomically(files, WriteGuard{inputs}, &failure)) {
    error = failure.message();
    return false;
  }
  return true;
}

}  // namespace

int commandColours(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, takesValue)) {
    return usage(problem);
  }
  ViewState settings;
  std::vector<std::string> assignments;
  std::vector<NodeRef> nodes;
  std::filesystem::path png;
  int64_t pngFile = 0;
  bool fileGiven = false;
  for (size_t i = 0; i + 1 < args.rest.size(); i += 2) {
    const std::string& option = args.rest[i];
    const std::string& value = args.rest[i + 1];
    if (option == "--set") {
      if (!applySetting(settings, value, problem)) {
        return usage(problem);
      }
      assignments.push_back(value);
    } else if (option == "--node") {
      NodeRef node;
      if (!parseNode(value, node)) {
        return usage("--node needs K,R,C (three integers), not " + value);
      }
      nodes.push_back(node);
    } else if (option == "--png") {
      png = value;
    } else if (option == "--file") {
      if (!parseWhole(value, pngFile) || pngFile < 0) {
        return usage("--file needs a file index");
      }
      fileGiven = true;
    }
  }
  if (nodes.empty() && png.empty()) {
    return usage("colours needs --node K,R,C or --png OUT.png");
  }
  if (fileGiven && png.empty()) {
    return usage("--file goes with --png");
  }

  // An image or world file that would replace an input is refused before any work.
  WriteError refused;
  for (const std::filesystem::path& out : {png, worldFilePath(png)}) {
    if (!png.empty() && !checkWriteTarget(out, WriteGuard{args.files}, &refused)) {
      return fail(refused.message());
    }
  }

  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  // The open reset the view; the settings now change as the menus would change them.
  for (const std::string& assignment : assignments) {
    applySetting(scene.view, assignment, problem);
  }
  const bool colourOk = ApplyLandColours(scene);
  RefreshVertexData(scene);

  JsonWriter json;
  json.beginObject().field("ok", true).field("colourOk", colourOk);
  json.field("effectiveSeaLevel", EffectiveSeaLevel(scene.view, scene.grid));
  json.key("colours").beginArray();
  for (const NodeRef& n : nodes) {
    const int64_t i = nodeIndex(scene.grid, n);
    if (i < 0) {
      return fail("node " + std::to_string(n.file) + "," + std::to_string(n.row) + "," +
                  std::to_string(n.column) + " is outside the grid");
    }
    json.value(hexColour(scene.mesh.vertices()[static_cast<size_t>(i)].diffuse));
  }
  json.endArray();
  if (!png.empty()) {
    if (pngFile >= scene.grid.fileCount) {
      return fail("no file " + std::to_string(pngFile) + " in the grid");
    }
    std::string error;
    if (!exportPng(scene, static_cast<int>(pngFile), png, error)) {
      return fail(error);
    }
  }
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
