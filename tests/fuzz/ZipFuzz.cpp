// Fuzz target: GSI zip archives through the open pipeline. The input is the archive; its DEM XML
// members are listed, inflated and read as the program reads them.
#include "tests/fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane::fuzz;
  const auto path = workDir() / "download.zip";
  writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  openAndCheck(path, Nodes::HeightsOnly);
  return 0;
}
