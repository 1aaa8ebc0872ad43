#include "view/Furniture.h"

#include <cmath>
#include <numbers>

#include "elevation/ElevationGrid.h"
#include "terrain/TerrainMesh.h"
#include "view/ScreenTexts.h"
#include "view/Trackbars.h"

namespace torvane {

namespace {

constexpr double kPi = std::numbers::pi;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kSilver = 0xFFC0C0C0;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kHalfBlack = 0x80000000;
constexpr uint32_t kHalfWhite = 0x80FFFFFF;

// A circle of `steps` points at angles k * 2pi / steps around (cx, cy), closed by its first
// point again; angle 0 is straight down (sin, cos with y growing downwards).
ScreenStroke circle(double cx, double cy, double radius, int steps, uint32_t colour, double width,
                    bool antialias) {
  ScreenStroke s{{}, colour, width, antialias};
  for (int k = 0; k <= steps; ++k) {
    const double angle = (k % steps) * 2 * kPi / steps;
    s.points.push_back({cx + radius * std::sin(angle), cy + radius * std::cos(angle)});
  }
  return s;
}

ScreenStroke line(double x0, double y0, double x1, double y1, uint32_t colour, double width,
                  bool antialias) {
  return {{{x0, y0}, {x1, y1}}, colour, width, antialias};
}

// A closed rectangle outline from (x0, y0) to (x1, y1), five points.
ScreenStroke outline(double x0, double y0, double x1, double y1, uint32_t colour) {
  return {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, colour, 1, false};
}

// The values a frame edge loop visits: the minimum and the maximum; none for an extent of 0,
// so a flat terrain gets no frame (a rectangle at one height would frame nothing).
std::vector<double> edgeValues(double lo, double hi) {
  return hi - lo > 0 ? std::vector<double>{lo, hi} : std::vector<double>{};
}

}  // namespace

std::vector<ScreenStroke> compassStrokes(double RotaZ, int right) {
  const double cx = right - 30, cy = 30;
  const double a = RotaZ + kPi / 2;
  const double rx = std::sin(RotaZ), ry = std::cos(RotaZ);
  const double ax = std::sin(a), ay = std::cos(a);
  auto at = [&](double r, double s) {  // c + r d_R + s d_a
    return ScreenPoint{cx + r * rx + s * ax, cy + r * ry + s * ay};
  };
  std::vector<ScreenStroke> strokes;
  strokes.push_back(circle(cx, cy, 20, 20, kWhite, 3, true));
  strokes.push_back({{at(0, 5), at(21, 0), at(0, -5)}, kBlue, 3, true});
  strokes.push_back({{at(0, 5), at(-21, 0), at(0, -5)}, kRed, 3, true});
  strokes.push_back({{at(1, 0), at(-1, 0)}, kGreen, 3, true});
  strokes.push_back({{at(0, 1), at(0, -1)}, kGreen, 3, true});
  strokes.push_back({{at(0, 21), at(0, 19)}, kYellow, 3, true});
  strokes.push_back({{at(0, -21), at(0, -19)}, kYellow, 3, true});
  return strokes;
}

std::vector<ScreenStroke> trackbarStrokes(int x, int y, int v) {
  using G = TrackbarGeometry;
  const int zero = y - G::kZeroLine;       // the thumb's zero line
  const int top = zero - G::kThumbTravel;  // its highest place
  const int thumb = zero - v;
  const int minus = y - G::kMinusY, plus = y - G::kPlusY;
  std::vector<ScreenStroke> s;
  s.push_back(line(x, zero, x, top, kWhite, 1, false));
  s.push_back(outline(x - 1, zero + 1, x + 1, top - 1, kSilver));
  s.push_back(outline(x - 4, thumb + 2, x + 4, thumb - 2, kWhite));
  s.push_back(outline(x - 5, thumb + 3, x + 5, thumb - 3, kSilver));
  for (const int cy : {minus, plus}) {
    s.push_back(circle(x, cy, 4, 10, kWhite, 3, true));
  }
  for (const int cy : {minus, plus}) {
    s.push_back(circle(x, cy, 5, 10, kSilver, 1, true));
  }
  s.push_back(line(x - 3, minus, x + 4, minus, kBlue, 3, false));
  s.push_back(line(x - 3, plus, x + 4, plus, kRed, 3, false));
  s.push_back(line(x, plus + 4, x, plus - 3, kRed, 3, false));
  s.push_back(line(x - 3, thumb, x + 4, thumb, kGreen, 3, false));
  return s;
}

int highlightedTrackbar(int MouseMode, int hit) {
  if (MouseMode == 1 || MouseMode == 4 || MouseMode == 5) {
    return MouseMode;
  }
  return MouseMode == 0 && hit > 0 ? hit / 10 : 0;
}

std::vector<ScreenStroke> labelBoxStrokes(int width, int x, int y) {
  const LabelBoxExtent e = labelBoxExtent(width, x);
  return {line(e.left, y, e.right, y, kHalfBlack, 19, false),
          outline(e.left, y - 9, e.right, y + 9, kWhite)};
}

std::vector<ScreenStroke> topLabelBoxStrokes(int width, int x) {
  const LabelBoxExtent e = labelBoxExtent(width, x);
  return {line(e.left, 21, e.right, 21, kHalfBlack, 21, false)};
}

ScreenStroke statusBandStroke(int right, int bottom) {
  return line(0, bottom - 13, right, bottom - 13, kHalfBlack, 25, false);
}

TextBox labelBoxTextBox(int width, int x, int y) {
  const LabelBoxExtent e = labelBoxExtent(width, x);
  return {e.left + 2, y - 5, e.right};
}

TextBox topLabelBoxTextBox(int width, int x) {
  const LabelBoxExtent e = labelBoxExtent(width, x);
  return {e.left + 2, 15, e.right};
}

std::vector<OverlayVertex> dataFrameVertices(const ElevationGrid& grid, const ModelFit& fit,
                                             int Scale) {
  std::vector<OverlayVertex> v;
  auto add = [&](double X, double Y, double H) {
    const ModelPoint p = toModel(fit, X, Y, H, Scale);
    v.push_back(
        {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), kHalfWhite});
  };
  const std::vector<double> xs = edgeValues(grid.Xmin, grid.Xmax);
  const std::vector<double> ys = edgeValues(grid.Ymin, grid.Ymax);
  const std::vector<double> hs = edgeValues(grid.Hmin, grid.Hmax);
  for (const double H : hs) {
    for (const double X : xs) {
      add(X, grid.Ymin, H);
      add(X, grid.Ymax, H);
    }
    for (const double Y : ys) {
      add(grid.Xmin, Y, H);
      add(grid.Xmax, Y, H);
    }
  }
  if (!hs.empty()) {
    for (const double X : xs) {
      for (const double Y : ys) {
        add(X, Y, grid.Hmin);
        add(X, Y, grid.Hmax);
      }
    }
  }
  return v;
}

std::vector<Caption> dataFrameCaptions(const ElevationGrid& grid, const ModelFit& fit, int Scale) {
  auto at = [&](double X, double Y, double H, bool groundLevel) {
    const ModelPoint p = toModel(fit, X, Y, H, Scale);
    return Vec3d{p.x, p.y, groundLevel ? 0.0 : p.z};
  };
  std::vector<Caption> captions;
  for (const double X : {grid.Xmin, grid.Xmax}) {
    captions.push_back(
        {captionText(X), at(X, grid.Ymin, grid.Hmin, true), CaptionAlignment::RunSouth});
  }
  for (const double Y : {grid.Ymin, grid.Ymax}) {
    captions.push_back(
        {captionText(Y), at(grid.Xmin, Y, grid.Hmin, true), CaptionAlignment::EndWest});
  }
  for (const double H : {grid.Hmin, grid.Hmax}) {
    captions.push_back(
        {captionText(H), at(grid.Xmax, grid.Ymax, H, false), CaptionAlignment::StartEast});
  }
  return captions;
}

std::array<OverlayVertex, 8> axesVertices() {
  return {{
      {-1.5f, 0, 0, 0xC0FFFF00},
      {1.5f, 0, 0, 0xC0FFFF00},
      {0, 0, 0, 0xC0FF0000},
      {0, 1.5f, 0, 0xC0FF0000},
      {0, -1.5f, 0, 0xC00000FF},
      {0, 0, 0, 0xC00000FF},
      {0, 0, -1.5f, 0xC000FF00},
      {0, 0, 1.5f, 0xC000FF00},
  }};
}

std::optional<TextPlacement> captionPlacement(const GlyphBounds& bounds, const Vec3d& position,
                                              CaptionAlignment alignment) {
  const double t = bounds.ymax - bounds.ymin;
  if (!(t > 0)) {
    return std::nullopt;
  }
  const double k = 0.02 / t;
  const double c = alignment == CaptionAlignment::EndWest ? t + (bounds.xmax - bounds.xmin) : -t;
  TextPlacement p;
  p.z0 = position.z;
  if (alignment == CaptionAlignment::RunSouth) {
    // (x, y) -> (px + (y' - py), py - (x' - px)): a quarter turn clockwise about the point.
    p.xx = 0;
    p.xy = k;
    p.x0 = position.x - t / 2 * k;
    p.yx = -k;
    p.yy = 0;
    p.y0 = position.y + c * k;
  } else {
    p.xx = k;
    p.x0 = position.x - c * k;
    p.yy = k;
    p.y0 = position.y - t / 2 * k;
  }
  return p;
}

std::optional<TextPlacement> pointLabelPlacement(const GlyphBounds& bounds, const Vec3d& position,
                                                 double height) {
  const double t = bounds.ymax - bounds.ymin;
  if (!(t > 0)) {
    return std::nullopt;
  }
  const double k = height / t;
  TextPlacement p;
  p.xx = k;
  p.x0 = position.x - (bounds.xmin + bounds.xmax) / 2 * k;
  p.yy = k;
  p.y0 = position.y - (bounds.ymin + bounds.ymax) / 2 * k;
  p.z0 = position.z;
  return p;
}

std::optional<std::array<ScreenPoint, 2>> projectSegment(const Mat4d& m, const Vec3d& a,
                                                         const Vec3d& b, int width, int height) {
  double wa = 0, wb = 0;
  Vec3d ca = transformPoint(m, a, &wa);
  Vec3d cb = transformPoint(m, b, &wb);
  // Clip depth runs 0 (near plane) .. w: keep the part in front of the near plane.
  if (ca.z < 0 && cb.z < 0) {
    return std::nullopt;
  }
  auto lerp = [](const Vec3d& p, double pw, const Vec3d& q, double qw, double t, double& w) {
    w = pw + (qw - pw) * t;
    return Vec3d{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, p.z + (q.z - p.z) * t};
  };
  if (ca.z < 0) {
    double w = 0;
    ca = lerp(ca, wa, cb, wb, ca.z / (ca.z - cb.z), w);
    wa = w;
  } else if (cb.z < 0) {
    double w = 0;
    cb = lerp(cb, wb, ca, wa, cb.z / (cb.z - ca.z), w);
    wb = w;
  }
  if (!(wa > 0) || !(wb > 0)) {
    return std::nullopt;
  }
  auto screen = [&](const Vec3d& c, double w) {
    // Pixel edges at whole numbers in the frame's rasterisation, so centres are half a pixel in.
    return ScreenPoint{(c.x / w + 1) / 2 * width - 0.5, (1 - c.y / w) / 2 * height - 0.5};
  };
  return std::array<ScreenPoint, 2>{screen(ca, wa), screen(cb, wb)};
}

}  // namespace torvane
