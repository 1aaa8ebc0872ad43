#include "scene/Commands.h"

#include <cstdlib>

#include "scene/CommandTable.h"
#include "scene/Scene.h"
#include "scene/ViewState.h"
#include "measure/Ruler.h"

namespace torvane {

namespace {

bool inRange(long long id, int first, int last) { return id >= first && id <= last; }

CommandEffect acted(Propagate apply = Propagate::None) { return {true, apply, true}; }

// The setting a command sets to its row's value, None for other commands.
CommandSetting settingOf(int id) {
  const MenuEntry* entry = findCommandEntry(id);
  return entry != nullptr ? entry->sets : CommandSetting::None;
}

// The field that the items of each setting set, and what then needs applying.
struct SettingField {
  CommandSetting setting;
  int ViewState::*field;
  Propagate apply;
};
constexpr SettingField kSettingFields[] = {
    {CommandSetting::ImageMode, &ViewState::ColorT, Propagate::LandColours},
    {CommandSetting::LandType, &ViewState::ColorS, Propagate::LandColours},
    {CommandSetting::LandColour, &ViewState::ColorR, Propagate::LandColours},
    {CommandSetting::SeaLevel, &ViewState::ColorK, Propagate::LandColours},
    {CommandSetting::Relief, &ViewState::Scale, Propagate::Relief},
    {CommandSetting::Transparency, &ViewState::Alpha, Propagate::Transparency},
    {CommandSetting::Speed, &ViewState::Pitch, Propagate::None},
};

const SettingField* fieldOf(CommandSetting setting) {
  for (const SettingField& entry : kSettingFields) {
    if (entry.setting == setting) {
      return &entry;
    }
  }
  return nullptr;
}

// Moves the mark of the radio group that sets `setting` to the item of `value`; without such
// an item the marks stay as they were.
void markSetting(MenuState& state, CommandSetting setting, long long value) {
  if (const MenuEntry* item = findSettingItem(setting, value)) {
    state.setRadio(item->radioFirst, item->radioLast, item->id);
  }
}

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
    case kCmdSeaColour:
    case kCmdSeaTints:
      return grid && view.ColorT >= kImageAndSea;
    default:
      break;
  }
  switch (settingOf(id)) {
    case CommandSetting::ImageMode:
      return grid && context.imageLoaded;
    case CommandSetting::LandType:
    case CommandSetting::LandColour:  // the hue circle (336) too
      return grid && view.ColorT == kLandAndSea;
    case CommandSetting::SeaLevel:
      return grid && view.ColorT >= kImageAndSea;
    case CommandSetting::Relief:
    case CommandSetting::Transparency:
      return grid;
    case CommandSetting::Speed:
    case CommandSetting::None:
      break;
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
  // Radio items that set a setting, except the hue circle, which asks its dialog first.
  return settingOf(id) != CommandSetting::None && !commandOpensDialog(id);
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
  const MenuEntry& entry = *findCommandEntry(id);
  const SettingField* target = fieldOf(entry.sets);
  if (target == nullptr) {
    return {};  // not reached: isSettingCommand holds only for setting items
  }
  view.*target->field = entry.value;
  // The stepped land colour (only reachable from a project file) has no table for the composite
  // types, so choosing one falls back to the first ramp.
  if (entry.sets == CommandSetting::LandType && isCompositeLandType(entry.value) &&
      view.ColorR == kRampStepped) {
    view.ColorR = kRampRedGreenBlue;
  }
  return acted(target->apply);
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
  view.ColorR = kRampHueCircle;
  view.CRHueR = CRHueR;
  view.CRHueS = CRHueS;
  view.CRHueE = CRHueE;
  return acted(Propagate::LandColours);
}

int seaLevelItem(int ColorK) {
  // The lowest elevation for -1; otherwise the level nearest to ColorK, the higher at a tie.
  const MenuEntry* best = findSettingItem(CommandSetting::SeaLevel, -1);
  if (ColorK < 0) {
    return best->id;
  }
  long long bestDistance = -1;
  for (const MenuEntry& entry : menuTable()) {
    if (entry.sets != CommandSetting::SeaLevel || entry.value < 0) {
      continue;
    }
    const long long distance = std::llabs(static_cast<long long>(ColorK) - entry.value);
    if (bestDistance < 0 || distance < bestDistance ||
        (distance == bestDistance && entry.value > best->value)) {
      best = &entry;
      bestDistance = distance;
    }
  }
  return best->id;
}

// In 64 bits: a project file may hold any int, and the mark then simply stays put.
long long reliefMark(int Scale) {
  // Exact up to 9, then to the nearest ten (a five goes up).
  return Scale <= 9 ? Scale : (static_cast<long long>(Scale) + 5) / 10 * 10;
}

long long alphaMark(int Alpha) {
  // To the nearest multiple of 16 (eight goes up); 256 and above is the opaque item.
  const long long step = (static_cast<long long>(Alpha) + 8) / 16;
  return step >= 16 ? 255 : step * 16;
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
  markSetting(state, CommandSetting::ImageMode, view.ColorT);
  state.setEnabled(kMenuLandType, view.ColorT == kLandAndSea);
  state.setEnabled(kMenuLandColour, view.ColorT == kLandAndSea);
  markSetting(state, CommandSetting::LandType, view.ColorS);
  markSetting(state, CommandSetting::LandColour, view.ColorR);
  state.setEnabled(kMenuSeaLevel, view.ColorT >= kImageAndSea);
  state.setEnabled(kMenuSeaColour, view.ColorT >= kImageAndSea);
  state.setRadio(kCmdSeaLevelFirst, kCmdSeaLevelLast, seaLevelItem(view.ColorK));
  state.setChecked(kCmdSeaTints, view.OceanT);

  state.setEnabled(kMenuRelief, grid);
  state.setEnabled(kMenuTransparency, grid);
  markSetting(state, CommandSetting::Relief, reliefMark(view.Scale));
  markSetting(state, CommandSetting::Transparency, alphaMark(view.Alpha));

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

  markSetting(state, CommandSetting::Speed, view.Pitch);
  state.setRadio(kCmdRotateClockwise, kCmdRotateStop,
                 !view.rotating
                     ? kCmdRotateStop
                     : (view.clockwise ? kCmdRotateClockwise : kCmdRotateCounterClockwise));
}

}  // namespace torvane
