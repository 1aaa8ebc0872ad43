#pragma once
// Coefficients of the arc tangent approximation (Cephes atan.c, S. L. Moshier), shared by the
// scalar and the AVX implementation.

namespace torvane::atancoeff {

inline constexpr double kP[5] = {-8.750608600031904122785E-1, -1.615753718733365076637E1,
                                 -7.500855792314704667340E1, -1.228866684490136173410E2,
                                 -6.485021904942025371773E1};
// Q without its leading coefficient 1.
inline constexpr double kQ[5] = {2.485846490142306297962E1, 1.650270098316988542046E2,
                                 4.328810604912902668951E2, 4.853903996359136964868E2,
                                 1.945506571482613964425E2};
inline constexpr double kTan3Pi8 = 2.41421356237309504880;  // above: reduce by pi/2
inline constexpr double kReduceAbove = 0.66;                // above: reduce by pi/4
inline constexpr double kPi2 = 1.57079632679489661923;
inline constexpr double kPi4 = 0.78539816339744830962;
inline constexpr double kMoreBits = 6.123233995736765886130E-17;  // pi/2 - kPi2

// Degrees per radian, 180 / 3.141592653589793.
inline constexpr double kDegrees = 57.29577951308232;

}  // namespace torvane::atancoeff
