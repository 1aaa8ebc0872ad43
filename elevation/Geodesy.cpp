#include "elevation/Geodesy.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "elevation/ElevationGrid.h"

namespace torvane {

using namespace geodesy;

namespace {
// Coefficients of the meridian arc series; the first is stored as A - 1.
constexpr double kAm1 = 0.005052501813146652;
constexpr double kB = 0.005063108622326878;
constexpr double kCc = 1.0627590331837868e-05;
constexpr double kD = 2.0820407158512175e-08;
constexpr double kE = 3.933230470035882e-11;
constexpr double kF = 7.265236169125071e-14;
constexpr double kG = 1.321653368923136e-16;
constexpr double kH = 2.376757353699473e-19;
constexpr double kI = 4.109419740269196e-22;

// Zone origins in packed sexagesimal form (latitude, longitude).
constexpr double kZoneOrigins[19][2] = {
    {33.0, 129.3},  {33.0, 131.0},  {36.0, 132.1},  {33.0, 133.3}, {36.0, 134.2},
    {36.0, 136.0},  {36.0, 137.1},  {36.0, 138.3},  {36.0, 139.5}, {40.0, 140.5},
    {44.0, 140.15}, {44.0, 142.15}, {44.0, 144.15}, {26.0, 142.0}, {26.0, 127.3},
    {26.0, 124.0},  {26.0, 131.0},  {20.0, 136.0},  {26.0, 154.0}};
}  // namespace

double meridianArc(double phi) {
  return kA1mE2 * (phi + kAm1 * phi - kB / 2 * std::sin(2 * phi) + kCc / 4 * std::sin(4 * phi) -
                   kD / 6 * std::sin(6 * phi) + kE / 8 * std::sin(8 * phi) -
                   kF / 10 * std::sin(10 * phi) + kG / 12 * std::sin(12 * phi) -
                   kH / 14 * std::sin(14 * phi) + kI / 16 * std::sin(16 * phi));
}

double integerPart13(double v) {
  if (!std::isfinite(v)) {
    return 0;
  }
  if (std::fabs(v) < 5e-12) {
    return 0;
  }
  // Rounding to 13 significant digits is what printing with 13 digits does (in any locale).
  char text[64];
  const auto printed =
      std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, 12);
  double rounded = 0;
  std::from_chars(text, printed.ptr, rounded);
  if (std::fabs(rounded) < 1.0) {
    return 0;
  }
  return std::trunc(rounded);
}

double dmsToRadians(double packed) {
  double a = std::fabs(packed);
  double n = integerPart13(a / 360);
  a -= 360 * n;
  if (a < 0) {
    a += 360;
    n -= 1;
  }
  const double base = n * 6.283185307179586;
  double s;
  if (a < 0.01) {
    s = a * 10000;
  } else {
    const double d = integerPart13(a);
    const double f = a - d;
    if (f <= 0) {
      s = 3600 * d;
    } else {
      const double g = (f + 1e-8) * 100;
      const double m = integerPart13(g);
      const double r = g - m - 1e-6;
      s = r <= 0 ? 3600 * d + 60 * m : 3600 * d + 60 * m + 100 * r;
    }
  }
  const double result = base + s / kRhoSec;
  return packed < 0 ? -result : result;
}

bool zoneOrigin(int zone, GeoOrigin& origin) {
  if (zone == 0) {
    origin = {};
    return true;
  }
  if (zone < 1 || zone > 19) {
    return false;
  }
  origin.phi0 = dmsToRadians(kZoneOrigins[zone - 1][0]);
  origin.lambda0 = dmsToRadians(kZoneOrigins[zone - 1][1]);
  return true;
}

RowProjector::RowProjector(const GeoOrigin& origin, double phi) : mLambda0(origin.lambda0) {
  mT = std::tan(phi);
  mT2 = mT * mT;
  const double c = std::cos(phi);
  mCosPhi = c;
  mEta2 = kEp2 * c * c;
  mN = kC / std::sqrt(1 + mEta2);
  mArcDiff = meridianArc(phi) - meridianArc(origin.phi0);
}

void RowProjector::project(double lambda, double& x, double& y) const {
  const double t = mT, t2 = mT2, t4 = t2 * t2, t6 = t4 * t2;
  const double e2 = mEta2, e4 = e2 * e2;
  const double l = (lambda - mLambda0) * mCosPhi;
  const double l2 = l * l, l3 = l2 * l, l4 = l2 * l2, l5 = l4 * l, l6 = l4 * l2, l7 = l6 * l,
               l8 = l4 * l4;
  x = kM0 * (mArcDiff + mN * t *
                            (l2 / 2 + (5 - t2 + 9 * e2 + 4 * e4) * l4 / 24 -
                             (-61 + 58 * t2 - t4 - 270 * e2 + 330 * t2 * e2) * l6 / 720 -
                             (-1385 + 3111 * t2 - 543 * t4 + t6) * l8 / 40320));
  y = kM0 * mN *
      (l - (-1 + t2 - e2) * l3 / 6 - (-5 + 18 * t2 - t4 - 14 * e2 + 58 * t2 * e2) * l5 / 120 -
       (-61 + 479 * t2 - 179 * t4 + t6) * l7 / 5040);
}

void geoToPlane(const GeoOrigin& origin, double phi, double lambda, double& x, double& y) {
  RowProjector(origin, phi).project(lambda, x, y);
}

bool geoToPlane(int zone, double phi, double lambda, double& x, double& y) {
  GeoOrigin origin;
  if (!zoneOrigin(zone, origin)) {
    return false;
  }
  geoToPlane(origin, phi, lambda, x, y);
  return true;
}

void planeToGeo(const GeoOrigin& origin, double x, double y, double& phi, double& lambda) {
  const double M = meridianArc(origin.phi0) + x / kM0;
  double phi1 = M / kA;
  for (int i = 0; i < 20; ++i) {
    const double s = std::sin(phi1);
    const double delta = (M - meridianArc(phi1)) * std::pow(1 - kE2 * s * s, 1.5) / kA1mE2;
    phi1 += delta;
    if (std::fabs(delta) < 1e-16) {
      break;
    }
  }
  const double t = std::tan(phi1), t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double c = std::cos(phi1);
  const double e2 = kEp2 * c * c, e4 = e2 * e2;
  const double N1 = kC / std::sqrt(1 + e2);
  const double u = (y / kM0) / N1;
  const double u2 = u * u, u3 = u2 * u, u4 = u2 * u2, u5 = u4 * u, u6 = u4 * u2, u7 = u6 * u,
               u8 = u4 * u4;
  phi = phi1 - t * ((1 + e2) * u2 / 2 -
                    (5 + 3 * t2 + 6 * e2 - 6 * t2 * e2 - 3 * e4 - 9 * t2 * e4) * u4 / 24 +
                    (61 + 90 * t2 + 45 * t4 + 107 * e2 - 162 * t2 * e2 - 45 * t4 * e2) * u6 / 720 -
                    (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6) * u8 / 40320);
  lambda = origin.lambda0 + (u - (1 + 2 * t2 + e2) * u3 / 6 +
                             (5 + 28 * t2 + 24 * t4 + 6 * e2 + 8 * t2 * e2) * u5 / 120 -
                             (61 + 662 * t2 + 1320 * t4 + 720 * t6) * u7 / 5040) /
                                c;
}

bool planeToGeo(int zone, double x, double y, double& phi, double& lambda) {
  GeoOrigin origin;
  if (!zoneOrigin(zone, origin)) {
    return false;
  }
  planeToGeo(origin, x, y, phi, lambda);
  return true;
}

double directionAngle(double a, double b) {
  const double r = std::sqrt(a * a + b * b);
  if (r < 5e-12) {
    return 0;
  }
  if (a / r <= -1) {
    return kPi;
  }
  if (a / r >= 1) {
    return 0;
  }
  const double theta = std::acos(a / r);
  return b < 0 ? 2 * kPi - theta : theta;
}

namespace {
// The grid's projection origin: the centre of its geographic bounds, else its zone.
bool gridOrigin(const ElevationGrid& grid, GeoOrigin& origin) {
  if (grid.GeoCoordinates) {
    origin.phi0 = degToRad((grid.latMin + grid.latMax) / 2);
    origin.lambda0 = degToRad((grid.lonMin + grid.lonMax) / 2);
    return true;
  }
  if (grid.planeZone == 0) {
    return false;
  }
  return zoneOrigin(grid.planeZone, origin);
}
}  // namespace

bool geoToGrid(const ElevationGrid& grid, double lonDeg, double latDeg, double& X, double& Y) {
  X = Y = 0;
  GeoOrigin origin;
  if (!gridOrigin(grid, origin)) {
    return false;
  }
  geoToPlane(origin, degToRad(latDeg), degToRad(lonDeg), Y, X);
  return true;
}

bool gridToGeo(const ElevationGrid& grid, double X, double Y, double& latDeg, double& lonDeg) {
  latDeg = lonDeg = 0;
  GeoOrigin origin;
  if (!gridOrigin(grid, origin)) {
    return false;
  }
  double phi, lambda;
  planeToGeo(origin, Y, X, phi, lambda);
  latDeg = radToDeg(phi);
  lonDeg = radToDeg(lambda);
  return true;
}

}  // namespace torvane
