#include "tests/fuzz/FuzzSeeds.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "elevation/Geodesy.h"
#include "elevation/TvdFile.h"
#include "tests/fuzz/LineFuzzHarness.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/VectorFiles.h"
#include "tests/support/ZipWriter.h"

namespace fs = std::filesystem;

namespace torvane::fuzz {

namespace {

int written = 0;

void seed(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  fixtures::writeBytes(folder / name, bytes);
  ++written;
}

// Two-part inputs: the first part's length in two little-endian bytes, then both parts.
std::string twoParts(const std::string& first, const std::string& rest) {
  std::string out;
  out += static_cast<char>(first.size() & 0xFF);
  out += static_cast<char>((first.size() >> 8) & 0xFF);
  return out + first + rest;
}

std::string tvdBytes(const TvdHeader& h, const std::vector<float>& heights) {
  unsigned char head[kTvdHeaderSize];
  encodeTvdHeader(h, head);
  std::string out(reinterpret_cast<const char*>(head), sizeof head);
  out.append(reinterpret_cast<const char*>(heights.data()), heights.size() * sizeof(float));
  return out;
}

void demSeeds(const fs::path& dir) {
  fixtures::DemTile t;
  t.columns = 20;
  t.rows = 15;
  t.lonNE = t.lonSW + 0.0125 * 19 / 224;
  t.latNE = t.latSW + 0.0083 * 14 / 149;
  t.heights = fixtures::sampleHeights(
      t, fixtures::Landscape{t.lonSW + 0.0005, t.latSW + 0.0004, 0.0004, 300});
  seed(dir, "full", fixtures::demXmlText(t));
  fixtures::DemTile partial = t;
  partial.startColumn = 4;
  partial.startRow = 2;
  partial.heights.resize(150);
  partial.heights[3] = -9999;
  partial.byteOrderMark = true;
  partial.crlf = false;
  seed(dir, "partial", fixtures::demXmlText(partial));
  fixtures::DemTile tiny = t;
  tiny.columns = tiny.rows = 3;
  tiny.heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  seed(dir, "tiny", fixtures::demXmlText(tiny));
  const std::string full = fixtures::demXmlText(t);
  seed(dir, "cut", full.substr(0, full.size() / 2));
}

void tvdSeeds(const fs::path& dir) {
  TvdHeader h;
  h.columns = 20;
  h.rows = 15;
  h.south = 35.0;
  h.west = 139.0;
  h.north = 35.014;
  h.east = 139.019;
  std::vector<float> ramp;
  for (int i = 0; i < 300; ++i) {
    ramp.push_back(static_cast<float>(i) - 20.0f);
  }
  seed(dir, "ramp", tvdBytes(h, ramp));
  std::vector<float> odd(300, 1.0f);
  odd[1] = NAN;
  odd[2] = INFINITY;
  odd[3] = -INFINITY;
  seed(dir, "nonfinite", tvdBytes(h, odd));
  seed(dir, "cut", tvdBytes(h, ramp).substr(0, 700));
  TvdHeader huge = h;
  huge.columns = huge.rows = 0xFFFFFFFFu;
  seed(dir, "huge", tvdBytes(huge, ramp));
  TvdHeader small = h;
  small.columns = small.rows = 3;
  seed(dir, "small", tvdBytes(small, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

void bilSeeds(const fs::path& dir) {
  fixtures::BilTile t;
  t.columns = 20;
  t.rows = 15;
  t.xdim = t.ydim = 0.001;
  for (int i = 0; i < 300; ++i) {
    t.samples.push_back(static_cast<int16_t>(i * 37 - 500));
  }
  seed(dir, "ramp", twoParts(fixtures::bilHeaderText(t), fixtures::bilData(t)));
  fixtures::BilTile crlf = t;
  crlf.crlf = true;
  seed(dir, "crlf", twoParts(fixtures::bilHeaderText(crlf), fixtures::bilData(crlf)));
  seed(dir, "cut", twoParts(fixtures::bilHeaderText(t), fixtures::bilData(t).substr(0, 301)));
  fixtures::BilTile huge = t;
  huge.columns = 65535;
  huge.rows = 65535;
  huge.xdim = huge.ydim = 1e-6;
  seed(dir, "huge", twoParts(fixtures::bilHeaderText(huge), fixtures::bilData(t)));
}

void lemSeeds(const fs::path& dir) {
  fixtures::LemTile t;
  t.columns = 12;
  t.rows = 9;
  t.east = t.west + 55;
  t.north = t.south + 40;
  for (int i = 0; i < 108; ++i) {
    t.decimetres.push_back(i * 13 - 50);
  }
  // Placement byte: bit 0 data folder "LEM" (layout A), bit 1 header in HEADER.
  const std::string data = fixtures::lemText(t);
  seed(dir, "layoutB", std::string(1, '\0') + twoParts(fixtures::lemHeaderText(t, false), data));
  seed(dir, "layoutA", std::string(1, '\1') + twoParts(fixtures::lemHeaderText(t, true), data));
  seed(dir, "header", std::string(1, '\3') + twoParts(fixtures::lemHeaderText(t, true), data));
  seed(dir, "cut",
       std::string(1, '\0') + twoParts(fixtures::lemHeaderText(t, false), data.substr(0, 200)));
}

// Line/point files inside the harness terrain (tests/fuzz/LineFuzzHarness.h).
void lineSeeds(const fs::path& out) {
  using namespace torvane::fuzz;
  auto lat = [](double f) { return kFuzzLatSouth + f * (kFuzzLatNorth - kFuzzLatSouth); };
  auto lon = [](double f) { return kFuzzLonWest + f * (kFuzzLonEast - kFuzzLonWest); };
  char buf[256];
  std::string gga, bln, cloud, posList = "<gml:posList>\n", pos;
  for (int i = 0; i < 8; ++i) {
    const double f = 0.1 + 0.1 * i;
    const double la = lat(f), lo = lon(f);
    std::snprintf(buf, sizeof buf,
                  "$GPGGA,0%d,%02d%07.4f,N,%03d%07.4f,E,%d,08,0.9,5.0,M,39.0,M,,*47\r\n", i,
                  static_cast<int>(la), (la - static_cast<int>(la)) * 60, static_cast<int>(lo),
                  (lo - static_cast<int>(lo)) * 60, i == 3 ? 0 : 1);
    gga += buf;
    std::snprintf(buf, sizeof buf, "%.9f,%.9f,mark%d\n", la, lo, i);
    bln += buf;
    std::snprintf(buf, sizeof buf, "%.9f %.9f %.2f 0 %d %d %d\n", la, lo, 10.0 * i, i * 40, 300,
                  -i);
    cloud += buf;
    std::snprintf(buf, sizeof buf, "%.9f %.9f\n", la, lo);
    posList += buf;
    std::snprintf(buf, sizeof buf, "\t<gml:pos>%.9f %.9f</gml:pos>\n", la, lo);
    pos += buf;
  }
  posList += "</gml:posList>\n";
  const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset>\n";
  seed(out / "gsi", "lines", head + "<Cntr gml:id=\"a\">\n" + posList + "</Cntr>\n</Dataset>\n");
  seed(out / "gsi", "points", head + "<ElevPt gml:id=\"a\">\n" + pos + "</ElevPt>\n</Dataset>\n");
  seed(out / "gsi", "other", head + posList);
  seed(out / "nmea", "track", gga + "$GPRMC,1,A,3500.0,N,13900.0,E,0,0,0,,*00\n");
  seed(out / "bln", "comma", bln + "35.0,139.0,outside\n");
  seed(out / "bln", "cp932",
       "35.0004 139.0003 "
       "\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58"
       "\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\n");
  seed(out / "blhrgb", "cloud", cloud);
  std::string xyn;
  for (int i = 0; i < 6; ++i) {
    std::snprintf(buf, sizeof buf, "%.3f,%.3f,%s\n", kFuzzWest + 9.0 * i, kFuzzSouth + 7.0 * i,
                  i == 2 ? "\xE5\xB1\xB1" : "p");
    xyn += buf;
  }
  seed(out / "xyn", "marks", xyn + "-10000.001,-20000,out\n");

  // GPX: waypoints, a route and a track of two segments, once with a document type (read by
  // GDAL); GeoJSON: lines, a polygon with a hole and named points, once in plane zone IX.
  fixtures::GpxContent gpx;
  fixtures::GeoLine route, segment;
  for (int i = 0; i < 8; ++i) {
    const double f = 0.1 + 0.1 * i;
    gpx.waypoints.push_back({lat(f), lon(1 - f), i % 2 == 0 ? "山" + std::to_string(i) : ""});
    route.push_back({lat(f), lon(f), ""});
    segment.push_back({lat(1 - f), lon(f), ""});
  }
  gpx.routes = {route};
  gpx.tracks = {{segment, {segment[1], {36.0, 139.0, ""}, segment[2], segment[3]}}};
  const std::string gpxFile = fixtures::gpxText(gpx);
  seed(out / "gpx", "full", gpxFile);
  seed(out / "gpx", "doctype",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx>\n" + gpxFile.substr(gpxFile.find('\n') + 1));
  gpx.version = "1.0";
  gpx.elevationAndTime = false;
  seed(out / "gpx", "v10", fixtures::gpxText(gpx));
  seed(out / "gpx", "cut", gpxFile.substr(0, gpxFile.size() * 2 / 3));
  // Markup the scanner must step over: references, character data, comments, instructions,
  // single quotes, prefixes and self-closed points.
  char point[160];
  std::snprintf(point, sizeof point, "lat='%.9f' lon=\"%.9f\"", lat(0.5), lon(0.5));
  seed(out / "gpx", "markup",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- <wpt> -->\n<?pi x?>\n"
       "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\">\n<g:wpt " +
           std::string(point) +
           "><g:name>A&amp;B &#x5C71;&#23665; <![CDATA[<c>]]></g:name></g:wpt>\n<g:trk><g:trkseg>"
           "<g:trkpt " +
           point + "/><g:trkpt " + point +
           " ></g:trkpt></g:trkseg></g:trk>\n"
           "</g:gpx>\n");
  auto positions = [](const fixtures::GeoLine& line) {
    return "[" + fixtures::geoJsonPositions(line) + "]";
  };
  const fixtures::GeoLine ring = {{lat(0.1), lon(0.1), ""},
                                  {lat(0.1), lon(0.9), ""},
                                  {lat(0.9), lon(0.9), ""},
                                  {lat(0.1), lon(0.1), ""}};
  const fixtures::GeoLine hole = {{lat(0.3), lon(0.3), ""},
                                  {lat(0.4), lon(0.5), ""},
                                  {lat(0.3), lon(0.6), ""},
                                  {lat(0.3), lon(0.3), ""}};
  const std::vector<std::string> features = {
      fixtures::geoJsonFeature("{\"type\":\"MultiLineString\",\"coordinates\":[" +
                               positions(route) + "," + positions(segment) + "]}"),
      fixtures::geoJsonFeature("{\"type\":\"Polygon\",\"coordinates\":[" + positions(ring) + "," +
                               positions(hole) + "]}"),
      fixtures::geoJsonFeature("{\"type\":\"Point\",\"coordinates\":" +
                                   fixtures::geoJsonPositions({{lat(0.5), lon(0.5), ""}}) + "}",
                               "峠"),
      fixtures::geoJsonFeature("{\"type\":\"GeometryCollection\",\"geometries\":[{\"type\":"
                               "\"MultiPoint\",\"coordinates\":" +
                               positions(segment) + "}]}"),
  };
  seed(out / "geojson", "collection", fixtures::geoJsonCollection(features));
  fixtures::GeoLine plane = route;
  for (fixtures::GeoPoint& p : plane) {
    double x = 0, y = 0;
    geoToPlane(9, degToRad(p.lat), degToRad(p.lon), x, y);
    p.lat = x;
    p.lon = y;
  }
  seed(out / "geojson", "plane",
       fixtures::geoJsonCollection(
           {fixtures::geoJsonFeature(
               "{\"type\":\"LineString\",\"coordinates\":" + positions(plane) + "}")},
           6677));
}

// Projects over the tile "t.xml" of the project target: every key, as UTF-8, CP932 with CRLF
// lines and backslashes, and UTF-16.
void projectSeeds(const fs::path& dir) {
  const std::string full =
      "[File]\nFlag1=0\nName1=t.xml\nTexture=i.png\n[File1]\nAlpha=1\n[Calc1]\nAlpha=0\n"
      "[View]\nMoveX=0.250000000\nMoveY=-1.5\nMoveZ=3\nRotaX=7\nRotaY=0\nRotaZ=-1\n"
      "RZoom=0.1\nColorT=1\nColorS=4\nColorR=6\nCRHueR=0\nCRHueS=10\nCRHueE=300\n"
      "ColorK=2000\nOceanC=4294967295\nOceanT=0\nScale=150\nAlpha=128\n[Rota]\nPitch=0\n";
  seed(dir, "full", full);
  seed(dir, "windows",
       "[File]\r\nName1=t.xml\r\nName2=\x93\x8c\x8b\x9e.xml\r\n"
       "[View]\r\nColorK=5\r\n");
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("[File]\r\nName1=t.xml\r\n[View]\r\nScale=7\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  seed(dir, "utf16", utf16);
}

void zipSeeds(const fs::path& dir) {
  fixtures::DemTile t;
  t.columns = 12;
  t.rows = 9;
  t.heights = fixtures::sampleHeights(t, fixtures::Landscape{});
  const std::string dem = fixtures::demXmlText(t);
  fixtures::DemTile tiny = t;
  tiny.columns = tiny.rows = 3;
  tiny.heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::string small = fixtures::demXmlText(tiny);
  seed(dir, "deflated",
       fixtures::rawZip({fixtures::deflatedEntry("a.xml", dem),
                         fixtures::storedEntry("readme.txt", "text"),
                         fixtures::deflatedEntry("d/b.xml", small)}));
  seed(dir, "stored", fixtures::rawZip({fixtures::storedEntry("a.xml", small)}));
  fixtures::RawEntry wide = fixtures::deflatedEntry("a.xml", small);
  wide.zip64 = true;
  seed(dir, "zip64", fixtures::rawZip({wide}, true));
  fixtures::RawEntry bomb = fixtures::deflatedEntry("a.xml", small + std::string(4096, '0'));
  bomb.declaredSize = small.size();
  seed(dir, "bomb", fixtures::rawZip({bomb}));
  const std::string inner = fixtures::rawZip({fixtures::storedEntry("a.xml", small)});
  seed(dir, "nested",
       fixtures::rawZip(
           {fixtures::storedEntry("in.zip", inner), fixtures::storedEntry("../a.xml", small)}));
}

// GeoTIFFs as GDAL writes them: strips and deflated tiles, PixelIsPoint, integer heights with a
// no-data value, a plane zone, UTM (read through a warp), no coordinate system, and one cut short.
void rasterSeeds(const fs::path& dir) {
  fs::create_directories(dir);
  const fs::path scratch = dir / "scratch.tif";
  auto raster = [&](const std::string& name, const fixtures::RasterTile& t) {
    if (fixtures::writeRaster(scratch, t)) {
      std::ifstream in(scratch, std::ios::binary);
      seed(dir, name, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    fs::remove(scratch);
  };
  fixtures::RasterTile t;
  t.columns = 20;
  t.rows = 15;
  t.dx = t.dy = 0.001;
  for (int i = 0; i < 300; ++i) {
    t.heights.push_back(i * 3.5 - 40);
  }
  raster("strips", t);
  fixtures::RasterTile tiles = t;
  tiles.options = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE",
                   "PREDICTOR=3"};
  raster("tiles", tiles);
  fixtures::RasterTile point = t;
  point.pixelIsPoint = true;
  raster("point", point);
  fixtures::RasterTile integers = t;
  integers.type = "Int16";
  integers.noData = -32768;
  integers.heights[5] = -32768;
  raster("int16", integers);
  fixtures::RasterTile plane = t;
  plane.epsg = 6677;
  plane.west = -8000;
  plane.north = -30000;
  plane.dx = plane.dy = 5;
  raster("zone9", plane);
  fixtures::RasterTile utm = plane;
  utm.epsg = 6691;
  utm.west = 364'000;
  utm.north = 3'930'000;
  raster("utm", utm);
  fixtures::RasterTile bare = t;
  bare.epsg = 0;
  raster("nocrs", bare);
  fixtures::RasterTile cut = tiles;
  if (fixtures::writeRaster(scratch, cut)) {
    std::ifstream in(scratch, std::ios::binary);
    const std::string whole(std::istreambuf_iterator<char>(in), {});
    seed(dir, "cut", whole.substr(0, whole.size() * 2 / 3));
  }
  fs::remove(scratch);
}

}  // namespace

int writeFuzzSeeds(const fs::path& out) {
  written = 0;
  demSeeds(out / "demxml");
  tvdSeeds(out / "tvd");
  bilSeeds(out / "bil");
  lemSeeds(out / "lem");
  lineSeeds(out);
  projectSeeds(out / "project");
  zipSeeds(out / "zip");
  rasterSeeds(out / "raster");
  return written;
}

}  // namespace torvane::fuzz
