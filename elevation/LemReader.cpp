// Reader of GSI mesh elevation data in LEM form: a fixed-width text grid (.lem) of heights in
// decimetres, with its size, extent and plane-coordinate zone in a comma-separated header (.csv).
//
// The nodes are in the plane coordinates of one zone of the Plane Rectangular Coordinate System
// and are stored without projection; they carry no latitude or longitude.

#include <cmath>
#include <system_error>

#include "elevation/NumberParse.h"
#include "elevation/Readers.h"
#include "elevation/TextLineReader.h"

namespace torvane {

namespace {

constexpr size_t kRowPrefix = 10;  // characters before the first field of a data line
constexpr size_t kFieldWidth = 5;

struct LemHeader {
  int64_t columns = 0, rows = 0;
  int64_t zone = 0;
  double south = 0, west = 0, north = 0, east = 0;  // metres

  double dX() const { return (east - west) / static_cast<double>(columns - 1); }
  double dY() const { return (north - south) / static_cast<double>(rows - 1); }

  bool valid() const {
    if (columns < 2 || rows < 2 || columns > UINT32_MAX || rows > UINT32_MAX) {
      return false;
    }
    // The zone places the data; one outside the national zones 1..19 cannot be used.
    if (zone < 1 || zone > 19) {
      return false;
    }
    const double dx = dX(), dy = dY();
    return std::isfinite(west) && std::isfinite(north) && std::isfinite(dx) && std::isfinite(dy) &&
           dx > 0 && dy > 0;
  }
};

//! Header line numbers (1-based) of the two layouts.
struct LemLayout {
  int columns, rows, zone, south, west, north, east;
};
constexpr LemLayout kLayoutA{5, 6, 22, 23, 24, 25, 26};
constexpr LemLayout kLayoutB{3, 4, 17, 18, 19, 20, 21};

bool endsWithLem(const std::filesystem::path& folder) {
  const std::string s = folder.string();
  return s.size() >= 3 && s.compare(s.size() - 3, 3, "LEM") == 0;
}

std::filesystem::path withExtension(std::filesystem::path p, const char* ext) {
  p.replace_extension(ext);
  return p;
}

// The header beside the data (.csv, or .CSV as upper-cased copies name it) or, failing that,
// under the same name in the folder HEADER next to the data's folder: a/b/LEM/x.lem has its
// header in a/b/LEM/x.csv or a/b/HEADER/x.csv.
std::filesystem::path headerPath(const std::filesystem::path& lem) {
  std::error_code ec;
  for (const char* ext : {".csv", ".CSV"}) {
    std::filesystem::path csv = withExtension(lem, ext);
    if (std::filesystem::exists(csv, ec)) {
      return csv;
    }
  }
  const std::filesystem::path csv = withExtension(lem, ".csv");
  return csv.parent_path().parent_path() / "HEADER" / csv.filename();
}

// Reads the header by the layout that the data's folder selects. Every used line must exist
// and hold a comma; the value is the text after the first comma.
bool readHeader(const std::filesystem::path& lem, LemHeader& h) {
  const LemLayout& layout = endsWithLem(lem.parent_path()) ? kLayoutA : kLayoutB;
  TextLineReader in;
  if (!in.open(headerPath(lem))) {
    return false;
  }
  const int last = layout.east;  // the highest used line in both layouts
  std::string_view line;
  for (int n = 1; n <= last; ++n) {
    if (!in.next(line)) {
      return false;
    }
    const bool used = n == layout.columns || n == layout.rows || n == layout.zone ||
                      n == layout.south || n == layout.west || n == layout.north ||
                      n == layout.east;
    if (!used) {
      continue;
    }
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
      return false;
    }
    const std::string_view value = line.substr(comma + 1);
    int64_t integer = 0;
    if (n == layout.columns || n == layout.rows || n == layout.zone) {
      if (!parseInteger(value, integer)) {
        integer = 0;
      }
    }
    if (n == layout.columns) {
      h.columns = integer;
    } else if (n == layout.rows) {
      h.rows = integer;
    } else if (n == layout.zone) {
      h.zone = integer;
    } else {
      const double metres = parseDouble(value) / 100;  // the header holds centimetres
      if (n == layout.south) {
        h.south = metres;
      } else if (n == layout.west) {
        h.west = metres;
      } else if (n == layout.north) {
        h.north = metres;
      } else {
        h.east = metres;
      }
    }
  }
  return h.valid();
}

// Height of one 5-character field in metres: as many characters as form an integer, in
// decimetres; negative values (no-data markers) become 0.
double fieldHeight(std::string_view field) {
  int64_t v = 0;
  if (!parseInteger(field, v) || v < 0) {
    return 0.0;
  }
  return static_cast<double>(v) / 10;
}

}  // namespace

bool listLem(ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return false;
  }
  LemHeader h;
  if (!readHeader(path, h)) {
    return false;
  }
  // Every LEM file of an open lies in one zone: the first accepted file chooses it.
  if (grid.planeZone == 0) {
    grid.planeZone = static_cast<int>(h.zone);
  } else if (grid.planeZone != h.zone) {
    return false;
  }
  return grid.recordFile(path, static_cast<uint32_t>(h.columns), static_cast<uint32_t>(h.rows));
}

bool readLem(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress) {
  if (sink.size() == 0 || sink.full() || step == 0) {
    return false;
  }
  LemHeader h;
  if (!readHeader(path, h)) {
    return false;
  }
  // The zone of the open is fixed before the second pass (see openLemFiles), so that files read
  // on several threads all check against the same value; 0 means no zone is known yet.
  const int zone = sink.grid().planeZone;
  if (zone != 0 && zone != h.zone) {
    return false;
  }
  const uint64_t columns = static_cast<uint64_t>(h.columns);
  const uint64_t rows = static_cast<uint64_t>(h.rows);
  if (sampledCount(columns, step) * sampledCount(rows, step) != sink.size() - sink.written()) {
    return false;  // the header changed since the first pass
  }
  TextLineReader in;
  if (!in.open(path)) {
    return false;
  }
  const double dX = h.dX();
  const double dY = h.dY();
  // A line holds the prefix and one field per column; its line end counts towards the length,
  // as it does in a line buffer. Beyond the buffer's length no line can be long enough.
  const uint64_t needed = kRowPrefix + kFieldWidth * columns;
  std::string_view line;
  for (uint64_t i = 0; i < rows; ++i) {
    const uint64_t before = in.bytesConsumed();
    if (!in.next(line)) {
      return false;
    }
    const bool hadLineEnd = in.bytesConsumed() - before > line.size();
    if (line.size() + (hadLineEnd ? 1 : 0) < needed) {
      return false;
    }
    if (isKept(i, rows, step)) {
      const double Y = h.north - static_cast<double>(i) * dY;
      for (uint64_t j = 0; j < columns; j = nextKept(j, columns, step)) {
        const size_t at = kRowPrefix + kFieldWidth * static_cast<size_t>(j);
        const std::string_view field = at < line.size() ? line.substr(at, kFieldWidth) : "";
        sink.append(h.west + static_cast<double>(j) * dX, Y, fieldHeight(field), 0.0, 0.0);
      }
    }
    if (progress && (i + 1) % 64 == 0) {
      progress(i + 1, rows);
    }
  }
  if (progress) {
    progress(rows, rows);
  }
  return true;
}

}  // namespace torvane
