#pragma once
// Files that could not be used, each with the reason in a few plain words ("not found",
// "damaged archive", ...). Opens, layer adds and project loads collect them, so that the window's
// message and torvane-cli's "problems" can name every file that failed and why.

#include <filesystem>
#include <string>
#include <vector>

namespace torvane {

struct FileProblem {
  std::filesystem::path path;  //!< as given; an archive member as ARCHIVE.zip/MEMBER
  std::string reason;
};

using FileProblems = std::vector<FileProblem>;

}  // namespace torvane
