#pragma once
// The AVX path of the terrain analysis (TerrainAvx.cpp, built on x86-64 only). Call it only
// when avxAvailable() says the CPU runs it.

#include <cstddef>

namespace torvane {

/// Slope and openness of the interior nodes (columns 1 .. w - 2) of one row of width w >= 6;
/// the pointers are at column 0 of the row, the rows above and below w nodes away.
void analyseRowAvx(const double* X, const double* Y, const double* H, size_t w, double* slope,
                   double* above, double* below);

}  // namespace torvane
