// Fuzz target: the GDAL raster reader through the open pipeline. The input is a GeoTIFF file.
#include "tests/fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane::fuzz;
  const auto path = workDir() / "raster.tif";
  writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  openAndCheck(path, Nodes::AllFinite);
  return 0;
}
