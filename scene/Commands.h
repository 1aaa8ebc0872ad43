#pragma once
// The command set of the main window without the window: the condition of every command, the
// effect of the commands that only change settings, and UpdateMenuState, which derives every
// item's enabled and check state from the scene. The window runs a command as: stop rotation
// (for commands that open a dialog), check the condition, act, then the common tail for what
// the effect reports (apply operation, RefreshVertexData, UpdateMenuState, repaint).

#include <cstdint>
#include <map>

namespace torvane {

class Scene;
struct Ruler;
struct ViewState;

/// The facts about the loaded data that conditions and menu state depend on, besides the view
/// and the ruler.
struct CommandContext {
  bool gridLoaded = false;
  bool geoCoordinates = true;  //!< the grid carries geographic coordinates (not LEM data)
  bool imageLoaded = false;    //!< an image is draped on the terrain
  int layerCount = 0;          //!< line/point layers
  int contourSetCount = 0;
};

/// The context of a scene as it stands (stores that do not exist yet count as empty).
CommandContext commandContext(const Scene& scene);

/// The operation that pushes a changed setting into the vertex data.
enum class Propagate { None, LandColours, Relief, Transparency };

/// What a command did. When `acted` is false its condition failed and nothing at all happens
/// next; otherwise the caller runs `apply` (then RefreshVertexData) unless it is None, then
/// UpdateMenuState when `updateMenus`, and repaints.
struct CommandEffect {
  bool acted = false;
  Propagate apply = Propagate::None;
  bool updateMenus = true;
};

/// The condition of command `id`: false when the command must do nothing. Ids without a
/// condition (and unknown ids) give true.
bool commandAllowed(int id, const ViewState& view, const Ruler& ruler,
                    const CommandContext& context);

/// True for the commands that open a dialog; they stop auto-rotation before anything else.
bool commandOpensDialog(int id);

/// True for the commands applySettingCommand carries out completely.
bool isSettingCommand(int id);

/**
 * @brief Runs a command that only changes settings: image colour mode, land types (including
 * the hidden 324..329), land colours, sea levels, graded tints, relief, transparency, rotation
 * speed and direction, the display toggles and the ruler modes.
 *
 * Checks the condition first; returns an effect with `acted` false (and changes nothing) when
 * it fails or when `id` is not such a command.
 */
CommandEffect applySettingCommand(ViewState& view, Ruler& ruler, const CommandContext& context,
                                  int id);

/// Sets the image colour mode (an ImageMode) as the image commands do after loading or removing
/// an image: only when it differs, and then the land colours need applying.
CommandEffect setImageColourMode(ViewState& view, int mode);

/// The sea colour chosen in the colour chooser: land colours are applied, menus stay.
CommandEffect applySeaColour(ViewState& view, uint32_t colour);

/// The hue circle confirmed in its dialog: land colour 6 with the dialog's direction and hues.
CommandEffect applyHueCircle(ViewState& view, bool CRHueR, int CRHueS, int CRHueE);

/// The sea-level item (341..352) that carries the radio mark for a sea level ColorK.
int seaLevelItem(int ColorK);
/// The relief whose item carries the mark for Scale (one no item has for Scale outside 0..104).
long long reliefMark(int Scale);
/// The transparency whose item carries the mark for Alpha (one no item has for Alpha below -23).
long long alphaMark(int Alpha);

struct MenuItemState {
  bool enabled = true;
  bool checked = false;
};

/// The enabled and check state of every menu item and submenu, by command or kMenu* id.
/// Items start enabled and unchecked.
class MenuState {
public:
  MenuItemState get(int id) const;
  bool enabled(int id) const { return get(id).enabled; }
  bool checked(int id) const { return get(id).checked; }
  void setEnabled(int id, bool enabled) { mItems[id].enabled = enabled; }
  void setChecked(int id, bool checked) { mItems[id].checked = checked; }
  /// Moves the radio mark within first..last to `id`. Does nothing when `id` lies outside the
  /// range: the marks then stay as they were.
  void setRadio(int first, int last, long long id);

private:
  std::map<int, MenuItemState> mItems;
};

/// Updates `state` to the scene: enables, greys and marks every item. Radio marks whose
/// item would fall outside its range are left as they were in `state`.
void UpdateMenuState(MenuState& state, const ViewState& view, const Ruler& ruler,
                     const CommandContext& context);

}  // namespace torvane
