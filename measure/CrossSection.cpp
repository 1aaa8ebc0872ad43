#include "measure/CrossSection.h"

#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "elevation/ElevationGrid.h"
#include "elevation/Geodesy.h"
#include "measure/Ruler.h"
#include "terrain/HeightSampling.h"

namespace torvane {

namespace {

void appendSample(CrossSection& cs, double X, double Y, double H, bool isVertex) {
  CrossSection::Sample s;
  s.X = X;
  s.Y = Y;
  s.H = H;
  s.isVertex = isVertex;
  const int i = static_cast<int>(cs.samples.size());
  if (i == 0) {
    cs.minH = cs.maxH = H;
    cs.minIndex = cs.maxIndex = 0;
  } else {
    // Strict comparisons: the first sample at an extreme keeps it.
    if (H < cs.minH) {
      cs.minH = H;
      cs.minIndex = i;
    }
    if (H > cs.maxH) {
      cs.maxH = H;
      cs.maxIndex = i;
    }
  }
  cs.samples.push_back(s);
}

// A pixel coordinate from a position that may lie far outside the image (a sea level far
// below the profile, say): truncated toward zero and clamped so that the conversion is always
// defined.
int toPixel(double v) {
  if (!(v == v)) {
    return 0;
  }
  return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

}  // namespace

void computeProfile(CrossSection& cs, const Ruler& ruler, int divisions, const HeightAt& heightAt) {
  cs.samples.clear();
  cs.samples.reserve(kMaxProfileSamples);
  cs.minH = cs.maxH = cs.planeLength = cs.surfaceLength = cs.area = cs.meanH = 0;
  cs.minIndex = cs.maxIndex = 0;
  const int n = std::clamp(ruler.pointCount, 0, kMaxRulerPoints);
  if (n == 0) {
    return;
  }
  divisions = std::clamp(divisions, 1, kProfileDivisions);

  double length = 0;
  for (int k = 1; k < n; ++k) {
    length += std::hypot(ruler.X[k] - ruler.X[k - 1], ruler.Y[k] - ruler.Y[k - 1]);
  }
  const double step = length / divisions;

  appendSample(cs, ruler.X[0], ruler.Y[0], ruler.H[0], true);
  double s = 0;      // distance of the last intermediate sample
  double start = 0;  // distance at the start of the current segment
  // At most `divisions` intermediate samples (rounding can fit one just short of the end).
  const int maxIntermediates = divisions > 1 ? divisions : 0;
  int intermediates = 0;
  for (int k = 1; k < n; ++k) {
    const double d = std::hypot(ruler.X[k] - ruler.X[k - 1], ruler.Y[k] - ruler.Y[k - 1]);
    const double end = start + d;
    while (step > 0 && s + step < end && intermediates < maxIntermediates) {
      s += step;
      const double t = (s - start) / d;
      const double X = ruler.X[k - 1] + (ruler.X[k] - ruler.X[k - 1]) * t;
      const double Y = ruler.Y[k - 1] + (ruler.Y[k] - ruler.Y[k - 1]) * t;
      appendSample(cs, X, Y, heightAt(X, Y), false);
      ++intermediates;
    }
    start = end;
    appendSample(cs, ruler.X[k], ruler.Y[k], ruler.H[k], true);
  }

  for (size_t i = 1; i < cs.samples.size(); ++i) {
    const CrossSection::Sample& a = cs.samples[i - 1];
    CrossSection::Sample& b = cs.samples[i];
    const double dx = b.X - a.X, dy = b.Y - a.Y, dh = b.H - a.H;
    const double plane = std::sqrt(dx * dx + dy * dy);
    cs.planeLength += plane;
    cs.surfaceLength += std::sqrt(dx * dx + dy * dy + dh * dh);
    cs.area += plane * ((a.H - cs.minH) + (b.H - cs.minH)) / 2;
    b.distance = cs.planeLength;
  }
  if (cs.planeLength > 0) {
    cs.meanH = cs.minH + cs.area / cs.planeLength;
  } else {
    // No length to weight by: the plain mean of the sample heights.
    double sum = 0;
    for (const CrossSection::Sample& sample : cs.samples) {
      sum += sample.H;
    }
    cs.meanH = sum / static_cast<double>(cs.samples.size());
  }
}

void layoutProfile(CrossSection& cs, const ProfileRect& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  cs.baseY = rect.bottom - 20;
  cs.pixels.assign(cs.samples.size(), {});
  cs.polygon.clear();
  if (cs.samples.empty()) {
    cs.meanPixelY = cs.seaPixelY = cs.baseY;
    return;
  }
  const double ratio = cs.ratio();
  const double range = cs.maxH - cs.minH;
  const double innerWidth = std::max(width - 40, 0);
  const double innerHeight = std::max(height - 40, 0);

  // The horizontal scale at which the path fills the width, and the one at which the height
  // range fills the height; a zero length or range puts no limit on its scale.
  const bool hasLength = cs.planeLength > 0;
  const bool hasRange = range > 0;
  const double sx = hasLength ? innerWidth / cs.planeLength : 0;
  const double sy = hasRange ? innerHeight / (range * ratio) : 0;
  double scale = 0;
  double x0 = rect.left + 20;
  if (hasLength && (!hasRange || sx < sy)) {
    scale = sx;
  } else {
    scale = sy;
    if (hasLength) {
      x0 = (width - cs.planeLength * sy) / 2 + rect.left;  // centred horizontally
    }
  }

  const size_t last = cs.samples.size() - 1;
  for (size_t i = 0; i <= last; ++i) {
    const CrossSection::Sample& s = cs.samples[i];
    const double x = hasLength ? s.distance * scale + x0
                     : last > 0
                         ? x0 + innerWidth * static_cast<double>(i) / static_cast<double>(last)
                         : x0 + innerWidth / 2;
    cs.pixels[i] = {toPixel(x), toPixel(cs.baseY - scale * ratio * (s.H - cs.minH))};
  }
  cs.polygon = cs.pixels;
  cs.polygon.push_back({cs.pixels[last].x, cs.baseY});
  cs.polygon.push_back({cs.pixels[0].x, cs.baseY});
  cs.meanPixelY = toPixel(cs.baseY - scale * ratio * (cs.meanH - cs.minH));
  cs.seaPixelY = toPixel(cs.baseY - scale * ratio * (cs.seaLevel - cs.minH));
}

int profileColumnWidth(double a, double b) {
  const int wa = std::snprintf(nullptr, 0, "%5.3f", a);
  const int wb = std::snprintf(nullptr, 0, "%5.3f", b);
  return std::max(wa, wb);
}

std::string profileCaption(std::string_view label, double value, int width) {
  const int n = std::snprintf(nullptr, 0, "%*.3f", width, value);
  std::string number(static_cast<size_t>(std::max(n, 0)), '\0');
  std::snprintf(number.data(), number.size() + 1, "%*.3f", width, value);
  std::string caption(label);
  caption += ' ';
  caption += number;
  return caption;
}

namespace {

using Sample = CrossSection::Sample;

// The columns of the profile CSV in their order: the header name, whether only geographic data
// has it, and the value of a sample (numbers in their shortest round-trip form).
struct ProfileColumn {
  std::string_view name;
  bool geographicOnly;
  double (*value)(const Sample& s, const ElevationGrid& grid);
};

double longitudeOf(const Sample& s, const ElevationGrid& grid) {
  double lat = 0, lon = 0;
  gridToGeo(grid, s.X, s.Y, lat, lon);
  return lon;
}

double latitudeOf(const Sample& s, const ElevationGrid& grid) {
  double lat = 0, lon = 0;
  gridToGeo(grid, s.X, s.Y, lat, lon);
  return lat;
}

constexpr ProfileColumn kProfileColumns[] = {
    {"distance", false, [](const Sample& s, const ElevationGrid&) { return s.distance; }},
    {"X", false, [](const Sample& s, const ElevationGrid&) { return s.X; }},
    {"Y", false, [](const Sample& s, const ElevationGrid&) { return s.Y; }},
    {"lon", true, longitudeOf},
    {"lat", true, latitudeOf},
    {"H", false, [](const Sample& s, const ElevationGrid&) { return s.H; }},
    {"vertex", false,  // 1 for a ruler point, 0 for an intermediate sample
     [](const Sample& s, const ElevationGrid&) { return s.isVertex ? 1.0 : 0.0; }},
};

}  // namespace

std::string profileCsv(const CrossSection& cs, const ElevationGrid& grid) {
  const bool geographic = grid.GeoCoordinates;
  std::string out;
  if (!geographic) {
    out = "# X, Y: plane metres of the Japan Plane Rectangular Coordinate System zone " +
          std::to_string(grid.planeZone) + "\n";
  }
  auto shown = [&](const ProfileColumn& column) { return geographic || !column.geographicOnly; };
  const char* separator = "";
  for (const ProfileColumn& column : kProfileColumns) {
    if (shown(column)) {
      out += separator;
      out += column.name;
      separator = ",";
    }
  }
  out += '\n';
  char buffer[32];
  for (const Sample& s : cs.samples) {
    separator = "";
    for (const ProfileColumn& column : kProfileColumns) {
      if (shown(column)) {
        out += separator;
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, column.value(s, grid));
        out.append(buffer, r.ptr);
        separator = ",";
      }
    }
    out += '\n';
  }
  return out;
}

HeightAt terrainHeightAt(const ElevationGrid& grid, const TerrainMesh& mesh) {
  // The sampler's cell search is prepared once and shared by the copies of the function.
  auto sampler = std::make_shared<const HeightSampler>(grid, mesh);
  return [sampler, &grid, &mesh](double X, double Y) {
    double H = 0;
    sampler->heightAtGrid(grid, mesh, X, Y, H);
    return H;
  };
}

}  // namespace torvane
