// Fuzz target: the LEM reader through the LEM open. The input holds one byte of placement
// (bit 0: the data folder ends in "LEM", bit 1: the header lies in the HEADER folder), then the
// .csv text (its length in the next two bytes) followed by the .lem text.
#include "tests/fuzz/FuzzHarness.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane::fuzz;
  if (size < 1) {
    return 0;
  }
  const uint8_t placement = data[0];
  std::string_view header, grid;
  splitInput(data + 1, size - 1, header, grid);
  const auto base = workDir() / "lem";
  const auto folder = base / ((placement & 1) ? "LEM" : "data");
  static const bool made = [&] {
    for (const char* sub : {"LEM", "data", "HEADER"}) {
      std::filesystem::create_directories(base / sub);
    }
    return true;
  }();
  (void)made;
  std::error_code ec;
  for (const char* sub : {"LEM", "data", "HEADER"}) {
    std::filesystem::remove(base / sub / "x.csv", ec);
  }
  writeFile((placement & 2) ? base / "HEADER" / "x.csv" : folder / "x.csv", header);
  writeFile(folder / "x.lem", grid);
  openAndCheck(folder / "x.lem", Nodes::AllFinite);
  return 0;
}
