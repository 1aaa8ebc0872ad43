#include "scene/CommandTable.h"

#include <algorithm>
#include <iterator>

namespace torvane {

namespace {

using K = MenuKind;

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
constexpr MenuEntry radio(int id, int parent, std::string_view label, int first, int last) {
  return {id, parent, K::Radio, label, first, last};
}

// clang-format off
constexpr MenuEntry kMenu[] = {
    menu(kMenuFile, 0, "ファイル(&F)"),
    item(121, kMenuFile, "開く(&O)..."),
    item(122, kMenuFile, "保存(&S)..."),
    sep(kMenuFile),
    item(123, kMenuFile, "標高データを開く(&M)..."),
    item(125, kMenuFile, "線点データの追加(&L)..."),
    item(126, kMenuFile, "画像の貼付(&T)..."),
    sep(kMenuFile),
    item(128, kMenuFile, "イメージを保存(&I)..."),
    item(kCmdExportDem, kMenuFile, "GeoTIFFで書き出し(&G)..."),
    sep(kMenuFile),
    item(129, kMenuFile, "終了(&X)"),

    menu(kMenuView, 0, "表示(&V)"),
    menu(kMenuColour, kMenuView, "色(&C)"),
    menu(kMenuImageColour, kMenuColour, "画像(&G)"),
    radio(301, kMenuImageColour, "画像色(&G)", 301, 303),
    radio(302, kMenuImageColour, "画像色+海色(&U)", 301, 303),
    radio(303, kMenuImageColour, "画像色+陸海色(&R)", 301, 303),
    sep(kMenuColour),
    menu(kMenuLandType, kMenuColour, "陸種(&S)"),
    radio(310, kMenuLandType, "標高(&H)\tCtrl+0", 310, 319),
    sep(kMenuLandType),
    radio(311, kMenuLandType, "傾斜量(&K)\tCtrl+1", 310, 319),
    radio(312, kMenuLandType, "地上開度(&U)\tCtrl+2", 310, 319),
    radio(313, kMenuLandType, "地下開度(&S)\tCtrl+3", 310, 319),
    sep(kMenuLandType),
    radio(314, kMenuLandType, "標高+傾斜量(&A)\tCtrl+4", 310, 319),
    radio(315, kMenuLandType, "標高+地上開度(&B)\tCtrl+5", 310, 319),
    radio(316, kMenuLandType, "標高+地上+地下(&C)\tCtrl+6", 310, 319),
    sep(kMenuLandType),
    radio(317, kMenuLandType, "傾斜量+地上開度(&D)\tCtrl+7", 310, 319),
    radio(318, kMenuLandType, "傾斜量+地上+地下(&E)\tCtrl+8", 310, 319),
    sep(kMenuLandType),
    radio(319, kMenuLandType, "地上開度+地下開度(&F)\tCtrl+9", 310, 319),
    menu(kMenuLandColour, kMenuColour, "陸色(&R)"),
    radio(331, kMenuLandColour, "赤緑青(&C)\tCtrl+C", 331, 336),
    radio(332, kMenuLandColour, "白黒赤(&R)\tCtrl+R", 331, 336),
    radio(333, kMenuLandColour, "白黒緑(&G)\tCtrl+G", 331, 336),
    radio(334, kMenuLandColour, "白黒青(&B)\tCtrl+B", 331, 336),
    radio(335, kMenuLandColour, "白黒(&M)\tCtrl+M", 331, 336),
    sep(kMenuLandColour),
    radio(336, kMenuLandColour, "色相環(&H)...", 331, 336),
    sep(kMenuColour),
    menu(kMenuSeaLevel, kMenuColour, "海進(&K)"),
    radio(341, kMenuSeaLevel, "最低標高", 341, 352),
    sep(kMenuSeaLevel),
    radio(342, kMenuSeaLevel, "1000", 341, 352),
    radio(343, kMenuSeaLevel, "750", 341, 352),
    radio(344, kMenuSeaLevel, "500", 341, 352),
    radio(345, kMenuSeaLevel, "250", 341, 352),
    radio(346, kMenuSeaLevel, "100", 341, 352),
    radio(347, kMenuSeaLevel, "75", 341, 352),
    radio(348, kMenuSeaLevel, "50", 341, 352),
    radio(349, kMenuSeaLevel, "25", 341, 352),
    radio(350, kMenuSeaLevel, "10", 341, 352),
    radio(351, kMenuSeaLevel, "5", 341, 352),
    radio(352, kMenuSeaLevel, "0", 341, 352),
    menu(kMenuSeaColour, kMenuColour, "海色(&U)"),
    item(361, kMenuSeaColour, "色(&C)..."),
    check(362, kMenuSeaColour, "段彩(&T)"),
    menu(kMenuRelief, kMenuView, "起伏(&H)"),
    radio(500, kMenuRelief, "0 低", 500, 519),
    radio(501, kMenuRelief, "1", 500, 519),
    radio(502, kMenuRelief, "2", 500, 519),
    radio(503, kMenuRelief, "3", 500, 519),
    radio(504, kMenuRelief, "4", 500, 519),
    radio(505, kMenuRelief, "5", 500, 519),
    radio(506, kMenuRelief, "6", 500, 519),
    radio(507, kMenuRelief, "7", 500, 519),
    radio(508, kMenuRelief, "8", 500, 519),
    radio(509, kMenuRelief, "9", 500, 519),
    radio(510, kMenuRelief, "10", 500, 519),
    radio(511, kMenuRelief, "20", 500, 519),
    radio(512, kMenuRelief, "30", 500, 519),
    radio(513, kMenuRelief, "40", 500, 519),
    radio(514, kMenuRelief, "50", 500, 519),
    radio(515, kMenuRelief, "60", 500, 519),
    radio(516, kMenuRelief, "70", 500, 519),
    radio(517, kMenuRelief, "80", 500, 519),
    radio(518, kMenuRelief, "90", 500, 519),
    radio(519, kMenuRelief, "100 高", 500, 519),
    menu(kMenuTransparency, kMenuView, "透過(&A)"),
    radio(601, kMenuTransparency, "0 薄", 601, 617),
    radio(602, kMenuTransparency, "16", 601, 617),
    radio(603, kMenuTransparency, "32", 601, 617),
    radio(604, kMenuTransparency, "48", 601, 617),
    radio(605, kMenuTransparency, "64", 601, 617),
    radio(606, kMenuTransparency, "80", 601, 617),
    radio(607, kMenuTransparency, "96", 601, 617),
    radio(608, kMenuTransparency, "112", 601, 617),
    radio(609, kMenuTransparency, "128", 601, 617),
    radio(610, kMenuTransparency, "144", 601, 617),
    radio(611, kMenuTransparency, "160", 601, 617),
    radio(612, kMenuTransparency, "176", 601, 617),
    radio(613, kMenuTransparency, "192", 601, 617),
    radio(614, kMenuTransparency, "208", 601, 617),
    radio(615, kMenuTransparency, "224", 601, 617),
    radio(616, kMenuTransparency, "240", 601, 617),
    radio(617, kMenuTransparency, "255 濃", 601, 617),
    sep(kMenuView),
    check(131, kMenuView, "コンパス(&O)"),
    check(132, kMenuView, "トラックバー(&T)"),
    check(133, kMenuView, "ステータスバー(&S)"),

    menu(kMenuRotation, 0, "回転(&R)"),
    menu(kMenuSpeed, kMenuRotation, "速度(&S)"),
    radio(801, kMenuSpeed, "1 遅", 801, 810),
    radio(802, kMenuSpeed, "2", 801, 810),
    radio(803, kMenuSpeed, "3", 801, 810),
    radio(804, kMenuSpeed, "4", 801, 810),
    radio(805, kMenuSpeed, "5", 801, 810),
    radio(806, kMenuSpeed, "6", 801, 810),
    radio(807, kMenuSpeed, "7", 801, 810),
    radio(808, kMenuSpeed, "8", 801, 810),
    radio(809, kMenuSpeed, "9", 801, 810),
    radio(810, kMenuSpeed, "10 速", 801, 810),
    sep(kMenuRotation),
    radio(151, kMenuRotation, "時計回り(&R)", 151, 153),
    radio(152, kMenuRotation, "反時計回り(&L)", 151, 153),
    radio(153, kMenuRotation, "停止(&F)", 151, 153),

    menu(kMenuRuler, 0, "定規(&U)"),
    check(161, kMenuRuler, "直線(&S)\tCtrl+S"),
    check(162, kMenuRuler, "パス(&P)\tCtrl+P"),
    sep(kMenuRuler),
    item(164, kMenuRuler, "断面(&D)..."),

    menu(kMenuContour, 0, "等値線(&I)"),
    item(201, kMenuContour, "標高線(&E)..."),
    item(202, kMenuContour, "傾斜量線(&S)..."),
    sep(kMenuContour),
    item(211, kMenuContour, "データ情報(&I)..."),
    item(221, kMenuContour, "等値線をエクスポート(&X)..."),

    menu(kMenuHelp, 0, "ヘルプ(&H)"),
    item(171, kMenuHelp, "標高データ情報(&M)..."),
    item(181, kMenuHelp, "線点データ情報(&L)..."),
    item(127, kMenuHelp, "画像の削除(&T)"),
    sep(kMenuHelp),
    item(191, kMenuHelp, "バージョン情報(&A)..."),
};

constexpr Accelerator kAccelerators[] = {
    {AccelModifier::Alt, '?', 191},  {AccelModifier::Alt, '/', 191},
    {AccelModifier::Ctrl, '0', 310}, {AccelModifier::Ctrl, '1', 311},
    {AccelModifier::Ctrl, '2', 312}, {AccelModifier::Ctrl, '3', 313},
    {AccelModifier::Ctrl, '4', 314}, {AccelModifier::Ctrl, '5', 315},
    {AccelModifier::Ctrl, '6', 316}, {AccelModifier::Ctrl, '7', 317},
    {AccelModifier::Ctrl, '8', 318}, {AccelModifier::Ctrl, '9', 319},
    {AccelModifier::Shift, '4', 324}, {AccelModifier::Shift, '5', 325},
    {AccelModifier::Shift, '6', 326}, {AccelModifier::Shift, '7', 327},
    {AccelModifier::Shift, '8', 328}, {AccelModifier::Shift, '9', 329},
    {AccelModifier::Ctrl, 'C', 331}, {AccelModifier::Ctrl, 'R', 332},
    {AccelModifier::Ctrl, 'G', 333}, {AccelModifier::Ctrl, 'B', 334},
    {AccelModifier::Ctrl, 'M', 335},
    {AccelModifier::Ctrl, 'S', 161},
    {AccelModifier::Ctrl, 'P', 162},
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
