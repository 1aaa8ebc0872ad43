// torvane-cli contours [--limits P,I] FILE... --kind elevation|slope --first A --last B --step S
//                      [--geojson OUT]

#include <climits>
#include <optional>

#include "cli/Commands.h"
#include "contour/ContourRules.h"
#include "elevation/NumberParse.h"
#include "resources/Texts.h"
#include "scene/Contours.h"

namespace torvane::cli {

namespace {

bool takesValue(std::string_view option) {
  return option == "--kind" || option == "--first" || option == "--last" || option == "--step" ||
         option == "--geojson";
}

std::optional<int> parseInt(std::string_view text) {
  int64_t v = 0;
  size_t used = 0;
  if (!parseInteger(text, v, &used) || used != text.size() || v < INT_MIN || v > INT_MAX) {
    return std::nullopt;
  }
  return static_cast<int>(v);
}

}  // namespace

int commandContours(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, takesValue)) {
    return usage(problem);
  }
  int kind = 0;
  std::optional<int> first, last, step;
  std::filesystem::path geojson;
  for (size_t i = 0; i + 1 < args.rest.size(); i += 2) {
    const std::string& option = args.rest[i];
    const std::string& value = args.rest[i + 1];
    if (option == "--kind") {
      kind = value == "elevation" ? kElevationContour : value == "slope" ? kSlopeContour : -1;
      if (kind < 0) {
        return usage("--kind is elevation or slope, not " + value);
      }
    } else if (option == "--geojson") {
      geojson = value;
    } else {
      std::optional<int>& target = option == "--first" ? first : option == "--last" ? last : step;
      target = parseInt(value);
      if (!target) {
        return usage(option + " needs an integer, not " + value);
      }
    }
  }
  if (kind == 0 || !first || !last || !step) {
    return usage("contours needs --kind, --first, --last and --step");
  }
  if (*step <= 0) {
    return usage("--step must be positive");
  }

  // A GeoJSON file that would replace an input is refused before any work.
  WriteError refused;
  if (!geojson.empty() && !checkWriteTarget(geojson, WriteGuard{args.files}, &refused)) {
    return fail(refused.message());
  }

  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  // As the dialog's OK: the bounds rounded toward zero to the step, kept inside the data; no
  // value left builds nothing.
  bool built = false;
  const std::optional<FieldRange> field = contourFieldRange(scene.grid, kind);
  const std::optional<ContourLevels> levels =
      field ? contourRangeFor(*field, *step, *first, *last) : std::nullopt;
  if (levels) {
    built = buildContourRange(scene, kind, *levels);
  }
  WriteError error;
  if (!geojson.empty() && !exportContourGeoJson(scene, geojson, false, &error)) {
    return fail(error.message());
  }

  const ContourStore& sets = scene.contours;
  JsonWriter json;
  json.beginObject().field("ok", true).field("built", built);
  if (levels) {
    json.field("first", levels->first).field("last", levels->last).field("step", levels->step);
  }
  json.field("pointTotal", sets.pointTotal());
  writeContourSets(json, scene);
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
