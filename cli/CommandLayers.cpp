// torvane-cli layers [--limits P,I] FILE... --add LAYERFILE...

#include <algorithm>
#include <vector>

#include "cli/Commands.h"
#include "resources/Texts.h"

namespace torvane::cli {

int commandLayers(int argc, char** argv) {
  // Everything after the first --add is a line/point file (a repeated --add is allowed).
  int split = 0;
  while (split < argc && std::string_view(argv[split]) != "--add") {
    ++split;
  }
  std::vector<std::filesystem::path> layerFiles;
  for (int i = split + 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--add") {
      continue;
    }
    if (a.size() > 1 && a[0] == '-') {
      return usage("unknown option " + std::string(a));
    }
    layerFiles.emplace_back(a);
  }
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(split, argv, args, problem)) {
    return usage(problem);
  }
  if (layerFiles.empty()) {
    return usage("layers needs --add LAYERFILE...");
  }
  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  // At most 100 files count, as with the program's file lists.
  layerFiles.resize(std::min<size_t>(layerFiles.size(), kMaxFiles));
  FileProblems problems;
  const bool added = addLineFiles(scene, layerFiles, {}, &problems);
  reportProblems(problems);
  if (!added) {
    return fail(text(kTextNoValidData));
  }
  JsonWriter json;
  json.beginObject()
      .field("ok", true)
      .field("pointTotal", scene.overlays.pointTotal())
      .field("polylineTotal", scene.overlays.polylineTotal());
  writeLayers(json, scene);
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
