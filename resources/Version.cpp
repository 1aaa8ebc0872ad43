#include "resources/Version.h"

namespace torvane {

// TORVANE_VERSION is defined for this file alone, so a new version recompiles nothing else.
std::string_view programVersion() { return TORVANE_VERSION; }

}  // namespace torvane
