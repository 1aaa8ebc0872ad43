#pragma once
// Runs torvane-cli (its path comes from the build as TORVANE_CLI) and captures standard output
// and standard error.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane::fixtures {

struct CliResult {
  int status = -1;  //!< exit status, -1 when the program did not exit normally
  std::string out;  //!< standard output
  std::string err;  //!< standard error
};

/// `args` are already shell-quoted. `shellPrefix`, when given, is shell text run first in the
/// same shell (limits, ignored signals), ending in "exec " or "; ".
inline CliResult runCli(const std::string& args, const std::string& shellPrefix = {}) {
  CliResult r;
  char errPath[] = "/tmp/torvane-cli-err-XXXXXX";
  const int fd = ::mkstemp(errPath);
  if (fd < 0) {
    return r;
  }
  ::close(fd);
  const std::string command = shellPrefix + std::string(TORVANE_CLI) + " " + args + " 2>" + errPath;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe) {
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
      r.out.append(buf.data(), n);
    }
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ostringstream err;
    err << std::ifstream(errPath).rdbuf();
    r.err = err.str();
  }
  ::unlink(errPath);
  return r;
}

}  // namespace torvane::fixtures
