#pragma once
// The command ids of the main window, the one menu table the menu bar is built from, and the
// accelerator table. The menu bar, the command handlers and UpdateMenuState all take their ids
// from here, so a label, its id and its enable/check rule cannot drift apart. A radio item that
// sets a view setting (an image colour mode, land type, land colour, sea level, relief,
// transparency or rotation speed) names the setting and its value in its row.

#include <span>
#include <string_view>

namespace torvane {

// Command ids: every menu item and accelerator arrives as one of these.
inline constexpr int kCmdOpenProject = 121;
inline constexpr int kCmdSaveProject = 122;
inline constexpr int kCmdOpenElevation = 123;
inline constexpr int kCmdAddLineData = 125;
inline constexpr int kCmdDrapeImage = 126;
inline constexpr int kCmdRemoveImage = 127;
inline constexpr int kCmdSaveImage = 128;
inline constexpr int kCmdExit = 129;
inline constexpr int kCmdCompass = 131;
inline constexpr int kCmdTrackbar = 132;
inline constexpr int kCmdStatusBar = 133;
inline constexpr int kCmdRotateClockwise = 151;
inline constexpr int kCmdRotateCounterClockwise = 152;
inline constexpr int kCmdRotateStop = 153;
inline constexpr int kCmdStraightRuler = 161;
inline constexpr int kCmdPathRuler = 162;
inline constexpr int kCmdCrossSection = 164;
inline constexpr int kCmdElevationInfo = 171;
inline constexpr int kCmdLayerInfo = 181;
inline constexpr int kCmdVersion = 191;
inline constexpr int kCmdElevationContours = 201;
inline constexpr int kCmdSlopeContours = 202;
inline constexpr int kCmdContourInfo = 211;
//! 等値線をエクスポート...: the visible contour sets as GeoJSON (an addition of this program).
inline constexpr int kCmdExportContours = 221;
//! GeoTIFFで書き出し...: the shown elevation files as one Cloud-Optimized GeoTIFF (an addition
//! of this program).
inline constexpr int kCmdExportDem = 222;
// Ranges of radio items; each item's row holds the value it sets.
inline constexpr int kCmdImageColourFirst = 301;  //!< 301..303: the image colour modes
inline constexpr int kCmdImageColourLast = 303;
inline constexpr int kCmdLandTypeFirst = 310;  //!< 310..319: land types 0..9 (Ctrl+0..9)
inline constexpr int kCmdLandTypeLast = 319;
inline constexpr int kCmdHiddenLandTypeFirst = 324;  //!< 324..329: land types 14..19 (Shift+4..9)
inline constexpr int kCmdHiddenLandTypeLast = 329;
inline constexpr int kCmdLandColourFirst = 331;  //!< 331..335: land colours 1..5
inline constexpr int kCmdLandColourLast = 335;
inline constexpr int kCmdHueCircle = 336;      //!< land colour 6, through the hue-circle dialog
inline constexpr int kCmdSeaLevelFirst = 341;  //!< 341 lowest elevation, 342..352 1000..0 m
inline constexpr int kCmdSeaLevelLast = 352;
inline constexpr int kCmdSeaColour = 361;
inline constexpr int kCmdSeaTints = 362;
inline constexpr int kCmdReliefFirst = 500;  //!< 500..519: Scale 0..9, 10..100
inline constexpr int kCmdReliefLast = 519;
inline constexpr int kCmdAlphaFirst = 601;  //!< 601..617: Alpha 0, 16, ..., 240, 255
inline constexpr int kCmdAlphaLast = 617;
inline constexpr int kCmdSpeedFirst = 801;  //!< 801..810: Pitch 1..10
inline constexpr int kCmdSpeedLast = 810;

// Ids of the menus and submenus themselves (no command uses these numbers). UpdateMenuState
// enables and greys whole submenus by these ids.
inline constexpr int kMenuFile = 1001;
inline constexpr int kMenuView = 1002;
inline constexpr int kMenuColour = 1003;        //!< 表示 > 色
inline constexpr int kMenuImageColour = 1004;   //!< 色 > 画像
inline constexpr int kMenuLandType = 1005;      //!< 色 > 陸種
inline constexpr int kMenuLandColour = 1006;    //!< 色 > 陸色
inline constexpr int kMenuSeaLevel = 1007;      //!< 色 > 海進
inline constexpr int kMenuSeaColour = 1008;     //!< 色 > 海色
inline constexpr int kMenuRelief = 1009;        //!< 表示 > 起伏
inline constexpr int kMenuTransparency = 1010;  //!< 表示 > 透過
inline constexpr int kMenuRotation = 1011;
inline constexpr int kMenuSpeed = 1012;  //!< 回転 > 速度
inline constexpr int kMenuRuler = 1013;
inline constexpr int kMenuContour = 1014;
inline constexpr int kMenuHelp = 1015;

enum class MenuKind {
  Submenu,    //!< a menu or submenu; its items name it as parent
  Command,    //!< a plain item
  Check,      //!< an item with a check mark of its own
  Radio,      //!< one of a range of items of which at most one carries the mark
  Separator,  //!< a separator line (id 0)
};

/// The view setting that the items of a radio group set, each to the value of its row.
enum class CommandSetting {
  None,
  ImageMode,     //!< ColorT
  LandType,      //!< ColorS
  LandColour,    //!< ColorR
  SeaLevel,      //!< ColorK
  Relief,        //!< Scale
  Transparency,  //!< Alpha
  Speed,         //!< Pitch
};

struct MenuEntry {
  int id;      //!< command id, a kMenu* id for submenus, 0 for separators
  int parent;  //!< the kMenu* id of the menu holding it; 0 for the top-level menus
  MenuKind kind;
  //! The item's text with its mnemonic (&X) and, after a tab, the shortcut text.
  std::string_view label;
  int radioFirst = 0;  //!< for Radio items: the id range the mark moves within
  int radioLast = 0;
  CommandSetting sets = CommandSetting::None;  //!< the setting a radio item sets ...
  int value = 0;                               //!< ... to this value
};

/// Every menu and item of the main menu in display order (a menu precedes its items).
std::span<const MenuEntry> menuTable();

/// The entry of a command or submenu id, or nullptr for ids the menu does not show (such as
/// the hidden land types 324..329) and for 0.
const MenuEntry* findMenuEntry(int id);

/// The entry of a command whether the menu shows it or only an accelerator reaches it (the
/// hidden land types, whose rows name their menu and group but have no label); nullptr for
/// other ids.
const MenuEntry* findCommandEntry(int id);

/// The menu item that sets `setting` to `value`, or nullptr when no item does.
const MenuEntry* findSettingItem(CommandSetting setting, long long value);

enum class AccelModifier { Ctrl, Shift, Alt };

/// One accelerator. `key` is the key as printed on a US keyboard: '0'..'9', 'A'..'Z', or the
/// character keys '/' and '?'.
struct Accelerator {
  AccelModifier modifier;
  char key;
  int command;
};

/// The accelerators of the main window.
std::span<const Accelerator> acceleratorTable();

/// The command of an accelerator, or 0 when the combination is none.
int acceleratorCommand(AccelModifier modifier, char key);

}  // namespace torvane
