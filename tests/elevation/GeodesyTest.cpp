#include <gtest/gtest.h>

#include <cmath>

#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"

using namespace torvane;

namespace {
double deg(double d) { return degToRad(d); }
}  // namespace

TEST(Geodesy, ZoneNineReferencePoints) {
  // Reference figures of the Plane Rectangular Coordinate System, zone 9.
  struct Case {
    double lat, lon, x, y;
  } cases[] = {{36.1, 139.9, 11096.9408, 6002.7147}, {35.5, 140.5, -55267.3071, 60480.6606}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lat);
    double x = 0, y = 0;
    ASSERT_TRUE(geoToPlane(9, deg(c.lat), deg(c.lon), x, y));
    EXPECT_NEAR(x, c.x, 1e-4);
    EXPECT_NEAR(y, c.y, 1e-4);
    double phi = 0, lambda = 0;
    ASSERT_TRUE(planeToGeo(9, x, y, phi, lambda));
    EXPECT_NEAR(radToDeg(phi), c.lat, 1e-9);
    EXPECT_NEAR(radToDeg(lambda), c.lon, 1e-9);
  }
}

TEST(Geodesy, RoundTripOneDegreeOffTheCentralMeridian) {
  // A degree off the central meridian the inverse series' fifth-order term moves the longitude
  // by 9e-9 degrees (0.8 mm); the round trip holds to 1e-11 degrees (1 micrometre).
  for (int zone : {1, 9, 12, 16}) {
    GeoOrigin origin;
    ASSERT_TRUE(zoneOrigin(zone, origin));
    for (double east : {-1.0, 1.0}) {
      for (double north : {-1.0, 0.0, 1.0}) {
        SCOPED_TRACE(testing::Message() << zone << " " << east << " " << north);
        const double lat = radToDeg(origin.phi0) + north, lon = radToDeg(origin.lambda0) + east;
        double x = 0, y = 0, phi = 0, lambda = 0;
        ASSERT_TRUE(geoToPlane(zone, deg(lat), deg(lon), x, y));
        ASSERT_TRUE(planeToGeo(zone, x, y, phi, lambda));
        EXPECT_NEAR(radToDeg(phi), lat, 1e-11);
        EXPECT_NEAR(radToDeg(lambda), lon, 1e-11);
      }
    }
  }
}

TEST(Geodesy, OriginAndCentralMeridian) {
  double x = 1, y = 1;
  ASSERT_TRUE(geoToPlane(9, deg(36.0), dmsToRadians(139.5), x, y));
  EXPECT_NEAR(x, 0, 1e-9);
  EXPECT_NEAR(y, 0, 1e-9);
  double phi = 0, lambda = 0;
  ASSERT_TRUE(planeToGeo(9, 0, 0, phi, lambda));
  EXPECT_NEAR(phi, deg(36.0), 1e-15);
  EXPECT_NEAR(lambda, dmsToRadians(139.5), 1e-15);

  // On the central meridian y is 0 and x the scaled meridian arc difference.
  const GeoOrigin origin{deg(35.0), deg(139.0)};
  geoToPlane(origin, deg(35.3), deg(139.0), x, y);
  EXPECT_EQ(y, 0.0);
  EXPECT_DOUBLE_EQ(x, 0.9999 * (meridianArc(deg(35.3)) - meridianArc(deg(35.0))));
}

TEST(Geodesy, InvalidZonesLeaveOutputsUntouched) {
  for (int zone : {20, -1, 100}) {
    SCOPED_TRACE(zone);
    double x = 7, y = 8;
    EXPECT_FALSE(geoToPlane(zone, 0.6, 2.4, x, y));
    EXPECT_FALSE(planeToGeo(zone, 10, 10, x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    GeoOrigin o{1, 2};
    EXPECT_FALSE(zoneOrigin(zone, o));
    EXPECT_EQ(o.phi0, 1);
  }
  GeoOrigin o{1, 2};
  EXPECT_TRUE(zoneOrigin(0, o));
  EXPECT_EQ(o.phi0, 0);
  EXPECT_EQ(o.lambda0, 0);
  EXPECT_TRUE(zoneOrigin(11, o));
  EXPECT_NEAR(o.lambda0, deg(140.25), 1e-15);
  EXPECT_NEAR(o.phi0, deg(44.0), 1e-15);
}

TEST(Geodesy, PackedSexagesimal) {
  EXPECT_NEAR(dmsToRadians(129.3), deg(129.5), 1e-15);
  EXPECT_NEAR(dmsToRadians(0.003), 30 / 206264.80624709636, 1e-18);
  EXPECT_NEAR(dmsToRadians(35.3015), deg(35 + 30 / 60.0 + 15 / 3600.0), 1e-14);
  EXPECT_NEAR(dmsToRadians(-129.3), -deg(129.5), 1e-15);
  EXPECT_NEAR(dmsToRadians(36.0), deg(36.0), 1e-15);
  // Whole turns are kept apart and added back.
  EXPECT_NEAR(dmsToRadians(400.3), deg(400.5), 1e-13);
}

TEST(Geodesy, IntegerPartAfterThirteenDigits) {
  EXPECT_EQ(integerPart13(0.99999999999999), 1);  // 14 nines round up
  EXPECT_EQ(integerPart13(0.9999999999999), 0);   // 13 nines stay below 1
  EXPECT_EQ(integerPart13(4e-12), 0);
  EXPECT_EQ(integerPart13(129.99999999999999), 130);
  EXPECT_EQ(integerPart13(-3.7), -3);
  EXPECT_EQ(integerPart13(12345.678), 12345);
}

TEST(Geodesy, DirectionAngleQuadrants) {
  const double pi = geodesy::kPi;
  EXPECT_DOUBLE_EQ(directionAngle(0, 1), pi / 2);
  EXPECT_DOUBLE_EQ(directionAngle(0, -1), 3 * pi / 2);
  EXPECT_DOUBLE_EQ(directionAngle(-1, 0), pi);
  EXPECT_DOUBLE_EQ(directionAngle(1, 0), 0);
  EXPECT_EQ(directionAngle(0, 0), 0);
  EXPECT_NEAR(directionAngle(1, -1), 7 * pi / 4, 1e-15);
}

TEST(Geodesy, RowProjectorMatchesPointProjectionBitForBit) {
  const GeoOrigin origin{deg(35.00833), deg(139.0125)};
  for (double lat : {35.0, 35.004, 35.0166666}) {
    const RowProjector row(origin, deg(lat));
    for (double lon : {139.0, 139.0001, 139.0125, 139.025}) {
      double x1, y1, x2, y2;
      row.project(deg(lon), x1, y1);
      geoToPlane(origin, deg(lat), deg(lon), x2, y2);
      EXPECT_EQ(x1, x2);
      EXPECT_EQ(y1, y2);
    }
  }
}

TEST(Geodesy, GridConversionsFollowTheGridsOrigin) {
  ElevationGrid grid;
  double X = 5, Y = 5, lat = 5, lon = 5;
  // Geographic grid: origin at the centre of its bounds.
  grid.lonMin = 139.0;
  grid.lonMax = 139.2;
  grid.latMin = 35.0;
  grid.latMax = 35.2;
  ASSERT_TRUE(geoToGrid(grid, 139.1, 35.1, X, Y));
  EXPECT_NEAR(X, 0, 1e-9);
  EXPECT_NEAR(Y, 0, 1e-9);
  ASSERT_TRUE(geoToGrid(grid, 139.15, 35.05, X, Y));
  EXPECT_GT(X, 0);  // east
  EXPECT_LT(Y, 0);  // south
  ASSERT_TRUE(gridToGeo(grid, X, Y, lat, lon));
  EXPECT_NEAR(lat, 35.05, 1e-9);
  EXPECT_NEAR(lon, 139.15, 1e-9);

  // Plane data: the zone's origin, and nothing without a zone.
  grid.GeoCoordinates = false;
  grid.planeZone = 9;
  ASSERT_TRUE(geoToGrid(grid, 139.9, 36.1, X, Y));
  EXPECT_NEAR(X, 6002.7147, 1e-4);
  EXPECT_NEAR(Y, 11096.9408, 1e-4);
  grid.planeZone = 0;
  EXPECT_FALSE(geoToGrid(grid, 139.9, 36.1, X, Y));
  EXPECT_EQ(X, 0);
  EXPECT_EQ(Y, 0);
  EXPECT_FALSE(gridToGeo(grid, 100, 100, lat, lon));
  EXPECT_EQ(lat, 0);
  EXPECT_EQ(lon, 0);
}
