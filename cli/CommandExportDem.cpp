#include <cstdio>
#include <unistd.h>

#include "cli/Commands.h"
#include "elevation/DemExport.h"
#include "resources/Texts.h"

namespace torvane::cli {

namespace {
bool takesValue(std::string_view option) { return option == "--output"; }

void exportProgressToStderr(const OpenProgress& p) {
  static int lastPercent = -1;
  const int percent = static_cast<int>(overallFraction(p) * 100);
  if (percent != lastPercent) {
    lastPercent = percent;
    std::fprintf(stderr, "\rexporting: %3d%%%s", percent, percent == 100 ? "\n" : "");
  }
}
}  // namespace

// torvane-cli export-dem [--limits P,I] FILE... --output OUT.tif
// Lists the files as the program's open does and writes every node of every file as one
// Cloud-Optimized GeoTIFF (see elevation/DemExport.h). OUT is replaced only once complete.
int commandExportDem(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, &takesValue)) {
    return usage(problem);
  }
  std::filesystem::path output;
  if (!outputOption(args, output, problem)) {
    return usage(problem);
  }
  // The export reads every file at full resolution itself: only the open's listing is needed.
  ElevationGrid grid;
  if (!listFiles(grid, args)) {
    return fail(text(kTextNoValidData));
  }
  DemExport result;
  WriteError error;
  const OpenProgressFn progress =
      isatty(fileno(stderr)) ? OpenProgressFn(exportProgressToStderr) : OpenProgressFn{};
  if (!exportDem(grid, output, result, &error, progress)) {
    std::fprintf(stderr, "torvane-cli: %s\n", error.message().c_str());
    return fail(error.message());
  }
  JsonWriter json;
  json.beginObject()
      .field("ok", true)
      .field("written", output.string())
      .field("width", result.width)
      .field("height", result.height)
      .field("epsg", result.epsg)
      .field("nodata", result.noData)
      .endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
