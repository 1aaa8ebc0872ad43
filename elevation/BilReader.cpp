// Reader of band-interleaved-by-line rasters (.bil): signed 16-bit samples in feet, one band,
// rows from north to south, with a text header of the same name (.hdr).
//
// The header's size keys are read by line position: line 3 holds NROWS and line 4 NCOLS, each as
// "KEY VALUE" with the key in capitals, or the value stays 0. The corner and spacing keys ULXMAP,
// ULYMAP, XDIM and YDIM are matched without regard to case (writers spell them either way) on
// lines 11 to 14, or, when a key is not on its line, on the first line that holds it: common
// tools write them one line earlier. BYTEORDER, NBITS, NBANDS and PIXELTYPE count on any line:
// samples are big-endian unless BYTEORDER says I (little-endian), and a file whose samples are
// not single-band 16-bit integers is refused rather than misread.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
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
  bool littleEndian = false;
  bool unreadableSamples = false;  //!< not one band of 16-bit integers, or an unknown byte order

  double west() const { return ulxmap; }
  double north() const { return ulymap; }
  double east() const { return ulxmap + xdim * static_cast<double>(columns - 1); }
  double south() const { return ulymap - ydim * static_cast<double>(rows - 1); }

  bool valid() const {
    if (unreadableSamples || columns < 2 || rows < 2 || columns > UINT32_MAX || rows > UINT32_MAX) {
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

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A header value found by key: the first line that holds the key, unless `line` (when nonzero)
// holds it too.
struct KeyedValue {
  explicit KeyedValue(std::string_view k, int l = 0) : key(k), line(l) {}

  std::string_view key;
  int line = 0;
  std::string text;
  bool found = false;
  bool onItsLine = false;

  void offer(std::string_view k, std::string_view value, int lineNumber) {
    if (!equalsIgnoringCase(k, key) || onItsLine) {
      return;
    }
    if (lineNumber == line || !found) {
      text.assign(value);
      found = true;
      onItsLine = lineNumber == line;
    }
  }
};

bool readHeader(const std::filesystem::path& bil, BilHeader& h) {
  TextLineReader in;
  if (!in.open(headerPath(bil))) {
    return false;
  }
  KeyedValue ulxmap{"ulxmap", 11}, ulymap{"ulymap", 12}, xdim{"xdim", 13}, ydim{"ydim", 14};
  KeyedValue byteOrder{"BYTEORDER"}, bits{"NBITS"}, bands{"NBANDS"}, pixelType{"PIXELTYPE"};
  std::string_view line, key, value;
  int lineNumber = 0;
  while (in.next(line)) {
    ++lineNumber;
    twoWords(line, key, value);
    int64_t v = 0;
    if (lineNumber == 3 && key == "NROWS" && parseInteger(value, v)) {
      h.rows = v;
    } else if (lineNumber == 4 && key == "NCOLS" && parseInteger(value, v)) {
      h.columns = v;
    }
    for (KeyedValue* k : {&ulxmap, &ulymap, &xdim, &ydim, &byteOrder, &bits, &bands, &pixelType}) {
      k->offer(key, value, lineNumber);
    }
  }
  h.ulxmap = ulxmap.found ? parseDouble(ulxmap.text) : 0;
  h.ulymap = ulymap.found ? parseDouble(ulymap.text) : 0;
  h.xdim = xdim.found ? parseDouble(xdim.text) : 0;
  h.ydim = ydim.found ? parseDouble(ydim.text) : 0;
  if (byteOrder.found) {
    const bool little =
        equalsIgnoringCase(byteOrder.text, "I") || equalsIgnoringCase(byteOrder.text, "LSBFIRST");
    const bool big =
        equalsIgnoringCase(byteOrder.text, "M") || equalsIgnoringCase(byteOrder.text, "MSBFIRST");
    h.littleEndian = little;
    h.unreadableSamples = h.unreadableSamples || (!little && !big);
  }
  int64_t n = 0;
  if (bits.found && !(parseInteger(bits.text, n) && n == 16)) {
    h.unreadableSamples = true;
  }
  if (bands.found && !(parseInteger(bands.text, n) && n == 1)) {
    h.unreadableSamples = true;
  }
  if (pixelType.found && equalsIgnoringCase(pixelType.text, "FLOAT")) {
    h.unreadableSamples = true;
  }
  // A header written without a no-data value ends after YDIM on line 13; one that names all
  // four corner and spacing keys is complete however short.
  const bool complete =
      lineNumber >= 14 || (ulxmap.found && ulymap.found && xdim.found && ydim.found);
  return complete && !in.failed() && h.valid();
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
      [little = h.littleEndian](const unsigned char* p) {
        const uint16_t bits = little ? static_cast<uint16_t>(p[1] << 8 | p[0])
                                     : static_cast<uint16_t>(p[0] << 8 | p[1]);
        const auto sample = static_cast<int16_t>(bits);
        const double metres = sample * kFeetToMetres;
        return metres < 0 ? 0.0 : metres;
      },
      progress);
}

}  // namespace torvane
