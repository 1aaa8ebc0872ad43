// torvane-cli profile [--limits P,I] FILE... --ruler X1,Y1,X2,Y2[,X3,Y3...] [--interpolate]
//                     [--csv OUT.csv]

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "elevation/AtomicFile.h"
#include "elevation/NumberParse.h"
#include "measure/CrossSection.h"
#include "measure/Ruler.h"
#include "resources/Texts.h"

namespace torvane::cli {

namespace {
bool takesValue(std::string_view option) { return option == "--ruler" || option == "--csv"; }

// "A,B,C,...": finite numbers separated by commas, nothing else.
bool parseNumbers(std::string_view text, std::vector<double>& numbers) {
  numbers.clear();
  size_t start = 0;
  while (true) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    size_t used = 0;
    const double value = parseDouble(item, &used);
    if (item.empty() || used != item.size() || !std::isfinite(value)) {
      return false;
    }
    numbers.push_back(value);
    if (comma == text.size()) {
      return true;
    }
    start = comma + 1;
  }
}
}  // namespace

int commandProfile(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, takesValue)) {
    return usage(problem);
  }
  std::vector<double> coordinates;
  bool rulerGiven = false;
  bool interpolate = false;
  std::filesystem::path csv;
  for (size_t i = 0; i < args.rest.size(); ++i) {
    if (args.rest[i] == "--interpolate") {
      interpolate = true;
    } else if (args.rest[i] == "--csv" && csv.empty()) {
      csv = args.rest[++i];
    } else if (args.rest[i] == "--ruler" && !rulerGiven) {
      rulerGiven = true;
      const std::string& list = args.rest[++i];
      if (!parseNumbers(list, coordinates) || coordinates.size() % 2 != 0 ||
          coordinates.size() < 4) {
        return usage("--ruler needs at least two points X1,Y1,X2,Y2, not " + list);
      }
      if (coordinates.size() > 2 * kMaxRulerPoints) {
        return usage("--ruler takes at most 100 points");
      }
    } else {
      return usage("unknown or repeated option " + args.rest[i]);
    }
  }
  if (!rulerGiven) {
    return usage("profile needs --ruler X1,Y1,X2,Y2[,...]");
  }

  // A CSV file that would replace an input is refused before any work.
  WriteError refused;
  if (!csv.empty() && !checkWriteTarget(csv, WriteGuard{args.files}, &refused)) {
    return fail(refused.message());
  }

  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  // A path ruler clicked at the given points, heights from the terrain under them.
  const HeightAt heightAt = terrainHeightAt(scene.grid, scene.mesh);
  Ruler& ruler = scene.ruler;
  togglePathRuler(ruler);
  for (size_t i = 0; i < coordinates.size(); i += 2) {
    const double X = coordinates[i], Y = coordinates[i + 1];
    addRulerPoint(ruler, {X, Y, heightAt(X, Y)});
  }
  CrossSection cs;
  computeProfile(cs, ruler, interpolate ? kProfileDivisions : 1, heightAt);
  const std::vector<std::filesystem::path> inputs = inputFiles(scene);
  WriteError error;
  if (!csv.empty() &&
      !writeFileAtomically(csv, profileCsv(cs, scene.grid), WriteGuard{inputs}, &error)) {
    return fail(error.message());
  }

  JsonWriter json;
  json.beginObject()
      .field("ok", true)
      .field("samples", static_cast<int>(cs.samples.size()))
      .field("minH", cs.minH)
      .field("maxH", cs.maxH)
      .field("minIndex", cs.minIndex)
      .field("maxIndex", cs.maxIndex)
      .field("planeLength", cs.planeLength)
      .field("surfaceLength", cs.surfaceLength)
      .field("area", cs.area)
      .field("meanH", cs.meanH)
      .field("rulerText", rulerText(ruler, ruler.pointCount))
      .endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
