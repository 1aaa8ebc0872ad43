// Fuzz target: the BIL reader through the open pipeline. The input holds the .hdr text (its
// length in the first two bytes) followed by the .bil samples.
#include "tests/fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane::fuzz;
  std::string_view header, samples;
  splitInput(data, size, header, samples);
  writeFile(workDir() / "raster.hdr", header);
  writeFile(workDir() / "raster.bil", samples);
  openAndCheck(workDir() / "raster.bil", Nodes::AllFinite);
  return 0;
}
