// The line/point readers over real opened terrain: GSI vector files, NMEA logs, BLN, XYN and
// BLHRGB files, and the dispatch of addLineFiles.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "overlay/LayerEdits.h"
#include "overlay/LineReaders.h"
#include "scene/Scene.h"
#include "tests/support/LineTerrain.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

using fixtures::expectVertex;
using fixtures::GeoTerrain;
using fixtures::polylines;

// "ddmm.mmmm" of a coordinate in degrees.
std::string nmea(double degrees, int width) {
  const int d = static_cast<int>(degrees);
  char text[32];
  std::snprintf(text, sizeof text, "%0*d%07.4f", width, d, (degrees - d) * 60);
  return text;
}
std::string gga(double lat, double lon, char quality = '1', const char* talker = "GP") {
  return std::string("$") + talker + "GGA,123519," + nmea(lat, 2) + ",N," + nmea(lon, 3) + ",E," +
         quality + ",08,0.9,545.4,M,46.9,M,,*47\r\n";
}

TEST(LineReaders, NmeaTrackBreaksWhereItLeavesTheData) {
  GeoTerrain t(48.11, 11.51);
  // The textbook sentence lies inside this tile.
  const std::string textbook = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,\n";
  const double in = 48.114, out = 48.2, lon = 11.515;
  const std::string log = textbook + gga(in, lon, '0') +  // no fix: skipped, the track goes on
                          "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n" +
                          gga(in, lon + 0.001) + gga(out, lon) +  // leaves: 2 points so far
                          gga(in, lon + 0.002) + gga(out, lon) +  // a stranded fix is dropped
                          gga(in, lon + 0.003, '1', "GN") + gga(in, lon + 0.004, '4', "GL") +
                          "$GPGGA,123519,4807.038,X,01131.000,E,1,08\n" +      // bad hemisphere
                          "$GPGGA,,4807.038,N,01131.000,E,1,08,0.9,545.4\n" +  // no time
                          "$GPGGA,1,2,N,3\n" +                                 // too short
                          gga(in, lon + 0.005);
  ASSERT_TRUE(t.add({t.write("track.nmea", log)}));
  const OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.groupCount(), 1);
  EXPECT_EQ(s.kind(0), kKindNmea);
  EXPECT_EQ(s.colour(0), kColourBlue);
  EXPECT_EQ(s.drawMode(0), kDrawLineStrip);
  EXPECT_EQ(s.pointSize(0), 0);
  EXPECT_EQ(polylines(s, 0), (std::vector<uint32_t>{2, 3}));
  expectVertex(s.vertices()[0], t.expected(11.516666666666667, 48.1173, kColourBlue, true));
  expectVertex(s.vertices()[4], t.expected(lon + 0.005, in, kColourBlue, true));
  EXPECT_TRUE(s.hasVertexBuffer());
}

TEST(LineReaders, MarkFilesFindTheirSeparator) {
  GeoTerrain t;
  const std::string lat = "35.004", lon = "139.006";
  struct Case {
    std::string text;
    std::vector<std::string> labels;  // empty: refused
  };
  const Case cases[] = {
      {lat + "," + lon + ",A\n", {"A"}},
      {lat + " " + lon + " A\n", {"A"}},
      {"x\n" + lat + " " + lon + "  B\n", {"B"}},  // a short first line is passed over
      {lat + "," + lon + " A\n", {}},              // one comma, one space: refused
      {"ab\ncd\n", {}},                            // no line long enough
      {lat + "," + lon + ",Big Hill\n", {"Big"}},  // one word of a spaced label
      {lat + "," + lon + "," + std::string(40, 'L') + "\n", {std::string(31, 'L')}},
      {lat + "," + lon + ",\n" + lat + "," + lon + ",C\n", {"", "C"}},  // no label: empty
      {lat + "," + lon + ",A\n1e308,139.0,X\nnan,inf,X\n" + lat + ",139.5,X\n35.0;139.0;X\n" + lat +
           " ," + lon + ",X\n" + lat + "," + lon + ",D\n",
       {"A", "D"}},  // huge, not a number, outside, other separators: skipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Scene& scene = t.scene();
    deleteAllLayers(scene.overlays);
    EXPECT_EQ(t.add({t.write("marks.bln", c.text)}), !c.labels.empty());
    if (c.labels.empty()) {
      continue;
    }
    const OverlayStore& s = scene.overlays;
    ASSERT_EQ(s.groupCount(), 1);
    EXPECT_EQ(s.kind(0), kKindMark);
    EXPECT_EQ(s.drawMode(0), kDrawMarks);
    EXPECT_EQ(s.pointSize(0), 5);
    ASSERT_EQ(s.pointTotal(), c.labels.size());
    for (uint32_t i = 0; i < s.pointTotal(); ++i) {
      EXPECT_EQ(s.label(i), c.labels[i]);
    }
    // Marks stand on the terrain without the lift of lines.
    expectVertex(s.vertices()[0], t.expected(139.006, 35.004, kColourWhite, false));
  }
}

TEST(LineReaders, PointCloudColoursAndHeightsComeFromTheFile) {
  GeoTerrain t;
  const double height = 123.5;
  ASSERT_TRUE(t.add({t.write("cloud.BLHRGB", "35.004,139.006,123.5,0,300,-5,128\n"
                                             "35.004,139.006,nan,0,1,2,3\n"
                                             "35.004,139.006,50,0,1,2\n")}));
  const OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.pointTotal(), 1u);
  EXPECT_EQ(s.kind(0), kKindPointCloud);
  EXPECT_EQ(s.pointSize(0), 1);
  EXPECT_EQ(s.drawMode(0), kDrawPoints);
  EXPECT_EQ(s.heights()[0], height);
  expectVertex(s.vertices()[0], t.expected(139.006, 35.004, 0xFFFF0080, false, &height));

  deleteAllLayers(t.scene().overlays);
  EXPECT_FALSE(t.add({t.write("five.blhrgb", "35.004,139.006,1,0,1,2 3 4 5 6 7\n")}))
      << "5 commas and 5 spaces";
}

TEST(LineReaders, PlaneMarksStayInsideTheGridBoundsInclusive) {
  fixtures::TempDir dir;
  fixtures::LemTile tile;  // 3 x 3 nodes, 5 m apart
  tile.decimetres = {100, 200, 300, 400, 500, 600, 700, 800, 900};
  const fs::path lem = dir / "a.lem", csv = dir / "a.csv";
  ASSERT_TRUE(fixtures::writeLem(lem, csv, tile, false));
  auto opened = fixtures::openScene({lem});
  ASSERT_TRUE(opened->ok);
  Scene& scene = opened->scene;
  const ElevationGrid& g = scene.grid;
  char text[256];
  std::snprintf(text, sizeof text, "%.4f,%.4f,east\n%.4f,%.4f,out\n%.4f %.4f\n", g.Xmax, g.Ymin,
                g.Xmax + 0.001, g.Ymin, g.Xmin, g.Ymax);
  const fs::path xyn = dir / "m.xyn";
  fixtures::writeBytes(xyn, text);
  // Geographic files are not read over plane data.
  const fs::path bln = dir / "m.bln";
  fixtures::writeBytes(bln, "35.0,139.0,A\n");
  EXPECT_FALSE(addLineFiles(scene, std::vector<fs::path>{bln}));
  ASSERT_TRUE(addLineFiles(scene, std::vector<fs::path>{bln, xyn}));
  const OverlayStore& s = scene.overlays;
  ASSERT_EQ(s.groupCount(), 1);
  ASSERT_EQ(s.pointTotal(), 1u) << "the space-separated line has too few separators";
  EXPECT_EQ(s.label(0), "east");
  double H = 0;
  heightAtGrid(g, scene.mesh, g.Xmax, g.Ymin, H);
  EXPECT_EQ(s.heights()[0], H);
  EXPECT_NEAR(H, 90.0, 1e-9);
}

// A GSI vector file with the GSI header (first feature on line 10) unless `header` is given.
std::string gsiFile(const std::string& body, const std::string& header = {}) {
  if (!header.empty()) {
    return header + body;
  }
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset\n\tx\n\tx\n\tx\n\tx\n"
         "\tgml:id=\"Dataset1\">\n  <gml:description>d</gml:description>\n"
         "  <gml:name>n</gml:name>\n" +
         body + "</Dataset>\n";
}

std::string posList(const std::vector<std::pair<double, double>>& latLon) {
  std::ostringstream out;
  out.precision(12);
  out << "<Cntr gml:id=\"c\">\n<gml:Curve>\n<gml:posList>\n";
  for (const auto& [lat, lon] : latLon) {
    out << lat << " " << lon << "\n";
  }
  out << "</gml:posList>\n</gml:Curve>\n</Cntr>\n";
  return out.str();
}

TEST(LineReaders, GsiFilesAreClassifiedByTheirFirstFeature) {
  fixtures::TempDir dir;
  const std::string twelve = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n";
  struct Case {
    std::string text;
    int32_t kind;
  };
  const Case cases[] = {
      {twelve + "<Cntr gml:id=\"a\">\n<WL>\n", 201},    // line 12 decides
      {twelve + "\t  <RailCL>\n<gml:posList>\n", 215},  // after leading blanks
      {twelve + "\t<DEM gml:id=\"DEM001\">\n", kKindDem},
      {"<WA>\n", 303},  // a short file: its last line
      {gsiFile("<BldA gml:id=\"b\">\n<fid>f</fid>\n<lfSpanFr>\n"), 305},  // line 10 of a download
      {gsiFile("<Foo>\n<gml:pos>35 139</gml:pos>\n<gml:posList>\n"), kKindOtherPoints},
      {gsiFile("<Foo>\n  <gml:posList>\n<gml:pos>35 139</gml:pos>\n"), kKindOtherLines},
      {gsiFile("<Foo>\n<bar>\n"), kKindUnusable},
      {gsiFile(std::string(1000, '\n') + "<Cntr>\n<gml:posList>\n"), kKindUnusable},  // too deep
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 200));
    const fs::path path = dir / "v.xml";
    fixtures::writeBytes(path, c.text);
    EXPECT_EQ(classifyGsiFile(path), c.kind);
  }
  EXPECT_EQ(classifyGsiFile(dir / "missing.xml"), kKindUnusable);

  const std::pair<int32_t, uint32_t> colours[] = {
      {201, kColourLightGrey}, {205, kColourBlue},  {209, kColourBlue},     {210, kColourWhite},
      {303, kColourBlue},      {304, kColourBlue},  {215, kColourLightRed}, {305, kColourLightBlue},
      {101, kColourWhite},     {299, kColourWhite},
  };
  for (const auto& [kind, colour] : colours) {
    EXPECT_EQ(gsiKindColour(kind), colour) << kind;
  }
}

TEST(LineReaders, GsiLinesBreakAtTheEdgeAndSplitAt65535) {
  GeoTerrain t;
  const double lat = 35.004;
  auto lonAt = [](int i) { return 139.001 + i * 1e-7; };
  // 70,000 points inside; then a line that crosses the east edge (2 inside, 1 out, 3 inside);
  // then one with a single point inside, and a line whose numbers do not parse.
  std::vector<std::pair<double, double>> longLine;
  for (int i = 0; i < 70000; ++i) {
    longLine.push_back({lat, lonAt(i)});
  }
  const std::string body =
      posList(longLine) +
      posList({{lat, 139.011},
               {lat, 139.012},
               {lat, 139.02},
               {lat, 139.011},
               {lat, 139.01},
               {lat, 139.009}}) +
      posList({{lat, 139.02}, {lat, 139.005}, {lat, 139.02}}) +
      "<gml:posList>\nx y\n35.004 139.003\nabc\n35.004 139.004\n</gml:posList>\n";
  ASSERT_TRUE(t.add({t.write("FG-GML-Cntr.xml", gsiFile(body))}));
  const OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.groupCount(), 1);
  EXPECT_EQ(s.kind(0), 201);
  EXPECT_EQ(s.colour(0), kColourLightGrey);
  EXPECT_EQ(s.drawMode(0), kDrawLineStrip);
  EXPECT_EQ(s.layerName(0).filename(), "FG-GML-Cntr.xml");
  EXPECT_EQ(polylines(s, 0), (std::vector<uint32_t>{65535, 4466, 2, 3, 2}));
  // The second piece starts with a copy of the 65,535th point.
  expectVertex(s.vertices()[65535], s.vertices()[65534]);
  expectVertex(s.vertices()[65534], t.expected(lonAt(65534), lat, kColourLightGrey, true));
  EXPECT_EQ(s.heights()[65535], s.heights()[65534]);
  expectVertex(s.vertices()[65535 + 4465], t.expected(lonAt(69999), lat, kColourLightGrey, true));

  // Points: every <gml:pos> inside becomes a point; a file with none inside adds no layer.
  const std::string points = "<ElevPt>\n<gml:pos>35.004 139.006</gml:pos>\n"
                             "  <gml:pos>35.005 139.007</gml:pos>\n<gml:pos>36 139</gml:pos>\n";
  ASSERT_TRUE(t.add({t.write("pt.xml", gsiFile(points))}));
  ASSERT_EQ(s.groupCount(), 2);
  EXPECT_EQ(s.kind(1), 102);
  EXPECT_EQ(s.pointSize(1), 5);
  EXPECT_EQ(s.drawMode(1), kDrawPoints);
  EXPECT_EQ(polylines(s, 1), (std::vector<uint32_t>{2}));
  expectVertex(s.vertices()[s.groupRange(1).firstPoint + 1],
               t.expected(139.007, 35.005, kColourWhite, true));
  EXPECT_FALSE(t.add({t.write("none.xml", gsiFile("<ElevPt>\n<gml:pos>36 139</gml:pos>\n"))}));
  EXPECT_EQ(s.groupCount(), 2);
}

TEST(LineReaders, AddLineFilesDispatchAndLimits) {
  GeoTerrain t;
  Scene& scene = t.scene();
  const fs::path bln = t.write("m.bln", "35.004,139.006,A\n35.005,139.006,B\n35.006,139.006,C\n");
  EXPECT_FALSE(t.add({})) << "no file";
  EXPECT_FALSE(t.add(std::vector<fs::path>(101, bln))) << "101 files";
  EXPECT_FALSE(scene.overlays.allocated()) << "a refused list leaves the store alone";
  EXPECT_FALSE(t.add({t.write("m.xyn", "0,0,A\n"), t.write("m.txt", "35.004,139.006,A\n")}));
  EXPECT_TRUE(scene.overlays.allocated()) << "the store stays allocated after a failed add";
  EXPECT_FALSE(scene.overlays.hasVertexBuffer());

  // A 101st layer is refused, the first 100 stay.
  ASSERT_TRUE(t.add(std::vector<fs::path>(100, bln)));
  EXPECT_EQ(scene.overlays.groupCount(), 100);
  EXPECT_EQ(scene.overlays.capacity(), kMaxStorePoints);
  EXPECT_FALSE(t.add({bln}));
  EXPECT_EQ(scene.overlays.groupCount(), 100);

  // A full store keeps what was read: a store of 5 points holding one takes 3, then 1.
  deleteAllLayers(scene.overlays);
  ASSERT_TRUE(scene.overlays.allocateOverlayStore(5));
  GroupStore::Builder one(scene.overlays);
  ASSERT_TRUE(one.begin(kKindMark, kColourWhite));
  one.append({}, 0);
  one.close();
  ASSERT_TRUE(one.finish());
  ASSERT_TRUE(scene.overlays.uploadStore());
  ASSERT_TRUE(t.add({bln}));
  EXPECT_EQ(scene.overlays.capacity(), 5u) << "a store with a vertex buffer is reused";
  EXPECT_EQ(scene.overlays.groupPointCount(1), 3);
  ASSERT_TRUE(t.add({bln}));
  EXPECT_EQ(scene.overlays.groupPointCount(2), 1) << "stops when pointTotal + n reaches 5";
  EXPECT_FALSE(t.add({bln})) << "full";

  // Transparency applies to the added layers when it is enabled; opening new data discards them.
  deleteAllLayers(scene.overlays);
  scene.view.LayerAlphaEnabled = true;
  scene.view.Alpha = 100;
  ASSERT_TRUE(t.add({bln}));
  EXPECT_EQ(scene.overlays.vertices()[2].diffuse, 0x64FFFFFFu);
  scene.clearScene();
  EXPECT_FALSE(scene.overlays.allocated());
  EXPECT_FALSE(t.add({bln})) << "no terrain";
}

TEST(LineReaders, OverlongLinesAreReadInPieces) {
  GeoTerrain t;
  const std::string fix = "$GPGGA,1,3500.24,N,13900.36,E,1,8,";
  // A 100,000-byte line comes in pieces of 63,999 bytes; each piece counts as a line. A sentence
  // with a long tail keeps its fix, and a record that starts a piece is read as a line.
  const std::string log = fix + std::string(70000, '9') + "\n" + std::string(100000, ',') + "\n" +
                          "$GPGGA,2,3500.25,N,13900.37,E,1,8\n";
  ASSERT_TRUE(t.add({t.write("long.log", log)}));
  EXPECT_EQ(t.scene().overlays.pointTotal(), 2u);
  const std::string marks = "35.004,139.006,A\n" + std::string(63999, 'x') +
                            "35.004,139.006,Tail\n" + std::string(200000, '\xff') +
                            "\n35.005,139.006,\xff\xfe\x83\n";
  ASSERT_TRUE(t.add({t.write("long.bln", marks)}));
  const OverlayStore& s = t.scene().overlays;
  ASSERT_EQ(s.groupPointCount(1), 3);
  EXPECT_EQ(s.label(3), "Tail");
  EXPECT_EQ(s.labelText(4), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD") << "undecodable bytes";
}

}  // namespace
}  // namespace torvane
