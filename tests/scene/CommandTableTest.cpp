#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "scene/CommandTable.h"

using namespace torvane;

namespace {

// The items of one menu in display order; separators read as 0.
std::vector<int> itemsOf(int menu) {
  std::vector<int> ids;
  for (const MenuEntry& entry : menuTable()) {
    if (entry.parent == menu) {
      ids.push_back(entry.id);
    }
  }
  return ids;
}

}  // namespace

TEST(CommandTable, MenusHoldTheirItemsInOrder) {
  EXPECT_EQ(itemsOf(0), (std::vector<int>{kMenuFile, kMenuView, kMenuRotation, kMenuRuler,
                                          kMenuContour, kMenuHelp}));
  EXPECT_EQ(itemsOf(kMenuFile),
            (std::vector<int>{121, 122, 0, 123, 125, 126, 0, 128, kCmdExportDem, 0, 129}));
  // The colour, relief and transparency submenus sit at positions 0, 1 and 2 of the view menu.
  EXPECT_EQ(itemsOf(kMenuView), (std::vector<int>{kMenuColour, kMenuRelief, kMenuTransparency, 0,
                                                  131, 132, 133}));
  EXPECT_EQ(itemsOf(kMenuColour),
            (std::vector<int>{kMenuImageColour, 0, kMenuLandType, kMenuLandColour, 0,
                              kMenuSeaLevel, kMenuSeaColour}));
  EXPECT_EQ(itemsOf(kMenuLandType),
            (std::vector<int>{310, 0, 311, 312, 313, 0, 314, 315, 316, 0, 317, 318, 0, 319}));
  EXPECT_EQ(itemsOf(kMenuLandColour), (std::vector<int>{331, 332, 333, 334, 335, 0, 336}));
  EXPECT_EQ(itemsOf(kMenuSeaLevel),
            (std::vector<int>{341, 0, 342, 343, 344, 345, 346, 347, 348, 349, 350, 351, 352}));
  EXPECT_EQ(itemsOf(kMenuRotation), (std::vector<int>{kMenuSpeed, 0, 151, 152, 153}));
  EXPECT_EQ(itemsOf(kMenuRuler), (std::vector<int>{161, 162, 0, 164}));
  EXPECT_EQ(itemsOf(kMenuContour), (std::vector<int>{201, 202, 0, 211, 221}));
  EXPECT_EQ(itemsOf(kMenuHelp), (std::vector<int>{171, 181, 127, 0, 191}));
  EXPECT_EQ(itemsOf(kMenuRelief).size(), 20u);
  EXPECT_EQ(itemsOf(kMenuTransparency).size(), 17u);
  EXPECT_EQ(itemsOf(kMenuSpeed).size(), 10u);
}

TEST(CommandTable, IdsAreUniqueAndParentsComeFirst) {
  std::set<int> seen;
  std::set<int> menus{0};
  for (const MenuEntry& entry : menuTable()) {
    SCOPED_TRACE(std::string(entry.label));
    EXPECT_TRUE(menus.count(entry.parent)) << "parent must precede its items";
    if (entry.kind == MenuKind::Separator) {
      EXPECT_EQ(entry.id, 0);
      continue;
    }
    EXPECT_TRUE(seen.insert(entry.id).second) << "duplicate id " << entry.id;
    EXPECT_FALSE(entry.label.empty());
    EXPECT_EQ(findMenuEntry(entry.id), &entry);
    if (entry.kind == MenuKind::Submenu) {
      menus.insert(entry.id);
    }
  }
  EXPECT_EQ(findMenuEntry(0), nullptr);
  EXPECT_EQ(findMenuEntry(327), nullptr) << "hidden land types have no menu item";
}

TEST(CommandTable, RadioRangesAreWholeGroupsOfOneMenu) {
  for (const MenuEntry& entry : menuTable()) {
    if (entry.kind != MenuKind::Radio) {
      continue;
    }
    SCOPED_TRACE(entry.id);
    ASSERT_LE(entry.radioFirst, entry.id);
    ASSERT_GE(entry.radioLast, entry.id);
    for (int other = entry.radioFirst; other <= entry.radioLast; ++other) {
      const MenuEntry* member = findMenuEntry(other);
      ASSERT_NE(member, nullptr) << other;
      EXPECT_EQ(member->kind, MenuKind::Radio);
      EXPECT_EQ(member->parent, entry.parent);
      EXPECT_EQ(member->radioFirst, entry.radioFirst);
      EXPECT_EQ(member->radioLast, entry.radioLast);
    }
  }
}

// The shortcut text after a tab must name the accelerator that really runs the item.
TEST(CommandTable, ShortcutTextsMatchTheAccelerators) {
  int withShortcut = 0;
  for (const MenuEntry& entry : menuTable()) {
    const auto tab = entry.label.find('\t');
    if (tab == std::string_view::npos) {
      continue;
    }
    ++withShortcut;
    const std::string_view keys = entry.label.substr(tab + 1);
    ASSERT_EQ(keys.size(), 6u) << keys;
    ASSERT_EQ(keys.substr(0, 5), "Ctrl+");
    EXPECT_EQ(acceleratorCommand(AccelModifier::Ctrl, keys[5]), entry.id) << keys;
  }
  EXPECT_EQ(withShortcut, 17);
  for (char digit = '4'; digit <= '9'; ++digit) {
    EXPECT_EQ(acceleratorCommand(AccelModifier::Shift, digit), 320 + (digit - '0'));
  }
  EXPECT_EQ(acceleratorCommand(AccelModifier::Shift, '3'), 0);
  EXPECT_EQ(acceleratorCommand(AccelModifier::Alt, '?'), kCmdVersion);
  EXPECT_EQ(acceleratorCommand(AccelModifier::Alt, '/'), kCmdVersion);
  EXPECT_EQ(acceleratorTable().size(), 25u);
}
