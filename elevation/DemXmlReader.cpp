// GSI DEM XML (JPGIS GML) reader.
//
// The file is read as text line by line, not parsed as XML: GSI files are tens of megabytes of
// "label,height" tuple lines, and only a handful of header tags matter. A tag counts when it
// begins a line after any leading spaces and tabs (GSI indents its header with tabs).

#include <cmath>
#include <memory>
#include <string_view>

#include "elevation/Geodesy.h"
#include "elevation/NumberParse.h"
#include "elevation/Readers.h"
#include "elevation/TextLineReader.h"

namespace torvane {

namespace {

constexpr std::string_view kDem = "<DEM";
constexpr std::string_view kLowerCorner = "<gml:lowerCorner>";
constexpr std::string_view kUpperCorner = "<gml:upperCorner>";
constexpr std::string_view kHigh = "<gml:high>";
constexpr std::string_view kTupleList = "<gml:tupleList>";
constexpr std::string_view kTupleListEnd = "</gml:tupleList>";
constexpr std::string_view kStartPoint = "<gml:startPoint>";

// GSI's largest DEM tiles hold 1125 x 750 nodes. A header declaring more than 100 million nodes
// is junk: accepting it would make the plan thin every other file of the open down to nothing
// and fill the grid with nodes that no tuple supplies.
constexpr int64_t kMaxDeclaredNodes = 100'000'000;

struct DemHeader {
  double latSW = 0, lonSW = 0, latNE = 0, lonNE = 0;
  int64_t columns = 0, rows = 0;

  double dLon() const { return (lonNE - lonSW) / static_cast<double>(columns - 1); }
  double dLat() const { return (latNE - latSW) / static_cast<double>(rows - 1); }

  bool valid() const {
    if (columns <= 1 || rows <= 1 || columns > kMaxDeclaredNodes || rows > kMaxDeclaredNodes ||
        columns * rows > kMaxDeclaredNodes) {
      return false;
    }
    if (!std::isfinite(latSW) || !std::isfinite(lonSW) || !std::isfinite(latNE) ||
        !std::isfinite(lonNE)) {
      return false;
    }
    return dLon() > 0 && dLat() > 0;
  }
};

// "%lf %lf": each value is assigned only when it converts, as scanf does.
void parsePair(std::string_view text, double& first, double& second) {
  size_t used = 0;
  const double a = parseDouble(text, &used);
  if (used == 0) {
    return;
  }
  first = a;
  size_t used2 = 0;
  const double b = parseDouble(text.substr(used), &used2);
  if (used2 > 0) {
    second = b;
  }
}

// "%d %d" for the grid envelope: the highest indices. Values outside 32-bit signed range are
// treated as not converted (the header is then rejected by its size checks).
void parseIndexPair(std::string_view text, int64_t& first, int64_t& second) {
  int64_t a = 0, b = 0;
  size_t used = 0;
  if (!parseInteger(text, a, &used) || a < INT32_MIN || a > INT32_MAX) {
    return;
  }
  first = a;
  size_t used2 = 0;
  if (parseInteger(text.substr(used), b, &used2) && b >= INT32_MIN && b <= INT32_MAX) {
    second = b;
  }
}

// Reads lines until 12 have been read; the 12th must begin (after blanks) with <DEM.
bool recognise(TextLineReader& in) {
  std::string_view line;
  bool have = false;
  for (int i = 0; i < 12; ++i) {
    if (!in.next(line)) {
      return false;
    }
    have = true;
  }
  return have && lineStartsWithTag(line, kDem);
}

// Reads header lines up to and including the <gml:tupleList> line (or the end of the file).
void readHeader(TextLineReader& in, DemHeader& h) {
  std::string_view line, rest;
  while (in.next(line)) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '<') {
      continue;
    }
    if (lineStartsWithTag(line, kTupleList)) {
      return;
    }
    if (lineStartsWithTag(line, kLowerCorner, &rest)) {
      parsePair(rest, h.latSW, h.lonSW);
    } else if (lineStartsWithTag(line, kUpperCorner, &rest)) {
      parsePair(rest, h.latNE, h.lonNE);
    } else if (lineStartsWithTag(line, kHigh, &rest)) {
      int64_t c = h.columns - 1, r = h.rows - 1;
      parseIndexPair(rest, c, r);
      h.columns = c + 1;
      h.rows = r + 1;
    }
  }
}

// Height of one tuple line: the number after the first comma, 0 when negative or not finite.
// Returns false when the line ends the list (end tag, or no comma).
inline bool tupleValue(std::string_view line, double& value) {
  if (!line.empty() && (line[0] == '<' || line[0] == ' ' || line[0] == '\t') &&
      lineStartsWithTag(line, kTupleListEnd)) {
    return false;
  }
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos) {
    return false;
  }
  const double v = parseDouble(line.substr(comma + 1));
  // Negative heights are no-data markers or depths; NaN and infinities are not heights at all.
  value = (v >= 0 && v <= 1e300) ? v : 0.0;
  return true;
}

// First kept index at or after i (n when none).
inline uint64_t keptAtOrAfter(uint64_t i, uint64_t n, uint64_t step) {
  if (i >= n) {
    return n;
  }
  return isKept(i, n, step) ? i : nextKept(i, n, step);
}

}  // namespace

bool listDemXml(ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return false;
  }
  TextLineReader in;
  if (!in.open(path) || !recognise(in)) {
    return false;
  }
  DemHeader h;
  readHeader(in, h);
  if (!h.valid() || in.failed()) {
    return false;
  }
  return grid.recordGeographicFile(path, static_cast<uint32_t>(h.columns),
                                   static_cast<uint32_t>(h.rows), h.lonSW, h.lonNE, h.latSW,
                                   h.latNE);
}

bool readDemXml(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
                const RowProgress& progress) {
  if (sink.size() == 0 || sink.full() || step == 0) {
    return false;
  }
  // A member of an archive is inflated once, here, for the scan below and the rewind.
  TextLineReader in;
  if (!in.open(path, TextLineReader::MemberAccess::Whole) || !recognise(in)) {
    return false;
  }
  int64_t startColumn = 0, startRow = 0;
  std::string_view line, rest;
  if (in.skipToLineWithTag(kStartPoint, line) && lineStartsWithTag(line, kStartPoint, &rest)) {
    parseIndexPair(rest, startColumn, startRow);
  }
  if (in.failed() || !in.rewind()) {
    return false;
  }
  DemHeader h;
  readHeader(in, h);
  if (!h.valid() || in.failed()) {
    return false;
  }
  const uint64_t columns = static_cast<uint64_t>(h.columns);
  const uint64_t rows = static_cast<uint64_t>(h.rows);
  const uint64_t W = sampledCount(columns, step);
  const uint64_t R = sampledCount(rows, step);
  if (W * R != sink.size() - sink.written()) {
    return false;  // the file changed since the first pass; the open's count check fails it
  }

  const ElevationGrid& grid = sink.grid();
  const GeoOrigin origin{degToRad((grid.latMin + grid.latMax) / 2),
                         degToRad((grid.lonMin + grid.lonMax) / 2)};
  const double dLon = h.dLon();
  const double dLat = h.dLat();

  // Longitudes of the kept columns, in order.
  std::unique_ptr<double[]> keptLon(new double[W]);
  std::unique_ptr<double[]> keptLambda(new double[W]);
  {
    uint64_t i = 0;
    for (uint64_t k = 0; k < columns; k = nextKept(k, columns, step)) {
      keptLon[i] = h.lonSW + static_cast<double>(k) * dLon;
      keptLambda[i] = degToRad(keptLon[i]);
      ++i;
    }
  }
  auto keptIndex = [&](uint64_t k) { return k + 1 == columns ? W - 1 : k / step; };

  bool more = true;
  const auto sr = startRow;
  const auto sc = startColumn;
  uint64_t j = 0;
  uint64_t lastReported = 0;
  while (j < rows) {
    const bool rowKept = isKept(j, rows, step);
    const double lat = h.latNE - static_cast<double>(j) * dLat;
    const bool reading = more && static_cast<int64_t>(j) >= sr;
    std::unique_ptr<RowProjector> proj;
    double phi = 0;
    if (rowKept) {
      phi = degToRad(lat);
      proj = std::make_unique<RowProjector>(origin, phi);
    }
    auto appendKept = [&](uint64_t k, double value) {
      double x, y;
      const uint64_t i = keptIndex(k);
      proj->project(keptLambda[i], x, y);
      sink.append(y, x, value, keptLon[i], lat);
    };

    if (!reading) {
      // No tuple belongs to this row: kept nodes get height 0, and rows in between are skipped.
      if (rowKept) {
        for (uint64_t k = 0; k < columns; k = nextKept(k, columns, step)) {
          appendKept(k, 0.0);
        }
      }
      uint64_t nj = nextKept(j, rows, step);
      if (more && static_cast<int64_t>(j) < sr && static_cast<uint64_t>(sr) < nj) {
        nj = static_cast<uint64_t>(sr);
      }
      j = nj;
      continue;
    }

    uint64_t kStart = 0;
    if (static_cast<int64_t>(j) == sr && sc > 0) {
      kStart = static_cast<uint64_t>(sc) < columns ? static_cast<uint64_t>(sc) : columns;
    }
    if (rowKept) {
      for (uint64_t k = 0; k < kStart; k = nextKept(k, columns, step)) {
        appendKept(k, 0.0);
      }
    }
    uint64_t k = kStart;
    // Every tuple line is consumed whether or not its node is kept.
    while (more && k < columns) {
      double value = 0.0;
      if (!in.next(line) || !tupleValue(line, value)) {
        if (in.failed()) {
          return false;  // a read error is no early end of the list: the open's count check fails
        }
        more = false;
        value = 0.0;
      }
      if (rowKept && isKept(k, columns, step)) {
        appendKept(k, value);
      }
      ++k;
    }
    if (rowKept) {
      for (k = keptAtOrAfter(k, columns, step); k < columns; k = nextKept(k, columns, step)) {
        appendKept(k, 0.0);
      }
    }
    ++j;
    if (progress && (j - lastReported >= 64 || j == rows)) {
      lastReported = j;
      progress(j, rows);
    }
  }
  if (progress) {
    progress(rows, rows);
  }
  return true;
}

}  // namespace torvane
