#pragma once
// A fresh temporary folder per test, removed with its contents afterwards.

#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace torvane::fixtures {

class TempDir {
public:
  TempDir() {
    static std::atomic<int> counter{0};
    mPath = std::filesystem::temp_directory_path() /
            ("torvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return mPath; }
  std::filesystem::path operator/(const std::string& name) const { return mPath / name; }

private:
  std::filesystem::path mPath;
};

}  // namespace torvane::fixtures
