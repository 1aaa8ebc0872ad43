#include "gui/MenuBar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "scene/CommandTable.h"

namespace torvane {

namespace {

QString qlabel(std::string_view label) {
  return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
}

QKeySequence keySequence(const Accelerator& accel) {
  Qt::Key key = Qt::Key_unknown;
  if (accel.key >= '0' && accel.key <= '9') {
    key = static_cast<Qt::Key>(Qt::Key_0 + (accel.key - '0'));
  } else if (accel.key >= 'A' && accel.key <= 'Z') {
    key = static_cast<Qt::Key>(Qt::Key_A + (accel.key - 'A'));
  } else if (accel.key == '/') {
    key = Qt::Key_Slash;
  } else if (accel.key == '?') {
    key = Qt::Key_Question;
  }
  Qt::KeyboardModifiers modifiers;
  switch (accel.modifier) {
    case AccelModifier::Ctrl:
      modifiers = Qt::ControlModifier;
      break;
    case AccelModifier::Shift:
      modifiers = Qt::ShiftModifier;
      break;
    case AccelModifier::Alt:
      modifiers = Qt::AltModifier;
      break;
  }
  return QKeySequence(QKeyCombination(modifiers, key));
}

// X keycodes (evdev code + 8, on X11 and Wayland alike) of the digit row: 10 is "1" ... 18 is
// "9", 19 is "0". They name the key itself, whatever character the layout puts on it.
constexpr quint32 kKeycodeDigit1 = 10;
constexpr quint32 kKeycodeDigit0 = 19;

bool hasXkbKeycodes() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

}  // namespace

CommandMenus::CommandMenus(QMenuBar* bar, QWidget* window) : QObject(window), mWindow(window) {
  for (const MenuEntry& entry : menuTable()) {
    QMenu* parent = mMenus.value(entry.parent, nullptr);
    const QString label = qlabel(entry.label);
    switch (entry.kind) {
      case MenuKind::Submenu: {
        QMenu* menu = parent != nullptr ? parent->addMenu(label) : bar->addMenu(label);
        mMenus.insert(entry.id, menu);
        mActions.insert(entry.id, menu->menuAction());
        continue;
      }
      case MenuKind::Separator:
        parent->addSeparator();
        continue;
      case MenuKind::Command:
      case MenuKind::Check:
      case MenuKind::Radio:
        break;
    }
    QAction* action = parent->addAction(label);
    action->setData(entry.id);
    action->setCheckable(entry.kind != MenuKind::Command);
    if (entry.kind == MenuKind::Radio) {
      QActionGroup*& group = mGroups[entry.radioFirst];
      if (group == nullptr) {
        group = new QActionGroup(bar);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
      }
      group->addAction(action);
    }
    const int id = entry.id;
    connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
    mActions.insert(id, action);
  }

  // Accelerators. An item whose label shows its keys carries them itself; the others (the
  // hidden land types and the version box) get an action of the window that is in no menu.
  // All are application-wide so that they work whichever widget of the window has the focus.
  QHash<int, QAction*> hidden;
  for (const Accelerator& accel : acceleratorTable()) {
    const MenuEntry* entry = findMenuEntry(accel.command);
    QAction* action = nullptr;
    if (entry != nullptr && entry->label.find('\t') != std::string_view::npos) {
      action = mActions.value(accel.command);
    } else {
      action = hidden.value(accel.command, nullptr);
      if (action == nullptr) {
        action = new QAction(window);
        action->setData(accel.command);
        const int id = accel.command;
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        window->addAction(action);
        hidden.insert(id, action);
      }
    }
    QList<QKeySequence> keys = action->shortcuts();
    keys.append(keySequence(accel));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::ApplicationShortcut);
  }
  qApp->installEventFilter(this);
}

CommandMenus::~CommandMenus() {
  if (qApp != nullptr) {
    qApp->removeEventFilter(this);
  }
}

void CommandMenus::update(const ViewState& view, const Ruler& ruler,
                          const CommandContext& context) {
  UpdateMenuState(mState, view, ruler, context);
  refresh();
}

void CommandMenus::refresh() {
  for (auto it = mActions.cbegin(); it != mActions.cend(); ++it) {
    const MenuItemState item = mState.get(it.key());
    it.value()->setEnabled(item.enabled);
    if (it.value()->isCheckable()) {
      it.value()->setChecked(item.checked);
    }
  }
}

// Shift+4..9 must reach the hidden land types on every keyboard layout, but most layouts turn
// Shift+4 into '$' (or another character), which a shortcut for Shift+4 never matches; layouts
// such as AZERTY put no digit on the unshifted key either, which Ctrl+0..9 would miss. So the
// digit is read from the physical key where the platform reports X keycodes, and from the Qt
// key otherwise (synthetic events carry no keycode). Alt+? and Alt+/ are character keys: '?'
// usually needs Shift as well, which the shortcut Alt+? would not allow for.
int CommandMenus::layoutFreeAccelerator(const QKeyEvent& key) const {
  if (key.modifiers().testFlag(Qt::KeypadModifier)) {
    return 0;
  }
  const Qt::KeyboardModifiers modifiers =
      key.modifiers() &
      (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (modifiers == Qt::ShiftModifier || modifiers == Qt::ControlModifier) {
    int digit = -1;
    const quint32 code = key.nativeScanCode();
    if (code != 0 && hasXkbKeycodes()) {
      if (code >= kKeycodeDigit1 && code <= kKeycodeDigit0) {
        digit = code == kKeycodeDigit0 ? 0 : static_cast<int>(code - kKeycodeDigit1) + 1;
      }
    } else if (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) {
      digit = key.key() - Qt::Key_0;
    }
    if (digit < 0) {
      return 0;
    }
    const AccelModifier modifier =
        modifiers == Qt::ShiftModifier ? AccelModifier::Shift : AccelModifier::Ctrl;
    return acceleratorCommand(modifier, static_cast<char>('0' + digit));
  }
  if (modifiers.testFlag(Qt::AltModifier) && !modifiers.testFlag(Qt::ControlModifier) &&
      !modifiers.testFlag(Qt::MetaModifier)) {
    if (key.key() == Qt::Key_Question || key.text() == QLatin1String("?")) {
      return acceleratorCommand(AccelModifier::Alt, '?');
    }
    if (key.key() == Qt::Key_Slash || key.text() == QLatin1String("/")) {
      return acceleratorCommand(AccelModifier::Alt, '/');
    }
  }
  return 0;
}

bool CommandMenus::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
    return false;
  }
  // Only keys meant for the main window: a dialog's line edit keeps its '$'.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != mWindow) {
    return false;
  }
  const int id = layoutFreeAccelerator(*static_cast<QKeyEvent*>(event));
  if (id == 0) {
    return false;
  }
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so that no shortcut sees it; it comes back here as a key press.
    event->accept();
    return true;
  }
  emit commandTriggered(id);
  return true;
}

}  // namespace torvane
