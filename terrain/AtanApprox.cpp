#include "terrain/AtanApprox.h"

#include <cmath>

#include "terrain/AtanCoefficients.h"

namespace torvane {

double approxAtanRatio(double y, double x) {
  using namespace atancoeff;
  double num = y, den = x, y0 = 0.0, flag = 0.0;
  if (y > kTan3Pi8 * x) {
    num = -x, den = y, y0 = kPi2, flag = 1.0;
  } else if (y > kReduceAbove * x) {
    num = y - x, den = y + x, y0 = kPi4, flag = 0.5;
  }
  const double t = num / den;
  const double z = t * t;
  double p = kP[0];
  for (int i = 1; i < 5; ++i) {
    p = p * z + kP[i];
  }
  double q = z + kQ[0];
  for (int i = 1; i < 5; ++i) {
    q = q * z + kQ[i];
  }
  double r = t * (z * p / q) + t;
  r = r + flag * kMoreBits;
  return y0 + r;
}

double approxAtan(double x) { return std::copysign(approxAtanRatio(std::fabs(x), 1.0), x); }

#if defined(TORVANE_HAVE_AVX)
bool avxAvailable() {
  static const bool has = __builtin_cpu_supports("avx");
  return has;
}
#else
bool avxAvailable() { return false; }
#endif

}  // namespace torvane
