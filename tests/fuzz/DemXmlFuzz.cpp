// Fuzz target: the DEM XML reader through the open pipeline. The input is the file.
#include "tests/fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane::fuzz;
  const auto path = workDir() / "tile.xml";
  writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  openAndCheck(path, Nodes::HeightsOnly);
  return 0;
}
