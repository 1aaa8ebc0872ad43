// torvane-cli: the headless command-line tool. Every command prints one JSON object on standard
// output; progress and warnings go to standard error.

#include <iostream>
#include <string>
#include <string_view>

#include "cli/Commands.h"
#include "resources/Version.h"

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
};

bool isHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

const Command* findCommand(std::string_view name) {
  for (const Command& c : kCommands) {
    if (c.name == name) {
      return &c;
    }
  }
  return nullptr;
}

// The usage of one command (or of all) on standard output, as asked for by --help.
int help(std::string_view name = {}) {
  const std::string one = torvane::cli::commandUsage(name);
  std::cout << (one.empty() ? std::string(torvane::cli::usageText()) : one) << std::flush;
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    return torvane::cli::usage();
  }
  const std::string_view name = argv[1];
  if (name == "--version") {
    std::cout << "torvane-cli " << torvane::programVersion() << "\n";
    return 0;
  }
  if (isHelp(name) || name == "help") {
    // "help COMMAND" gives that command's usage.
    if (argc > 2 && name == "help" && findCommand(argv[2]) == nullptr) {
      return torvane::cli::usage("unknown command " + std::string(argv[2]));
    }
    return help(argc > 2 && name == "help" ? argv[2] : "");
  }
  const Command* command = findCommand(name);
  if (command == nullptr) {
    return torvane::cli::usage("unknown command " + std::string(name));
  }
  for (int i = 2; i < argc; ++i) {
    if (isHelp(argv[i])) {
      return help(name);
    }
  }
  return command->run(argc - 2, argv + 2);
}
