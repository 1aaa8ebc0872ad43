#include "view/Trackbars.h"

#include <algorithm>

#include "scene/ViewState.h"

namespace torvane {

TrackbarLayout trackbarLayout(const ViewState& view) {
  TrackbarLayout layout;
  if (view.ColorT >= kImageAndSea) {
    layout.bars[layout.count++] = kSeaLevelBar;
  }
  layout.bars[layout.count++] = kReliefBar;
  layout.bars[layout.count++] = kTransparencyBar;
  return layout;
}

int trackbarBase(const ViewState& view, int clientHeight) {
  return view.statusBar ? clientHeight - TrackbarGeometry::kStatusBarHeight : clientHeight;
}

int trackbarRange(int bar) {
  switch (bar) {
    case kSeaLevelBar:
      return 1000;
    case kReliefBar:
      return 100;
    case kTransparencyBar:
      return 255;
    default:
      return 0;
  }
}

int HitTestTrackbar(const ViewState& view, bool gridLoaded, int clientHeight, int x, int y) {
  using G = TrackbarGeometry;
  if (!view.trackbar || !gridLoaded) {
    return 0;
  }
  const int base = trackbarBase(view, clientHeight);
  if (view.statusBar && y > base) {
    return 0;  // on the status bar's strip
  }
  if (y <= base - G::kBandHeight) {
    return 0;
  }
  const TrackbarLayout layout = trackbarLayout(view);
  for (int k = 0; k < layout.count; ++k) {
    const int left = G::kHitLeft + G::kPitch * k;
    if (x < left) {
      return -1;  // left of the bar, or in the gap after the previous one
    }
    if (x < left + G::kHitWidth) {
      const int bar = layout.bars[k];
      if (y < base - G::kUpperZoneEnd) {
        return bar * 10 + kUpperArrowPart;
      }
      if (y < base - G::kThumbZoneEnd) {
        return bar * 10 + kThumbPart;
      }
      if (y < base - G::kLowerZoneEnd) {
        return bar * 10 + kLowerArrowPart;
      }
      return -1;
    }
  }
  const int end = G::kHitLeft + G::kPitch * layout.count;  // after the last bar's gap
  return x < end ? -1 : 0;
}

int trackbarThumbOffset(int bar, const ViewState& view, const ElevationGrid& grid) {
  switch (bar) {
    case kSeaLevelBar:
      return EffectiveSeaLevel(view, grid) * 50 / 1000;
    case kReliefBar:
      return view.Scale * 50 / 100;
    case kTransparencyBar:
      return view.Alpha * 50 / 255;
    default:
      return 0;
  }
}

int trackbarValueAt(int bar, const ViewState& view, int clientHeight, int y) {
  const int range = trackbarRange(bar);
  const int zero = trackbarBase(view, clientHeight) - TrackbarGeometry::kZeroLine;
  const double value = static_cast<double>(zero - y) * range / TrackbarGeometry::kThumbTravel;
  return std::clamp(static_cast<int>(value), 0, range);
}

}  // namespace torvane
