#include "scene/Commands.h"

#include "scene/CommandTable.h"
#include "scene/Scene.h"
#include "scene/ViewState.h"
#include "measure/Ruler.h"

namespace torvane {

namespace {

bool inRange(long long id, int first, int last) { return id >= first && id <= last; }

// Sea level of items 341..352: the lowest elevation, then 1000 m down to 0 m.
constexpr int kSeaLevels[] = {-1, 1000, 750, 500, 250, 100, 75, 50, 25, 10, 5, 0};

CommandEffect acted(Propagate apply = Propagate::None) { return {true, apply, true}; }

}  // namespace

CommandContext commandContext(const Scene& scene) {
  CommandContext context;
  context.gridLoaded = scene.grid.count > 0;
  context.geoCoordinates = scene.grid.GeoCoordinates;
  context.imageLoaded = scene.image.loaded;
  // Line/point data is present while the layer store has its vertex buffer.
  context.layerCount = scene.overlays.hasVertexBuffer() ? scene.overlays.groupCount() : 0;
  // Contour sets likewise, with their own store.
  context.contourSetCount = scene.contours.hasVertexBuffer() ? scene.contours.groupCount() : 0;
  return context;
}

bool commandAllowed(int id, const ViewState& view, const Ruler& ruler,
                    const CommandContext& context) {
  const bool grid = context.gridLoaded;
  switch (id) {
    case kCmdSaveProject:
    case kCmdDrapeImage:
    case kCmdCompass:
    case kCmdTrackbar:
    case kCmdStatusBar:
    case kCmdStraightRuler:
    case kCmdPathRuler:
    case kCmdElevationInfo:
    case kCmdElevationContours:
    case kCmdSlopeContours:
    case kCmdExportDem:
      return grid;
    case kCmdAddLineData:
      return grid && context.geoCoordinates;
    case kCmdRemoveImage:
      return grid && context.imageLoaded;
    case kCmdCrossSection:
      return ruler.active() && ruler.pointCount >= 2;
    case kCmdLayerInfo:
      return context.layerCount > 0;
    case kCmdContourInfo:
    case kCmdExportContours:
      return context.contourSetCount > 0;
    case kCmdHueCircle:
      return grid && view.ColorT == 3;
    case kCmdSeaColour:
    case kCmdSeaTints:
      return grid && view.ColorT >= 2;
    default:
      break;
  }
  if (inRange(id, kCmdImageColourFirst, kCmdImageColourLast)) {
    return grid && context.imageLoaded;
  }
  if (inRange(id, kCmdLandTypeFirst, kCmdLandTypeLast) ||
      inRange(id, kCmdHiddenLandTypeFirst, kCmdHiddenLandTypeLast) ||
      inRange(id, kCmdLandColourFirst, kCmdLandColourLast)) {
    return grid && view.ColorT == 3;
  }
  if (inRange(id, kCmdSeaLevelFirst, kCmdSeaLevelLast)) {
    return grid && view.ColorT >= 2;
  }
  if (inRange(id, kCmdReliefFirst, kCmdReliefLast) || inRange(id, kCmdAlphaFirst, kCmdAlphaLast)) {
    return grid;
  }
  return true;
}

bool commandOpensDialog(int id) {
  switch (id) {
    case kCmdOpenProject:
    case kCmdSaveProject:
    case kCmdOpenElevation:
    case kCmdAddLineData:
    case kCmdDrapeImage:
    case kCmdSaveImage:
    case kCmdCrossSection:
    case kCmdElevationInfo:
    case kCmdLayerInfo:
    case kCmdVersion:
    case kCmdElevationContours:
    case kCmdSlopeContours:
    case kCmdContourInfo:
    case kCmdExportContours:
    case kCmdExportDem:
    case kCmdHueCircle:
    case kCmdSeaColour:
      return true;
    default:
      return false;
  }
}

bool isSettingCommand(int id) {
  switch (id) {
    case kCmdCompass:
    case kCmdTrackbar:
    case kCmdStatusBar:
    case kCmdRotateClockwise:
    case kCmdRotateCounterClockwise:
    case kCmdRotateStop:
    case kCmdStraightRuler:
    case kCmdPathRuler:
    case kCmdSeaTints:
      return true;
    default:
      break;
  }
  return inRange(id, kCmdImageColourFirst, kCmdImageColourLast) ||
         inRange(id, kCmdLandTypeFirst, kCmdLandTypeLast) ||
         inRange(id, kCmdHiddenLandTypeFirst, kCmdHiddenLandTypeLast) ||
         inRange(id, kCmdLandColourFirst, kCmdLandColourLast) ||
         inRange(id, kCmdSeaLevelFirst, kCmdSeaLevelLast) ||
         inRange(id, kCmdReliefFirst, kCmdReliefLast) ||
         inRange(id, kCmdAlphaFirst, kCmdAlphaLast) ||
         inRange(id, kCmdSpeedFirst, kCmdSpeedLast);
}

CommandEffect applySettingCommand(ViewState& view, Ruler& ruler, const CommandContext& context,
                                  int id) {
  if (!isSettingCommand(id) || !commandAllowed(id, view, ruler, context)) {
    return {};
  }
  switch (id) {
    case kCmdCompass:
      view.compass = !view.compass;
      return acted();
    case kCmdTrackbar:
      view.trackbar = !view.trackbar;
      return acted();
    case kCmdStatusBar:
      view.statusBar = !view.statusBar;
      return acted();
    case kCmdRotateClockwise:
    case kCmdRotateCounterClockwise:
      view.rotating = true;
      view.clockwise = id == kCmdRotateClockwise;
      return acted();
    case kCmdRotateStop:
      view.rotating = false;
      return acted();
    case kCmdStraightRuler:
      toggleStraightRuler(ruler);
      return acted();
    case kCmdPathRuler:
      togglePathRuler(ruler);
      return acted();
    case kCmdSeaTints:
      view.OceanT = !view.OceanT;
      return acted(Propagate::LandColours);
    default:
      break;
  }
  if (inRange(id, kCmdImageColourFirst, kCmdImageColourLast)) {
    view.ColorT = id - 300;
    return acted(Propagate::LandColours);
  }
  if (inRange(id, kCmdLandTypeFirst, kCmdLandTypeLast) ||
      inRange(id, kCmdHiddenLandTypeFirst, kCmdHiddenLandTypeLast)) {
    view.ColorS = id - 310;
    // Land colour 7 (only reachable from a project file) has no table for the composite
    // types, so choosing one falls back to the first ramp.
    if (id > 313 && view.ColorR == 7) {
      view.ColorR = 1;
    }
    return acted(Propagate::LandColours);
  }
  if (inRange(id, kCmdLandColourFirst, kCmdLandColourLast)) {
    view.ColorR = id - 330;
    return acted(Propagate::LandColours);
  }
  if (inRange(id, kCmdSeaLevelFirst, kCmdSeaLevelLast)) {
    view.ColorK = kSeaLevels[id - kCmdSeaLevelFirst];
    return acted(Propagate::LandColours);
  }
  if (inRange(id, kCmdReliefFirst, kCmdReliefLast)) {
    view.Scale = id <= 509 ? id - 500 : id * 10 - 5090;
    return acted(Propagate::Relief);
  }
  if (inRange(id, kCmdAlphaFirst, kCmdAlphaLast)) {
    view.Alpha = id == kCmdAlphaLast ? 255 : (id - kCmdAlphaFirst) * 16;
    return acted(Propagate::Transparency);
  }
  // Rotation speed (the only range left).
  view.Pitch = id - 800;
  return acted();
}

CommandEffect setImageColourMode(ViewState& view, int mode) {
  if (view.ColorT == mode) {
    return acted();
  }
  view.ColorT = mode;
  return acted(Propagate::LandColours);
}

CommandEffect applySeaColour(ViewState& view, uint32_t colour) {
  view.OceanC = colour;
  return {true, Propagate::LandColours, false};
}

CommandEffect applyHueCircle(ViewState& view, bool CRHueR, int CRHueS, int CRHueE) {
  view.ColorR = 6;
  view.CRHueR = CRHueR;
  view.CRHueS = CRHueS;
  view.CRHueE = CRHueE;
  return acted(Propagate::LandColours);
}

int seaLevelItem(int ColorK) {
  if (ColorK < 0) return 341;
  if (ColorK <= 2) return 352;
  if (ColorK <= 7) return 351;
  if (ColorK <= 17) return 350;
  if (ColorK <= 37) return 349;
  if (ColorK <= 62) return 348;
  if (ColorK <= 87) return 347;
  if (ColorK <= 174) return 346;
  if (ColorK <= 374) return 345;
  if (ColorK <= 624) return 344;
  if (ColorK <= 874) return 343;
  return 342;
}

// Both in 64 bits: a project file may hold any int, and the mark then simply stays put.
long long reliefItem(int Scale) {
  return Scale <= 9 ? 500LL + Scale : 509 + (static_cast<long long>(Scale) + 5) / 10;
}

long long alphaItem(int Alpha) {
  const long long item = 601 + (static_cast<long long>(Alpha) + 8) / 16;
  return item > kCmdAlphaLast ? kCmdAlphaLast : item;
}

MenuItemState MenuState::get(int id) const {
  const auto it = mItems.find(id);
  return it != mItems.end() ? it->second : MenuItemState{};
}

void MenuState::setRadio(int first, int last, long long id) {
  if (!inRange(id, first, last)) {
    return;
  }
  for (int other = first; other <= last; ++other) {
    setChecked(other, other == id);
  }
}

void UpdateMenuState(MenuState& state, const ViewState& view, const Ruler& ruler,
                     const CommandContext& context) {
  const bool grid = context.gridLoaded;

  // File menu (121, 123 and 128 are always enabled).
  state.setEnabled(kCmdSaveProject, grid);
  state.setEnabled(kCmdAddLineData, grid && context.geoCoordinates);
  state.setEnabled(kCmdDrapeImage, grid);
  state.setEnabled(kCmdRemoveImage, grid && context.imageLoaded);

  // The colour submenu and what it holds.
  state.setEnabled(kMenuColour, grid);
  state.setEnabled(kMenuImageColour, context.imageLoaded);
  state.setRadio(kCmdImageColourFirst, kCmdImageColourLast, 300LL + view.ColorT);
  state.setEnabled(kMenuLandType, view.ColorT > 2);
  state.setEnabled(kMenuLandColour, view.ColorT > 2);
  state.setRadio(kCmdLandTypeFirst, kCmdLandTypeLast, 310LL + view.ColorS);
  state.setRadio(kCmdLandColourFirst, kCmdHueCircle, 330LL + view.ColorR);
  state.setEnabled(kMenuSeaLevel, view.ColorT > 1);
  state.setEnabled(kMenuSeaColour, view.ColorT > 1);
  state.setRadio(kCmdSeaLevelFirst, kCmdSeaLevelLast, seaLevelItem(view.ColorK));
  state.setChecked(kCmdSeaTints, view.OceanT);

  state.setEnabled(kMenuRelief, grid);
  state.setEnabled(kMenuTransparency, grid);
  state.setRadio(kCmdReliefFirst, kCmdReliefLast, reliefItem(view.Scale));
  state.setRadio(kCmdAlphaFirst, kCmdAlphaLast, alphaItem(view.Alpha));

  // Display toggles and ruler modes: shown checked only while there is a grid to show them on.
  const std::pair<int, bool> toggles[] = {{kCmdCompass, view.compass},
                                          {kCmdTrackbar, view.trackbar},
                                          {kCmdStatusBar, view.statusBar},
                                          {kCmdStraightRuler, ruler.straightMode},
                                          {kCmdPathRuler, ruler.pathMode}};
  for (const auto& [id, on] : toggles) {
    state.setEnabled(id, grid);
    state.setChecked(id, grid && on);
  }
  state.setEnabled(kCmdCrossSection, ruler.active() && ruler.pointCount >= 2);

  state.setEnabled(kCmdElevationInfo, grid);
  state.setEnabled(kCmdExportDem, grid);
  state.setEnabled(kCmdElevationContours, grid);
  state.setEnabled(kCmdSlopeContours, grid);
  state.setEnabled(kCmdLayerInfo, context.layerCount > 0);
  state.setEnabled(kCmdContourInfo, context.contourSetCount > 0);
  state.setEnabled(kCmdExportContours, context.contourSetCount > 0);

  state.setRadio(kCmdSpeedFirst, kCmdSpeedLast, 800LL + view.Pitch);
  state.setRadio(kCmdRotateClockwise, kCmdRotateStop,
                 !view.rotating ? kCmdRotateStop
                                : (view.clockwise ? kCmdRotateClockwise
                                                  : kCmdRotateCounterClockwise));
}

}  // namespace torvane
