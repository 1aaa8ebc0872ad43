// Writes the seed corpus of the reader fuzz targets (see FuzzSeeds.h). Usage: MakeSeeds OUTDIR

#include <cstdio>
#include <filesystem>

#include "tests/fuzz/FuzzSeeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const int written = torvane::fuzz::writeFuzzSeeds(out);
  std::printf("%d seeds in %s\n", written, out.c_str());
  return 0;
}
