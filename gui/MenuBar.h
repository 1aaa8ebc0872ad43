#pragma once
// The main menu and the accelerators of the main window, built from the command table: one
// QAction per command id, exclusive action groups for the radio ranges, and application-wide
// shortcuts. The actions only report their id; the window runs the command and then hands the
// new menu state back here.

#include <QHash>
#include <QObject>

#include "scene/Commands.h"

class QAction;
class QActionGroup;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QWidget;

namespace torvane {

class CommandMenus : public QObject {
  Q_OBJECT
public:
  /// Fills `bar` with the menus of the command table and gives `window` the accelerators that
  /// have no menu item (Shift+4..9, Alt+? and Alt+/). Both must outlive this object; the
  /// actions and menus are owned by `bar` and `window`.
  CommandMenus(QMenuBar* bar, QWidget* window);
  ~CommandMenus() override;

  /// The action of a command id, or for a kMenu* id the action that shows that submenu;
  /// nullptr for ids the menus lack.
  QAction* action(int id) const { return mActions.value(id, nullptr); }
  /// The menu of a kMenu* id, or nullptr.
  QMenu* menu(int id) const { return mMenus.value(id, nullptr); }

  /// The menu state last shown: the previous marks that UpdateMenuState keeps in place.
  const MenuState& state() const { return mState; }
  /// Recomputes the menu state from the scene and shows it.
  void update(const ViewState& view, const Ruler& ruler, const CommandContext& context);
  /// Shows the last state again (after Qt moved a mark on its own for a command that did
  /// nothing).
  void refresh();

signals:
  /// A menu item or accelerator asked for command `id`.
  void commandTriggered(int id);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  int layoutFreeAccelerator(const QKeyEvent& key) const;

  QWidget* mWindow;
  QHash<int, QAction*> mActions;
  QHash<int, QMenu*> mMenus;
  QHash<int, QActionGroup*> mGroups;  // keyed by the first id of the radio range
  MenuState mState;
};

}  // namespace torvane
