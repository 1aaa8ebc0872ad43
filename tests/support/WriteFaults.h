#pragma once
// Faults of the disk for the safe writer (elevation/AtomicFile.h): one of its system calls fails
// as on a full disk, and what a write leaves in its folder.

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "elevation/AtomicFile.h"

namespace torvane::fixtures {

//! The writer's system calls that a WriteFault can make fail.
enum class FaultAt { Write, Fsync, Close, Rename };

inline const char* faultName(FaultAt at) {
  switch (at) {
    case FaultAt::Write:
      return "write";
    case FaultAt::Fsync:
      return "fsync";
    case FaultAt::Close:
      return "close";
    case FaultAt::Rename:
      return "rename";
  }
  return "?";
}

/**
 * @brief While it lives, call number `nth` (from 1) of the writer's system call `at` fails
 * with `code` (ENOSPC: the disk is full); every other call runs as usual. A failing close
 * still closes the descriptor, as the system's does.
 */
class WriteFault {
public:
  WriteFault(FaultAt at, int nth = 1, int code = ENOSPC) : mScope(makeCalls()) {
    state() = {at, nth, code, 0};
  }
  ~WriteFault() { state() = {}; }
  WriteFault(const WriteFault&) = delete;
  WriteFault& operator=(const WriteFault&) = delete;

  /// True once the fault happened.
  bool hit() const { return state().calls >= state().nth; }

private:
  struct State {
    FaultAt at = FaultAt::Write;
    int nth = 0;
    int code = 0;
    int calls = 0;
  };
  static State& state() {
    static State s;
    return s;
  }
  static bool failNow(FaultAt at) {
    State& s = state();
    if (s.at != at || s.nth == 0) {
      return false;
    }
    if (++s.calls != s.nth) {
      return false;
    }
    errno = s.code;
    return true;
  }
  static WriterSystemCalls makeCalls() {
    WriterSystemCalls calls;
    calls.write = [](int fd, const void* data, size_t size) -> ssize_t {
      return failNow(FaultAt::Write) ? -1 : systemWriterCalls().write(fd, data, size);
    };
    calls.fsync = [](int fd) {
      return failNow(FaultAt::Fsync) ? -1 : systemWriterCalls().fsync(fd);
    };
    calls.close = [](int fd) {
      if (failNow(FaultAt::Close)) {
        const int code = errno;
        systemWriterCalls().close(fd);
        errno = code;
        return -1;
      }
      return systemWriterCalls().close(fd);
    };
    calls.rename = [](const char* from, const char* to, unsigned int flags) {
      return failNow(FaultAt::Rename) ? -1 : systemWriterCalls().rename(from, to, flags);
    };
    return calls;
  }

  ScopedWriterSystemCalls mScope;
};

/// The file's bytes, or "(absent)" when it cannot be read.
inline std::string fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return "(absent)";
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// The names in a folder, hidden ones included, sorted.
inline std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

/// The id of a process that has ended (a child that exited and was reaped).
inline pid_t endedProcessId() {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return pid;
}

/**
 * @brief Runs `work` in a child process as the unprivileged user "nobody" (65534) and returns
 * its exit status; -1 when the child could not become that user (the caller skips) or did not
 * exit normally. Runs as is when this process is not root.
 */
template <typename Work>
int runAsNobody(Work&& work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(255);
    }
    ::_exit(work());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) {
    return -1;
  }
  return WEXITSTATUS(status);
}

}  // namespace torvane::fixtures
