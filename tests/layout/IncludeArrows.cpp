// Checks the include lines of every source folder against the layout: a folder may include only
// the folders its row allows (every arrow points up the table), and the core folders include no
// Qt or OpenGL header. Prints "file:line: ..." for each wrong include and exits with 1 when there
// is one, 2 when the tree cannot be read.
//
// Usage: torvane-check-includes SOURCE_ROOT

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Row {
  std::string folder;
  bool core;                      //!< no Qt, no OpenGL
  std::vector<std::string> uses;  //!< folders it may include besides itself
};

// The layout table, top to bottom. A folder may also include whatever the folders it uses may
// include, so each row names only its direct neighbours.
const std::vector<Row> kRows = {
    {"resources", true, {}},
    {"elevation", true, {"resources"}},
    {"terrain", true, {"elevation"}},
    {"overlay", true, {"elevation", "terrain"}},
    {"contour", true, {"elevation", "terrain", "overlay"}},
    {"measure", true, {"elevation", "terrain"}},
    {"scene", true, {"resources", "elevation", "terrain", "overlay", "contour", "measure"}},
    {"view", true, {"scene"}},
    {"render", false, {"view"}},
    {"gui", false, {"render"}},
    {"cli", true, {"scene"}},
};

std::map<std::string, std::set<std::string>> allowedFolders() {
  std::map<std::string, std::set<std::string>> allowed;
  for (const Row& row : kRows) {
    std::set<std::string>& set = allowed[row.folder];
    set.insert(row.folder);
    for (const std::string& used : row.uses) {
      const std::set<std::string>& below = allowed[used];  // rows above are complete
      set.insert(below.begin(), below.end());
    }
  }
  return allowed;
}

// True for headers of Qt (<QWidget>, <QtGui/...>) and of OpenGL and its window-system glue.
bool isQtOrGlHeader(const std::string& name) {
  if (name.size() >= 2 && name[0] == 'Q' &&
      (std::isupper(static_cast<unsigned char>(name[1])) || name[1] == 't')) {
    return true;
  }
  for (const char* prefix : {"GL/", "GLES", "EGL/", "KHR/", "glad/", "epoxy/", "GLFW/"}) {
    if (name.rfind(prefix, 0) == 0) {
      return true;
    }
  }
  return false;
}

bool isSource(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

// The header named by an include line, and whether it was written in quotes; false for lines
// that are not includes.
bool includedName(const std::string& line, std::string& name, bool& quoted) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') {
    return false;
  }
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) {
    return false;
  }
  i = line.find_first_not_of(" \t", i + 7);
  if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) {
    return false;
  }
  const char close = line[i] == '"' ? '"' : '>';
  const size_t end = line.find(close, i + 1);
  if (end == std::string::npos) {
    return false;
  }
  quoted = close == '"';
  name = line.substr(i + 1, end - i - 1);
  return true;
}

// The top folder of a quoted include as the compiler finds it: beside the including file
// first ("../gui/MainWindow.h", "dialogs/X.h"), then from the source root ("gui/MainWindow.h").
// Empty for a name that names no folder of the tree.
std::string includedFolder(const fs::path& root, const fs::path& includer,
                           const std::string& name) {
  const fs::path beside = (includer.parent_path() / name).lexically_normal();
  const bool relative = name.rfind("./", 0) == 0 || name.rfind("../", 0) == 0;
  std::error_code ec;
  fs::path inTree;
  if (relative || fs::exists(beside, ec)) {
    inTree = beside.lexically_relative(root.lexically_normal());
  } else if (name.find('/') != std::string::npos) {
    inTree = fs::path(name).lexically_normal();
  }
  if (inTree.empty() || *inTree.begin() == ".." || std::next(inTree.begin()) == inTree.end()) {
    return {};
  }
  return inTree.begin()->string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: torvane-check-includes SOURCE_ROOT\n");
    return 2;
  }
  const fs::path root = argv[1];
  const auto allowed = allowedFolders();
  int faults = 0;
  int files = 0;
  std::error_code ec;
  for (const Row& row : kRows) {
    const fs::path folder = root / row.folder;
    if (!fs::is_directory(folder, ec)) {
      continue;  // a folder that does not exist yet
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, ec)) {
      if (!entry.is_regular_file() || !isSource(entry.path())) {
        continue;
      }
      std::ifstream in(entry.path());
      if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", entry.path().c_str());
        return 2;
      }
      ++files;
      const std::string shown = fs::relative(entry.path(), root).generic_string();
      std::string line, name;
      bool quoted = false;
      for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!includedName(line, name, quoted)) {
          continue;
        }
        if (row.core && isQtOrGlHeader(name)) {
          std::printf("%s:%d: core folder %s includes the Qt/OpenGL header <%s>\n", shown.c_str(),
                      lineNo, row.folder.c_str(), name.c_str());
          ++faults;
          continue;
        }
        if (!quoted) {
          continue;  // system and library headers
        }
        const std::string target = includedFolder(root, entry.path(), name);
        if (target.empty()) {
          continue;  // moc outputs and other names without a folder
        }
        if (!allowed.count(target)) {
          continue;  // not one of our folders
        }
        if (!allowed.at(row.folder).count(target)) {
          std::printf("%s:%d: %s may not include %s (\"%s\")\n", shown.c_str(), lineNo,
                      row.folder.c_str(), target.c_str(), name.c_str());
          ++faults;
        }
      }
    }
    if (ec) {
      std::fprintf(stderr, "%s: %s\n", folder.c_str(), ec.message().c_str());
      return 2;
    }
  }
  if (files == 0) {
    std::fprintf(stderr, "%s: no source folder found\n", root.c_str());
    return 2;
  }
  std::printf("%d files checked, %d wrong includes\n", files, faults);
  return faults == 0 ? 0 : 1;
}
