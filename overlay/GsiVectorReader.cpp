// GSI fundamental geospatial data (vector features in GML). The reader works line by line and
// builds no XML tree: the layer's kind comes from one line near the top of the file, then every
// <gml:pos> line (point files) or every run of lines between <gml:posList> and </gml:posList>
// (line and area files) gives the coordinates, "latitude longitude" in degrees, one pair a line.

#include <string>

#include "overlay/LineReaders.h"
#include "overlay/ReaderSupport.h"

namespace torvane {

using detail::FieldScanner;
using detail::LayerAppender;

namespace {

constexpr int kClassifyLine = 12;    // where a GSI file's first feature element was expected
constexpr int kClassifyScan = 1000;  // lines searched for a feature tag or coordinates
constexpr int kGsiPointSize = 5;

int32_t kindOfTag(std::string_view line) {
  for (const KindInfo& k : kindTable()) {
    if (!k.tag.empty() && lineStartsWithTag(line, k.tag)) {
      return k.kind;
    }
  }
  return kKindUnusable;
}

// "latitude longitude" at the start of text, as "%lf %lf" reads it.
bool parseLatLon(std::string_view text, double& lat, double& lon) {
  FieldScanner scan(text);
  return scan.number(lat) && scan.literal(' ') && scan.number(lon);
}

bool readGsiPoints(LayerAppender& layer, const std::filesystem::path& path, uint32_t colour) {
  GroupStore::Builder& b = layer.builder();
  TextLineReader reader;
  if (b.full() || !reader.open(path)) {
    return false;
  }
  layer.pump(reader);
  std::string_view line, rest;
  while (reader.skipToLineWithTag("<gml:pos>", line)) {
    layer.pumpSometimes(reader);
    double lat = 0, lon = 0, X = 0, Y = 0, H = 0;
    lineStartsWithTag(line, "<gml:pos>", &rest);
    if (!parseLatLon(rest, lat, lon) || !layer.sampleGeo(lon, lat, X, Y, H)) {
      continue;
    }
    layer.append(X, Y, H, colour, true);
    if (b.full()) {
      break;
    }
    if (b.open() == kMaxPolylinePoints) {
      layer.pump(reader);
      b.close();
    }
  }
  b.close();
  return layer.finish(path, kGsiPointSize, kDrawPoints);
}

bool readGsiLines(LayerAppender& layer, const std::filesystem::path& path, uint32_t colour) {
  GroupStore::Builder& b = layer.builder();
  TextLineReader reader;
  if (b.nextIndex() + 1 >= layer.store().capacity() || !reader.open(path)) {
    return false;
  }
  layer.pump(reader);
  bool inside = false;
  std::string_view line;
  while (reader.next(line)) {
    layer.pumpSometimes(reader);
    if (line.find("<gml:posList>") != std::string_view::npos) {
      inside = true;
      b.drop();
      continue;
    }
    if (line.find("</gml:posList>") != std::string_view::npos) {
      b.close(2);
      inside = false;
      continue;
    }
    if (!inside) {
      continue;
    }
    double lat = 0, lon = 0, X = 0, Y = 0, H = 0;
    if (!parseLatLon(line, lat, lon)) {
      continue;  // no point, but the line goes on
    }
    if (!layer.sampleGeo(lon, lat, X, Y, H)) {
      b.close(2);  // broken where it leaves the data; a single stranded point is dropped
      continue;
    }
    layer.append(X, Y, H, colour, true);
    if (b.full()) {
      break;
    }
    if (b.open() == kMaxPolylinePoints) {
      layer.pump(reader);
      b.close();
      // The next polyline starts where this one ended, so the drawn line has no gap.
      layer.repeatLastPoint();
      if (b.full()) {
        break;
      }
    }
  }
  b.close(2);
  return layer.finish(path, 0, kDrawLineStrip);
}

}  // namespace

int32_t classifyGsiFile(const std::filesystem::path& path) {
  TextLineReader reader;
  if (!reader.open(path)) {
    return kKindUnusable;
  }
  std::string_view line;
  std::string examined;
  for (int i = 0; i < kClassifyLine && reader.next(line); ++i) {
    examined.assign(line);
  }
  if (lineStartsWithTag(examined, "<DEM")) {
    return kKindDem;
  }
  if (const int32_t kind = kindOfTag(examined); kind != kKindUnusable) {
    return kind;
  }
  // Real downloads put the first feature on line 10 (and edited files elsewhere): the first
  // feature tag near the top decides. Only without one do the coordinates decide.
  reader.rewind();
  int32_t fallback = kKindUnusable;
  for (int i = 0; i < kClassifyScan && reader.next(line); ++i) {
    if (const int32_t kind = kindOfTag(line); kind != kKindUnusable) {
      return kind;
    }
    if (fallback == kKindUnusable) {
      if (lineStartsWithTag(line, "<gml:pos>")) {
        fallback = kKindOtherPoints;
      } else if (line.find("<gml:posList>") != std::string_view::npos) {
        fallback = kKindOtherLines;
      }
    }
  }
  return fallback;
}

uint32_t gsiKindColour(int32_t kind) {
  if (kind == 201) {
    return kColourLightGrey;
  }
  if ((kind >= 205 && kind <= 209) || kind == 303 || kind == 304) {
    return kColourBlue;
  }
  if (kind == 215) {
    return kColourLightRed;
  }
  if (kind == 305) {
    return kColourLightBlue;
  }
  return kColourWhite;
}

bool readGsiVector(OverlayStore& store, const LineReadContext& context,
                   const std::filesystem::path& path) {
  if (store.groupCount() >= kMaxLayers) {
    return false;
  }
  const int32_t kind = classifyGsiFile(path);
  const uint32_t colour = gsiKindColour(kind);
  LayerAppender layer(store, context);
  if (kind == kKindUnusable || kind == kKindDem) {
    if (context.reason != nullptr) {
      *context.reason =
          kind == kKindDem ? "a GSI DEM, not line/point data" : "not a GSI vector file";
    }
    return false;
  }
  if (!layer.begin(kind, colour)) {
    return false;
  }
  if (kind >= 200 && kind < 400) {
    return readGsiLines(layer, path, colour);
  }
  if (kind >= 100 && kind < 200) {
    return readGsiPoints(layer, path, colour);
  }
  return false;
}

}  // namespace torvane
