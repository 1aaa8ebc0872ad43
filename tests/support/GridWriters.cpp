#include "tests/support/GridWriters.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace torvane::fixtures {

namespace {
std::string number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return buf;
}
}  // namespace

bool writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string bilHeaderText(const BilTile& t) {
  const char* eol = t.crlf ? "\r\n" : "\n";
  const std::string rowBytes = std::to_string(t.columns * 2);
  const std::string lines[] = {
      "BYTEORDER      M",
      "LAYOUT         BIL",
      "NROWS          " + std::to_string(t.rows),
      "NCOLS          " + std::to_string(t.columns),
      "NBANDS         1",
      "NBITS          16",
      "BANDROWBYTES   " + rowBytes,
      "TOTALROWBYTES  " + rowBytes,
      "BANDGAPBYTES   0",
      "NODATA         -9999",
      "ulxmap         " + number(t.ulxmap),
      "ulymap         " + number(t.ulymap),
      "xdim           " + number(t.xdim),
      "ydim           " + number(t.ydim),
  };
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += eol;
  }
  return out;
}

std::string bilData(const BilTile& t) {
  const size_t n = static_cast<size_t>(t.columns) * static_cast<size_t>(t.rows);
  std::string out(n * 2, '\0');
  for (size_t i = 0; i < n && i < t.samples.size(); ++i) {
    const auto v = static_cast<uint16_t>(t.samples[i]);
    out[2 * i] = static_cast<char>(v >> 8);
    out[2 * i + 1] = static_cast<char>(v & 0xFF);
  }
  return out;
}

bool writeBil(const std::filesystem::path& path, const BilTile& tile) {
  std::filesystem::path hdr = path;
  hdr.replace_extension(".hdr");
  return writeBytes(path, bilData(tile)) && writeBytes(hdr, bilHeaderText(tile));
}

std::string lemHeaderText(const LemTile& t, bool layoutA) {
  // Line numbers of columns, rows, zone, south, west, north, east in each layout.
  const int a[] = {5, 6, 22, 23, 24, 25, 26};
  const int b[] = {3, 4, 17, 18, 19, 20, 21};
  const int* at = layoutA ? a : b;
  auto cm = [](double metres) { return number(std::round(metres * 100)); };
  const std::string values[] = {std::to_string(t.columns),
                                std::to_string(t.rows),
                                std::to_string(t.zone),
                                cm(t.south),
                                cm(t.west),
                                cm(t.north),
                                cm(t.east)};
  const char* names[] = {"東西方向の点数", "南北方向の点数", "座標系番号",   "区画左下X座標",
                         "区画左下Y座標",  "区画右上X座標",  "区画右上Y座標"};
  const char* eol = t.crlf ? "\r\n" : "\n";
  std::string out;
  for (int line = 1; line <= at[6]; ++line) {
    std::string text = "項目" + std::to_string(line) + ",0";
    for (int k = 0; k < 7; ++k) {
      if (at[k] == line) {
        text = std::string(names[k]) + "," + values[k];
      }
    }
    out += text;
    out += eol;
  }
  return out;
}

std::string lemText(const LemTile& t) {
  const char* eol = t.crlf ? "\r\n" : "\n";
  std::string out;
  for (int i = 0; i < t.rows; ++i) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%06d%04d", 533945, i % 10000);
    out += prefix;
    for (int j = 0; j < t.columns; ++j) {
      const size_t k =
          static_cast<size_t>(i) * static_cast<size_t>(t.columns) + static_cast<size_t>(j);
      const int v = k < t.decimetres.size() ? t.decimetres[k] : -9999;
      char field[16];
      std::snprintf(field, sizeof field, "%5d", v);
      out.append(field, 5);
    }
    out += eol;
  }
  return out;
}

bool writeLem(const std::filesystem::path& lemPath, const std::filesystem::path& csvPath,
              const LemTile& tile, bool layoutA) {
  return writeBytes(lemPath, lemText(tile)) && writeBytes(csvPath, lemHeaderText(tile, layoutA));
}

}  // namespace torvane::fixtures
