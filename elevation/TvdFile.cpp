#include "elevation/TvdFile.h"

#include <memory>

#include "elevation/AtomicFile.h"
#include "elevation/BinaryFile.h"
#include "elevation/Readers.h"
#include "elevation/SampleGrid.h"

namespace torvane {

bool TvdHeader::valid() const {
  if (columns < 2 || rows < 2 || !plausibleCorners(west, east, south, north)) {
    return false;
  }
  return dLon() > 0 && dLat() > 0;
}

void encodeTvdHeader(const TvdHeader& h, unsigned char out[kTvdHeaderSize]) {
  storeLE32(out, h.columns);
  storeLE32(out + 4, h.rows);
  storeDoubleLE(out + 8, h.south);
  storeDoubleLE(out + 16, h.west);
  storeDoubleLE(out + 24, h.north);
  storeDoubleLE(out + 32, h.east);
}

TvdHeader decodeTvdHeader(const unsigned char in[kTvdHeaderSize]) {
  TvdHeader h;
  h.columns = loadLE32(in);
  h.rows = loadLE32(in + 4);
  h.south = loadDoubleLE(in + 8);
  h.west = loadDoubleLE(in + 16);
  h.north = loadDoubleLE(in + 24);
  h.east = loadDoubleLE(in + 32);
  return h;
}

namespace {

bool setError(std::string* error, std::string text) {
  if (error) {
    *error = std::move(text);
  }
  return false;
}

}  // namespace

bool writeTvd(const std::filesystem::path& path, const TvdHeader& header,
              std::span<const double> heights, std::string* error, const WriteGuard& guard) {
  if (!header.valid()) {
    return setError(error, "invalid grid header");
  }
  if (heights.size() != uint64_t{header.columns} * header.rows) {
    return setError(error, "height count does not match the grid size");
  }
  WriteError failure;
  const bool ok = writeFileAtomically(
      path,
      [&](AtomicFile& file) {
        unsigned char head[kTvdHeaderSize];
        encodeTvdHeader(header, head);
        bool written = file.write(head, sizeof head);
        unsigned char block[4096];
        size_t used = 0;
        for (size_t i = 0; written && i < heights.size(); ++i) {
          storeFloatLE(block + used, static_cast<float>(heights[i]));
          used += 4;
          if (used == sizeof block) {
            written = file.write(block, used);
            used = 0;
          }
        }
        return written && file.write(block, used);
      },
      guard, &failure);
  return ok || setError(error, failure.message());
}

ConvertStatus convertToTvd(const std::filesystem::path& source, const std::filesystem::path& target,
                           std::string& error, uint64_t maxNodes) {
  // The target must not be the source, in any spelling: refused before the work.
  const WriteGuard guard{std::span<const std::filesystem::path>(&source, 1)};
  WriteError refused;
  if (!checkWriteTarget(target, guard, &refused)) {
    error = refused.message();
    return ConvertStatus::WriteFailed;
  }
  const ElevationReader* reader = readerForPath(source);
  if (!reader) {
    error = source.filename().string() + ": not a latitude/longitude grid (.xml, .bil, .tvd)";
    return ConvertStatus::NotGeographic;
  }
  ElevationGrid grid;
  if (!reader->list(grid, source)) {
    error = source.filename().string() + ": no valid elevation data";
    return ConvertStatus::NoValidData;
  }
  GridFile& f = grid.files[0];
  const uint64_t n = uint64_t{f.columns} * f.rows;
  if (n > maxNodes) {
    error = source.filename().string() + ": " + std::to_string(f.columns) + " x " +
            std::to_string(f.rows) + " nodes is too large to convert at full resolution";
    return ConvertStatus::TooLarge;
  }
  f.sampledColumns = f.columns;
  f.sampledRows = f.rows;
  if (!grid.allocateGrid(n)) {
    error = source.filename().string() + ": out of memory";
    return ConvertStatus::TooLarge;
  }
  NodeSink sink(grid, 0, n);
  if (!reader->read(sink, source, 1, {}) || sink.written() != n) {
    error = source.filename().string() + ": the data could not be read";
    return ConvertStatus::NoValidData;
  }
  TvdHeader h;
  h.columns = f.columns;
  h.rows = f.rows;
  h.west = grid.lonMin;
  h.east = grid.lonMax;
  h.south = grid.latMin;
  h.north = grid.latMax;
  std::string why;
  if (!writeTvd(target, h, std::span<const double>(grid.H.get(), n), &why, guard)) {
    error = why;
    return ConvertStatus::WriteFailed;
  }
  return ConvertStatus::Written;
}

}  // namespace torvane
