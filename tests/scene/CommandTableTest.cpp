#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "scene/CommandTable.h"
#include "scene/Commands.h"

using namespace torvane;

namespace {

// The entries of one menu in display order.
std::vector<const MenuEntry*> entriesOf(int menu) {
  std::vector<const MenuEntry*> entries;
  for (const MenuEntry& entry : menuTable()) {
    if (entry.parent == menu) {
      entries.push_back(&entry);
    }
  }
  return entries;
}

// The mnemonic of a label: the character after '&', or 0.
char mnemonicOf(std::string_view label) {
  const size_t amp = label.find('&');
  return amp != std::string_view::npos && amp + 1 < label.size() ? label[amp + 1] : 0;
}

}  // namespace

// What every menu must be, whatever it holds: items (no empty submenu), separators only between
// items (none first, last or doubled), each mnemonic once per menu, and "..." exactly on the
// items that open a dialog.
TEST(CommandTable, MenusAreWellFormed) {
  std::vector<int> menus = {0};
  for (const MenuEntry& entry : menuTable()) {
    if (entry.kind == MenuKind::Submenu) {
      menus.push_back(entry.id);
    }
  }
  for (int menu : menus) {
    SCOPED_TRACE(menu);
    const std::vector<const MenuEntry*> entries = entriesOf(menu);
    ASSERT_FALSE(entries.empty());
    EXPECT_NE(entries.front()->kind, MenuKind::Separator);
    EXPECT_NE(entries.back()->kind, MenuKind::Separator);
    std::set<char> mnemonics;
    for (size_t i = 0; i < entries.size(); ++i) {
      const MenuEntry& entry = *entries[i];
      if (entry.kind == MenuKind::Separator) {
        EXPECT_NE(entries[i - 1]->kind, MenuKind::Separator) << "two separators in a row";
        continue;
      }
      if (const char m = mnemonicOf(entry.label)) {
        EXPECT_TRUE(mnemonics.insert(m).second) << "mnemonic " << m << " twice: " << entry.label;
      }
      if (entry.kind != MenuKind::Submenu) {
        const std::string_view text = entry.label.substr(0, entry.label.find('\t'));
        EXPECT_EQ(text.ends_with("..."), commandOpensDialog(entry.id)) << entry.label;
      }
    }
  }
  EXPECT_EQ(menus.size(), 16u);  // the six menus and their ten submenus
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
