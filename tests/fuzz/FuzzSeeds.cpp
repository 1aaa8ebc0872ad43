#include "tests/fuzz/FuzzSeeds.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "elevation/TvdFile.h"
#include "tests/fuzz/LineFuzzHarness.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ZipWriter.h"

namespace torvane::fuzz {

namespace fs = std::filesystem;

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
  t.heights = fixtures::sampleHeights(t, fixtures::Landscape{t.lonSW + 0.0005, t.latSW + 0.0004,
                                                             0.0004, 300});
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
  seed(dir, "cut", std::string(1, '\0') +
                       twoParts(fixtures::lemHeaderText(t, false), data.substr(0, 200)));
}

// Line/point files inside the harness terrain (tests/fuzz/LineFuzzHarness.h).
void lineSeeds(const fs::path& out) {
  auto lat = [](double f) { return kFuzzLatSouth + f * (kFuzzLatNorth - kFuzzLatSouth); };
  auto lon = [](double f) { return kFuzzLonWest + f * (kFuzzLonEast - kFuzzLonWest); };
  char buf[256];
  std::string gga, bln, cloud, posList = "<gml:posList>\n", pos;
  for (int i = 0; i < 8; ++i) {
    const double f = 0.1 + 0.1 * i;
    const double la = lat(f), lo = lon(f);
    std::snprintf(buf, sizeof buf, "$GPGGA,0%d,%02d%07.4f,N,%03d%07.4f,E,%d,08,0.9,5.0,M,39.0,M,,*47\r\n",
                  i, static_cast<int>(la), (la - static_cast<int>(la)) * 60, static_cast<int>(lo),
                  (lo - static_cast<int>(lo)) * 60, i == 3 ? 0 : 1);
    gga += buf;
    std::snprintf(buf, sizeof buf, "%.9f,%.9f,mark%d\n", la, lo, i);
    bln += buf;
    std::snprintf(buf, sizeof buf, "%.9f %.9f %.2f 0 %d %d %d\n", la, lo, 10.0 * i, i * 40, 300, -i);
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
  seed(out / "bln", "cp932", "35.0004 139.0003 \x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\n");
  seed(out / "blhrgb", "cloud", cloud);
  std::string xyn;
  for (int i = 0; i < 6; ++i) {
    std::snprintf(buf, sizeof buf, "%.3f,%.3f,%s\n", kFuzzWest + 9.0 * i, kFuzzSouth + 7.0 * i,
                  i == 2 ? "\xE5\xB1\xB1" : "p");
    xyn += buf;
  }
  seed(out / "xyn", "marks", xyn + "-10000.001,-20000,out\n");
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
  seed(dir, "windows", "[File]\r\nName1=t.xml\r\nName2=\x93\x8c\x8b\x9e.xml\r\n"
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
  seed(dir, "deflated", fixtures::rawZip({fixtures::deflatedEntry("a.xml", dem),
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
  seed(dir, "nested", fixtures::rawZip({fixtures::storedEntry("in.zip", inner),
                                        fixtures::storedEntry("../a.xml", small)}));
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
  return written;
}

}  // namespace torvane::fuzz
