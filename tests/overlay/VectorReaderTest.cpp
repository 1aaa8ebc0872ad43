// The vector formats of other tools (GPX, KML/KMZ, GeoJSON, Shapefile, GeoPackage) over real
// opened terrain: what becomes which layer, where its points land, and hostile files.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "elevation/Geodesy.h"
#include "overlay/LayerEdits.h"
#include "scene/ProjectFile.h"
#include "tests/support/LineTerrain.h"
#include "tests/support/VectorFiles.h"
#include "tests/support/ZipWriter.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using fixtures::expectVertex;
using fixtures::GeoLine;
using fixtures::GeoPoint;
using fixtures::GeoTerrain;
using fixtures::polylines;

//! What one store layer is expected to be.
struct Expected {
  int32_t kind;
  uint32_t drawMode;
  std::vector<uint32_t> polylines;
  std::vector<std::string> labels = {};  //!< of every point, checked when not empty
};

void expectLayers(const OverlayStore& s, int first, const std::vector<Expected>& want) {
  ASSERT_EQ(s.groupCount(), first + static_cast<int>(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    const int g = first + static_cast<int>(i);
    SCOPED_TRACE("layer " + std::to_string(g));
    const Expected& e = want[i];
    EXPECT_EQ(s.kind(g), e.kind);
    EXPECT_EQ(s.drawMode(g), e.drawMode);
    EXPECT_EQ(s.pointSize(g), e.drawMode == kDrawLineStrip ? 0 : 5);
    EXPECT_EQ(s.colour(g), e.kind == kKindNmea ? kColourBlue : kColourWhite);
    EXPECT_EQ(polylines(s, g), e.polylines);
    if (!e.labels.empty()) {
      const GroupRange r = s.groupRange(g);
      std::vector<std::string> labels;
      for (uint32_t p = r.firstPoint; p < r.firstPoint + r.pointCount; ++p) {
        labels.emplace_back(s.label(p));
      }
      EXPECT_EQ(labels, e.labels);
    }
  }
}

// Positions inside the test tile (35.0 .. 35.0083 N, 139.0 .. 139.0125 E) and one far outside.
GeoPoint at(double lat, double lon, std::string name = {}) { return {lat, lon, std::move(name)}; }
const GeoPoint kOff = at(36.0, 139.001);

// A document type sends a GPX file to GDAL's reader instead of the one-pass scanner: both must
// give the same layers and points.
std::string withDocumentType(const std::string& gpx) {
  const size_t line = gpx.find('\n') + 1;
  return gpx.substr(0, line) + "<!DOCTYPE gpx>\n" + gpx.substr(line);
}

TEST(VectorReader, GpxWaypointsRoutesAndTrackSegments) {
  std::vector<OverlayVertex> first;
  for (const char* version : {"1.1", "1.0"}) {
    for (const bool gdal : {false, true}) {
      SCOPED_TRACE(std::string(version) + (gdal ? " through GDAL" : ""));
      GeoTerrain t;
      fixtures::GpxContent gpx;
      gpx.version = version;
      gpx.waypoints = {at(35.002, 139.002, "山頂"), at(35.003, 139.003), at(35.004, 139.004, "A&B"),
                       at(kOff.lat, kOff.lon, "far")};
      gpx.routes = {{at(35.001, 139.001), at(35.002, 139.002), at(35.003, 139.003)}};
      // Two segments; the second leaves the data after one point and comes back for two.
      gpx.tracks = {{{at(35.001, 139.005), at(35.002, 139.006), at(35.003, 139.007)},
                     {at(35.004, 139.008), kOff, at(35.005, 139.009), at(35.006, 139.010)}}};
      const std::string text = fixtures::gpxText(gpx);
      ASSERT_TRUE(t.add({t.write("walk.gpx", gdal ? withDocumentType(text) : text)}));
      const OverlayStore& s = t.scene().overlays;
      expectLayers(s, 0,
                   {{kKindMark, kDrawMarks, {2}, {"山頂", "A&B"}},
                    {kKindOtherPoints, kDrawPoints, {1}, {""}},
                    {kKindNmea, kDrawLineStrip, {3}},
                    {kKindNmea, kDrawLineStrip, {3, 2}}});
      EXPECT_EQ(s.layerName(3).filename(), "walk.gpx");
      // Marks stand on the terrain as BLN marks do; plain points and tracks are lifted.
      expectVertex(s.vertices()[0], t.expected(139.002, 35.002, kColourWhite, false));
      expectVertex(s.vertices()[2], t.expected(139.003, 35.003, kColourWhite, true));
      expectVertex(s.vertices()[4], t.expected(139.002, 35.002, kColourBlue, true));
      expectVertex(s.vertices()[s.pointTotal() - 1],
                   t.expected(139.010, 35.006, kColourBlue, true));
      if (first.empty()) {
        first.assign(s.vertices().begin(), s.vertices().end());
      }
      ASSERT_EQ(s.pointTotal(), first.size());
      for (size_t i = 0; i < first.size(); ++i) {
        expectVertex(s.vertices()[i], first[i]);
      }
    }
  }
}

// GPX files as other tools write them: the scanner reads what it understands and leaves the rest
// to GDAL, and the user sees the same either way.
TEST(VectorReader, GpxFilesOfOtherShapes) {
  GeoTerrain t;
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const std::string open = "<gpx version=\"1.1\" creator=\"x\" "
                           "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  const std::string wpt = "<wpt lat=\"35.002\" lon=\"139.002\"><name>W</name></wpt>\n";
  const std::string trk = "<trk><trkseg><trkpt lat='35.001' lon='139.001'/>"
                          "<trkpt lat=\"35.002\"\n lon = \"139.002\"></trkpt></trkseg></trk>\n";
  struct Case {
    std::string name;
    std::string text;
    std::vector<Expected> layers;  //!< empty: nothing added
  };
  const Expected marks{kKindMark, kDrawMarks, {1}, {"W"}};
  const Expected track{kKindNmea, kDrawLineStrip, {2}};
  const Case cases[] = {
      {"plain", head + open + wpt + trk + "</gpx>\n", {marks, track}},
      {"bom, comments, instructions",
       "\xEF\xBB\xBF" + head + "<!-- a <trk> -->\n<?style x?>\n" + open +
           "<metadata><name>M"
           "</name><extensions><wpt lat=\"35.003\" lon=\"139.003\"/></extensions></metadata>\n" +
           wpt + "<!-- <wpt lat=\"35.004\" lon=\"139.004\"/> -->" + trk + "</gpx>",
       {marks, track}},
      {"prefixes",
       head + "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\">"
              "<g:trk><g:trkseg><g:trkpt lat=\"35.001\" lon=\"139.001\"/><g:trkpt "
              "lat=\"35.002\" lon=\"139.002\"/></g:trkseg></g:trk></g:gpx>",
       {track}},
      {"references and character data",
       head + open +
           "<wpt lat=\"35.002\" lon=\"139.002\"><name>&#x5C71;&amp;<![CDATA[<b>]]>"
           "</name></wpt>" +
           "</gpx>",
       {{kKindMark, kDrawMarks, {1}, {"山&<b>"}}}},
      {"waypoints after the track", head + open + trk + wpt + "</gpx>", {marks, track}},
      {"Latin-1",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + open +
           "<wpt lat=\"35.002\" lon=\"139.002\"><name>Caf\xE9</name></wpt></gpx>",
       {{kKindMark, kDrawMarks, {1}, {"Café"}}}},
      {"tags crossed",
       head + open +
           "<trk><trkseg><trkpt lat=\"35.001\" lon=\"139.001\">"
           "</trkseg></trkpt></trk></gpx>",
       {}},
      {"undefined entity",
       head + open +
           "<wpt lat=\"35.002\" lon=\"139.002\"><name>&nbsp;"
           "</name></wpt></gpx>",
       {}},
      {"empty reference",
       head + open +
           "<wpt lat=\"35.002\" lon=\"139.002\"><name>&;"
           "</name></wpt></gpx>",
       {}},
      {"character reference to nothing",
       head + open +
           "<wpt lat=\"35.002\" lon=\"139.002\">"
           "<name>&#x;</name></wpt></gpx>",
       {}},
      {"a second root", head + open + wpt + "</gpx>\n<gpx></gpx>\n", {}},
      {"no gpx", head + "<kml>" + wpt + "</kml>", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    deleteAllLayers(t.scene().overlays);
    EXPECT_EQ(t.add({t.write("other.gpx", c.text)}), !c.layers.empty());
    expectLayers(t.scene().overlays, 0, c.layers);
  }
}

TEST(VectorReader, SameFixesAsGpxAndAsNmeaGiveTheSamePoints) {
  GeoTerrain t;
  // 70,000 fixes in one segment, with one fix off the data after the first 100: the track breaks
  // there and splits at the polyline limit, repeating the last point, as the NMEA reader does.
  // Positions hold whole ten-thousandths of a minute, which is what a GGA sentence carries.
  std::string log;
  fixtures::GeoLine segment;
  for (int i = 0; i < 70001; ++i) {
    const double latMinutes = 0.01 + (i / 7000) * 0.04, lonMinutes = 0.01 + (i % 7000) * 1e-4;
    const GeoPoint p = i == 100 ? kOff : at(35 + latMinutes / 60, 139 + lonMinutes / 60);
    log += fixtures::ggaSentence(p.lat, p.lon);
    segment.push_back(p);
  }
  fixtures::GpxContent gpx;
  gpx.tracks = {{segment}};
  ASSERT_TRUE(t.add({t.write("track.nmea", log), t.write("track.gpx", fixtures::gpxText(gpx))}));
  const OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.groupCount(), 2);
  EXPECT_EQ(polylines(s, 0), (std::vector<uint32_t>{100, 65535, 4366}));
  EXPECT_EQ(polylines(s, 1), polylines(s, 0));
  EXPECT_EQ(s.kind(1), s.kind(0));
  const uint32_t n = static_cast<uint32_t>(s.groupPointCount(0));
  for (uint32_t i = 0; i < n; ++i) {
    const OverlayVertex& a = s.vertices()[i];
    const OverlayVertex& b = s.vertices()[n + i];
    ASSERT_NEAR(a.x, b.x, 1e-6) << i;
    ASSERT_NEAR(a.y, b.y, 1e-6) << i;
    ASSERT_NEAR(a.z, b.z, 1e-6) << i;
    ASSERT_EQ(a.diffuse, b.diffuse) << i;
  }
}

// Lines, a polygon with a hole and points as GeoJSON geometries.
std::vector<std::string> collectionFeatures(const std::function<GeoLine(GeoLine)>& convert) {
  const GeoLine a = {at(35.001, 139.001), at(35.001, 139.002)};
  const GeoLine b = {at(35.002, 139.001), at(35.002, 139.002), at(35.002, 139.003)};
  const GeoLine outer = {at(35.003, 139.003), at(35.003, 139.008), at(35.007, 139.008),
                         at(35.007, 139.003), at(35.003, 139.003)};
  const GeoLine hole = {at(35.004, 139.004), at(35.005, 139.005), at(35.004, 139.006),
                        at(35.004, 139.004)};
  auto positions = [&](const GeoLine& line) {
    return "[" + fixtures::geoJsonPositions(convert(line)) + "]";
  };
  auto pointAt = [&](double lat, double lon) {
    return "{\"type\":\"Point\",\"coordinates\":" +
           fixtures::geoJsonPositions(convert({at(lat, lon)})) + "}";
  };
  std::string longName;
  for (int i = 0; i < 100; ++i) {
    longName += "あ";
  }
  return {
      fixtures::geoJsonFeature("{\"type\":\"MultiLineString\",\"coordinates\":[" + positions(a) +
                                   "," + positions(b) + "]}",
                               "two parts"),
      fixtures::geoJsonFeature("{\"type\":\"Polygon\",\"coordinates\":[" + positions(outer) + "," +
                               positions(hole) + "]}"),
      fixtures::geoJsonFeature(pointAt(35.006, 139.001), "Summit"),
      fixtures::geoJsonFeature(pointAt(35.006, 139.002)),
      fixtures::geoJsonFeature(pointAt(35.006, 139.003), longName),
      fixtures::geoJsonFeature(pointAt(35.006, 139.004), " two\nlines\t"),
      fixtures::geoJsonFeature(pointAt(36.0, 139.004), "off the data"),
  };
}

const std::vector<Expected> kCollectionLayers = {
    {kKindOtherLines, kDrawLineStrip, {2, 3, 5, 4}},
    // 30 bytes: ten of the three-byte characters, cut on a character boundary.
    {kKindMark, kDrawMarks, {3}, {"Summit", "ああああああああああ", "two lines"}},
    {kKindOtherPoints, kDrawPoints, {1}},
};

TEST(VectorReader, GeoJsonLinesPolygonRingsAndNamedPoints) {
  GeoTerrain t;
  const auto same = [](GeoLine line) { return line; };
  ASSERT_TRUE(t.add({t.write("f.geojson", fixtures::geoJsonCollection(collectionFeatures(same)))}));
  expectLayers(t.scene().overlays, 0, kCollectionLayers);
  const OverlayStore& s = t.scene().overlays;
  // The outer ring is closed: it ends where it began.
  const uint32_t ring = 2 + 3;
  expectVertex(s.vertices()[ring], t.expected(139.003, 35.003, kColourWhite, true));
  expectVertex(s.vertices()[ring + 4], s.vertices()[ring]);

  // The same features in plane zone IX (JGD2011, EPSG:6677) land where their twins land.
  const auto toPlane = [](GeoLine line) {
    for (GeoPoint& p : line) {
      double x = 0, y = 0;
      geoToPlane(9, degToRad(p.lat), degToRad(p.lon), x, y);
      p.lon = y;  // easting first, as GIS tools order plane coordinates
      p.lat = x;
    }
    return line;
  };
  ASSERT_TRUE(t.add(
      {t.write("plane.json", fixtures::geoJsonCollection(collectionFeatures(toPlane), 6677))}));
  expectLayers(s, 3, kCollectionLayers);
  const uint32_t half = s.pointTotal() / 2;
  for (uint32_t i = 0; i < half; ++i) {
    EXPECT_NEAR(s.vertices()[i].x, s.vertices()[half + i].x, 2e-6) << i;
    EXPECT_NEAR(s.vertices()[i].y, s.vertices()[half + i].y, 2e-6) << i;
    EXPECT_NEAR(s.heights()[i], s.heights()[half + i], 1e-3) << i;
  }
}

const char* const kKml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><name>trip</name>\n"
    "<Placemark><name>Hut</name><Point><coordinates>139.002,35.002,0</coordinates></Point>"
    "</Placemark>\n"
    "<Placemark><name>Trail</name><LineString><coordinates>139.001,35.001 139.002,35.002 "
    "139.003,35.003</coordinates></LineString></Placemark>\n"
    "<Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>139.004,35.004 "
    "139.006,35.004 139.006,35.006 139.004,35.004</coordinates></LinearRing></outerBoundaryIs>"
    "</Polygon></Placemark>\n"
    "</Document></kml>\n";

TEST(VectorReader, KmlAndKmzPlacemarks) {
  GeoTerrain t;
  const fs::path kmz = t.dir / "trip.kmz";
  ASSERT_TRUE(fixtures::writeZip(kmz, {{"doc.kml", kKml}}));
  ASSERT_TRUE(t.add({t.write("trip.kml", kKml), kmz}));
  const Expected lines{kKindOtherLines, kDrawLineStrip, {3, 4}};
  const Expected hut{kKindMark, kDrawMarks, {1}, {"Hut"}};
  expectLayers(t.scene().overlays, 0, {lines, hut, lines, hut});
  expectVertex(t.scene().overlays.vertices()[7], t.expected(139.002, 35.002, kColourWhite, false));
}

TEST(VectorReader, GeoPackageLayersAndShapefiles) {
  GeoTerrain t;
  const fs::path gpkg = t.dir / "two.gpkg", shp = t.dir / "roads.shp";
  const fixtures::OgrLayerContent roads{
      "roads", 4326, {{"LINESTRING (139.001 35.001,139.002 35.002,139.003 35.002)", "R1"}}};
  const fixtures::OgrLayerContent huts{
      "huts", 6677, {}};  // plane coordinates; the hut is at 35.002 N, 139.004 E
  double x = 0, y = 0;
  geoToPlane(9, degToRad(35.002), degToRad(139.004), x, y);
  fixtures::OgrLayerContent planeHuts = huts;
  planeHuts.features = {{"POINT (" + std::to_string(y) + " " + std::to_string(x) + ")", "Hut"}};
  ASSERT_TRUE(fixtures::writeOgrFile(gpkg, "GPKG", {roads, planeHuts}));
  // The Shapefile has no coordinate system (no .prj): longitude/latitude.
  fixtures::OgrLayerContent plainRoads = roads;
  plainRoads.epsg = 0;
  ASSERT_TRUE(fixtures::writeOgrFile(shp, "ESRI Shapefile", {plainRoads}));
  ASSERT_FALSE(fs::exists(t.dir / "roads.prj"));
  ASSERT_TRUE(t.add({gpkg, shp}));
  const OverlayStore& s = t.scene().overlays;
  expectLayers(s, 0,
               {{kKindOtherLines, kDrawLineStrip, {3}},
                {kKindMark, kDrawMarks, {1}, {"Hut"}},
                {kKindOtherLines, kDrawLineStrip, {3}}});
  EXPECT_NEAR(s.vertices()[3].x, t.expected(139.004, 35.002, kColourWhite, false).x, 1e-6);
  EXPECT_NEAR(s.vertices()[3].y, t.expected(139.004, 35.002, kColourWhite, false).y, 1e-6);
  expectVertex(s.vertices()[4], s.vertices()[0]);

  // A Shapefile without its index cannot be read; one without its table still has its lines.
  deleteAllLayers(t.scene().overlays);
  fs::copy_file(t.dir / "roads.shp", t.dir / "nodbf.shp");
  fs::copy_file(t.dir / "roads.shx", t.dir / "nodbf.shx");
  fs::remove(t.dir / "roads.shx");
  EXPECT_EQ(t.refusal(shp), "Unable to open roads.shx or roads.SHX.");
  EXPECT_TRUE(t.add({t.dir / "nodbf.shp"}));
}

// Files that add nothing, each with its reason, after a layer that must stay as it was.
TEST(VectorReader, HostileFilesFailAloneWithAReason) {
  GeoTerrain t;
  const std::string kept =
      fixtures::geoJsonFeature("{\"type\":\"Point\",\"coordinates\":[139.002,35.002]}", "kept");
  ASSERT_TRUE(t.add({t.write("good.geojson", fixtures::geoJsonCollection({kept}))}));
  // A GPX file cut short in its track, after more complete waypoints than GDAL parses at once:
  // nothing of it is kept.
  fixtures::GpxContent gpx;
  gpx.waypoints.assign(1000, at(35.002, 139.002, "W"));
  gpx.tracks = {{{at(35.001, 139.001), at(35.002, 139.002), at(35.003, 139.003)}}};
  const std::string track = fixtures::gpxText(gpx);
  fs::create_directories(t.dir / "folder.gpx");
  struct Case {
    fs::path path;
    std::string reason;  //!< a part of the reason
  };
  const Case cases[] = {
      {t.write("cut.gpx", track.substr(0, track.size() - 40)), "XML"},
      {t.write("text.gpx", "hello"), "not a GPX file"},
      {t.write("empty.geojson", ""), "not a GeoJSON file"},
      {t.write("cut.geojson", "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":"), ""},
      {t.write("zip.kmz", "PK\x03\x04 this is no archive"), "not a KMZ file"},
      {t.write("far.json",
               fixtures::geoJsonCollection({fixtures::geoJsonFeature(
                   "{\"type\":\"LineString\",\"coordinates\":[[139,36],[139.1,36]]}")})),
       "no point inside the elevation data"},
      {t.write("huge.json", fixtures::geoJsonCollection({fixtures::geoJsonFeature(
                                "{\"type\":\"LineString\",\"coordinates\":[[1e999,35.001],"
                                "[139.001,1e999],[139.001,35.001]]}")})),
       ""},
      {t.write("nothing.geojson", fixtures::geoJsonCollection({})), "no lines or points"},
      {t.dir / "folder.gpx", "not found"},
      {t.dir / "missing.gpx", "not found"},
      {"/vsicurl/http://127.0.0.1:9/x.geojson", "not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const std::string reason = t.refusal(c.path);
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    EXPECT_LE(reason.size(), 200u);
    expectLayers(t.scene().overlays, 0, {{kKindMark, kDrawMarks, {1}, {"kept"}}});
  }
}

// A file meets the limits of the store as the other readers do: what fits of a full store is
// kept, and the 100th layer is the last.
TEST(VectorReader, StoreLimits) {
  GeoTerrain t;
  fixtures::GpxContent gpx;
  gpx.waypoints = {at(35.002, 139.002, "W")};
  fixtures::GeoLine segment;
  for (int i = 0; i < 10; ++i) {
    segment.push_back(at(35.001, 139.001 + i * 1e-4));
  }
  gpx.tracks = {{segment}};
  const fs::path walk = t.write("walk.gpx", fixtures::gpxText(gpx));
  OverlayStore& s = t.scene().overlays;

  // A store of 8 points holding one: the mark, then 6 points of the track.
  ASSERT_TRUE(s.allocateOverlayStore(8));
  GroupStore::Builder one(s);
  ASSERT_TRUE(one.begin(kKindMark, kColourWhite));
  one.append({}, 0);
  one.close();
  ASSERT_TRUE(one.finish());
  ASSERT_TRUE(s.uploadStore());
  ASSERT_TRUE(t.add({walk}));
  expectLayers(s, 1, {{kKindMark, kDrawMarks, {1}, {"W"}}, {kKindNmea, kDrawLineStrip, {6}}});
  EXPECT_EQ(t.refusal(walk), "the layer store is full");

  // 99 layers: the waypoints become the 100th, the track finds no room.
  deleteAllLayers(s);
  const fs::path mark = t.write("m.bln", "35.004,139.006,A\n");
  ASSERT_TRUE(t.add(std::vector<fs::path>(99, mark)));
  ASSERT_TRUE(t.add({walk}));
  EXPECT_EQ(s.groupCount(), kMaxLayers);
  EXPECT_EQ(s.kind(kMaxLayers - 1), kKindMark);
  EXPECT_EQ(t.refusal(walk), "the store holds 100 layers already");
}

TEST(VectorReader, ProjectKeepsLayersOfFilesThatGiveSeveral) {
  GeoTerrain t;
  fixtures::GpxContent gpx;
  gpx.waypoints = {at(35.002, 139.002, "W")};
  gpx.tracks = {{{at(35.001, 139.001), at(35.002, 139.002)}}};
  const fs::path walk = t.write("walk.gpx", fixtures::gpxText(gpx));
  const fs::path marks = t.write("m.bln", "35.004,139.006,A\n");
  // The marks twice, and the GPX file's two layers after them.
  ASSERT_TRUE(t.add({marks, marks, walk}));
  OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.groupCount(), 4);
  s.setVisible(2, false);
  s.setGroupColour(3, 0xFF00FF00);
  const fs::path project = t.dir / "p.tvp";
  ASSERT_TRUE(SaveProject(t.scene(), project));

  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, project));
  const OverlayStore& back = loaded.overlays;
  ASSERT_EQ(back.groupCount(), 4);
  for (int g = 0; g < 4; ++g) {
    EXPECT_EQ(back.kind(g), s.kind(g)) << g;
    EXPECT_EQ(back.visible(g), s.visible(g)) << g;
    EXPECT_EQ(back.colour(g), s.colour(g)) << g;
    EXPECT_EQ(back.groupPointCount(g), s.groupPointCount(g)) << g;
  }
}

TEST(VectorReader, OnlyOverGeographicData) {
  EXPECT_NE(lineFormatFor("a.GPX", true), nullptr);
  EXPECT_NE(lineFormatFor("a.kmz", true), nullptr);
  EXPECT_NE(lineFormatFor("a.json", true), nullptr);
  EXPECT_EQ(lineFormatFor("a.gpx", false), nullptr);
  EXPECT_EQ(lineFormatFor("a.shx", true), nullptr);
}

}  // namespace
}  // namespace torvane
