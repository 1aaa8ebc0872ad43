#pragma once
// The desktop program's command line. It is read before any window system starts, so that
// --version, --help and bad usage are answered without a display.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "elevation/OpenPipeline.h"

namespace torvane {

enum class ProgramMode {
  Window,    //!< the main window
  Render,    //!< --render: one frame written to an image (its arguments in `renderArgs`)
  Version,   //!< print the version line on standard output, exit 0
  Help,      //!< print programUsage() on standard output, exit 0
  BadUsage,  //!< print `problem` and programUsage() on standard error, exit 2
};

//! What `torvane ARGS...` asks for.
struct ProgramArgs {
  ProgramMode mode = ProgramMode::Window;
  std::string problem;  //!< what is wrong, for BadUsage
  DeviceLimits limits;  //!< --limits PRIM,INDEX
  //! --open FILE...: elevation files opened at start-up (up to the next option).
  std::vector<std::filesystem::path> openAtStart;
  //! The other file arguments in order: opened at start-up as a drop of them on the window.
  std::vector<std::filesystem::path> files;
  //! The arguments after a leading --render, for the headless render.
  std::vector<std::string> renderArgs;
};

/**
 * @brief Reads the arguments of `torvane` (program name excluded).
 *
 * --help (or -h) and --version win wherever they stand. --render is only taken as the first
 * argument. "--" ends the options: what follows is a file even when it starts with "-". Qt's
 * own options (-platform NAME, -style NAME, -display NAME, -reverse, ...) are left to Qt. Any
 * other argument that starts with "-" is bad usage.
 */
ProgramArgs parseProgramArgs(std::span<const std::string> args);

/// The usage text of `torvane`, ending with a newline.
std::string_view programUsage();

/// "torvane VERSION".
std::string programVersionLine();

/**
 * @brief Reads "PRIM,INDEX": two positive decimal integers of at most 32 bits.
 *
 * The primitive limit is capped at kPrimitiveLimitCap as the device's is. False, with `limits`
 * unchanged, on anything else.
 */
bool parseDeviceLimits(std::string_view text, DeviceLimits& limits);

}  // namespace torvane
