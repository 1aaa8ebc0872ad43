#include "view/ScreenTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <numbers>

#include "elevation/ElevationGrid.h"
#include "measure/Ruler.h"
#include "resources/Texts.h"
#include "scene/ViewState.h"

namespace torvane {

namespace {

// String ids of the status texts.
constexpr int kTextSeaLevel = 2110;       // "海進"
constexpr int kTextRelief = 2112;         // "起伏"
constexpr int kTextAlpha = 2113;          // "透過"
constexpr int kTextLandType = 2115;       // 2115 + ColorS: the land types' names
constexpr int kTextLayerPoints = 2202;    // "線点"
constexpr int kTextNodes = 2203;          // "頂点"
constexpr int kTextContourPoints = 2221;  // "等値"

constexpr const char* kSpecialSuffix = "(特殊)";

// "%s%s:%d" appended to `out`, followed by `tail`.
void appendCount(std::string& out, int id, long long value, const char* tail) {
  out += text(id);
  out += formatText(":%lld", value);
  out += tail;
}

}  // namespace

std::string formatText(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n < 0 ? std::string()
               : std::string(buffer, std::min<size_t>(size_t(n), sizeof buffer - 1));
}

int textLength(std::string_view utf8) {
  int n = 0;
  for (const char c : utf8) {
    n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  }
  return n;
}

std::string statusLeftText(const ViewState& view, const ElevationGrid& grid) {
  std::string out;
  if (view.ColorT >= kImageAndSea) {
    appendCount(out, kTextSeaLevel, EffectiveSeaLevel(view, grid), "  ");
  }
  appendCount(out, kTextRelief, view.Scale, "  ");
  appendCount(out, kTextAlpha, view.Alpha, "");
  return out;
}

std::string statusCentreText(const ViewState& view, const ElevationGrid& grid) {
  const int type = view.ColorS;
  auto range = [&](double lo, double hi) {
    return std::string(text(kTextLandType + type)) + formatText(":%5.3lf～%5.3lf", lo, hi);
  };
  switch (type) {
    case kLandElevation:
      return range(grid.Hmin, grid.Hmax);
    case kLandSlope:
      return range(grid.slopeMin, grid.slopeMax);
    case kLandOpenAbove:
      return range(grid.openAboveMin, grid.openAboveMax);
    case kLandOpenBelow:
      return range(grid.openBelowMin, grid.openBelowMax);
    default:
      break;
  }
  if (type < 0) {
    return {};
  }
  if (type < kSpecialLandTypeOffset) {
    return std::string(text(kTextLandType + type));
  }
  return std::string(text(kTextLandType + type - kSpecialLandTypeOffset)) + kSpecialSuffix;
}

std::string statusRightText(std::optional<uint32_t> contourPoints,
                            std::optional<uint32_t> layerPoints, uint32_t nodeCount) {
  std::string out;
  if (contourPoints) {
    appendCount(out, kTextContourPoints, *contourPoints, "  ");
  }
  if (layerPoints) {
    appendCount(out, kTextLayerPoints, *layerPoints, "  ");
  }
  appendCount(out, kTextNodes, nodeCount, "");
  return out;
}

int labelBoxWidth(std::string_view label) {
  const int n = textLength(label);
  return n > 2 ? 6 * n : 12 * n;
}

int topLabelBoxWidth(std::string_view text) { return 7 * (textLength(text) + 2); }

LabelBoxExtent labelBoxExtent(int width, int x) { return {x - width / 2 - 3, x + width / 2 + 3}; }

std::string_view trackbarLabel(int bar) {
  switch (bar) {
    case 1:
      return text(kTextSeaLevel);
    case 4:
      return text(kTextRelief);
    case 5:
      return text(kTextAlpha);
    default:
      return {};
  }
}

int readoutTop(const ViewState& view) { return view.compass ? 70 : 10; }

std::vector<TextLine> readoutLines(const ViewState& view, const ReadoutInput& input) {
  const int y0 = readoutTop(view);
  return {
      {y0, formatText("%d", input.clientWidth)},
      {y0 + 12, formatText("%d", input.clientHeight)},
      {y0 + 36, formatText("%d", input.screenX)},
      {y0 + 48, formatText("%d", input.screenY)},
      {y0 + 72, formatText("%d", input.clientX)},
      {y0 + 84, formatText("%d", input.clientY)},
      {y0 + 108, formatText("%5.3lf", view.MoveX)},
      {y0 + 120, formatText("%5.3lf", view.MoveY)},
      {y0 + 132, formatText("%5.3lf", view.MoveZ)},
      {y0 + 144, formatText("%5.3lf", view.RotaX)},
      {y0 + 156, formatText("%5.3lf", view.RotaY)},
      {y0 + 168, formatText("%5.3lf", view.RotaZ)},
      {y0 + 180, formatText("%5.3lf", view.RZoom)},
      {y0 + 204, formatText("%5.3f", static_cast<float>(view.fogStart) / 10.0f)},
      {y0 + 216, formatText("%5.3f", 4.0f)},
  };
}

std::vector<TextLine> rulerReadoutLines(const Ruler& ruler, int count, int top) {
  std::vector<TextLine> lines;
  if (count < 1 || count > kMaxRulerPoints) {
    return lines;
  }
  const int b = count - 1;
  int block = top;
  if (count > 1) {
    const int a = count - 2;
    const double dX = ruler.X[b] - ruler.X[a];
    const double dY = ruler.Y[b] - ruler.Y[a];
    const double dH = ruler.H[b] - ruler.H[a];
    lines.push_back({top, formatText("%5.3lf", ruler.X[a])});
    lines.push_back({top + 12, formatText("%5.3lf", ruler.Y[a])});
    lines.push_back({top + 24, formatText("%5.3lf", ruler.H[a])});
    lines.push_back({top + 48, formatText("%+5.3lf", dX)});
    lines.push_back({top + 60, formatText("%+5.3lf", dY)});
    lines.push_back({top + 72, formatText("%+5.3lf", dH)});
    const double L = std::sqrt(dX * dX + dY * dY);
    if (L > 0.00005) {
      lines.push_back(
          {top + 84, formatText("(%+5.2lf)", std::atan(dH / L) * 180 / std::numbers::pi)});
      block = top + 108;
    } else {
      block = top + 96;
    }
  }
  lines.push_back({block, formatText("%5.3lf", ruler.X[b])});
  lines.push_back({block + 12, formatText("%5.3lf", ruler.Y[b])});
  lines.push_back({block + 24, formatText("%5.3lf", ruler.H[b])});
  return lines;
}

std::vector<TextLine> keyHelpLines() {
  std::vector<TextLine> lines;
  for (int id = kTextKeyHelpFirst; id <= kTextKeyHelpLast; ++id) {
    lines.push_back({10 + 12 * (id - kTextKeyHelpFirst), std::string(text(id))});
  }
  return lines;
}

std::vector<TextLine> deviceInfoLines(const DeviceDescription& device) {
  const int y0 = 22;
  return {
      {10, device.description},
      {y0, device.softwareVertexProcessing ? "Software Vertex Processing"
                                           : "Hardware Vertex Processing"},
      {y0 + 12, formatText("MaxVertexIndex    : %u", device.maxVertexIndex)},
      {y0 + 24, formatText("MaxPrimitiveCount : %u", device.maxPrimitiveCount)},
      {y0 + 36, formatText("MaxTextureWidth   : %d", device.maxTextureWidth)},
      {y0 + 48, formatText("MaxTextureHeight  : %d", device.maxTextureHeight)},
      {y0 + 60, formatText("MaxPointSize      : %1.0f", static_cast<double>(device.maxPointSize))},
  };
}

std::string captionText(double value) { return formatText("%lf", value); }

}  // namespace torvane
