#include "view/TitleMesh.h"

#include <algorithm>
#include <limits>

namespace torvane {

std::vector<LineVertex> buildTitleWireframe(std::span<const Outline> outlines, double extrusion) {
  double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin;
  double ymin = xmin, ymax = -xmin;
  size_t points = 0;
  for (const Outline& outline : outlines) {
    if (outline.size() < 2) {
      continue;
    }
    for (const OutlinePoint& p : outline) {
      xmin = std::min(xmin, p.x);
      xmax = std::max(xmax, p.x);
      ymin = std::min(ymin, p.y);
      ymax = std::max(ymax, p.y);
    }
    points += outline.size();
  }
  if (points == 0 || !(xmax - xmin > 0)) {
    return {};
  }

  const double cx = (xmin + xmax) * 0.5;
  const double cy = (ymin + ymax) / 3;
  const double k = kTitleWidth / (xmax - xmin);
  auto vertex = [&](const OutlinePoint& p, double z) {
    const double zz = z + 0.2;
    return LineVertex{static_cast<float>((p.x - cx) * k), static_cast<float>((p.y - cy) * k),
                      static_cast<float>(zz), zz < 0 ? kTitleFrontColour : kTitleBackColour};
  };

  std::vector<LineVertex> lines;
  lines.reserve(points * 6);
  for (const Outline& outline : outlines) {
    if (outline.size() < 2) {
      continue;
    }
    const size_t n = outline.size();
    for (size_t i = 0; i < n; ++i) {
      const OutlinePoint& a = outline[i];
      const OutlinePoint& b = outline[(i + 1) % n];
      lines.push_back(vertex(a, 0));
      lines.push_back(vertex(b, 0));
      lines.push_back(vertex(a, -extrusion));
      lines.push_back(vertex(b, -extrusion));
      lines.push_back(vertex(a, 0));
      lines.push_back(vertex(a, -extrusion));
    }
  }
  return lines;
}

}  // namespace torvane
