#pragma once
// Vector files of other tools for the tests, the benchmarks and the fuzz seeds: GPX and NMEA
// text of the same fixes, GeoJSON text, and GeoPackages and Shapefiles written through GDAL.

#include <filesystem>
#include <string>
#include <vector>

namespace torvane::fixtures {

//! A position in degrees with an optional name (GPX waypoints, GeoJSON points).
struct GeoPoint {
  double lat = 0;
  double lon = 0;
  std::string name;
};

using GeoLine = std::vector<GeoPoint>;

//! What a GPX file holds, in the order GPX requires: waypoints, routes, tracks of segments.
struct GpxContent {
  std::string version = "1.1";  //!< "1.0" writes a GPX 1.0 file (its own namespace)
  std::vector<GeoPoint> waypoints;
  std::vector<GeoLine> routes;
  std::vector<std::vector<GeoLine>> tracks;
  bool elevationAndTime = true;  //!< <ele> and <time> in every point, as loggers write them
};

/// The GPX file as text (UTF-8, LF).
std::string gpxText(const GpxContent& gpx);

/// A GGA sentence with a fix at (lat, lon), minutes to `decimals` places, and CRLF.
std::string ggaSentence(double lat, double lon, int decimals = 4);

/// A GeoJSON "Feature" with a geometry given as GeoJSON text and an optional name.
std::string geoJsonFeature(const std::string& geometry, const std::string& name = {});
/// A FeatureCollection of features, with a "crs" member naming an EPSG code unless 0.
std::string geoJsonCollection(const std::vector<std::string>& features, int epsg = 0);
/// "[lon,lat]" pairs of the points, comma separated, in full precision.
std::string geoJsonPositions(const GeoLine& points);

//! One layer of a file written through GDAL: features as WKT with a name each.
struct OgrLayerContent {
  std::string name;
  int epsg = 4326;                                            //!< 0: no coordinate system
  std::vector<std::pair<std::string, std::string>> features;  //!< WKT geometry, name
};

/// Writes the layers with the GDAL driver (e.g. "GPKG", "ESRI Shapefile"); false on failure.
bool writeOgrFile(const std::filesystem::path& path, const char* driver,
                  const std::vector<OgrLayerContent>& layers);

}  // namespace torvane::fixtures
