// The AVX2 path of atanArray. Built with -mavx2 -mfma, so it holds nothing but this loop: any
// inline function from a shared header compiled here could be picked by the linker for the
// whole program and run on a CPU without AVX2.

#include <immintrin.h>
#include <sleef.h>
#include <stddef.h>

namespace torvane {

void atanArrayAvx2(const double* in, double* out, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    _mm256_storeu_pd(out + i, Sleef_atand4_u10avx2(_mm256_loadu_pd(in + i)));
  }
  if (i < n) {
    double lane[4] = {0.0, 0.0, 0.0, 0.0};
    for (size_t k = 0; i + k < n; ++k) {
      lane[k] = in[i + k];
    }
    _mm256_storeu_pd(lane, Sleef_atand4_u10avx2(_mm256_loadu_pd(lane)));
    for (size_t k = 0; i + k < n; ++k) {
      out[i + k] = lane[k];
    }
  }
}

}  // namespace torvane
