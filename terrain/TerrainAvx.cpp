// The AVX path of the terrain analysis: a row four nodes at a time. Built with -mavx
// -ffp-contract=off, so it holds nothing but this code on intrinsics: an inline function from a
// shared header compiled here could be picked by the linker for the whole program and run on a
// CPU without AVX. Every operation is the one the scalar code of TerrainAnalysis.cpp and
// AtanApprox.cpp performs, in the same order, so both give the same bits.

#include <immintrin.h>
#include <stddef.h>

#include "terrain/AtanCoefficients.h"

namespace torvane {

namespace {

inline __m256d splat(double v) { return _mm256_set1_pd(v); }
inline __m256d absolute(__m256d v) { return _mm256_andnot_pd(splat(-0.0), v); }

// approxAtanRatio (AtanApprox.cpp) on four lanes: atan(y / x) for y >= 0, x > 0.
inline __m256d atanRatio4(__m256d y, __m256d x) {
  using namespace atancoeff;
  const __m256d big = _mm256_cmp_pd(y, _mm256_mul_pd(splat(kTan3Pi8), x), _CMP_GT_OQ);
  const __m256d mid =
      _mm256_andnot_pd(big, _mm256_cmp_pd(y, _mm256_mul_pd(splat(kReduceAbove), x), _CMP_GT_OQ));
  __m256d num = _mm256_blendv_pd(y, _mm256_sub_pd(y, x), mid);
  num = _mm256_blendv_pd(num, _mm256_sub_pd(_mm256_setzero_pd(), x), big);
  __m256d den = _mm256_blendv_pd(x, _mm256_add_pd(y, x), mid);
  den = _mm256_blendv_pd(den, y, big);
  __m256d y0 = _mm256_and_pd(mid, splat(kPi4));
  y0 = _mm256_blendv_pd(y0, splat(kPi2), big);
  __m256d flag = _mm256_and_pd(mid, splat(0.5));
  flag = _mm256_blendv_pd(flag, splat(1.0), big);

  const __m256d t = _mm256_div_pd(num, den);
  const __m256d z = _mm256_mul_pd(t, t);
  __m256d p = splat(kP[0]);
  for (int i = 1; i < 5; ++i) {
    p = _mm256_add_pd(_mm256_mul_pd(p, z), splat(kP[i]));
  }
  __m256d q = _mm256_add_pd(z, splat(kQ[0]));
  for (int i = 1; i < 5; ++i) {
    q = _mm256_add_pd(_mm256_mul_pd(q, z), splat(kQ[i]));
  }
  __m256d r = _mm256_div_pd(_mm256_mul_pd(z, p), q);
  r = _mm256_add_pd(_mm256_mul_pd(t, r), t);
  r = _mm256_add_pd(r, _mm256_mul_pd(flag, splat(kMoreBits)));
  return _mm256_add_pd(y0, r);
}

struct Rows {
  const double* x[3];  // rows above, at, below the node's row, at column 0
  const double* y[3];
  const double* h[3];
};

inline __m256d load(const double* row, size_t c) { return _mm256_loadu_pd(row + c); }

// n / s where s > epsilon, else 0.
inline __m256d gradient(__m256d n, __m256d s) {
  const __m256d spanned = _mm256_cmp_pd(s, splat(0.00005), _CMP_GT_OQ);
  return _mm256_and_pd(spanned, _mm256_div_pd(n, s));
}

// Slope and openness of the four nodes at columns c .. c + 3.
void analyseFour(const Rows& r, size_t c, double* slope, double* above, double* below) {
  const __m256d two = splat(2.0);
  const __m256d zero = _mm256_setzero_pd();
  const __m256d epsilon = splat(0.00005);
  const __m256d xh = load(r.x[1], c), yh = load(r.y[1], c), hh = load(r.h[1], c);

  // Neighbours in the order NW, N, NE, W_, E_, SW, S, SE: row (0 above, 2 below), column.
  enum { NW, N, NE, W, E, SW, S, SE };
  static const int kRow[8] = {0, 0, 0, 1, 1, 2, 2, 2};
  static const size_t kColumn[8] = {0, 1, 2, 0, 2, 0, 1, 2};  // offset + 1
  __m256d dx[8], dy[8], hn[8];
#pragma GCC unroll 8
  for (int n = 0; n < 8; ++n) {
    const size_t col = c + kColumn[n] - 1;
    dx[n] = _mm256_sub_pd(load(r.x[kRow[n]], col), xh);
    dy[n] = _mm256_sub_pd(load(r.y[kRow[n]], col), yh);
    hn[n] = load(r.h[kRow[n]], col);
  }

  __m256d sx = absolute(dx[NW]);
  sx = _mm256_add_pd(sx, _mm256_mul_pd(two, absolute(dx[W])));
  sx = _mm256_add_pd(sx, absolute(dx[SW]));
  sx = _mm256_add_pd(sx, absolute(dx[NE]));
  sx = _mm256_add_pd(sx, _mm256_mul_pd(two, absolute(dx[E])));
  sx = _mm256_add_pd(sx, absolute(dx[SE]));
  __m256d nx = _mm256_add_pd(hn[NW], _mm256_mul_pd(two, hn[W]));
  nx = _mm256_add_pd(nx, hn[SW]);
  nx = _mm256_sub_pd(nx, hn[NE]);
  nx = _mm256_sub_pd(nx, _mm256_mul_pd(two, hn[E]));
  nx = _mm256_sub_pd(nx, hn[SE]);
  const __m256d gx = gradient(nx, sx);

  __m256d sy = absolute(dy[NW]);
  sy = _mm256_add_pd(sy, _mm256_mul_pd(two, absolute(dy[N])));
  sy = _mm256_add_pd(sy, absolute(dy[NE]));
  sy = _mm256_add_pd(sy, absolute(dy[SW]));
  sy = _mm256_add_pd(sy, _mm256_mul_pd(two, absolute(dy[S])));
  sy = _mm256_add_pd(sy, absolute(dy[SE]));
  __m256d ny = _mm256_add_pd(hn[NW], _mm256_mul_pd(two, hn[N]));
  ny = _mm256_add_pd(ny, hn[NE]);
  ny = _mm256_sub_pd(ny, hn[SW]);
  ny = _mm256_sub_pd(ny, _mm256_mul_pd(two, hn[S]));
  ny = _mm256_sub_pd(ny, hn[SE]);
  const __m256d gy = gradient(ny, sy);

  const __m256d g = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(gx, gx), _mm256_mul_pd(gy, gy)));
  _mm256_storeu_pd(slope + c, _mm256_mul_pd(atanRatio4(g, splat(1.0)), splat(atancoeff::kDegrees)));

  __m256d up = zero, down = zero;
#pragma GCC unroll 8
  for (int n = 0; n < 8; ++n) {
    __m256d d;
    if (n == N || n == S) {
      d = absolute(dy[n]);
    } else if (n == W || n == E) {
      d = absolute(dx[n]);
    } else {
      d = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(dx[n], dx[n]), _mm256_mul_pd(dy[n], dy[n])));
    }
    const __m256d dh = _mm256_sub_pd(hn[n], hh);
    const __m256d counted = _mm256_cmp_pd(d, epsilon, _CMP_GT_OQ);
    const __m256d a = atanRatio4(absolute(dh), d);
    const __m256d higher = _mm256_and_pd(counted, _mm256_cmp_pd(dh, zero, _CMP_GT_OQ));
    const __m256d lower = _mm256_and_pd(counted, _mm256_cmp_pd(dh, zero, _CMP_LT_OQ));
    up = _mm256_add_pd(up, _mm256_and_pd(higher, a));
    down = _mm256_add_pd(down, _mm256_and_pd(lower, _mm256_xor_pd(a, splat(-0.0))));
  }
  const __m256d eighth = splat(0.125);
  _mm256_storeu_pd(above + c,
                   _mm256_mul_pd(absolute(_mm256_mul_pd(up, eighth)), splat(atancoeff::kDegrees)));
  _mm256_storeu_pd(
      below + c, _mm256_mul_pd(absolute(_mm256_mul_pd(down, eighth)), splat(atancoeff::kDegrees)));
}

}  // namespace

void analyseRowAvx(const double* X, const double* Y, const double* H, size_t w, double* slope,
                   double* above, double* below) {
  const Rows r = {{X - w, X, X + w}, {Y - w, Y, Y + w}, {H - w, H, H + w}};
  const size_t end = w - 1;
  size_t c = 1;
  for (; c + 4 <= end; c += 4) {
    analyseFour(r, c, slope, above, below);
  }
  if (c < end) {
    // The last four interior nodes again: recomputing a node gives the same bits.
    analyseFour(r, end - 4, slope, above, below);
  }
}

}  // namespace torvane
