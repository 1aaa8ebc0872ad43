#include "scene/CommandTable.h"

#include <algorithm>
#include <iterator>

#include "terrain/LandColouring.h"

namespace torvane {

namespace {

using K = MenuKind;
using S = CommandSetting;

constexpr MenuEntry sep(int parent) { return {0, parent, K::Separator, {}}; }
constexpr MenuEntry item(int id, int parent, std::string_view label) {
  return {id, parent, K::Command, label};
}
constexpr MenuEntry check(int id, int parent, std::string_view label) {
  return {id, parent, K::Check, label};
}
constexpr MenuEntry menu(int id, int parent, std::string_view label) {
  return {id, parent, K::Submenu, label};
}

// A range of radio items in one menu, of which at most one carries the mark, and the setting
// its items set.
struct RadioGroup {
  int menu;
  int first;
  int last;
  CommandSetting sets = S::None;
};
constexpr RadioGroup kImageColours{kMenuImageColour, kCmdImageColourFirst, kCmdImageColourLast,
                                   S::ImageMode};
constexpr RadioGroup kLandTypes{kMenuLandType, kCmdLandTypeFirst, kCmdLandTypeLast, S::LandType};
constexpr RadioGroup kHiddenLandTypes{kMenuLandType, kCmdHiddenLandTypeFirst,
                                      kCmdHiddenLandTypeLast, S::LandType};
constexpr RadioGroup kLandColours{kMenuLandColour, kCmdLandColourFirst, kCmdHueCircle,
                                  S::LandColour};
constexpr RadioGroup kSeaLevels{kMenuSeaLevel, kCmdSeaLevelFirst, kCmdSeaLevelLast, S::SeaLevel};
constexpr RadioGroup kReliefs{kMenuRelief, kCmdReliefFirst, kCmdReliefLast, S::Relief};
constexpr RadioGroup kAlphas{kMenuTransparency, kCmdAlphaFirst, kCmdAlphaLast, S::Transparency};
constexpr RadioGroup kSpeeds{kMenuSpeed, kCmdSpeedFirst, kCmdSpeedLast, S::Speed};
constexpr RadioGroup kRotations{kMenuRotation, kCmdRotateClockwise, kCmdRotateStop};

// Item `position` of a radio group (its id is the group's first id plus the position), which
// sets the group's setting to `value`.
constexpr MenuEntry radio(const RadioGroup& group, int position, std::string_view label,
                          int value = 0) {
  return {group.first + position,
          group.menu,
          K::Radio,
          label,
          group.first,
          group.last,
          group.sets,
          value};
}

// clang-format off
constexpr MenuEntry kMenu[] = {
    menu(kMenuFile, 0, "ファイル(&F)"),
    item(kCmdOpenProject, kMenuFile, "開く(&O)..."),
    item(kCmdSaveProject, kMenuFile, "保存(&S)..."),
    sep(kMenuFile),
    item(kCmdOpenElevation, kMenuFile, "標高データを開く(&M)..."),
    item(kCmdAddLineData, kMenuFile, "線点データの追加(&L)..."),
    item(kCmdDrapeImage, kMenuFile, "画像の貼付(&T)..."),
    sep(kMenuFile),
    item(kCmdSaveImage, kMenuFile, "イメージを保存(&I)..."),
    item(kCmdExportDem, kMenuFile, "GeoTIFFで書き出し(&G)..."),
    sep(kMenuFile),
    item(kCmdExit, kMenuFile, "終了(&X)"),

    menu(kMenuView, 0, "表示(&V)"),
    menu(kMenuColour, kMenuView, "色(&C)"),
    menu(kMenuImageColour, kMenuColour, "画像(&G)"),
    radio(kImageColours, 0, "画像色(&G)", kImageOnly),
    radio(kImageColours, 1, "画像色+海色(&U)", kImageAndSea),
    radio(kImageColours, 2, "画像色+陸海色(&R)", kLandAndSea),
    sep(kMenuColour),
    menu(kMenuLandType, kMenuColour, "陸種(&S)"),
    radio(kLandTypes, 0, "標高(&H)\tCtrl+0", kLandElevation),
    sep(kMenuLandType),
    radio(kLandTypes, 1, "傾斜量(&K)\tCtrl+1", kLandSlope),
    radio(kLandTypes, 2, "地上開度(&U)\tCtrl+2", kLandOpenAbove),
    radio(kLandTypes, 3, "地下開度(&S)\tCtrl+3", kLandOpenBelow),
    sep(kMenuLandType),
    radio(kLandTypes, 4, "標高+傾斜量(&A)\tCtrl+4", kLandElevationSlope),
    radio(kLandTypes, 5, "標高+地上開度(&B)\tCtrl+5", kLandElevationOpenAbove),
    radio(kLandTypes, 6, "標高+地上+地下(&C)\tCtrl+6", kLandElevationOpenings),
    sep(kMenuLandType),
    radio(kLandTypes, 7, "傾斜量+地上開度(&D)\tCtrl+7", kLandSlopeOpenAbove),
    radio(kLandTypes, 8, "傾斜量+地上+地下(&E)\tCtrl+8", kLandSlopeOpenings),
    sep(kMenuLandType),
    radio(kLandTypes, 9, "地上開度+地下開度(&F)\tCtrl+9", kLandOpenings),
    menu(kMenuLandColour, kMenuColour, "陸色(&R)"),
    radio(kLandColours, 0, "赤緑青(&C)\tCtrl+C", kRampRedGreenBlue),
    radio(kLandColours, 1, "白黒赤(&R)\tCtrl+R", kRampWhiteRed),
    radio(kLandColours, 2, "白黒緑(&G)\tCtrl+G", kRampWhiteGreen),
    radio(kLandColours, 3, "白黒青(&B)\tCtrl+B", kRampWhiteBlue),
    radio(kLandColours, 4, "白黒(&M)\tCtrl+M", kRampWhiteBlack),
    sep(kMenuLandColour),
    radio(kLandColours, 5, "色相環(&H)...", kRampHueCircle),  // through the hue-circle dialog
    sep(kMenuColour),
    menu(kMenuSeaLevel, kMenuColour, "海進(&K)"),
    radio(kSeaLevels, 0, "最低標高", -1),
    sep(kMenuSeaLevel),
    radio(kSeaLevels, 1, "1000", 1000),
    radio(kSeaLevels, 2, "750", 750),
    radio(kSeaLevels, 3, "500", 500),
    radio(kSeaLevels, 4, "250", 250),
    radio(kSeaLevels, 5, "100", 100),
    radio(kSeaLevels, 6, "75", 75),
    radio(kSeaLevels, 7, "50", 50),
    radio(kSeaLevels, 8, "25", 25),
    radio(kSeaLevels, 9, "10", 10),
    radio(kSeaLevels, 10, "5", 5),
    radio(kSeaLevels, 11, "0", 0),
    menu(kMenuSeaColour, kMenuColour, "海色(&U)"),
    item(kCmdSeaColour, kMenuSeaColour, "色(&C)..."),
    check(kCmdSeaTints, kMenuSeaColour, "段彩(&T)"),
    menu(kMenuRelief, kMenuView, "起伏(&H)"),
    radio(kReliefs, 0, "0 低", 0),
    radio(kReliefs, 1, "1", 1),
    radio(kReliefs, 2, "2", 2),
    radio(kReliefs, 3, "3", 3),
    radio(kReliefs, 4, "4", 4),
    radio(kReliefs, 5, "5", 5),
    radio(kReliefs, 6, "6", 6),
    radio(kReliefs, 7, "7", 7),
    radio(kReliefs, 8, "8", 8),
    radio(kReliefs, 9, "9", 9),
    radio(kReliefs, 10, "10", 10),
    radio(kReliefs, 11, "20", 20),
    radio(kReliefs, 12, "30", 30),
    radio(kReliefs, 13, "40", 40),
    radio(kReliefs, 14, "50", 50),
    radio(kReliefs, 15, "60", 60),
    radio(kReliefs, 16, "70", 70),
    radio(kReliefs, 17, "80", 80),
    radio(kReliefs, 18, "90", 90),
    radio(kReliefs, 19, "100 高", 100),
    menu(kMenuTransparency, kMenuView, "透過(&A)"),
    radio(kAlphas, 0, "0 薄", 0),
    radio(kAlphas, 1, "16", 16),
    radio(kAlphas, 2, "32", 32),
    radio(kAlphas, 3, "48", 48),
    radio(kAlphas, 4, "64", 64),
    radio(kAlphas, 5, "80", 80),
    radio(kAlphas, 6, "96", 96),
    radio(kAlphas, 7, "112", 112),
    radio(kAlphas, 8, "128", 128),
    radio(kAlphas, 9, "144", 144),
    radio(kAlphas, 10, "160", 160),
    radio(kAlphas, 11, "176", 176),
    radio(kAlphas, 12, "192", 192),
    radio(kAlphas, 13, "208", 208),
    radio(kAlphas, 14, "224", 224),
    radio(kAlphas, 15, "240", 240),
    radio(kAlphas, 16, "255 濃", 255),
    sep(kMenuView),
    check(kCmdCompass, kMenuView, "コンパス(&O)"),
    check(kCmdTrackbar, kMenuView, "トラックバー(&T)"),
    check(kCmdStatusBar, kMenuView, "ステータスバー(&S)"),

    menu(kMenuRotation, 0, "回転(&R)"),
    menu(kMenuSpeed, kMenuRotation, "速度(&S)"),
    radio(kSpeeds, 0, "1 遅", 1),
    radio(kSpeeds, 1, "2", 2),
    radio(kSpeeds, 2, "3", 3),
    radio(kSpeeds, 3, "4", 4),
    radio(kSpeeds, 4, "5", 5),
    radio(kSpeeds, 5, "6", 6),
    radio(kSpeeds, 6, "7", 7),
    radio(kSpeeds, 7, "8", 8),
    radio(kSpeeds, 8, "9", 9),
    radio(kSpeeds, 9, "10 速", 10),
    sep(kMenuRotation),
    radio(kRotations, 0, "時計回り(&R)"),
    radio(kRotations, 1, "反時計回り(&L)"),
    radio(kRotations, 2, "停止(&F)"),

    menu(kMenuRuler, 0, "定規(&U)"),
    check(kCmdStraightRuler, kMenuRuler, "直線(&S)\tCtrl+S"),
    check(kCmdPathRuler, kMenuRuler, "パス(&P)\tCtrl+P"),
    sep(kMenuRuler),
    item(kCmdCrossSection, kMenuRuler, "断面(&D)..."),

    menu(kMenuContour, 0, "等値線(&I)"),
    item(kCmdElevationContours, kMenuContour, "標高線(&E)..."),
    item(kCmdSlopeContours, kMenuContour, "傾斜量線(&S)..."),
    sep(kMenuContour),
    item(kCmdContourInfo, kMenuContour, "データ情報(&I)..."),
    item(kCmdExportContours, kMenuContour, "等値線をエクスポート(&X)..."),

    menu(kMenuHelp, 0, "ヘルプ(&H)"),
    item(kCmdElevationInfo, kMenuHelp, "標高データ情報(&M)..."),
    item(kCmdLayerInfo, kMenuHelp, "線点データ情報(&L)..."),
    item(kCmdRemoveImage, kMenuHelp, "画像の削除(&T)"),
    sep(kMenuHelp),
    item(kCmdVersion, kMenuHelp, "バージョン情報(&A)..."),
};

// The special composite land types: no menu item, only Shift+4..9.
constexpr MenuEntry kHiddenCommands[] = {
    radio(kHiddenLandTypes, 0, {}, kLandElevationSlope + kSpecialLandTypeOffset),
    radio(kHiddenLandTypes, 1, {}, kLandElevationOpenAbove + kSpecialLandTypeOffset),
    radio(kHiddenLandTypes, 2, {}, kLandElevationOpenings + kSpecialLandTypeOffset),
    radio(kHiddenLandTypes, 3, {}, kLandSlopeOpenAbove + kSpecialLandTypeOffset),
    radio(kHiddenLandTypes, 4, {}, kLandSlopeOpenings + kSpecialLandTypeOffset),
    radio(kHiddenLandTypes, 5, {}, kLandOpenings + kSpecialLandTypeOffset),
};

constexpr int landType(int position) { return kCmdLandTypeFirst + position; }
constexpr int hiddenLandType(int position) { return kCmdHiddenLandTypeFirst + position; }
constexpr int landColour(int position) { return kCmdLandColourFirst + position; }

constexpr Accelerator kAccelerators[] = {
    {AccelModifier::Alt, '?', kCmdVersion},      {AccelModifier::Alt, '/', kCmdVersion},
    {AccelModifier::Ctrl, '0', landType(0)},     {AccelModifier::Ctrl, '1', landType(1)},
    {AccelModifier::Ctrl, '2', landType(2)},     {AccelModifier::Ctrl, '3', landType(3)},
    {AccelModifier::Ctrl, '4', landType(4)},     {AccelModifier::Ctrl, '5', landType(5)},
    {AccelModifier::Ctrl, '6', landType(6)},     {AccelModifier::Ctrl, '7', landType(7)},
    {AccelModifier::Ctrl, '8', landType(8)},     {AccelModifier::Ctrl, '9', landType(9)},
    {AccelModifier::Shift, '4', hiddenLandType(0)}, {AccelModifier::Shift, '5', hiddenLandType(1)},
    {AccelModifier::Shift, '6', hiddenLandType(2)}, {AccelModifier::Shift, '7', hiddenLandType(3)},
    {AccelModifier::Shift, '8', hiddenLandType(4)}, {AccelModifier::Shift, '9', hiddenLandType(5)},
    {AccelModifier::Ctrl, 'C', landColour(0)},   {AccelModifier::Ctrl, 'R', landColour(1)},
    {AccelModifier::Ctrl, 'G', landColour(2)},   {AccelModifier::Ctrl, 'B', landColour(3)},
    {AccelModifier::Ctrl, 'M', landColour(4)},
    {AccelModifier::Ctrl, 'S', kCmdStraightRuler},
    {AccelModifier::Ctrl, 'P', kCmdPathRuler},
};
// clang-format on

}  // namespace

std::span<const MenuEntry> menuTable() { return kMenu; }

const MenuEntry* findMenuEntry(int id) {
  if (id == 0) {
    return nullptr;
  }
  const auto* it = std::find_if(std::begin(kMenu), std::end(kMenu),
                                [id](const MenuEntry& entry) { return entry.id == id; });
  return it != std::end(kMenu) ? it : nullptr;
}

const MenuEntry* findCommandEntry(int id) {
  if (const MenuEntry* entry = findMenuEntry(id)) {
    return entry;
  }
  const auto* it = std::find_if(std::begin(kHiddenCommands), std::end(kHiddenCommands),
                                [id](const MenuEntry& entry) { return entry.id == id; });
  return it != std::end(kHiddenCommands) ? it : nullptr;
}

const MenuEntry* findSettingItem(CommandSetting setting, long long value) {
  if (setting == CommandSetting::None) {
    return nullptr;
  }
  const auto* it = std::find_if(std::begin(kMenu), std::end(kMenu), [&](const MenuEntry& entry) {
    return entry.sets == setting && entry.value == value;
  });
  return it != std::end(kMenu) ? it : nullptr;
}

std::span<const Accelerator> acceleratorTable() { return kAccelerators; }

int acceleratorCommand(AccelModifier modifier, char key) {
  for (const Accelerator& accel : kAccelerators) {
    if (accel.modifier == modifier && accel.key == key) {
      return accel.command;
    }
  }
  return 0;
}

}  // namespace torvane
