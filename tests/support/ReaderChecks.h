#pragma once
// Small helpers shared by the reader tests: open files into a fresh scene and look up nodes by
// file, row and column of the kept grid.

#include <filesystem>
#include <memory>
#include <vector>

#include "scene/Scene.h"

namespace torvane::fixtures {

struct OpenedScene {
  Scene scene;
  bool ok = false;

  uint64_t index(int file, uint64_t row, uint64_t column) const {
    const GridFile& f = scene.grid.files[static_cast<size_t>(file)];
    return scene.grid.fileBase(file) + row * f.sampledColumns + column;
  }
  double H(int file, uint64_t row, uint64_t column) const {
    return scene.grid.H[index(file, row, column)];
  }
};

/// Opens the paths as the program does (openElevationData).
inline std::unique_ptr<OpenedScene> openScene(const std::vector<std::filesystem::path>& paths,
                                              DeviceLimits limits = {}, unsigned threads = 0) {
  auto o = std::make_unique<OpenedScene>();
  o->scene.limits = limits;
  o->ok = openElevationData(o->scene, paths, {}, nullptr, threads);
  return o;
}

}  // namespace torvane::fixtures
