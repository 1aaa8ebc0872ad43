#pragma once
// Arc tangents of whole arrays. Terrain analysis needs nine per node; with SLEEF's 1.0-ulp
// vector arc tangent (AVX2 or SSE2, picked at run time) they cost a fraction of std::atan's.
// Every lane is computed on its own, so a value's result does not depend on its neighbours in
// the array, on the array length or on how the work is split across threads.

#include <cstddef>

namespace torvane {

/// out[i] = atan(in[i]) for i < n (radians). in and out may be the same array.
void atanArray(const double* in, double* out, size_t n);

/// The implementation atanArray uses on this machine: "avx2", "sse2" or "scalar".
const char* atanArrayKind();

}  // namespace torvane
