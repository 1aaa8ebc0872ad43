#include "bench/BenchSupport.h"

#include <algorithm>
#include <cmath>
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

}  // namespace torvane::bench
