// Reader of band-interleaved-by-line rasters (.bil): signed 16-bit big-endian samples in feet,
// one band, rows from north to south, with a text header of the same name (.hdr).
//
// The header is read by line position, not by key: line 3 holds NROWS, line 4 NCOLS and lines
// 11 to 14 ulxmap, ulymap, xdim and ydim, each as "KEY VALUE". A key must match exactly, case
// included, or its value stays 0. Other lines (byte order, bit depth, no-data value) are not
// read.

#include <cmath>
#include <system_error>

#include "elevation/BinaryFile.h"
#include "elevation/NumberParse.h"
#include "elevation/Readers.h"
#include "elevation/SampleGrid.h"
#include "elevation/TextLineReader.h"

namespace torvane {

namespace {

constexpr double kFeetToMetres = 0.30480061;

struct BilHeader {
  int64_t rows = 0, columns = 0;
  double ulxmap = 0, ulymap = 0, xdim = 0, ydim = 0;

  double west() const { return ulxmap; }
  double north() const { return ulymap; }
  double east() const { return ulxmap + xdim * static_cast<double>(columns - 1); }
  double south() const { return ulymap - ydim * static_cast<double>(rows - 1); }

  bool valid() const {
    if (columns < 2 || rows < 2 || columns > UINT32_MAX || rows > UINT32_MAX) {
      return false;
    }
    if (!(xdim > 0) || !(ydim > 0)) {
      return false;
    }
    return plausibleCorners(west(), east(), south(), north()) && east() > west() &&
           north() > south();
  }
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first two whitespace-separated words of a line, as "%s %s" reads them.
void twoWords(std::string_view line, std::string_view& key, std::string_view& value) {
  auto word = [&](size_t& i) {
    while (i < line.size() && isSpace(line[i])) {
      ++i;
    }
    const size_t start = i;
    while (i < line.size() && !isSpace(line[i])) {
      ++i;
    }
    return line.substr(start, i - start);
  };
  size_t i = 0;
  key = word(i);
  value = word(i);
}

// The header beside the data file: the same name with .hdr (or .HDR, as files copied from
// systems that upper-case names carry it).
std::filesystem::path headerPath(const std::filesystem::path& bil) {
  std::filesystem::path hdr = bil;
  hdr.replace_extension(".hdr");
  std::error_code ec;
  if (!std::filesystem::exists(hdr, ec)) {
    std::filesystem::path upper = bil;
    upper.replace_extension(".HDR");
    if (std::filesystem::exists(upper, ec)) {
      return upper;
    }
  }
  return hdr;
}

bool readHeader(const std::filesystem::path& bil, BilHeader& h) {
  TextLineReader in;
  if (!in.open(headerPath(bil))) {
    return false;
  }
  std::string_view line, key, value;
  int lineNumber = 0;
  while (lineNumber < 14 && in.next(line)) {
    ++lineNumber;
    twoWords(line, key, value);
    auto integer = [&](std::string_view name, int64_t& out) {
      int64_t v = 0;
      if (key == name && parseInteger(value, v)) {
        out = v;
      }
    };
    auto number = [&](std::string_view name, double& out) {
      if (key == name) {
        out = parseDouble(value);
      }
    };
    switch (lineNumber) {
      case 3: integer("NROWS", h.rows); break;
      case 4: integer("NCOLS", h.columns); break;
      case 11: number("ulxmap", h.ulxmap); break;
      case 12: number("ulymap", h.ulymap); break;
      case 13: number("xdim", h.xdim); break;
      case 14: number("ydim", h.ydim); break;
      default: break;
    }
  }
  return lineNumber == 14 && h.valid();
}

}  // namespace

bool listBil(ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return false;
  }
  BilHeader h;
  if (!readHeader(path, h)) {
    return false;
  }
  return grid.recordGeographicFile(path, static_cast<uint32_t>(h.columns),
                                   static_cast<uint32_t>(h.rows), h.west(), h.east(), h.south(),
                                   h.north());
}

bool readBil(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress) {
  if (sink.size() == 0 || sink.full() || step == 0) {
    return false;
  }
  BilHeader h;
  BinaryFile file;
  if (!readHeader(path, h) || !file.open(path)) {
    return false;
  }
  const SampleBlock block{static_cast<uint64_t>(h.columns), static_cast<uint64_t>(h.rows), 0, 2};
  return readSampleBlock(
      sink, file, block, step,
      [&](uint64_t j) { return h.ulxmap + static_cast<double>(j) * h.xdim; },
      [&](uint64_t i) { return h.ulymap - static_cast<double>(i) * h.ydim; },
      [](const unsigned char* p) {
        const auto sample = static_cast<int16_t>(static_cast<uint16_t>(p[0] << 8 | p[1]));
        const double metres = sample * kFeetToMetres;
        return metres < 0 ? 0.0 : metres;
      },
      progress);
}

}  // namespace torvane
