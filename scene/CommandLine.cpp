#include "scene/CommandLine.h"

#include <algorithm>
#include <array>

#include "elevation/NumberParse.h"
#include "resources/Version.h"

namespace torvane {

namespace {

constexpr std::string_view kUsage =
    "usage: torvane [--open ELEVATION_FILE...] [--limits PRIM,INDEX] [FILE...]\n"
    "       torvane --render (PROJECT.tvp | ELEVATION_FILE...) --output OUT.png|OUT.jpg\n"
    "               [--size WxH] [--limits PRIM,INDEX]\n"
    "       torvane --help | --version\n"
    "\n"
    "Shows elevation data of Japan (GSI DEM XML and LEM, BIL, TVD, GSI .zip downloads) in 3D.\n"
    "\n"
    "  FILE...              open at start-up as a drop of the same files on the window does:\n"
    "                       a project (.tvp), elevation files or GSI downloads, an image to\n"
    "                       drape or line/point data (over the terrain of --open)\n"
    "  --open FILE...       open these elevation files at start-up, before FILE...\n"
    "  --limits PRIM,INDEX  the device limits the sampling plan must fit\n"
    "                       (default 10000000,16777215)\n"
    "  --render ...         draw one frame of the project or the elevation files as the window\n"
    "                       would at WxH (default 800x600), write it as PNG or JPEG and exit;\n"
    "                       needs an X display (on a server: xvfb-run -a torvane --render ...)\n"
    "  --help               print this help and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "A project named alone is not opened when AutoRun.tvp exists in the current folder:\n"
    "AutoRun.tvp opens instead of everything named on the command line.\n";

// Qt's own options, handled by the application object; `value` when a value follows.
struct QtOption {
  std::string_view name;
  bool value;
};
constexpr std::array<QtOption, 16> kQtOptions = {{
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-qwindowgeometry", true},
    {"-qwindowtitle", true},
    {"-qwindowicon", true},
    {"-display", true},
    {"-geometry", true},
    {"-name", true},
    {"-title", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-session", true},
    {"-reverse", false},
    {"-widgetcount", false},
}};

const QtOption* qtOption(std::string_view arg) {
  if (arg.starts_with("--")) {
    arg.remove_prefix(1);  // Qt takes its options with one dash or two
  }
  const auto it = std::find_if(kQtOptions.begin(), kQtOptions.end(),
                               [&](const QtOption& o) { return o.name == arg; });
  return it == kQtOptions.end() ? nullptr : &*it;
}

ProgramArgs only(ProgramMode mode, std::string problem = {}) {
  ProgramArgs result;
  result.mode = mode;
  result.problem = std::move(problem);
  return result;
}

ProgramArgs badUsage(std::string problem) {
  return only(ProgramMode::BadUsage, std::move(problem));
}

}  // namespace

ProgramArgs parseProgramArgs(std::span<const std::string> args) {
  // --help and --version answer whatever else the line holds (up to a "--").
  for (const std::string& arg : args) {
    if (arg == "--") {
      break;
    }
    if (arg == "--help" || arg == "-h") {
      return only(ProgramMode::Help);
    }
    if (arg == "--version") {
      return only(ProgramMode::Version);
    }
  }
  ProgramArgs result;
  if (!args.empty() && args.front() == "--render") {
    result.mode = ProgramMode::Render;
    result.renderArgs.assign(args.begin() + 1, args.end());
    return result;
  }
  bool filesOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !filesOnly && arg.size() > 1 && arg.front() == '-';
    if (!isOption) {
      result.files.emplace_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "--open") {
      while (i + 1 < args.size() && !(args[i + 1].size() > 1 && args[i + 1].front() == '-')) {
        result.openAtStart.emplace_back(args[++i]);
      }
      if (result.openAtStart.empty()) {
        return badUsage("--open needs at least one elevation file");
      }
    } else if (arg == "--limits") {
      if (i + 1 >= args.size() || !parseDeviceLimits(args[i + 1], result.limits)) {
        return badUsage("--limits needs PRIM,INDEX (two positive integers)");
      }
      ++i;
    } else if (arg == "--render") {
      return badUsage("--render must be the first argument");
    } else if (const QtOption* qt = qtOption(arg)) {
      if (qt->value && ++i >= args.size()) {
        return badUsage(arg + " needs a value");
      }
    } else {
      return badUsage("unknown option " + arg);
    }
  }
  return result;
}

std::string_view programUsage() { return kUsage; }

std::string programVersionLine() { return "torvane " + std::string(programVersion()); }

bool parseDeviceLimits(std::string_view text, DeviceLimits& limits) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    return false;
  }
  int64_t p = 0, i = 0;
  size_t used = 0, used2 = 0;
  if (!parseInteger(text.substr(0, comma), p, &used) || used != comma ||
      !parseInteger(text.substr(comma + 1), i, &used2) || used2 != text.size() - comma - 1 ||
      p <= 0 || i <= 0 || p > UINT32_MAX || i > UINT32_MAX) {
    return false;
  }
  limits.primitiveLimit = static_cast<uint32_t>(std::min<int64_t>(p, kPrimitiveLimitCap));
  limits.indexLimit = static_cast<uint32_t>(i);
  return true;
}

}  // namespace torvane
