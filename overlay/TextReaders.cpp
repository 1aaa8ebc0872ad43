// NMEA 0183 GPS logs, BLN and XYN marks and BLHRGB point clouds: line-oriented text, one layer
// per file.

#include <algorithm>
#include <cmath>

#include "elevation/ElevationGrid.h"
#include "overlay/LineReaders.h"
#include "overlay/ReaderSupport.h"

namespace torvane {

using detail::countChar;
using detail::FieldScanner;
using detail::LayerAppender;

namespace {

constexpr int kMarkPointSize = 5;
constexpr int kCloudPointSize = 1;

// ---- NMEA ----

// "$GPGGA" and the GGA sentences of the other talkers ("$GNGGA", "$GLGGA", "$GAGGA", ...).
bool isGgaSentence(std::string_view line) {
  auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  return line.size() >= 7 && line[0] == '$' && upper(line[1]) && upper(line[2]) &&
         line.substr(3, 3) == "GGA";
}

// ddmm.mmmm (or dddmm.mmmm) to degrees.
double nmeaDegrees(double value) {
  const double v = value / 100;
  const double d = std::trunc(v);
  return d + (v - d) * 100 / 60;
}

//! One fix of a GGA sentence.
struct Fix {
  double lon = 0, lat = 0;
};

// Reads time, latitude, N/S, longitude, E/W and quality as "%lf,%lf,%c,%lf,%c,%c" does from the
// text after "$xxGGA,". False for a sentence to skip: a field that does not parse, no fix
// (quality '0') or a hemisphere that is not N/S or E/W.
bool parseGga(std::string_view fields, Fix& fix) {
  if (fields.size() < 12 || countChar(fields, ',') < 6) {
    return false;
  }
  FieldScanner scan(fields);
  double time = 0, lat = 0, lon = 0;
  char ns = 0, ew = 0, quality = 0;
  if (!(scan.number(time) && scan.literal(',') && scan.number(lat) && scan.literal(',') &&
        scan.character(ns) && scan.literal(',') && scan.number(lon) && scan.literal(',') &&
        scan.character(ew) && scan.literal(',') && scan.character(quality))) {
    return false;
  }
  if (quality == '0' || (ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W')) {
    return false;
  }
  fix.lat = ns == 'S' ? -nmeaDegrees(lat) : nmeaDegrees(lat);
  fix.lon = ew == 'W' ? -nmeaDegrees(lon) : nmeaDegrees(lon);
  return true;
}

// ---- the delimited formats: BLN, XYN, BLHRGB ----

//! The shape of a delimited format's data lines.
struct Delimited {
  size_t minLength;      //!< L: shorter lines are not data
  size_t minSeparators;  //!< S: lines with fewer separators are not data
};
constexpr Delimited kMarkLines{5, 2};
constexpr Delimited kCloudLines{13, 6};

// The separator of a delimited file from its first line of at least L characters: the comma
// when it holds S commas, else the space when it holds S spaces. False when there is no such
// line or neither separator occurs often enough. Leaves the reader anywhere.
bool detectSeparator(TextLineReader& reader, const Delimited& format, char& separator) {
  std::string_view line;
  while (reader.next(line)) {
    if (line.size() < format.minLength) {
      continue;
    }
    if (countChar(line, ',') >= format.minSeparators) {
      separator = ',';
      return true;
    }
    if (countChar(line, ' ') >= format.minSeparators) {
      separator = ' ';
      return true;
    }
    return false;
  }
  return false;
}

bool isDataLine(std::string_view line, const Delimited& format, char separator) {
  return line.size() >= format.minLength && countChar(line, separator) >= format.minSeparators;
}

//! One record of a mark file: two coordinates and a label.
struct MarkRecord {
  double a = 0, b = 0;
  std::string_view label;
};

// "%lf<sep>%lf<sep>%s": false unless both numbers parse; a missing label is empty.
bool parseMark(std::string_view line, char separator, MarkRecord& record) {
  FieldScanner scan(line);
  if (!(scan.number(record.a) && scan.literal(separator) && scan.number(record.b))) {
    return false;
  }
  record.label = {};
  if (scan.literal(separator)) {
    scan.token(record.label);
  }
  return true;
}

//! One record of a point cloud.
struct CloudRecord {
  double lat = 0, lon = 0, H = 0;
  int64_t unused = 0, r = 0, g = 0, b = 0;
};

bool parseCloud(std::string_view line, char sep, CloudRecord& c) {
  FieldScanner s(line);
  return s.number(c.lat) && s.literal(sep) && s.number(c.lon) && s.literal(sep) && s.number(c.H) &&
         s.literal(sep) && s.integer(c.unused) && s.literal(sep) && s.integer(c.r) &&
         s.literal(sep) && s.integer(c.g) && s.literal(sep) && s.integer(c.b);
}

uint32_t clampedColour(int64_t r, int64_t g, int64_t b) {
  auto c = [](int64_t v) { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255)); };
  return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// The loop of the three delimited formats: detects the separator, then hands every data line
// to `point`, which appends at most one point and returns false to skip the line. Marks and
// clouds are split every 65,535 points without repeating one.
template <typename PointFn>
bool readDelimited(LayerAppender& layer, const std::filesystem::path& path, const Delimited& format,
                   PointFn point) {
  GroupStore::Builder& b = layer.builder();
  TextLineReader reader;
  char separator = 0;
  if (!reader.open(path) || !detectSeparator(reader, format, separator) || !reader.rewind()) {
    return false;
  }
  layer.pump(reader);
  std::string_view line;
  while (reader.next(line)) {
    layer.pumpSometimes(reader);
    if (!isDataLine(line, format, separator) || !point(line, separator)) {
      continue;
    }
    if (b.full()) {
      break;
    }
    if (b.open() == kMaxPolylinePoints) {
      layer.pump(reader);
      b.close();
    }
  }
  b.close();
  return true;
}

}  // namespace

bool readNmeaLog(OverlayStore& store, const LineReadContext& context,
                 const std::filesystem::path& path) {
  LayerAppender layer(store, context);
  GroupStore::Builder& b = layer.builder();
  if (!store.allocated() || store.pointTotal() + 1 >= store.capacity() ||
      !layer.begin(kKindNmea, kColourBlue)) {
    return false;
  }
  TextLineReader reader;
  if (!reader.open(path)) {
    return false;
  }
  layer.pump(reader);
  std::string_view line;
  while (reader.next(line)) {
    layer.pumpSometimes(reader);
    Fix fix;
    if (!isGgaSentence(line) || !parseGga(line.substr(7), fix)) {
      continue;  // a skipped sentence leaves the track open
    }
    double X = 0, Y = 0, H = 0;
    if (!layer.sampleGeo(fix.lon, fix.lat, X, Y, H)) {
      b.close(2);  // the track leaves the data; a single stranded fix is dropped
      continue;
    }
    layer.append(X, Y, H, kColourBlue, true);
    if (b.full()) {
      break;
    }
    if (b.open() == kMaxPolylinePoints) {
      layer.pump(reader);
      b.close();
      layer.repeatLastPoint();
      if (b.full()) {
        break;
      }
    }
  }
  b.close(2);
  return layer.finish(path, 0, kDrawLineStrip);
}

bool readBln(OverlayStore& store, const LineReadContext& context,
             const std::filesystem::path& path) {
  LayerAppender layer(store, context);
  if (store.pointTotal() >= store.capacity() || !layer.begin(kKindMark, kColourWhite)) {
    return false;
  }
  const bool read = readDelimited(layer, path, kMarkLines, [&](std::string_view line, char sep) {
    MarkRecord m;
    double X = 0, Y = 0, H = 0;
    if (!parseMark(line, sep, m) || !layer.sampleGeo(m.b, m.a, X, Y, H)) {
      return false;
    }
    layer.append(X, Y, H, kColourWhite, false, m.label);
    return true;
  });
  return read && layer.finish(path, kMarkPointSize, kDrawMarks);
}

bool readXyn(OverlayStore& store, const LineReadContext& context,
             const std::filesystem::path& path) {
  LayerAppender layer(store, context);
  if (store.pointTotal() >= store.capacity() || !layer.begin(kKindMark, kColourWhite)) {
    return false;
  }
  const ElevationGrid& grid = context.grid;
  const bool read = readDelimited(layer, path, kMarkLines, [&](std::string_view line, char sep) {
    MarkRecord m;
    if (!parseMark(line, sep, m) || !(m.a >= grid.Xmin && m.a <= grid.Xmax) ||
        !(m.b >= grid.Ymin && m.b <= grid.Ymax)) {
      return false;
    }
    double H = 0;
    layer.sampleGrid(m.a, m.b, H);  // 0 where the point falls between the data
    layer.append(m.a, m.b, H, kColourWhite, false, m.label);
    return true;
  });
  return read && layer.finish(path, kMarkPointSize, kDrawMarks);
}

bool readBlhrgb(OverlayStore& store, const LineReadContext& context,
                const std::filesystem::path& path) {
  LayerAppender layer(store, context);
  if (store.pointTotal() >= store.capacity() || !layer.begin(kKindPointCloud, kColourWhite)) {
    return false;
  }
  const bool read = readDelimited(layer, path, kCloudLines, [&](std::string_view line, char sep) {
    CloudRecord c;
    double X = 0, Y = 0, terrainH = 0;
    // The height comes from the file; the terrain only places the point.
    if (!parseCloud(line, sep, c) || !detail::usable(c.H) ||
        !layer.sampleGeo(c.lon, c.lat, X, Y, terrainH)) {
      return false;
    }
    layer.append(X, Y, c.H, clampedColour(c.r, c.g, c.b), false);
    return true;
  });
  return read && layer.finish(path, kCloudPointSize, kDrawPoints);
}

}  // namespace torvane
