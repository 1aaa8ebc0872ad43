#pragma once
// Runs torvane-cli (its path comes from the build as TORVANE_CLI) and captures standard output.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace torvane::fixtures {

struct CliResult {
  int status = -1;  //!< exit status, -1 when the program did not exit normally
  std::string out;  //!< standard output; standard error is discarded
};

/// `args` are already shell-quoted. `shellPrefix`, when given, is shell text run first in the
/// same shell (limits, ignored signals), ending in "exec " or "; ".
inline CliResult runCli(const std::string& args, const std::string& shellPrefix = {}) {
  CliResult r;
  const std::string command =
      shellPrefix + std::string(TORVANE_CLI) + " " + args + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    return r;
  }
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
    r.out.append(buf.data(), n);
  }
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace torvane::fixtures
