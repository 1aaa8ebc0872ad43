#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <string_view>
#include <vector>

#include "scene/CommandTable.h"
#include "scene/Commands.h"
#include "scene/Scene.h"
#include "scene/ViewState.h"
#include "measure/Ruler.h"

using namespace torvane;

namespace {

class CommandsTest : public ::testing::Test {
protected:
  CommandsTest() { context.gridLoaded = true; }

  CommandEffect run(int id) { return applySettingCommand(view, ruler, context, id); }
  void update() { UpdateMenuState(menu, view, ruler, context); }
  // The one checked item of a radio range, or 0 when none is.
  int marked(int first, int last) const { return markedIn(menu, first, last); }
  static int markedIn(const MenuState& state, int first, int last) {
    int found = 0;
    for (int id = first; id <= last; ++id) {
      if (state.checked(id)) {
        EXPECT_EQ(found, 0) << "two marks in " << first << ".." << last;
        found = id;
      }
    }
    return found;
  }

  ViewState view;
  Ruler ruler;
  CommandContext context;
  MenuState menu;
};

}  // namespace

TEST_F(CommandsTest, WithoutGridEverythingThatNeedsOneIsGreyedAndInert) {
  context.gridLoaded = false;
  update();
  for (int id : {kMenuColour, kMenuRelief, kMenuTransparency, 122, 125, 126, 127, 131, 132, 133,
                 161, 162, 164, 171, 201, 202, kCmdExportDem}) {
    EXPECT_FALSE(menu.enabled(id)) << id;
  }
  EXPECT_FALSE(commandAllowed(kCmdExportDem, view, ruler, context)) << "nothing to export";
  for (int id : {121, 123, 128, 129, 191, kMenuRotation, 151, 801}) {
    EXPECT_TRUE(menu.enabled(id)) << id;
  }
  // Toggles read unchecked without a grid, though they stay on in the view.
  EXPECT_FALSE(menu.checked(kCmdCompass));
  EXPECT_TRUE(view.compass);

  for (int id : {131, 161, 311, 327, 331, 345, 362, 511, 610}) {
    const ViewState before = view;
    EXPECT_FALSE(run(id).acted) << id;
    EXPECT_EQ(view.ColorS, before.ColorS);
    EXPECT_EQ(view.Scale, before.Scale);
    EXPECT_EQ(view.Alpha, before.Alpha);
    EXPECT_EQ(view.ColorK, before.ColorK);
    EXPECT_EQ(view.compass, before.compass);
  }
  EXPECT_FALSE(ruler.straightMode);
  // Rotation needs no grid.
  EXPECT_TRUE(run(kCmdRotateClockwise).acted);
  EXPECT_TRUE(view.rotating && view.clockwise);
  EXPECT_TRUE(run(805).acted);
  EXPECT_EQ(view.Pitch, 5);
}

TEST_F(CommandsTest, LandTypesAndColoursNeedLandColouring) {
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    view.ColorT = mode;
    EXPECT_FALSE(run(315).acted);
    EXPECT_FALSE(run(kCmdHiddenLandTypeFirst).acted);
    EXPECT_FALSE(run(332).acted);
    EXPECT_EQ(view.ColorS, 0);
    EXPECT_EQ(view.ColorR, 1);
    update();
    EXPECT_FALSE(menu.enabled(kMenuLandType));
    EXPECT_FALSE(menu.enabled(kMenuLandColour));
  }
  // Sea settings need ColorT >= 2.
  view.ColorT = 1;
  EXPECT_FALSE(run(345).acted);
  EXPECT_FALSE(run(kCmdSeaTints).acted);
  update();
  EXPECT_FALSE(menu.enabled(kMenuSeaLevel));
  view.ColorT = 2;
  EXPECT_TRUE(run(345).acted);
  EXPECT_EQ(view.ColorK, 250);
  update();
  EXPECT_TRUE(menu.enabled(kMenuSeaLevel));
}

TEST_F(CommandsTest, CompositeLandTypeLeavesRampSeven) {
  view.ColorR = 7;
  EXPECT_EQ(run(313).apply, Propagate::LandColours);
  EXPECT_EQ(view.ColorS, 3);
  EXPECT_EQ(view.ColorR, 7) << "plain types keep ramp 7";
  run(314);
  EXPECT_EQ(view.ColorS, 4);
  EXPECT_EQ(view.ColorR, 1);
  view.ColorR = 7;
  run(327);
  EXPECT_EQ(view.ColorS, 17);
  EXPECT_EQ(view.ColorR, 1);
  view.ColorR = 3;
  run(319);
  EXPECT_EQ(view.ColorR, 3) << "other ramps stay";
}

TEST_F(CommandsTest, HiddenLandTypeLeavesTheMarksWhereTheyWere) {
  run(312);
  update();
  EXPECT_EQ(marked(310, 319), 312);
  run(327);
  EXPECT_EQ(view.ColorS, 17);
  update();
  EXPECT_EQ(marked(310, 319), 312);
  // Land colour 7 from a project file likewise leaves the ramp marks alone.
  run(333);
  update();
  view.ColorR = 7;
  update();
  EXPECT_EQ(marked(331, 336), 333);
}

TEST_F(CommandsTest, ReliefItemsAndMarks) {
  // Both ends of both halves of the range: {item, Scale}; each item then carries the mark.
  const std::pair<int, int> items[] = {{500, 0},  {507, 7},  {509, 9},
                                       {510, 10}, {511, 20}, {519, 100}};
  for (const auto& [item, scale] : items) {
    EXPECT_EQ(run(item).apply, Propagate::Relief) << item;
    EXPECT_EQ(view.Scale, scale) << item;
    update();
    EXPECT_EQ(marked(500, 519), item);
  }
  const std::pair<int, int> marks[] = {{0, 500},  {9, 509},  {14, 510},  {15, 511},
                                       {25, 512}, {94, 518}, {100, 519}, {104, 519}};
  for (const auto& [scale, item] : marks) {
    view.Scale = scale;
    update();
    EXPECT_EQ(marked(500, 519), item) << "Scale " << scale;
  }
  for (int outside : {105, -1, 2147483647}) {
    view.Scale = outside;
    update();
    EXPECT_EQ(marked(500, 519), 519) << "Scale " << outside << " moves no mark";
  }
}

TEST_F(CommandsTest, TransparencyItemsAndMarks) {
  const std::pair<int, int> items[] = {{601, 0}, {602, 16}, {616, 240}, {617, 255}};
  for (const auto& [item, alpha] : items) {
    EXPECT_EQ(run(item).apply, Propagate::Transparency) << item;
    EXPECT_EQ(view.Alpha, alpha) << item;
    update();
    EXPECT_EQ(marked(601, 617), item);
  }
  // The neighbours of the relief and transparency ranges are no setting commands.
  for (int outside : {499, 520, 600, 618}) {
    EXPECT_FALSE(run(outside).acted) << outside;
  }
  const std::pair<int, int> marks[] = {{0, 601},   {7, 601},   {8, 602},   {200, 614},
                                       {247, 616}, {248, 617}, {255, 617}, {2147483647, 617}};
  for (const auto& [alpha, item] : marks) {
    view.Alpha = alpha;
    update();
    EXPECT_EQ(marked(601, 617), item) << "Alpha " << alpha;
  }
}

TEST_F(CommandsTest, SeaLevelItemsAndTheirMarks) {
  const int levels[] = {-1, 1000, 750, 500, 250, 100, 75, 50, 25, 10, 5, 0};
  for (int id = 341; id <= 352; ++id) {
    run(id);
    EXPECT_EQ(view.ColorK, levels[id - 341]);
    update();
    EXPECT_EQ(marked(341, 352), id) << "an item marks itself";
  }
  // Each boundary of the table: {ColorK, item}.
  const std::pair<int, int> bounds[] = {{-5, 341},  {0, 352},   {2, 352},   {3, 351},   {7, 351},
                                        {8, 350},   {17, 350},  {18, 349},  {37, 349},  {38, 348},
                                        {62, 348},  {63, 347},  {87, 347},  {88, 346},  {174, 346},
                                        {175, 345}, {374, 345}, {375, 344}, {624, 344}, {625, 343},
                                        {874, 343}, {875, 342}, {5000, 342}};
  for (const auto& [level, item] : bounds) {
    EXPECT_EQ(seaLevelItem(level), item) << "ColorK " << level;
  }
}

// Every item that sets a view setting sets a value the setting takes (as a project would
// load it), and afterwards carries the mark itself; the hidden land types move no mark.
TEST_F(CommandsTest, SettingItemsSetValidValuesAndMarkThemselves) {
  const std::pair<CommandSetting, std::string_view> keys[] = {
      {CommandSetting::ImageMode, "ColorT"},  {CommandSetting::LandType, "ColorS"},
      {CommandSetting::LandColour, "ColorR"}, {CommandSetting::SeaLevel, "ColorK"},
      {CommandSetting::Relief, "Scale"},      {CommandSetting::Transparency, "Alpha"},
      {CommandSetting::Speed, "Pitch"}};
  context.imageLoaded = true;
  std::set<CommandSetting> kinds;
  for (int id = 1; id < 1000; ++id) {
    const MenuEntry* entry = findCommandEntry(id);
    if (entry == nullptr || entry->sets == CommandSetting::None) {
      continue;
    }
    SCOPED_TRACE(id);
    kinds.insert(entry->sets);
    const auto key = std::find_if(std::begin(keys), std::end(keys),
                                  [&](const auto& k) { return k.first == entry->sets; });
    ASSERT_NE(key, std::end(keys));
    const ViewSetting* setting = findViewSetting("View", key->second);
    setting = setting != nullptr ? setting : findViewSetting("Rota", key->second);
    ASSERT_NE(setting, nullptr);
    EXPECT_TRUE(setting->valid.holds(entry->value));

    view.ColorT = entry->sets == CommandSetting::ImageMode ? kImageOnly : kLandAndSea;
    if (id == kCmdHueCircle) {
      EXPECT_FALSE(isSettingCommand(id)) << "the hue circle asks its dialog first";
      applyHueCircle(view, true, 0, 100);
    } else {
      ASSERT_TRUE(run(id).acted);
    }
    EXPECT_EQ(settingValue(view, *setting), entry->value);
    const MenuState before = menu;
    update();
    if (findMenuEntry(id) != nullptr) {
      EXPECT_EQ(marked(entry->radioFirst, entry->radioLast), id);
    } else {
      EXPECT_EQ(marked(kCmdLandTypeFirst, kCmdLandTypeLast),
                markedIn(before, kCmdLandTypeFirst, kCmdLandTypeLast));
    }
  }
  EXPECT_EQ(kinds.size(), std::size(keys)) << "every setting has its items";
}

TEST_F(CommandsTest, RulerToggles) {
  ruler.pointCount = 0;
  EXPECT_TRUE(run(kCmdStraightRuler).acted);
  EXPECT_TRUE(ruler.straightMode);
  ruler.pointCount = 2;
  update();
  EXPECT_TRUE(menu.checked(kCmdStraightRuler));
  EXPECT_TRUE(menu.enabled(kCmdCrossSection));
  EXPECT_TRUE(commandAllowed(kCmdCrossSection, view, ruler, context));

  run(kCmdStraightRuler);
  EXPECT_FALSE(ruler.straightMode);
  EXPECT_EQ(ruler.pointCount, 0);
  update();
  EXPECT_FALSE(menu.enabled(kCmdCrossSection));

  run(kCmdStraightRuler);
  ruler.pointCount = 1;
  run(kCmdPathRuler);
  EXPECT_TRUE(ruler.pathMode);
  EXPECT_FALSE(ruler.straightMode);
  EXPECT_EQ(ruler.pointCount, 0);
  ruler.pointCount = 1;
  update();
  EXPECT_TRUE(menu.checked(kCmdPathRuler));
  EXPECT_FALSE(menu.checked(kCmdStraightRuler));
  EXPECT_FALSE(menu.enabled(kCmdCrossSection)) << "one point is no section";
}

TEST_F(CommandsTest, OtherMenuState) {
  context.imageLoaded = false;
  update();
  EXPECT_FALSE(menu.enabled(kMenuImageColour));
  EXPECT_FALSE(menu.enabled(kCmdRemoveImage));
  EXPECT_EQ(marked(301, 303), 303);
  EXPECT_FALSE(run(301).acted) << "image colours need an image";

  context.imageLoaded = true;
  EXPECT_TRUE(run(302).acted);
  EXPECT_EQ(view.ColorT, 2);
  update();
  EXPECT_TRUE(menu.enabled(kMenuImageColour));
  EXPECT_EQ(marked(301, 303), 302);

  context.geoCoordinates = false;
  update();
  EXPECT_FALSE(menu.enabled(kCmdAddLineData));
  EXPECT_TRUE(menu.enabled(kCmdExportDem)) << "plane data is written in its zone";
  EXPECT_FALSE(menu.enabled(kCmdLayerInfo));
  EXPECT_FALSE(menu.enabled(kCmdExportContours));
  EXPECT_FALSE(commandAllowed(kCmdExportContours, view, ruler, context)) << "nothing to export";
  context.layerCount = 1;
  context.contourSetCount = 2;
  update();
  EXPECT_TRUE(menu.enabled(kCmdLayerInfo));
  EXPECT_TRUE(menu.enabled(kCmdContourInfo));
  EXPECT_TRUE(menu.enabled(kCmdExportContours));

  EXPECT_TRUE(menu.checked(kCmdSeaTints));
  EXPECT_EQ(run(kCmdSeaTints).apply, Propagate::LandColours);
  update();
  EXPECT_FALSE(menu.checked(kCmdSeaTints));

  EXPECT_EQ(marked(151, 153), 153);
  run(kCmdRotateCounterClockwise);
  update();
  EXPECT_EQ(marked(151, 153), 152);
  EXPECT_EQ(marked(801, 810), 805);

  EXPECT_EQ(run(kCmdCompass).apply, Propagate::None);
  update();
  EXPECT_FALSE(menu.checked(kCmdCompass));
  EXPECT_TRUE(menu.checked(kCmdTrackbar));
}

TEST(ImageColourMode, AppliesColoursOnlyWhenTheModeChanges) {
  ViewState view;
  EXPECT_EQ(setImageColourMode(view, 3).apply, Propagate::None);
  EXPECT_EQ(setImageColourMode(view, 1).apply, Propagate::LandColours);
  EXPECT_EQ(view.ColorT, 1);
  const CommandEffect sea = applySeaColour(view, 0x0000FF00);
  EXPECT_EQ(sea.apply, Propagate::LandColours);
  EXPECT_FALSE(sea.updateMenus);
  EXPECT_EQ(view.OceanC, 0x0000FF00u);
}

TEST(CommandsScene, ContextFollowsTheGridAndAnOpenResetsTheRuler) {
  Scene scene;
  EXPECT_FALSE(commandContext(scene).gridLoaded);
  const std::vector<std::filesystem::path> demo = {std::filesystem::path(TORVANE_DEMO_DIR) /
                                                   "FG-GML-5239-40-00-DEM5A-20161001.xml"};
  ASSERT_TRUE(openElevationFiles(scene, demo));
  const CommandContext context = commandContext(scene);
  EXPECT_TRUE(context.gridLoaded);
  EXPECT_TRUE(context.geoCoordinates);

  ASSERT_TRUE(applySettingCommand(scene.view, scene.ruler, context, kCmdPathRuler).acted);
  scene.ruler.pointCount = 3;
  ASSERT_TRUE(openElevationFiles(scene, demo));
  EXPECT_FALSE(scene.ruler.active());
  EXPECT_EQ(scene.ruler.pointCount, 0);
}
