#include "tests/soak/SoakCorpus.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "elevation/TvdFile.h"
#include "scene/Contours.h"
#include "scene/ProjectFile.h"
#include "scene/Scene.h"
#include "contour/ContourRules.h"
#include "tests/fuzz/FuzzHarness.h"
#include "tests/fuzz/FuzzSeeds.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/ZipWriter.h"

namespace torvane::soak {

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The files of a folder (not its subfolders) in name order.
std::vector<fs::path> sortedFiles(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (e.is_regular_file()) {
      out.push_back(e.path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Degrees and decimal minutes of an NMEA latitude or longitude field.
std::string nmeaAngle(double degrees, int width) {
  char buf[32];
  const int whole = static_cast<int>(degrees);
  std::snprintf(buf, sizeof buf, "%0*d%010.7f", width, whole, (degrees - whole) * 60);
  return buf;
}

// The demo landscape's middle, where tracks and marks go.
constexpr double kLon0 = 139.0125, kLat0 = 35.0083;

}  // namespace

const char* corpusKindName(CorpusKind kind) {
  switch (kind) {
    case CorpusKind::Elevation:
      return "elevation";
    case CorpusKind::Lines:
      return "lines";
    case CorpusKind::Image:
      return "image";
    case CorpusKind::Project:
      return "project";
    case CorpusKind::Seed:
      return "seed";
    case CorpusKind::Hostile:
      return "hostile";
    case CorpusKind::Other:
      return "other";
    case CorpusKind::Count:
      break;
  }
  return "?";
}

SoakCorpus::SoakCorpus(const fs::path& folder, const fs::path& demoDir, const fs::path& samplesDir)
    : mFolder(folder) {
  std::error_code ec;
  fs::remove_all(mFolder, ec);
  fs::create_directories(mFolder);
  for (const fs::path& p : sortedFiles(demoDir)) {
    if (p.extension() == ".xml") {
      mDemoTiles.push_back(p);
      add(p, CorpusKind::Elevation);
    } else if (p.extension() == ".tvp") {
      add(p, CorpusKind::Project);  // the demo as the README opens it
    } else if (p.extension() == ".bln") {
      add(p, CorpusKind::Lines);
    }
  }
  writeElevation();
  writeLines();
  writeImages();
  writeProjects();
  writeSeeds();
  writeHostile();
  writeOthers();
  addSamples(samplesDir);
}

void SoakCorpus::add(const fs::path& path, CorpusKind kind, bool heavy) {
  mFiles.push_back({path, kind, heavy});
}

std::vector<const CorpusFile*> SoakCorpus::ofKind(CorpusKind kind) const {
  std::vector<const CorpusFile*> out;
  for (const CorpusFile& f : mFiles) {
    if (f.kind == kind) {
      out.push_back(&f);
    }
  }
  return out;
}

std::string SoakCorpus::summary() const {
  std::string out;
  for (int k = 0; k < static_cast<int>(CorpusKind::Count); ++k) {
    const auto kind = static_cast<CorpusKind>(k);
    out += std::string(corpusKindName(kind)) + " " + std::to_string(ofKind(kind).size()) +
           (k + 1 < static_cast<int>(CorpusKind::Count) ? ", " : "");
  }
  return out;
}

void SoakCorpus::writeElevation() {
  const fs::path dir = mFolder / "elevation";
  fs::create_directories(dir);

  // The small tile a full clear opens.
  fixtures::DemTile tiny;
  tiny.columns = 12;
  tiny.rows = 9;
  tiny.lonNE = tiny.lonSW + 0.0125 * 11 / 224;
  tiny.latNE = tiny.latSW + 0.0083 * 8 / 149;
  tiny.heights = fixtures::sampleHeights(tiny, fixtures::Landscape{});
  mClearTile = dir / "clear.xml";
  fixtures::writeDemXml(mClearTile, tiny);
  add(mClearTile, CorpusKind::Elevation);

  // The demo tiles as GSI's download: one zip with the four tiles and a readme, and a zip
  // holding them in a folder, stored.
  std::vector<fixtures::ZipEntry> entries;
  for (const fs::path& p : mDemoTiles) {
    entries.push_back({p.filename().string(), readAll(p)});
  }
  entries.push_back({"readme.txt", "GSI download\n"});
  fixtures::writeZip(dir / "FG-GML-523940-DEM5A-20161001.zip", entries);
  add(dir / "FG-GML-523940-DEM5A-20161001.zip", CorpusKind::Elevation);
  for (auto& e : entries) {
    e.name = "dem/" + e.name;
  }
  fixtures::writeZip(dir / "stored-folder.zip", entries, false);
  add(dir / "stored-folder.zip", CorpusKind::Elevation);

  // The same landscape as TVD and BIL, and a plane-coordinate LEM tile with a photo to drape.
  TvdHeader h;
  h.columns = 90;
  h.rows = 60;
  h.west = 139.0;
  h.south = 35.0;
  h.east = 139.025;
  h.north = 35.0167;
  std::vector<double> heights;
  const fixtures::Landscape land;
  for (uint32_t r = 0; r < h.rows; ++r) {
    for (uint32_t c = 0; c < h.columns; ++c) {
      heights.push_back(std::max(0.0, land(h.west + c * h.dLon(), h.north - r * h.dLat())));
    }
  }
  writeTvd(dir / "volcano.tvd", h, heights);
  add(dir / "volcano.tvd", CorpusKind::Elevation);

  fixtures::BilTile bil;
  bil.columns = 80;
  bil.rows = 50;
  bil.ulxmap = 139.0;
  bil.ulymap = 35.0167;
  bil.xdim = 0.025 / 79;
  bil.ydim = 0.0167 / 49;
  for (int r = 0; r < bil.rows; ++r) {
    for (int c = 0; c < bil.columns; ++c) {
      const double H = land(bil.ulxmap + c * bil.xdim, bil.ulymap - r * bil.ydim);
      bil.samples.push_back(static_cast<int16_t>(std::max(0.0, H) / 0.3048));
    }
  }
  fixtures::writeBil(dir / "volcano.bil", bil);
  add(dir / "volcano.bil", CorpusKind::Elevation);

  const fs::path lemDir = mFolder / "lem" / "DEM";
  fs::create_directories(lemDir);
  fs::create_directories(mFolder / "lem" / "PHOTO");
  fixtures::LemTile lem;
  lem.columns = 60;
  lem.rows = 40;
  lem.west = -10000;
  lem.south = -20000;
  lem.east = lem.west + 5 * 59;
  lem.north = lem.south + 5 * 39;
  for (int r = 0; r < lem.rows; ++r) {
    for (int c = 0; c < lem.columns; ++c) {
      lem.decimetres.push_back(500 + 40 * c + 25 * r - (r * c) % 97);
    }
  }
  fixtures::writeLem(lemDir / "plane.lem", lemDir / "plane.csv", lem, false);
  add(lemDir / "plane.lem", CorpusKind::Elevation);
  QImage photo(120, 80, QImage::Format_RGB32);
  photo.fill(QColor(90, 140, 60));
  photo.save(QString::fromStdString((mFolder / "lem" / "PHOTO" / "plane.jpg").string()), "JPG");

  // Marks in plane metres over the LEM tile.
  std::string xyn;
  char line[160];
  for (int i = 0; i < 12; ++i) {
    std::snprintf(line, sizeof line, "%.3f,%.3f,%s%d\n", lem.west + 20.0 * i, lem.south + 14.0 * i,
                  i % 3 == 0 ? "\xE5\xB1\xB1" : "p", i);
    xyn += line;
  }
  fixtures::writeBytes(lemDir / "marks.xyn", xyn);
  add(lemDir / "marks.xyn", CorpusKind::Lines);
}

void SoakCorpus::writeLines() {
  const fs::path dir = mFolder / "lines";
  fs::create_directories(dir);
  char line[200];

  // A road winding up the volcano (GSI road edges) and a hike to its summit and back.
  std::string road = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset>\n"
                     "<RdEdg gml:id=\"r1\">\n<gml:posList>\n";
  for (int i = 0; i <= 400; ++i) {
    const double a = i * 0.05, r = 0.0075 - i * 0.0000165;
    std::snprintf(line, sizeof line, "%.9f %.9f\n", kLat0 + r * std::sin(a) * 0.8,
                  kLon0 + r * std::cos(a));
    road += line;
  }
  road += "</gml:posList>\n</RdEdg>\n</Dataset>\n";
  fixtures::writeBytes(dir / "FG-GML-523940-RdEdg-20230101-0001.xml", road);
  add(dir / "FG-GML-523940-RdEdg-20230101-0001.xml", CorpusKind::Lines);

  std::string hike;
  for (int i = 0; i <= 300; ++i) {
    const double f = i <= 150 ? i / 150.0 : (300 - i) / 150.0;
    const double lat = 35.0015 + f * (kLat0 - 35.0015) + 0.0004 * std::sin(i * 0.3);
    const double lon = 139.004 + f * (kLon0 - 139.004) + (i > 150 ? 0.0008 : 0);
    hike += "$GNGGA," + std::to_string(100000 + i) + ".00," + nmeaAngle(lat, 2) + ",N," +
            nmeaAngle(lon, 3) + ",E,1,12,0.7,0,M,39,M,,*00\r\n";
  }
  fixtures::writeBytes(dir / "hike.nmea", hike);
  add(dir / "hike.nmea", CorpusKind::Lines);
  fixtures::writeBytes(dir / "hike.log", hike.substr(0, hike.size() / 2));
  add(dir / "hike.log", CorpusKind::Lines);

  // A long log: 40,000 fixes circling the summit.
  std::string log;
  for (int i = 0; i < 40000; ++i) {
    const double a = i * 0.01, r = 0.002 + 0.004 * (i % 4000) / 4000.0;
    log += "$GPGGA,1," + nmeaAngle(kLat0 + r * std::sin(a), 2) + ",N," +
           nmeaAngle(kLon0 + r * std::cos(a), 3) + ",E,1,8\n";
  }
  fixtures::writeBytes(dir / "circling.nmea", log);
  add(dir / "circling.nmea", CorpusKind::Lines);

  // Marks with UTF-8 and Shift_JIS labels, and a point cloud.
  std::string bln, sjis, cloud;
  for (int i = 0; i < 30; ++i) {
    const double lat = 35.001 + 0.0005 * i, lon = 139.002 + 0.0007 * i;
    std::snprintf(line, sizeof line, "%.7f,%.7f,\xE5\xB1\xB1\xE9\xA0\x82%d\n", lat, lon, i);
    bln += line;
    std::snprintf(line, sizeof line, "%.7f %.7f \x83\x65\x83\x58\x83\x67%d\r\n", lat, lon + 0.001,
                  i);
    sjis += line;
  }
  for (int i = 0; i < 20000; ++i) {
    const double a = i * 0.0031, r = 0.0068 * std::sqrt((i % 997) / 997.0);
    std::snprintf(line, sizeof line, "%.8f,%.8f,%.1f,%d,%d,%d\n", kLat0 + r * std::sin(a),
                  kLon0 + r * std::cos(a), 100.0 + (i % 300), i % 256, (i * 7) % 256,
                  (i * 13) % 256);
    cloud += line;
  }
  fixtures::writeBytes(dir / "summits.bln", bln);
  add(dir / "summits.bln", CorpusKind::Lines);
  fixtures::writeBytes(dir / "sjis.bln", sjis);
  add(dir / "sjis.bln", CorpusKind::Lines);
  fixtures::writeBytes(dir / "cloud.blhrgb", cloud);
  add(dir / "cloud.blhrgb", CorpusKind::Lines);

  // GSI points and contour lines.
  std::string points = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset>\n";
  std::string contours = points;
  for (int i = 0; i < 25; ++i) {
    std::snprintf(line, sizeof line,
                  "<ElevPt gml:id=\"p%d\">\n<gml:pos>%.8f %.8f</gml:pos>\n"
                  "</ElevPt>\n",
                  i, 35.002 + 0.0004 * i, 139.003 + 0.0008 * i);
    points += line;
  }
  for (int k = 1; k <= 6; ++k) {
    contours += "<Cntr gml:id=\"c" + std::to_string(k) + "\">\n<gml:posList>\n";
    for (int i = 0; i <= 90; ++i) {
      const double a = i * 2 * 3.14159265358979 / 90, r = 0.001 * k;
      std::snprintf(line, sizeof line, "%.9f %.9f\n", kLat0 + r * std::sin(a) * 0.8,
                    kLon0 + r * std::cos(a));
      contours += line;
    }
    contours += "</gml:posList>\n</Cntr>\n";
  }
  fixtures::writeBytes(dir / "FG-GML-523940-ElevPt-20230101-0001.xml", points + "</Dataset>\n");
  add(dir / "FG-GML-523940-ElevPt-20230101-0001.xml", CorpusKind::Lines);
  fixtures::writeBytes(dir / "FG-GML-523940-Cntr-20230101-0001.xml", contours + "</Dataset>\n");
  add(dir / "FG-GML-523940-Cntr-20230101-0001.xml", CorpusKind::Lines);

  // Far away from the demo data: nothing of it lies on the terrain.
  fixtures::writeBytes(dir / "far.bln", "43.0,141.3,Sapporo\n26.2,127.7,Naha\n");
  add(dir / "far.bln", CorpusKind::Lines);
}

void SoakCorpus::writeImages() {
  const fs::path dir = mFolder / "images";
  fs::create_directories(dir);
  QImage image(256, 192, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgba(x, y, (x ^ y) & 0xFF, (x + y) % 3 == 0 ? 128 : 255));
    }
  }
  const auto save = [&](const QImage& img, const std::string& name, const char* format) {
    img.save(QString::fromStdString((dir / name).string()), format);
    add(dir / name, CorpusKind::Image);
  };
  save(image.convertToFormat(QImage::Format_RGB32), "photo.jpg", "JPG");
  save(image, "overlay.png", "PNG");
  QImage base(64, 64, QImage::Format_RGB32);
  base.fill(QColor(200, 180, 120));
  base.save(QString::fromStdString((dir / "overlay_B.png").string()), "PNG");
  save(image.scaled(1024, 768).convertToFormat(QImage::Format_RGB32), "large.jpg", "JPG");
  fixtures::writeBytes(dir / "broken.jpg", "\xFF\xD8\xFF\xE0 this is no JPEG after all");
  add(dir / "broken.jpg", CorpusKind::Image);
  fixtures::writeBytes(dir / "empty.png", "");
  add(dir / "empty.png", CorpusKind::Image);
}

void SoakCorpus::writeProjects() {
  const fs::path dir = mFolder / "projects";
  fs::create_directories(dir / "sub");
  for (const fs::path& p : mDemoTiles) {
    fs::copy_file(p, dir / p.filename(), fs::copy_options::overwrite_existing);
  }
  fs::copy_file(mDemoTiles.front(), dir / "sub" / mDemoTiles.front().filename(),
                fs::copy_options::overwrite_existing);
  fs::copy_file(mFolder / "lines" / "hike.nmea", dir / "hike.nmea",
                fs::copy_options::overwrite_existing);
  fs::copy_file(mFolder / "images" / "photo.jpg", dir / "photo.jpg",
                fs::copy_options::overwrite_existing);

  // The whole working state as the program saves it: the four tiles (one hidden), a track,
  // marks, contours, a draped photo and a turned, tilted view.
  Scene scene;
  std::vector<fs::path> tiles;
  for (const fs::path& p : mDemoTiles) {
    tiles.push_back(dir / p.filename());
  }
  if (openElevationData(scene, tiles)) {
    const fs::path lines[] = {dir / "hike.nmea", mFolder / "lines" / "summits.bln"};
    addLineFiles(scene, lines);
    if (const auto field = contourFieldRange(scene.grid, kElevationContour)) {
      if (const auto levels = contourRangeFor(*field, 100, 100, 700)) {
        buildContourRange(scene, kElevationContour, *levels);
      }
    }
    scene.grid.files[1].shown = false;
    scene.view.RotaX = 0.8;
    scene.view.RotaZ = 2.1;
    scene.view.ColorS = 2;
    scene.view.Scale = 30;
    SaveProject(scene, dir / "working.tvp");
    add(dir / "working.tvp", CorpusKind::Project);
  }
  std::string text = readAll(dir / "working.tvp");
  const size_t file = text.find("[File]\n");
  if (file != std::string::npos) {
    text.insert(file + 7, "Texture=photo.jpg\n");
    fixtures::writeBytes(dir / "draped.tvp", text);
    add(dir / "draped.tvp", CorpusKind::Project);
  }

  // Written on Windows: Shift_JIS, CRLF, a backslash path into a subfolder.
  fixtures::writeBytes(dir / "windows.tvp",
                       "[File]\r\nName1=sub\\" + mDemoTiles.front().filename().string() +
                           "\r\n[View]\r\nColorS=1\r\nScale=20\r\nRotaX=0.5\r\n"
                           "[Rota]\r\nPitch=3\r\n");
  add(dir / "windows.tvp", CorpusKind::Project);
  // Absolute paths of tiles elsewhere; settings out of range; files that are gone.
  std::string absolute = "[File]\n";
  for (size_t i = 0; i < mDemoTiles.size(); ++i) {
    absolute += "Name" + std::to_string(i + 1) + "=" + mDemoTiles[i].string() + "\n";
  }
  fixtures::writeBytes(dir / "absolute.tvp", absolute + "[View]\nColorS=-5\nScale=9999\n"
                                                        "Alpha=300\nRZoom=0\nColorT=7\n");
  add(dir / "absolute.tvp", CorpusKind::Project);
  fixtures::writeBytes(dir / "missing.tvp",
                       "[File]\nName1=gone.xml\nName2=" + mDemoTiles.back().filename().string() +
                           "\n[File1]\nName1=gone.nmea\n[Calc1]\nName1=1,50\n");
  add(dir / "missing.tvp", CorpusKind::Project);
  fixtures::writeBytes(dir / "nothing.tvp", "[View]\nScale=10\n");
  add(dir / "nothing.tvp", CorpusKind::Project);
}

void SoakCorpus::writeSeeds() {
  const fs::path raw = mFolder / "fuzz-seeds";
  fuzz::writeFuzzSeeds(raw);
  const fs::path dir = mFolder / "seeds";
  fs::create_directories(dir);
  // Whole-file seeds get the extension that chooses their reader.
  const std::pair<const char*, const char*> whole[] = {
      {"demxml", ".xml"}, {"tvd", ".tvd"}, {"zip", ".zip"}, {"gsi", ".xml"},
      {"nmea", ".nmea"},  {"bln", ".bln"}, {"xyn", ".xyn"}, {"blhrgb", ".blhrgb"},
  };
  for (const auto& [folder, ext] : whole) {
    for (const fs::path& p : sortedFiles(raw / folder)) {
      const fs::path out = dir / (std::string(folder) + "-" + p.filename().string() + ext);
      fs::copy_file(p, out, fs::copy_options::overwrite_existing);
      add(out, CorpusKind::Seed);
    }
  }
  // Two-part seeds: a BIL with its header, a LEM with its header beside it (layout B) or in a
  // HEADER folder.
  for (const fs::path& p : sortedFiles(raw / "bil")) {
    const std::string bytes = readAll(p);
    std::string_view head, rest;
    fuzz::splitInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), head, rest);
    const std::string name = "bil-" + p.filename().string();
    fixtures::writeBytes(dir / (name + ".hdr"), std::string(head));
    fixtures::writeBytes(dir / (name + ".bil"), std::string(rest));
    add(dir / (name + ".bil"), CorpusKind::Seed);
  }
  for (const fs::path& p : sortedFiles(raw / "lem")) {
    const std::string bytes = readAll(p);
    if (bytes.empty() || (bytes[0] & 2) != 0) {
      continue;  // headers in a HEADER folder: layout B covers the reader
    }
    std::string_view head, rest;
    fuzz::splitInput(reinterpret_cast<const uint8_t*>(bytes.data()) + 1, bytes.size() - 1, head,
                     rest);
    const std::string name = "lem-" + p.filename().string();
    fixtures::writeBytes(dir / (name + ".csv"), std::string(head));
    fixtures::writeBytes(dir / (name + ".lem"), std::string(rest));
    add(dir / (name + ".lem"), CorpusKind::Seed);
  }
  // Project seeds name "t.xml" and "i.png" beside them.
  fixtures::DemTile t;
  t.columns = 6;
  t.rows = 5;
  t.latNE = t.latSW + 0.0004;
  t.lonNE = t.lonSW + 0.0005;
  t.heights.assign(30, 12.5);
  fixtures::writeDemXml(dir / "t.xml", t);
  fixtures::writeBytes(dir / "i.png", "\x89PNG\r\n\x1A\n");
  for (const fs::path& p : sortedFiles(raw / "project")) {
    const fs::path out = dir / ("project-" + p.filename().string() + ".tvp");
    fs::copy_file(p, out, fs::copy_options::overwrite_existing);
    add(out, CorpusKind::Seed);
  }
}

void SoakCorpus::writeHostile() {
  const fs::path dir = mFolder / "hostile";
  for (const fs::path& p : fixtures::writeHostileElevationFiles(dir)) {
    add(p, CorpusKind::Hostile);
  }
  fixtures::DemTile t;
  t.columns = t.rows = 10;
  t.heights.assign(100, 3.0);
  int n = 0;
  for (const fixtures::HostileArchive& a : fixtures::hostileArchives(fixtures::demXmlText(t))) {
    char name[32];
    std::snprintf(name, sizeof name, "archive-%02d.zip", n++);
    fixtures::writeBytes(dir / name, a.bytes);
    add(dir / name, CorpusKind::Hostile);
  }
  // Line/point files that push the readers: a polyline longer than one draw call takes, a
  // label far past any buffer, binary noise under a known extension.
  std::string longLine = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset>\n"
                         "<Cntr gml:id=\"c\">\n<gml:posList>\n";
  char line[96];
  for (int i = 0; i < 70000; ++i) {
    std::snprintf(line, sizeof line, "%.9f %.9f\n", 35.001 + 0.012 * (i % 1000) / 1000.0,
                  139.002 + 0.02 * i / 70000.0);
    longLine += line;
  }
  fixtures::writeBytes(dir / "long-polyline.xml",
                       longLine + "</gml:posList>\n</Cntr>\n</Dataset>\n");
  add(dir / "long-polyline.xml", CorpusKind::Hostile);
  fixtures::writeBytes(dir / "long-label.bln", "35.005,139.01," + std::string(200000, 'x') + "\n");
  add(dir / "long-label.bln", CorpusKind::Hostile);
  std::string noise(300000, '\0');
  for (size_t i = 0; i < noise.size(); ++i) {
    noise[i] = static_cast<char>((i * 2654435761u) >> 11);
  }
  for (const char* name : {"noise.nmea", "noise.xml", "noise.blhrgb", "noise.tvp", "noise.zip"}) {
    fixtures::writeBytes(dir / name, noise);
    add(dir / name, CorpusKind::Hostile);
  }
}

void SoakCorpus::writeOthers() {
  const fs::path dir = mFolder / "other";
  fs::create_directories(dir);
  fixtures::writeBytes(dir / "readme.txt", "not data\n");
  fixtures::writeBytes(dir / "noextension", "35.0,139.0,x\n");
  fixtures::writeBytes(dir / "data.abc", "abc\n");
  fixtures::writeBytes(dir / "UPPER.XML", "<Dataset>\n</Dataset>\n");
  for (const char* name : {"readme.txt", "noextension", "data.abc", "UPPER.XML"}) {
    add(dir / name, CorpusKind::Other);
  }
}

void SoakCorpus::addSamples(const fs::path& samplesDir) {
  std::error_code ec;
  if (!fs::is_directory(samplesDir, ec)) {
    return;
  }
  for (const fs::path& p : sortedFiles(samplesDir / "dem_xml")) {
    add(p, CorpusKind::Elevation);
  }
  for (const fs::path& p : sortedFiles(samplesDir / "dem_xml" / "zipped")) {
    add(p, CorpusKind::Elevation, true);
  }
  std::vector<fs::path> vectors;
  for (const auto& e : fs::recursive_directory_iterator(samplesDir / "fgd_xml", ec)) {
    if (e.is_regular_file() && e.path().extension() == ".xml") {
      vectors.push_back(e.path());
    }
  }
  std::sort(vectors.begin(), vectors.end());
  for (const fs::path& p : vectors) {
    add(p, CorpusKind::Lines);
  }
  for (const fs::path& p : sortedFiles(samplesDir / "nmea")) {
    add(p, CorpusKind::Lines);
  }
}

}  // namespace torvane::soak
