// Fuzz target: one line/point reader through addLineFiles. The input is the file; the build
// names its extension (TORVANE_FUZZ_EXTENSION), which chooses the reader.
#include "tests/fuzz/LineFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  torvane::fuzz::addLineFileAndCheck(std::string_view(reinterpret_cast<const char*>(data), size),
                                     TORVANE_FUZZ_EXTENSION);
  return 0;
}
