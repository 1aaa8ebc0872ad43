#pragma once
// The arc tangent of the terrain analysis (nine per node), faster than std::atan and within
// about one unit in the last place of it.
//
// It is the rational approximation of the Cephes library (S. L. Moshier), taken as a ratio
// y / x so that the reduction and the ratio share one division: for y <= 0.66 x the argument
// is y / x; above that atan(y / x) = pi/4 + atan((y - x) / (y + x)); above tan(3 pi / 8) x it
// is pi/2 + atan(-x / y). On the reduced argument t, atan(t) = t + t z P(z) / Q(z) with
// z = t^2, P of degree 4 and Q of degree 5.
//
// The analysis runs it four lanes at a time with AVX where the CPU has it (TerrainAvx.cpp) and
// one value at a time elsewhere, with the very same operations in the same order and no fused
// multiply-add, so every machine and every split of the work gives the same bits.

namespace torvane {

/// atan(y / x) in radians for y >= 0 and x > 0.
double approxAtanRatio(double y, double x);

/// atan(x) in radians.
double approxAtan(double x);

/// True when the AVX analysis is built and the CPU (and system) runs it.
bool avxAvailable();

}  // namespace torvane
