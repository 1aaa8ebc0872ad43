#include "terrain/VectorAtan.h"

#include <cmath>

#if defined(TORVANE_HAVE_SLEEF)
#include <emmintrin.h>
#include <sleef.h>
#endif

namespace torvane {

#if defined(TORVANE_HAVE_SLEEF)
// In VectorAtanAvx2.cpp, the only file built with AVX2 code; called only when the CPU has it.
void atanArrayAvx2(const double* in, double* out, size_t n);

namespace {
bool cpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}

void atanArraySse2(const double* in, double* out, size_t n) {
  size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    _mm_storeu_pd(out + i, Sleef_atand2_u10sse2(_mm_loadu_pd(in + i)));
  }
  if (i < n) {
    double lane[2] = {in[i], 0.0};
    _mm_storeu_pd(lane, Sleef_atand2_u10sse2(_mm_loadu_pd(lane)));
    out[i] = lane[0];
  }
}
}  // namespace

void atanArray(const double* in, double* out, size_t n) {
  if (cpuHasAvx2()) {
    atanArrayAvx2(in, out, n);
  } else {
    atanArraySse2(in, out, n);
  }
}

const char* atanArrayKind() { return cpuHasAvx2() ? "avx2" : "sse2"; }

#else

void atanArray(const double* in, double* out, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    out[i] = std::atan(in[i]);
  }
}

const char* atanArrayKind() { return "scalar"; }

#endif

}  // namespace torvane
