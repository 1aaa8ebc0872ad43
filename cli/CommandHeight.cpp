// torvane-cli height [--limits P,I] FILE... (--geo LON,LAT | --grid X,Y)...

#include <cmath>
#include <vector>

#include "cli/Commands.h"
#include "elevation/NumberParse.h"
#include "resources/Texts.h"
#include "terrain/HeightSampling.h"

namespace torvane::cli {

namespace {

bool takesValue(std::string_view option) { return option == "--geo" || option == "--grid"; }

// "A,B": two finite numbers, nothing else.
bool parsePair(std::string_view text, double& a, double& b) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos || comma == 0 || comma + 1 == text.size()) {
    return false;
  }
  const std::string_view first = text.substr(0, comma), second = text.substr(comma + 1);
  size_t used1 = 0, used2 = 0;
  a = parseDouble(first, &used1);
  b = parseDouble(second, &used2);
  return used1 == first.size() && used2 == second.size() && std::isfinite(a) && std::isfinite(b);
}

struct Query {
  bool geo = false;
  double a = 0, b = 0;  //!< longitude, latitude or X, Y
};

}  // namespace

int commandHeight(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, takesValue)) {
    return usage(problem);
  }
  std::vector<Query> queries;
  for (size_t i = 0; i + 1 < args.rest.size(); i += 2) {
    Query q;
    q.geo = args.rest[i] == "--geo";
    if (!takesValue(args.rest[i]) || !parsePair(args.rest[i + 1], q.a, q.b)) {
      return usage(args.rest[i] + " needs two numbers A,B, not " + args.rest[i + 1]);
    }
    queries.push_back(q);
  }
  if (queries.empty()) {
    return usage("height needs --geo LON,LAT or --grid X,Y");
  }

  Scene scene;
  if (!openFiles(scene, args)) {
    return fail(text(kTextNoValidData));
  }
  const HeightSampler sampler(scene.grid, scene.mesh);
  JsonWriter json;
  json.beginObject().field("ok", true).key("results").beginArray();
  for (const Query& q : queries) {
    double X = 0, Y = 0, H = 0;
    bool ok = false;
    if (q.geo) {
      ok = sampler.heightAtGeo(scene.grid, scene.mesh, q.a, q.b, X, Y, H);
    } else {
      X = q.a;
      Y = q.b;
      ok = sampler.heightAtGrid(scene.grid, scene.mesh, X, Y, H);
    }
    json.beginObject().field("ok", ok).field("X", X).field("Y", Y).field("H", H).endObject();
  }
  json.endArray().endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
