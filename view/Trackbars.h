#pragma once
// The on-screen trackbars at the lower left of the view: where they lie, where the mouse hits
// them, and what their thumbs show. Drawing and view control both take their numbers from here,
// so what is drawn is what is hit. Client pixels, origin at the top left, y growing downwards.

namespace torvane {

class ElevationGrid;
struct ViewState;

//! Trackbar numbers: the settings they drive (2 and 3 are never laid out).
inline constexpr int kSeaLevelBar = 1;      //!< ColorK, shown only when ColorT >= 2
inline constexpr int kReliefBar = 4;        //!< Scale
inline constexpr int kTransparencyBar = 5;  //!< Alpha

//! Hit-test parts of a bar.
inline constexpr int kUpperArrowPart = 1;  //!< steps the setting up
inline constexpr int kThumbPart = 2;       //!< starts a thumb drag
inline constexpr int kLowerArrowPart = 3;  //!< steps the setting down

struct TrackbarGeometry {
  static constexpr int kStatusBarHeight = 25;  //!< the strip the status bar takes at the bottom
  // Across: the k-th visible bar is hit from x = kHitLeft + kPitch k (inclusive) to
  // kHitLeft + kPitch k + kHitWidth (exclusive), and drawn centred on kCentreX + kPitch k.
  static constexpr int kHitLeft = 10;
  static constexpr int kHitWidth = 10;
  static constexpr int kPitch = 20;
  static constexpr int kCentreX = 15;
  // Up from the base line B: the hit band is B - 100 < y; the upper arrow zone ends at B - 80,
  // the thumb zone at B - 20, the lower arrow zone at B - 10 (below it nothing is hit).
  static constexpr int kBandHeight = 100;
  static constexpr int kUpperZoneEnd = 80;
  static constexpr int kThumbZoneEnd = 20;
  static constexpr int kLowerZoneEnd = 10;
  // Drawing, up from B: the thumb travels kThumbTravel pixels up from the zero line at
  // B - kZeroLine; the plus sign sits at B - kPlusY, the minus sign at B - kMinusY, the label
  // box at B - kLabelY.
  static constexpr int kZeroLine = 25;
  static constexpr int kThumbTravel = 50;
  static constexpr int kPlusY = 85;
  static constexpr int kMinusY = 15;
  static constexpr int kLabelY = 104;
};

//! The bars laid out from the left, in order.
struct TrackbarLayout {
  int count = 0;
  int bars[3] = {0, 0, 0};
};

/// The bars shown for these settings: the sea level only when ColorT >= 2, then relief and
/// transparency. (Whether trackbars are shown at all is the caller's matter.)
TrackbarLayout trackbarLayout(const ViewState& view);

/// The base line B of the bars in a client area `clientHeight` high: the bottom, or above the
/// status bar's strip when the status bar is shown.
int trackbarBase(const ViewState& view, int clientHeight);

/// The value range of a bar's setting: 1000 (sea level), 100 (relief), 255 (transparency);
/// 0 for any other number.
int trackbarRange(int bar);

/**
 * @brief What the client point (x, y) hits: 0 (nothing: trackbars hidden, no grid, outside
 * the band, below the base line, past the last bar), -1 (in the band but beside a bar, or below
 * the lower arrow zone), or bar x 10 + part.
 */
int HitTestTrackbar(const ViewState& view, bool gridLoaded, int clientHeight, int x, int y);

/// The thumb's offset above the zero line, 0..50 pixels, for the bar's current value (the sea
/// level is the effective one).
int trackbarThumbOffset(int bar, const ViewState& view, const ElevationGrid& grid);

/// The value a thumb dragged to client y gives: (zero line - y) x range / 50, truncated toward
/// zero and clamped to 0..range.
int trackbarValueAt(int bar, const ViewState& view, int clientHeight, int y);

}  // namespace torvane
