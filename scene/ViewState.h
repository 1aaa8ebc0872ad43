#pragma once
// The camera, colouring and display settings that every frame is drawn from. Fields that the
// project file stores carry its key names.

#include <cstdint>

namespace torvane {

class ElevationGrid;

inline constexpr double kQuarterPi = 0.7853981633974483;
inline constexpr double kMinZoom = 0.0017453292519943296;  // 0.1 degree
inline constexpr double kRotationUnit = 0.017453292519943295;  // 1 degree

struct ViewState {
  // Camera: pan in model units, angles in radians.
  double MoveX = 0, MoveY = 0, MoveZ = 0;
  double RotaX = 0;  //!< tilt 0..2pi: 0 plan view, pi/2 side view
  double RotaY = 0;  //!< never changed by any input
  double RotaZ = 0;  //!< azimuth 0..2pi: 0 north, pi/2 east
  double RZoom = kQuarterPi;  //!< vertical field of view

  // Colouring.
  int ColorT = 3;  //!< image colour mode 1..3
  int ColorS = 0;  //!< land type 0..9, 14..19
  int ColorR = 1;  //!< land colour ramp 1..7
  bool CRHueR = true;
  int CRHueS = 120;
  int CRHueE = 200;
  int ColorK = -1;               //!< sea level in metres; -1 just below the lowest elevation
  uint32_t OceanC = 0x00FF0000;  //!< sea colour, COLORREF 0x00BBGGRR
  bool OceanT = true;            //!< graded sea tints

  int Scale = 2;    //!< relief exaggeration 0..100
  int Alpha = 255;  //!< terrain transparency 0..255
  int Pitch = 5;    //!< auto-rotation speed 1..10

  bool compass = true, trackbar = true, statusBar = true;
  bool LayerAlphaEnabled = false, ContourAlphaEnabled = false;
  bool rotating = false, clockwise = false;
  int overlayTextMode = 0;  //!< 0 none, 1 key help, 2 graphics adapter information
  int fogMode = 0;          //!< 0 off, 1 white, 2 black
  int fogStart = 22;        //!< tenths of a model unit, 0..39
  int frameMode = 0;        //!< 0..2
  bool readout = false;
};

/// Resets the camera, colouring, rotation and alpha-enable fields; relief, transparency,
/// rotation speed, fog, frame, readout, overlay text and the display toggles stay.
/// (The ruler is reset by the scene, which owns it.)
void ResetViewState(ViewState& view);

/// The sea level in whole metres shared by colouring, the trackbar, the status bar and the
/// cross-section.
int EffectiveSeaLevel(const ViewState& view, const ElevationGrid& grid);

}  // namespace torvane
