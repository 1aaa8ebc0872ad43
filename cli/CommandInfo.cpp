#include "cli/Commands.h"
#include "resources/Texts.h"

namespace torvane::cli {

// torvane-cli info [--limits P,I] FILE...
int commandInfo(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem)) {
    return usage(problem);
  }
  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  JsonWriter json;
  json.beginObject().field("ok", true);
  writeGridFields(json, scene);
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
