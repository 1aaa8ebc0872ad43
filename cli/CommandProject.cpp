#include <cstdio>
#include <type_traits>
#include <variant>
#include <unistd.h>

#include "cli/Commands.h"
#include "resources/Texts.h"
#include "scene/ProjectFile.h"

namespace torvane::cli {

namespace {

// Every setting of the View and Rota sections by its project key, flags as 0 or 1.
void writeViewFields(JsonWriter& json, const ViewState& v) {
  json.key("view").beginObject();
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.section != "View" && setting.section != "Rota") {
      continue;
    }
    std::visit(
        [&](auto member) {
          const auto value = v.*member;
          if constexpr (std::is_same_v<decltype(value), const bool>) {
            json.field(setting.key, value ? 1 : 0);
          } else {
            json.field(setting.key, value);
          }
        },
        setting.member);
  }
  json.endObject();
}

void progressToStderr(const OpenProgress& p) {
  std::fprintf(stderr, "\rpass %d: %3d%%", p.pass, static_cast<int>(p.fraction * 100));
}

}  // namespace

// torvane-cli project [--limits P,I] PROJECT.tvp [--save OUT.tvp]
int commandProject(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem,
                     [](std::string_view option) { return option == "--save"; })) {
    return usage(problem);
  }
  std::filesystem::path saveTo;
  for (size_t i = 0; i < args.rest.size(); i += 2) {
    if (args.rest[i] != "--save") {
      return usage("unknown option " + args.rest[i]);
    }
    saveTo = args.rest[i + 1];
  }
  if (args.files.size() != 1) {
    return usage("project needs exactly one PROJECT.tvp");
  }
  Scene scene;
  scene.limits = args.limits;
  const bool tty = isatty(fileno(stderr)) != 0;
  FileProblems problems;
  const bool loaded =
      LoadProject(scene, args.files.front(), tty ? progressToStderr : OpenProgressFn{}, &problems);
  reportProblems(problems);
  if (!loaded) {
    return fail(text(kTextNoValidData));
  }
  if (tty) {
    std::fputc('\n', stderr);
  }
  if (!saveTo.empty()) {
    WriteError error;
    if (!SaveProject(scene, saveTo, &error)) {
      std::fprintf(stderr, "torvane-cli: %s\n", error.message().c_str());
      return fail(text(kTextSaveFailed));
    }
  }
  JsonWriter json;
  json.beginObject().field("ok", true);
  writeGridFields(json, scene);
  writeLayers(json, scene);
  writeContourSets(json, scene);
  json.field("layerAlpha", scene.view.LayerAlphaEnabled);
  json.field("contourAlpha", scene.view.ContourAlphaEnabled);
  json.key("texture");
  if (scene.image.loaded) {
    json.value(scene.image.path.string());
  } else {
    json.null();
  }
  writeViewFields(json, scene.view);
  if (!saveTo.empty()) {
    json.field("saved", saveTo.string());
  }
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
