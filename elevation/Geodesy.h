#pragma once
// Gauss-Krueger transverse Mercator on GRS80 with scale 0.9999, as used by the Plane Rectangular
// Coordinate System of Japan. Plane coordinates follow the survey convention: x is the northing,
// y the easting. Angles are radians unless a name says degrees.

namespace torvane {

class ElevationGrid;

namespace geodesy {
inline constexpr double kA = 6378137.0;
inline constexpr double kE2 = 0.006694380022900787;
inline constexpr double kEp2 = 0.006739496775478804;
inline constexpr double kC = 6399593.625864023;
inline constexpr double kA1mE2 = 6335439.327083875;
inline constexpr double kM0 = 0.9999;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kRhoSec = 206264.80624709636;
inline constexpr double kRadToDeg = 57.29577951308232;
}  // namespace geodesy

inline double degToRad(double degrees) { return degrees / 180.0 * geodesy::kPi; }
inline double radToDeg(double radians) { return radians * geodesy::kRadToDeg; }

//! A projection origin: latitude phi0 and longitude lambda0 in radians.
struct GeoOrigin {
  double phi0 = 0;
  double lambda0 = 0;
};

/// Meridian arc length from the equator to latitude phi, metres.
double meridianArc(double phi);

/// The integer part of v after rounding v to 13 significant decimal digits.
double integerPart13(double v);

/// Radians of a packed sexagesimal value (degrees.minutesseconds, e.g. 129.3 = 129 deg 30 min).
double dmsToRadians(double packed);

/// Origin of zone 1..19 of the Plane Rectangular Coordinate System; zone 0 gives (0, 0).
/// False for any other zone, leaving origin untouched.
bool zoneOrigin(int zone, GeoOrigin& origin);

/// Forward projection about an explicit origin.
void geoToPlane(const GeoOrigin& origin, double phi, double lambda, double& x, double& y);
/// Forward projection in a zone (1..19); false for an invalid zone, outputs untouched.
bool geoToPlane(int zone, double phi, double lambda, double& x, double& y);

/// Inverse projection about an explicit origin.
void planeToGeo(const GeoOrigin& origin, double x, double y, double& phi, double& lambda);
/// Inverse projection in a zone (1..19); false for an invalid zone, outputs untouched.
bool planeToGeo(int zone, double x, double y, double& phi, double& lambda);

/// Angle in [0, 2pi) of the vector (a, b), from the first axis towards the second.
double directionAngle(double a, double b);

/// Grid plane coordinates (X easting, Y northing) of a geographic point in degrees, under the
/// grid's origin rule: the centre of its geographic bounds, or its plane zone. Outputs are 0 and
/// the result false when the grid has neither.
bool geoToGrid(const ElevationGrid& grid, double lonDeg, double latDeg, double& X, double& Y);
/// The inverse of geoToGrid: degrees of latitude and longitude.
bool gridToGeo(const ElevationGrid& grid, double X, double Y, double& latDeg, double& lonDeg);

/**
 * @brief The forward projection of a whole row of constant latitude.
 *
 * Gridded readers project many nodes that share a latitude. Everything that depends on the
 * latitude alone is computed once here; project() then evaluates the same expressions as
 * geoToPlane() does, so the results are bit-identical to projecting each node on its own.
 */
class RowProjector {
public:
  RowProjector(const GeoOrigin& origin, double phi);
  void project(double lambda, double& x, double& y) const;

private:
  double mLambda0, mCosPhi, mT, mT2, mEta2, mN, mArcDiff;
};

}  // namespace torvane
