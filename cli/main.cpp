// torvane-cli: the headless command-line tool. Every command prints one JSON object on standard
// output; progress and warnings go to standard error.

#include <iostream>
#include <string>
#include <string_view>

#include "cli/Commands.h"

namespace {
struct Command {
  std::string_view name;
  int (*run)(int argc, char** argv);
};

// One line per command.
constexpr Command kCommands[] = {
    {"info", &torvane::cli::commandInfo},
    {"colours", &torvane::cli::commandColours},
    {"convert", &torvane::cli::commandConvert},
    {"layers", &torvane::cli::commandLayers},
    {"height", &torvane::cli::commandHeight},
    {"project", &torvane::cli::commandProject},
    {"profile", &torvane::cli::commandProfile},
    {"contours", &torvane::cli::commandContours},
    {"export-dem", &torvane::cli::commandExportDem},
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return torvane::cli::usage();
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    torvane::cli::usage();
    return 0;
  }
  for (const Command& c : kCommands) {
    if (c.name == name) {
      return c.run(argc - 2, argv + 2);
    }
  }
  return torvane::cli::usage("unknown command " + std::string(name));
}
