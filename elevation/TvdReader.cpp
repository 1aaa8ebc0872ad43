// Reader of the program's own binary grid (.tvd); the layout is described in TvdFile.h.

#include "elevation/BinaryFile.h"
#include "elevation/Readers.h"
#include "elevation/SampleGrid.h"
#include "elevation/TvdFile.h"

namespace torvane {

namespace {
bool readHeader(const BinaryFile& file, TvdHeader& header) {
  unsigned char head[kTvdHeaderSize];
  if (!file.readAt(0, head, sizeof head)) {
    return false;
  }
  header = decodeTvdHeader(head);
  return header.valid();
}
}  // namespace

bool listTvd(ElevationGrid& grid, const std::filesystem::path& path) {
  if (grid.fileCount >= kMaxFiles) {
    return false;
  }
  BinaryFile file;
  TvdHeader h;
  if (!file.open(path) || !readHeader(file, h)) {
    return false;
  }
  // A header that declares more heights than the file holds is still listed: the second pass
  // finds the shortfall and the open fails as a whole.
  return grid.recordGeographicFile(path, h.columns, h.rows, h.west, h.east, h.south, h.north);
}

bool readTvd(NodeSink& sink, const std::filesystem::path& path, uint64_t step,
             const RowProgress& progress) {
  if (sink.size() == 0 || sink.full() || step == 0) {
    return false;
  }
  BinaryFile file;
  TvdHeader h;
  if (!file.open(path) || !readHeader(file, h)) {
    return false;
  }
  const double dLon = h.dLon();
  const double dLat = h.dLat();
  const SampleBlock block{h.columns, h.rows, kTvdHeaderSize, 4};
  return readSampleBlock(
      sink, file, block, step, [&](uint64_t j) { return h.west + static_cast<double>(j) * dLon; },
      [&](uint64_t i) { return h.north - static_cast<double>(i) * dLat; },
      [](const unsigned char* p) { return storedHeight(loadFloatLE(p)); }, progress);
}

}  // namespace torvane
