#include "tests/support/DemXmlWriter.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace torvane::fixtures {

namespace {
// Coordinates as GSI writes them: up to 9 decimals, no trailing zeros.
std::string coordinate(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.9f", v);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') {
    s.pop_back();
  }
  if (!s.empty() && s.back() == '.') {
    s.pop_back();
  }
  return s;
}
}  // namespace

std::string demXmlText(const DemTile& t) {
  const char* eol = t.crlf ? "\r\n" : "\n";
  std::string out;
  out.reserve(64 + static_cast<size_t>(t.heights.size()) * 18 + 4096);
  auto line = [&](const std::string& text) {
    out += text;
    out += eol;
  };
  if (t.byteOrderMark) {
    out += "\xEF\xBB\xBF";
  }
  line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  line("");
  line("<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema "
       "FGD_GMLSchema.xsd\" ");
  line("\txmlns:gml=\"http://www.opengis.net/gml/3.2\" ");
  line("\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" ");
  line("\txmlns:xlink=\"http://www.w3.org/1999/xlink\" ");
  line("\txmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\" ");
  line("\tgml:id=\"Dataset1\">");
  line("\t<gml:description>基盤地図情報メタデータ ID=fmdid:15-3101</gml:description>");
  line("\t<gml:name>基盤地図情報ダウンロードデータ（GML版）</gml:name>");
  line("\t");
  line("\t<DEM gml:id=\"DEM001\">");
  line("\t\t<fid>fgoid:10-00100-15-60101-" + t.meshCode + "</fid>");
  line("\t\t<lfSpanFr gml:id=\"DEM001-1\">");
  line("\t\t\t<gml:timePosition>2016-10-01</gml:timePosition>");
  line("\t\t</lfSpanFr>");
  line("\t\t<devDate gml:id=\"DEM001-2\">");
  line("\t\t\t<gml:timePosition>2016-10-01</gml:timePosition>");
  line("\t\t</devDate>");
  line("\t\t<orgGILvl>0</orgGILvl>");
  line("\t\t<orgMDId>H23G0000</orgMDId>");
  line("\t\t<type>" + t.type + "</type>");
  line("\t\t<mesh>" + t.meshCode + "</mesh>");
  line("\t\t<coverage gml:id=\"DEM001-3\">");
  line("\t\t\t<gml:boundedBy>");
  line("\t\t\t\t<gml:Envelope srsName=\"fguuid:jgd2011.bl\">");
  line("\t\t\t\t\t<gml:lowerCorner>" + coordinate(t.latSW) + " " + coordinate(t.lonSW) +
       "</gml:lowerCorner>");
  line("\t\t\t\t\t<gml:upperCorner>" + coordinate(t.latNE) + " " + coordinate(t.lonNE) +
       "</gml:upperCorner>");
  line("\t\t\t\t</gml:Envelope>");
  line("\t\t\t</gml:boundedBy>");
  line("\t\t\t<gml:gridDomain>");
  line("\t\t\t\t<gml:Grid dimension=\"2\" gml:id=\"DEM001-4\">");
  line("\t\t\t\t\t<gml:limits>");
  line("\t\t\t\t\t\t<gml:GridEnvelope>");
  line("\t\t\t\t\t\t\t<gml:low>0 0</gml:low>");
  line("\t\t\t\t\t\t\t<gml:high>" + std::to_string(t.columns - 1) + " " +
       std::to_string(t.rows - 1) + "</gml:high>");
  line("\t\t\t\t\t\t</gml:GridEnvelope>");
  line("\t\t\t\t\t</gml:limits>");
  line("\t\t\t\t\t<gml:axisLabels>x y</gml:axisLabels>");
  line("\t\t\t\t</gml:Grid>");
  line("\t\t\t</gml:gridDomain>");
  line("\t\t\t<gml:rangeSet>");
  line("\t\t\t\t<gml:DataBlock>");
  line("\t\t\t\t\t<gml:rangeParameters>");
  line("\t\t\t\t\t\t<gml:QuantityList uom=\"DEM構成点\"></gml:QuantityList>");
  line("\t\t\t\t\t</gml:rangeParameters>");
  line("");
  line("<gml:tupleList>");
  char buf[64];
  for (double h : t.heights) {
    if (h <= -9999) {
      out += "データなし,-9999.";
    } else {
      std::snprintf(buf, sizeof buf, "地表面,%.2f", h);
      out += buf;
    }
    out += eol;
  }
  line("</gml:tupleList>");
  line("");
  line("\t\t\t\t</gml:DataBlock>");
  line("\t\t\t</gml:rangeSet>");
  line("\t\t\t<gml:coverageFunction>");
  line("\t\t\t\t<gml:GridFunction>");
  line("\t\t\t\t\t<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>");
  line("\t\t\t\t\t<gml:startPoint>" + std::to_string(t.startColumn) + " " +
       std::to_string(t.startRow) + "</gml:startPoint>");
  line("\t\t\t\t</gml:GridFunction>");
  line("\t\t\t</gml:coverageFunction>");
  line("\t\t</coverage>");
  line("\t</DEM>");
  line("</Dataset>");
  return out;
}

bool writeDemXml(const std::filesystem::path& path, const DemTile& tile) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string text = demXmlText(tile);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out);
}

std::vector<double> sampleHeights(const DemTile& t,
                                  const std::function<double(double, double)>& height) {
  std::vector<double> h;
  h.reserve(static_cast<size_t>(t.columns) * static_cast<size_t>(t.rows));
  const double dLon = (t.lonNE - t.lonSW) / (t.columns - 1);
  const double dLat = (t.latNE - t.latSW) / (t.rows - 1);
  for (int j = 0; j < t.rows; ++j) {
    for (int k = 0; k < t.columns; ++k) {
      h.push_back(height(t.lonSW + k * dLon, t.latNE - j * dLat));
    }
  }
  return h;
}

double Landscape::operator()(double lon, double lat) const {
  // Work in units of the radius, with longitude scaled to ground distance at 35 degrees.
  const double x = (lon - lon0) * std::cos(lat0 * M_PI / 180) / radius;
  const double y = (lat - lat0) / radius;
  const double r = std::hypot(x, y);
  const double angle = std::atan2(y, x);

  // Cone with a concave profile, a crater at the summit and radial valleys cut into the flanks.
  double h = peak * std::exp(-1.6 * r * r) + 0.18 * peak * std::exp(-0.35 * r);
  const double crater = 0.12;
  if (r < crater) {
    h -= 0.22 * peak * (1 - (r * r) / (crater * crater));
  }
  const double valleys = 0.5 + 0.5 * std::cos(9 * angle + 2.5 * r);
  h -= 0.3 * peak * valleys * std::min(1.0, r) * std::exp(-0.6 * r);
  // Gentle ridges and hummocks that make the lower slopes look surveyed, not synthetic.
  h += 9 * std::sin(17 * x + 3 * y) * std::cos(13 * y - 2 * x) + 4 * std::sin(41 * x * y);

  // Coast: the land falls to the sea towards the south-east.
  const double coast = 0.55 * x - 0.8 * y - 0.45;
  if (coast > 0) {
    h -= 320 * coast;
  }
  if (h < 0.5) {
    return -9999;  // the sea: no data
  }
  return std::round(h * 100) / 100;
}

DemTile landscapeTile(int columns, int rows) {
  DemTile tile;
  tile.columns = columns;
  tile.rows = rows;
  tile.heights = sampleHeights(tile, Landscape{});
  return tile;
}

}  // namespace torvane::fixtures
