#include "bench/BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace torvane::bench {

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double cpuSeconds() {
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  auto sum = [](const rusage& u) {
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  return sum(self) + sum(children);
}

uint64_t totalBytes(const std::vector<fs::path>& paths) {
  uint64_t n = 0;
  for (const fs::path& p : paths) {
    n += fs::file_size(p);
  }
  return n;
}

double readAll(const std::vector<fs::path>& paths, size_t bufferBytes) {
  std::vector<char> buffer(bufferBytes);
  const auto t0 = Clock::now();
  size_t total = 0;
  for (const fs::path& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0) {
      continue;
    }
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
      total += static_cast<size_t>(n);
    }
    ::close(fd);
  }
  const auto t1 = Clock::now();
  if (total == 0) {
    std::abort();
  }
  return seconds(t0, t1);
}

void dropCache(const std::vector<fs::path>& paths) {
  for (const fs::path& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd >= 0) {
      ::fdatasync(fd);
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      ::close(fd);
    }
  }
}

fixtures::DemTile tenMetreTile(int row, int col) {
  fixtures::Landscape land;
  land.lon0 = 139.25;
  land.lat0 = 35.125;
  land.radius = 0.09;
  land.peak = 2200;
  fixtures::DemTile t;
  t.columns = 1125;
  t.rows = 750;
  t.lonSW = 139.0 + col * 0.125;
  t.latSW = 35.0 + row / 12.0;
  t.lonNE = t.lonSW + 0.125;
  t.latNE = t.latSW + 1 / 12.0;
  t.type = "10mメッシュ（標高）";
  t.heights = fixtures::sampleHeights(t, land);
  return t;
}

std::string tileName(int row, int col) {
  return "tile-" + std::to_string(row) + std::to_string(col);
}

std::vector<fs::path> writeTenMetreTiles(const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<fs::path> paths;
  for (int row = 0; row < kTileGridRows; ++row) {
    for (int col = 0; col < kTileGridColumns; ++col) {
      const fs::path path = folder / (tileName(row, col) + ".xml");
      paths.push_back(path);
      if (!fs::exists(path)) {
        fixtures::writeDemXml(path, tenMetreTile(row, col));
      }
    }
  }
  return paths;
}

void appendVolcanoNodes(ElevationGrid& grid, uint32_t side, double ripple, double offset) {
  const double c = side / 2.0;
  for (uint32_t r = 0; r < side; ++r) {
    for (uint32_t k = 0; k < side; ++k) {
      const double dx = k - c, dy = r - c;
      const double d = std::sqrt(dx * dx + dy * dy) / side;
      const double h =
          1500 * std::exp(-d * d * 12) + ripple * std::sin(k * 0.05) * std::cos(r * 0.04);
      grid.appendNode(k * 10.0, (side - 1 - r) * 10.0, std::max(h + offset, 0.0), 0, 0);
    }
  }
}

fixtures::DemTile mosaicTile(int row, int col) {
  fixtures::DemTile t;
  t.columns = kMosaicColumns;
  t.rows = kMosaicRows;
  t.lonSW = 139.0 + col * 0.125;
  t.latSW = 35.0 + row / 12.0;
  t.lonNE = t.lonSW + 0.125;
  t.latNE = t.latSW + 1 / 12.0;
  t.type = "10mメッシュ（標高）";
  return t;
}

fixtures::Landscape mosaicLandscape() {
  fixtures::Landscape land;
  land.lon0 = 139.25;
  land.lat0 = 35.17;
  land.radius = 0.12;
  land.peak = 2200;
  return land;
}

MosaicHeights makeMosaicHeights() {
  MosaicHeights t;
  const auto land = mosaicLandscape();
  for (int row = kMosaicTileRows - 1; row >= 0; --row) {
    for (int col = 0; col < kMosaicTileColumns; ++col) {
      std::vector<double> h = fixtures::sampleHeights(mosaicTile(row, col), land);
      for (double& v : h) {
        v = std::max(v, 0.0);  // no-data sea reads as height 0
      }
      t.heights.push_back(std::move(h));
    }
  }
  return t;
}

// The grid an open of the tiles gives, built in memory: nodes in a local plane (metres).
void buildMosaicGrid(ElevationGrid& g, const MosaicHeights& tiles) {
  const double metresPerLon = 111320 * std::cos(35.17 * 3.141592653589793 / 180);
  const double metresPerLat = 110940;
  uint64_t total = 0;
  int k = 0;
  for (int row = kMosaicTileRows - 1; row >= 0; --row) {
    for (int col = 0; col < kMosaicTileColumns; ++col, ++k) {
      const auto t = mosaicTile(row, col);
      g.recordGeographicFile("tile.xml", kMosaicColumns, kMosaicRows, t.lonSW, t.lonNE, t.latSW,
                             t.latNE);
      g.files.back().sampledColumns = kMosaicColumns;
      g.files.back().sampledRows = kMosaicRows;
      total += uint64_t{kMosaicColumns} * kMosaicRows;
    }
  }
  g.allocateGrid(total);
  k = 0;
  for (int row = kMosaicTileRows - 1; row >= 0; --row) {
    for (int col = 0; col < kMosaicTileColumns; ++col, ++k) {
      const auto t = mosaicTile(row, col);
      for (int r = 0; r < kMosaicRows; ++r) {
        const double lat = t.latNE - (t.latNE - t.latSW) * r / kMosaicRows;
        for (int c = 0; c < kMosaicColumns; ++c) {
          const double lon = t.lonSW + (t.lonNE - t.lonSW) * c / kMosaicColumns;
          g.appendNode(
              (lon - 139.25) * metresPerLon, (lat - 35.17) * metresPerLat,
              tiles.heights[static_cast<size_t>(k)][static_cast<size_t>(r * kMosaicColumns + c)],
              lon, lat);
        }
      }
    }
  }
  g.computeExtents();
}

// The same heights as one float32 BIL mosaic of 4500 x 3000 cells with its header.
void writeMosaicBil(const fs::path& bil, const MosaicHeights& tiles) {
  const int width = kMosaicColumns * kMosaicTileColumns, height = kMosaicRows * kMosaicTileRows;
  std::vector<float> cells(static_cast<size_t>(width) * height);
  for (int tr = 0; tr < kMosaicTileRows; ++tr) {  // from the north
    for (int tc = 0; tc < kMosaicTileColumns; ++tc) {
      const auto& h = tiles.heights[static_cast<size_t>(tr * kMosaicTileColumns + tc)];
      for (int r = 0; r < kMosaicRows; ++r) {
        for (int c = 0; c < kMosaicColumns; ++c) {
          cells[static_cast<size_t>(tr * kMosaicRows + r) * width + tc * kMosaicColumns + c] =
              static_cast<float>(h[static_cast<size_t>(r * kMosaicColumns + c)]);
        }
      }
    }
  }
  std::ofstream(bil, std::ios::binary)
      .write(reinterpret_cast<const char*>(cells.data()),
             static_cast<std::streamsize>(cells.size() * sizeof(float)));
  fs::path hdr = bil;
  hdr.replace_extension(".hdr");
  std::ofstream(hdr) << "BYTEORDER I\nLAYOUT BIL\nNROWS " << height << "\nNCOLS " << width
                     << "\nNBANDS 1\nNBITS 32\nPIXELTYPE FLOAT\nULXMAP 5\nULYMAP 30000\n"
                        "XDIM 10.13\nYDIM 12.33\n";
}

}  // namespace torvane::bench
