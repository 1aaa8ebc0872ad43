#include "render/ScreenPasses.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <algorithm>

#include "measure/Ruler.h"
#include "render/FrameRenderer.h"
#include "render/RenderContext.h"
#include "scene/Scene.h"
#include "terrain/HeightSampling.h"
#include "view/Furniture.h"
#include "view/Picking.h"
#include "view/ScreenTexts.h"
#include "view/Trackbars.h"
#include "view/ViewControl.h"

namespace torvane {

namespace {

constexpr QRgb kTextColour = 0xFFFFFFFF;

QString qtext(const std::string& s) { return QString::fromStdString(s); }
QString qtext(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// One line of text with its top at `top`: anchored at `left` (AlignLeft), ending at `right`
// (AlignRight) or centred between them (AlignHCenter); never clipped.
void paintText(QPainter& painter, const QFont& font, const QString& text, int left, int top,
               int right, Qt::Alignment horizontal) {
  painter.setFont(font);
  painter.setPen(QColor::fromRgba(kTextColour));
  const int height = QFontMetrics(font).height();
  const QRect rect(left, top, std::max(right - left, 0), height);
  painter.drawText(rect, static_cast<int>(horizontal | Qt::AlignTop) | Qt::TextDontClip, text);
}

void paintLines(QPainter& painter, const QFont& font, const std::vector<TextLine>& lines, int left,
                int right, Qt::Alignment horizontal) {
  for (const TextLine& line : lines) {
    paintText(painter, font, qtext(line.text), left, line.y, right, horizontal);
  }
}

// The cursor when it is over the client area.
bool cursorInView(const FrameInput& input, int width, int height) {
  return input.cursorX >= 0 && input.cursorY >= 0 && input.cursorX < width &&
         input.cursorY < height;
}

}  // namespace

void paintStrokes(QPainter& painter, std::span<const ScreenStroke> strokes) {
  painter.save();
  painter.translate(0.5, 0.5);  // pixel centres at whole numbers
  painter.setBrush(Qt::NoBrush);
  for (const ScreenStroke& s : strokes) {
    if (s.points.size() < 2) {
      continue;
    }
    QPen pen(QColor::fromRgba(s.colour));
    pen.setWidthF(s.width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, s.antialias);
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(s.points.size()));
    for (const ScreenPoint& p : s.points) {
      polygon.push_back({p.x, p.y});
    }
    const bool closed = polygon.size() > 2 && polygon.front() == polygon.back();
    if (closed) {
      polygon.removeLast();
      painter.drawPolygon(polygon);
    } else {
      painter.drawPolyline(polygon);
    }
  }
  painter.restore();
}

void drawLabelBox(QPainter& painter, const QFont& smallFont, int width, int x, const QString& text,
                  int y) {
  paintStrokes(painter, labelBoxStrokes(width, x, y));
  const TextBox box = labelBoxTextBox(width, x, y);
  paintText(painter, smallFont, text, box.left, box.top, box.right, Qt::AlignHCenter);
}

void drawTopLabelBox(QPainter& painter, const QFont& largeFont, int width, int x,
                     const QString& text) {
  paintStrokes(painter, topLabelBoxStrokes(width, x));
  const TextBox box = topLabelBoxTextBox(width, x);
  paintText(painter, largeFont, text, box.left, box.top, box.right, Qt::AlignHCenter);
}

void drawRuler(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
               int height) {
  if (input.scene == nullptr) {
    return;
  }
  const Scene& scene = *input.scene;
  const ViewState& view = input.view;
  // The point following the mouse goes into a copy: the frame changes nothing it draws from.
  Ruler ruler = scene.ruler;
  int count = ruler.pointCount;
  if (ruler.pointCount < 2 && input.picker != nullptr && cursorInView(input, width, height)) {
    const PickResult hit =
        pickTerrain(scene.mesh, scene.grid, frameGeometryFor(view, width, height), input.cursorX,
                    input.cursorY, true, input.picker);
    if (hit.found) {
      GridPoint point = fromModel(scene.mesh.fit(), hit.x, hit.y, hit.z, view.Scale);
      heightAtGrid(scene.grid, scene.mesh, point.X, point.Y, point.H);  // 0 where none
      count = placeRubberBandPoint(ruler, point);
    }
  }
  if (count > 1) {
    const Mat4d m = computeFrameTransforms(view, width, height).worldViewProjection();
    std::vector<ScreenStroke> segments;
    for (int i = 1; i < count; ++i) {
      const ModelPoint a =
          toModel(scene.mesh.fit(), ruler.X[i - 1], ruler.Y[i - 1], ruler.H[i - 1], view.Scale);
      const ModelPoint b =
          toModel(scene.mesh.fit(), ruler.X[i], ruler.Y[i], ruler.H[i], view.Scale);
      if (const auto s = projectSegment(m, {a.x, a.y, a.z}, {b.x, b.y, b.z}, width, height)) {
        segments.push_back({{(*s)[0], (*s)[1]}, 0xFFFFFFFF, 2, true});
      }
    }
    paintStrokes(painter, segments);
  }
  paintLines(painter, context.smallFont(), rulerReadoutLines(ruler, count, readoutTop(view)), 0,
             width - 10, Qt::AlignRight);
  const QString total = qtext(rulerText(ruler, count));
  drawTopLabelBox(painter, context.largeFont(), topLabelBoxWidth(total.toStdString()), width / 2,
                  total);
}

void drawReadout(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                 int height) {
  ReadoutInput r;
  r.clientWidth = width;
  r.clientHeight = height;
  r.clientX = input.cursorX;
  r.clientY = input.cursorY;
  r.screenX = input.screenX + input.cursorX;
  r.screenY = input.screenY + input.cursorY;
  paintLines(painter, context.smallFont(), readoutLines(input.view, r), 0, width - 10,
             Qt::AlignRight);
}

void drawCompass(QPainter& painter, const FrameInput& input, int width) {
  paintStrokes(painter, compassStrokes(input.view.RotaZ, width));
}

void drawTrackbars(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                   int height) {
  const ViewState& view = input.view;
  int hit = 0;
  if (input.input != nullptr && cursorInView(input, width, height)) {
    hit = HitTestTrackbar(view, input.grid.count > 0, height, input.cursorX, input.cursorY);
  }
  const int highlighted =
      input.input != nullptr ? highlightedTrackbar(input.input->MouseMode, hit) : 0;
  const TrackbarLayout layout = trackbarLayout(view);
  const int base = trackbarBase(view, height);
  for (int k = 0; k < layout.count; ++k) {
    const int bar = layout.bars[k];
    const int x = TrackbarGeometry::kCentreX + TrackbarGeometry::kPitch * k;
    paintStrokes(painter, trackbarStrokes(x, base, trackbarThumbOffset(bar, view, input.grid)));
    if (bar == highlighted) {
      const std::string_view label = trackbarLabel(bar);
      drawLabelBox(painter, context.smallFont(), labelBoxWidth(label), x, qtext(label),
                   base - TrackbarGeometry::kLabelY);
    }
  }
}

void drawStatusBar(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                   int height) {
  const ScreenStroke band = statusBandStroke(width, height);
  paintStrokes(painter, std::span(&band, 1));
  std::optional<uint32_t> contours, layers;
  if (input.scene != nullptr) {
    if (input.scene->overlays.hasVertexBuffer()) {
      layers = input.scene->overlays.pointTotal();
    }
    if (input.scene->contours.hasVertexBuffer()) {
      contours = input.scene->contours.pointTotal();
    }
  }
  const QFont& font = context.smallFont();
  const int left = 10, top = height - 18, right = width - 10;
  RenderContext::StatusTexts texts{statusLeftText(input.view, input.grid),
                                   statusCentreText(input.view, input.grid),
                                   statusRightText(contours, layers, input.grid.count)};
  paintText(painter, font, qtext(texts.left), left, top, right, Qt::AlignLeft);
  paintText(painter, font, qtext(texts.centre), left, top, right, Qt::AlignHCenter);
  paintText(painter, font, qtext(texts.right), left, top, right, Qt::AlignRight);
  context.setShownStatus(std::move(texts));
}

void drawOverlayText(QPainter& painter, RenderContext& context, const FrameInput& input) {
  std::vector<TextLine> lines;
  if (input.view.overlayTextMode == 1) {
    lines = keyHelpLines();
  } else if (input.view.overlayTextMode == 2) {
    const DeviceLimits limits = input.scene != nullptr ? input.scene->limits : DeviceLimits{};
    lines = deviceInfoLines(context.describeDevice(limits.primitiveLimit, limits.indexLimit));
  }
  for (const TextLine& line : lines) {
    paintText(painter, context.smallFont(), qtext(line.text), 10, line.y, 10, Qt::AlignLeft);
  }
}

}  // namespace torvane
