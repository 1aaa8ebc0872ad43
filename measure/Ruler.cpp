#include "measure/Ruler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "resources/Texts.h"

namespace torvane {

void toggleStraightRuler(Ruler& ruler) {
  ruler.pathMode = false;
  ruler.straightMode = !ruler.straightMode;
  ruler.pointCount = 0;
}

void togglePathRuler(Ruler& ruler) {
  ruler.straightMode = false;
  ruler.pathMode = !ruler.pathMode;
  ruler.pointCount = 0;
}

void resetRuler(Ruler& ruler) {
  ruler.straightMode = ruler.pathMode = false;
  ruler.pointCount = 0;
}

bool cancelRuler(Ruler& ruler) {
  if (!ruler.active()) {
    return false;
  }
  resetRuler(ruler);
  return true;
}

namespace {
void store(Ruler& ruler, int i, const GridPoint& p) {
  ruler.X[i] = p.X;
  ruler.Y[i] = p.Y;
  ruler.H[i] = p.H;
}
}  // namespace

void addRulerPoint(Ruler& ruler, const GridPoint& point) {
  if (!ruler.active()) {
    return;
  }
  if (ruler.straightMode && ruler.pointCount > 1) {
    ruler.pointCount = 0;  // the third click starts a new measurement
  } else if (ruler.pathMode && ruler.pointCount >= kMaxRulerPoints) {
    ruler.pointCount = kMaxRulerPoints - 1;  // the new point replaces the last
  }
  store(ruler, ruler.pointCount, point);
  ++ruler.pointCount;
  if (ruler.pointCount == 1) {
    store(ruler, 1, point);
  }
}

int placeRubberBandPoint(Ruler& ruler, const GridPoint& point) {
  if (!ruler.active() || ruler.pointCount >= 2) {
    return ruler.pointCount;
  }
  store(ruler, ruler.pointCount, point);
  return ruler.pointCount + 1;
}

RulerLengths rulerLengths(const Ruler& ruler, int count) {
  RulerLengths lengths;
  count = std::min(count, kMaxRulerPoints);
  for (int k = 1; k < count; ++k) {
    const double dx = ruler.X[k] - ruler.X[k - 1];
    const double dy = ruler.Y[k] - ruler.Y[k - 1];
    const double dh = ruler.H[k] - ruler.H[k - 1];
    lengths.plane += std::sqrt(dx * dx + dy * dy);
    lengths.surface += std::sqrt(dx * dx + dy * dy + dh * dh);
  }
  return lengths;
}

std::string rulerText(const Ruler& ruler, int drawnCount) {
  const RulerLengths lengths = rulerLengths(ruler, drawnCount);
  const std::string label(text(kTextDistance));
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%s %5.3f (%5.3f) [%d]", label.c_str(), lengths.surface,
                lengths.plane, ruler.pointCount);
  return buffer;
}

}  // namespace torvane
