#pragma once
// The camera, colouring and display settings that every frame is drawn from, and the one table
// that describes each of them: its project key, range, how a project reads it and whether an
// open resets it. The project file, ResetViewState and torvane-cli all work from that table.

#include <array>
#include <cstdint>
#include <limits>
#include <numbers>
#include <span>
#include <string_view>
#include <variant>

#include "terrain/LandColouring.h"

namespace torvane {

class ElevationGrid;

inline constexpr double kQuarterPi = 0.7853981633974483;
inline constexpr double kMinZoom = 0.0017453292519943296;      // 0.1 degree
inline constexpr double kRotationUnit = 0.017453292519943295;  // 1 degree

/// The view settings. Each member's initialiser is its default (the colouring's own settings
/// and their defaults come from ColourSettings); fields that the project file stores carry its
/// key names. kViewSettings below lists every field.
struct ViewState : ColourSettings {
  // Camera: pan in model units, angles in radians.
  double MoveX = 0, MoveY = 0, MoveZ = 0;
  double RotaX = 0;           //!< tilt 0..2pi: 0 plan view, pi/2 side view
  double RotaY = 0;           //!< never changed by any input
  double RotaZ = 0;           //!< azimuth 0..2pi: 0 north, pi/2 east
  double RZoom = kQuarterPi;  //!< vertical field of view

  int ColorK = -1;  //!< sea level in metres; -1 just below the lowest elevation

  int Scale = 2;  //!< relief exaggeration 0..100
  int Pitch = 5;  //!< auto-rotation speed 1..10

  bool compass = true, trackbar = true, statusBar = true;
  bool LayerAlphaEnabled = false, ContourAlphaEnabled = false;
  bool rotating = false, clockwise = false;
  int overlayTextMode = 0;  //!< 0 none, 1 key help, 2 graphics adapter information
  int fogMode = 0;          //!< 0 off, 1 white, 2 black
  int fogStart = 22;        //!< tenths of a model unit, 0..39
  int frameMode = 0;        //!< 0..2
  bool readout = false;
};

//! A fresh view: every setting at its default.
inline constexpr ViewState kDefaultView{};

/// A field of ViewState. Its type fixes the project format: doubles "%11.9lf", ints "%d",
/// colours (uint32_t) "%u", flags 0 or 1.
using ViewMember =
    std::variant<double ViewState::*, int ViewState::*, uint32_t ViewState::*, bool ViewState::*>;

/// The values a setting may take: lo..hi without gapLo..gapHi (no gap when gapLo > gapHi).
struct ValidValues {
  double lo = -std::numeric_limits<double>::infinity();
  double hi = std::numeric_limits<double>::infinity();
  double gapLo = 1, gapHi = 0;

  constexpr bool hasGap() const { return gapLo <= gapHi; }
  constexpr bool holds(double value) const {
    return value >= lo && value <= hi && !(value >= gapLo && value <= gapHi);
  }
};

/// How a project load takes a stored value.
enum class OnLoad {
  NotRead,  //!< written, never read
  Keep,     //!< a stored finite number replaces the field; otherwise the field stays
  Wrap,     //!< as Keep, then wrapped once into lo..hi (above hi minus, below lo plus the span)
  Clamp,    //!< as Keep, then clamped to lo..hi
  Checked,  //!< the stored value when valid, otherwise (also when absent) the default
  Any,      //!< the stored value whatever it is (flags: nonzero is true), the default if absent
};

/// A rule that ties a setting to another one on load and save.
enum class Depends {
  None,
  HueCircle,   //!< written and read only while ColorR is the hue circle; else left as it is
  LandAndSea,  //!< read only when the stored ColorT is land and sea colours; else the default
  Image,       //!< ColorT: the default (land and sea colours) when no image is draped
};

struct ViewSetting {
  std::string_view section;  //!< project section; empty for a setting that is not saved
  std::string_view key;      //!< project key; for a setting that is not saved, the member name
  ViewMember member;
  ValidValues valid;
  OnLoad onLoad = OnLoad::NotRead;
  bool reset = false;      //!< every open (ResetViewState) restores the default
  bool colouring = false;  //!< an input of the land colouring (torvane-cli colours --set)
  Depends depends = Depends::None;

  bool saved() const { return !section.empty(); }
};

inline constexpr ValidValues kAnyNumber{};
inline constexpr ValidValues kFlags{0, 1};
inline constexpr ValidValues kAngles{0, 2 * std::numbers::pi};
inline constexpr ValidValues kColorRefs{0, 0xFFFFFF};  //!< COLORREF 0x00BBGGRR
inline constexpr ValidValues kZooms{kMinZoom, kQuarterPi};
inline constexpr ValidValues kImageModes{kImageOnly, kLandAndSea};
inline constexpr ValidValues kLandTypes{kLandElevation, kLastSpecialLandType, kLandOpenings + 1,
                                        kFirstSpecialLandType - 1};
inline constexpr ValidValues kRamps{kRampRedGreenBlue, kLastRamp};
inline constexpr ValidValues kHues{0, 239};  //!< the hue circle's 240 hues

/// Every view setting, saved ones in the order of the project file (sections File1, Calc1,
/// View, Rota), then those that are not saved.
inline constexpr auto kViewSettings = [] {
  using V = ViewState;
  using enum OnLoad;
  using enum Depends;
  // clang-format off
  return std::to_array<ViewSetting>({
    // section key      member                  valid        on load  reset colouring depends
    {"File1", "Alpha",  &V::LayerAlphaEnabled,   kFlags,      Any,     true},
    {"Calc1", "Alpha",  &V::ContourAlphaEnabled, kFlags,      Any,     true},
    {"View",  "MoveX",  &V::MoveX,               kAnyNumber,  Keep,    true},
    {"View",  "MoveY",  &V::MoveY,               kAnyNumber,  Keep,    true},
    {"View",  "MoveZ",  &V::MoveZ,               kAnyNumber,  Keep,    true},
    {"View",  "RotaX",  &V::RotaX,               kAngles,     Wrap,    true},
    {"View",  "RotaY",  &V::RotaY,               kAngles,     NotRead, true},
    {"View",  "RotaZ",  &V::RotaZ,               kAngles,     Wrap,    true},
    {"View",  "RZoom",  &V::RZoom,               kZooms,      Clamp,   true},
    {"View",  "ColorT", &V::ColorT,              kImageModes, Checked, true,  true, Image},
    {"View",  "ColorS", &V::ColorS,              kLandTypes,  Checked, true,  true, LandAndSea},
    {"View",  "ColorR", &V::ColorR,              kRamps,      Checked, true,  true, LandAndSea},
    {"View",  "CRHueR", &V::CRHueR,              kFlags,      Any,     true,  true, HueCircle},
    {"View",  "CRHueS", &V::CRHueS,              kHues,       Checked, true,  true, HueCircle},
    {"View",  "CRHueE", &V::CRHueE,              kHues,       Checked, true,  true, HueCircle},
    {"View",  "ColorK", &V::ColorK,              {-1, 1000},  Checked, true,  true},
    {"View",  "OceanC", &V::OceanC,              kColorRefs,  Any,     true,  true},
    {"View",  "OceanT", &V::OceanT,              kFlags,      Any,     true,  true},
    {"View",  "Scale",  &V::Scale,               {0, 100},    Checked, false},
    {"View",  "Alpha",  &V::Alpha,               {0, 255},    Checked, false, true},
    {"Rota",  "Pitch",  &V::Pitch,               {1, 10},     Checked, false},
    {"", "compass",         &V::compass,         kFlags},
    {"", "trackbar",        &V::trackbar,        kFlags},
    {"", "statusBar",       &V::statusBar,       kFlags},
    {"", "rotating",        &V::rotating,        kFlags, NotRead, true},
    {"", "clockwise",       &V::clockwise,       kFlags, NotRead, true},
    {"", "overlayTextMode", &V::overlayTextMode, {0, 2}},
    {"", "fogMode",         &V::fogMode,         {0, 2}},
    {"", "fogStart",        &V::fogStart,        {0, 39}},
    {"", "frameMode",       &V::frameMode,       {0, 2}},
    {"", "readout",         &V::readout,         kFlags},
  });
  // clang-format on
}();

/// The setting saved as `key` in `section` (names compare exactly), or nullptr.
const ViewSetting* findViewSetting(std::string_view section, std::string_view key);

/// A setting's value in `view` as a double (flags 0 or 1).
double settingValue(const ViewState& view, const ViewSetting& setting);
/// Sets a setting from a double: integers truncate, flags are true when nonzero.
void setSettingValue(ViewState& view, const ViewSetting& setting, double value);
/// Puts a setting back to its default.
void resetSetting(ViewState& view, const ViewSetting& setting);

/// Resets every setting that an open resets (the table's reset column): the camera, colouring,
/// rotation and alpha-enable fields; relief, transparency, rotation speed, fog, frame, readout,
/// overlay text and the display toggles stay. (The ruler is reset by the scene, which owns it.)
void ResetViewState(ViewState& view);

/// The sea level in whole metres shared by colouring, the trackbar, the status bar and the
/// cross-section.
int EffectiveSeaLevel(const ViewState& view, const ElevationGrid& grid);

}  // namespace torvane
