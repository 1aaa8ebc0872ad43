#pragma once
// The program's version, taken from the build's project version (CMakeLists.txt).

#include <string_view>

namespace torvane {

/// The version as "MAJOR.MINOR[.PATCH]", the same for torvane, torvane-cli and the package.
std::string_view programVersion();

}  // namespace torvane
