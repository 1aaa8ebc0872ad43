// The soak's actions: what a person does at the window, drawn from the seed. Every parameter
// is drawn before the window's state is looked at, and each draw takes one number, so the
// actions of a seed are the same on every run; only where an action lands (a trackbar's
// pixels) follows the state.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <array>

#include "gui/MainWindow.h"
#include "gui/TerrainView.h"
#include "scene/CommandTable.h"
#include "scene/DropDispatch.h"
#include "tests/soak/SoakDriver.h"
#include "view/Trackbars.h"
#include "view/ViewControl.h"

namespace torvane::soak {

namespace {

std::string modifierText(int modifiers) {
  std::string out;
  if (modifiers & Qt::ControlModifier) {
    out += "Ctrl+";
  }
  if (modifiers & Qt::ShiftModifier) {
    out += "Shift+";
  }
  if (modifiers & Qt::AltModifier) {
    out += "Alt+";
  }
  return out;
}

std::string keyText(int key) {
  const QString name = QKeySequence(key).toString();
  return name.isEmpty() ? "key " + std::to_string(key) : name.toStdString();
}

// The commands of the menu table (and the land types that have only keys), without 終了: the
// window closing ends the run, not a fault.
std::vector<int> commandIds() {
  std::vector<int> ids;
  for (const MenuEntry& e : menuTable()) {
    if ((e.kind == MenuKind::Command || e.kind == MenuKind::Check || e.kind == MenuKind::Radio) &&
        e.id != kCmdExit) {
      ids.push_back(e.id);
    }
  }
  for (int id = kCmdHiddenLandTypeFirst; id <= kCmdHiddenLandTypeLast; ++id) {
    ids.push_back(id);
  }
  return ids;
}

std::string commandLabel(int id) {
  const MenuEntry* e = findMenuEntry(id);
  if (e == nullptr) {
    return std::to_string(id);
  }
  const std::string_view label = e->label.substr(0, e->label.find('\t'));
  return std::to_string(id) + " " + std::string(label);
}

}  // namespace

void SoakDriver::runNextAction() {
  enum Kind {
    Key,
    Accelerator,
    Drag,
    Click,
    Wheel,
    Middle,
    Hover,
    Trackbar,
    MenuBar,
    Command,
    Drop,
    Save,
    Load,
    Resize,
    FullClear,
    Pause,
    KindCount
  };
  static constexpr std::array<int, KindCount> kWeights = {180, 60,  90, 60, 50, 15, 30, 60,
                                                          15,  150, 80, 25, 25, 20, 12, 20};
  switch (static_cast<Kind>(mRandom.weighted(kWeights))) {
    case Key:
      keyAction();
      break;
    case Accelerator:
      acceleratorAction();
      break;
    case Drag:
      dragAction();
      break;
    case Click:
      clickAction();
      break;
    case Wheel:
      wheelAction();
      break;
    case Middle:
      middleClickAction();
      break;
    case Hover:
      hoverAction();
      break;
    case Trackbar:
      trackbarAction();
      break;
    case MenuBar:
      menuBarAction();
      break;
    case Command:
      commandAction();
      break;
    case Drop:
      dropAction();
      break;
    case Save:
      saveProjectAction();
      break;
    case Load:
      loadProjectAction();
      break;
    case Resize:
      resizeAction();
      break;
    case FullClear:
      fullClearAction();
      break;
    case Pause:
      pauseAction();
      break;
    case KindCount:
      break;
  }
}

// ---- keys -------------------------------------------------------------------------------------

void SoakDriver::sendKey(int key, int modifiers, const std::string& text) {
  // Keys work whichever part of the window has the focus: mostly the view, now and then the
  // window itself.
  QWidget* target =
      mRandom.chance(85) ? static_cast<QWidget*>(mWindow.view()) : static_cast<QWidget*>(&mWindow);
  beginAction("key", modifierText(modifiers) + (text.empty() ? keyText(key) : text));
  QTest::keyClick(target, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
}

void SoakDriver::keyAction() {
  // A key of the view's key table, or (choice 0) one it ignores.
  const int choice = mRandom.between(0, static_cast<int>(std::size(kViewKeys)));
  const ViewKeyBinding binding =
      choice == 0 ? ViewKeyBinding{Qt::Key_Q, ViewKey::Other} : kViewKeys[choice - 1];
  const int mod = mRandom.below(100);
  int modifiers = mod < 60   ? 0
                  : mod < 85 ? static_cast<int>(Qt::ControlModifier)
                             : static_cast<int>(Qt::ShiftModifier);
  if (binding.keypad) {
    modifiers |= Qt::KeypadModifier;
  }
  sendKey(binding.qtKey, modifiers,
          binding.keypad ? std::string(binding.qtKey == Qt::Key_Plus ? "Num+" : "Num-") : "");
}

void SoakDriver::acceleratorAction() {
  const Accelerator& a = mRandom.pick(acceleratorTable());
  int key = 0;
  if (a.key >= '0' && a.key <= '9') {
    key = Qt::Key_0 + (a.key - '0');
  } else if (a.key >= 'A' && a.key <= 'Z') {
    key = Qt::Key_A + (a.key - 'A');
  } else {
    key = a.key == '/' ? Qt::Key_Slash : Qt::Key_Question;
  }
  const int modifiers = a.modifier == AccelModifier::Ctrl    ? Qt::ControlModifier
                        : a.modifier == AccelModifier::Shift ? Qt::ShiftModifier
                                                             : Qt::AltModifier;
  sendKey(key, modifiers);
}

// ---- mouse ------------------------------------------------------------------------------------

void SoakDriver::mouseEvent(int type, int button, int buttons, int x, int y) {
  TerrainView* view = mWindow.view();
  const QPointF at(x, y);
  QMouseEvent event(static_cast<QEvent::Type>(type), at, view->mapToGlobal(at),
                    static_cast<Qt::MouseButton>(button), static_cast<Qt::MouseButtons>(buttons),
                    Qt::NoModifier);
  QApplication::sendEvent(view, &event);
}

void SoakDriver::dragAction() {
  const bool left = mRandom.chance(55);
  const double fx = mRandom.real(0, 1), fy = mRandom.real(0, 1);
  const int moves = mRandom.between(1, 10);
  std::vector<std::pair<int, int>> steps;
  for (int i = 0; i < moves; ++i) {
    steps.emplace_back(mRandom.between(-90, 90), mRandom.between(-90, 90));
  }
  const int w = mWindow.view()->width(), h = mWindow.view()->height();
  int x = static_cast<int>(fx * w), y = static_cast<int>(fy * h);
  beginAction("drag", std::string(left ? "left" : "right") + " from " + std::to_string(x) + "," +
                          std::to_string(y) + " in " + std::to_string(moves) + " moves");
  const int button = left ? Qt::LeftButton : Qt::RightButton;
  mouseEvent(QEvent::MouseButtonPress, button, button, x, y);
  for (const auto& [dx, dy] : steps) {
    x += dx;
    y += dy;
    mouseEvent(QEvent::MouseMove, Qt::NoButton, button, x, y);
  }
  mouseEvent(QEvent::MouseButtonRelease, button, Qt::NoButton, x, y);
}

void SoakDriver::clickAction() {
  const int kind = mRandom.below(10);  // 0-5 left, 6-7 right, 8-9 left double click
  const double fx = mRandom.real(0, 1), fy = mRandom.real(0, 1);
  const int x = static_cast<int>(fx * mWindow.view()->width());
  const int y = static_cast<int>(fy * mWindow.view()->height());
  const QPoint at(x, y);
  if (kind < 8) {
    const Qt::MouseButton button = kind < 6 ? Qt::LeftButton : Qt::RightButton;
    beginAction("click", std::string(kind < 6 ? "left" : "right") + " at " + std::to_string(x) +
                             "," + std::to_string(y));
    QTest::mouseClick(mWindow.view(), button, Qt::NoModifier, at);
  } else {
    beginAction("click", "double at " + std::to_string(x) + "," + std::to_string(y));
    QTest::mouseDClick(mWindow.view(), Qt::LeftButton, Qt::NoModifier, at);
  }
}

void SoakDriver::wheelAction() {
  const double fx = mRandom.real(0, 1), fy = mRandom.real(0, 1);
  const int delta = mRandom.pick({-360, -240, -120, -60, 60, 120, 240, 360});
  const bool overBars = mRandom.chance(25);
  TerrainView* view = mWindow.view();
  int x = static_cast<int>(fx * view->width()), y = static_cast<int>(fy * view->height());
  if (overBars) {
    x = TrackbarGeometry::kHitLeft + static_cast<int>(fx * 3 * TrackbarGeometry::kPitch);
    y = trackbarBase(mWindow.scene().view, view->height()) -
        static_cast<int>(fy * TrackbarGeometry::kBandHeight);
  }
  beginAction("wheel",
              std::to_string(delta) + " at " + std::to_string(x) + "," + std::to_string(y));
  const QPointF at(x, y);
  QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &event);
}

void SoakDriver::middleClickAction() {
  const double fx = mRandom.real(0, 1), fy = mRandom.real(0, 1);
  const QPoint at(static_cast<int>(fx * mWindow.view()->width()),
                  static_cast<int>(fy * mWindow.view()->height()));
  beginAction("middle", "at " + std::to_string(at.x()) + "," + std::to_string(at.y()));
  QTest::mouseClick(mWindow.view(), Qt::MiddleButton, Qt::NoModifier, at);
}

void SoakDriver::hoverAction() {
  const int moves = mRandom.between(1, 6);
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < moves; ++i) {
    points.emplace_back(mRandom.real(0, 1), mRandom.real(0, 1));
  }
  beginAction("hover", std::to_string(moves) + " moves");
  for (const auto& [fx, fy] : points) {
    mouseEvent(QEvent::MouseMove, Qt::NoButton, Qt::NoButton,
               static_cast<int>(fx * mWindow.view()->width()),
               static_cast<int>(fy * mWindow.view()->height()));
  }
}

void SoakDriver::trackbarAction() {
  const int slot = mRandom.below(3);
  const int what = mRandom.below(4);  // 0 + end, 1 - end, 2 thumb drag, 3 wheel
  const int distance = mRandom.between(-60, 60);
  const int across = mRandom.between(0, TrackbarGeometry::kHitWidth - 1);
  TerrainView* view = mWindow.view();
  const ViewState& v = mWindow.scene().view;
  const TrackbarLayout layout = trackbarLayout(v);
  const int base = trackbarBase(v, view->height());
  const int x = TrackbarGeometry::kHitLeft + TrackbarGeometry::kPitch * slot + across;
  const int bar = slot < layout.count ? layout.bars[slot] : 0;
  const int thumbY = base - TrackbarGeometry::kZeroLine -
                     (bar != 0 ? trackbarThumbOffset(bar, v, mWindow.scene().grid) : 0);
  static const char* const kWhat[] = {"+ end", "- end", "thumb drag", "wheel"};
  beginAction("trackbar", std::string(kWhat[what]) + " of slot " + std::to_string(slot) +
                              (what >= 2 ? " by " + std::to_string(distance) : ""));
  switch (what) {
    case 0:
    case 1: {
      const int y = base - (what == 0 ? TrackbarGeometry::kPlusY : TrackbarGeometry::kMinusY);
      mouseEvent(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y);
      mouseEvent(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, x, y);
      break;
    }
    case 2:
      mouseEvent(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, x, thumbY);
      mouseEvent(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, thumbY);
      for (int i = 1; i <= 4; ++i) {
        mouseEvent(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, x, thumbY + distance * i / 4);
      }
      mouseEvent(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, x, thumbY + distance);
      break;
    default: {
      const QPointF at(x, thumbY);
      QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, distance > 0 ? 120 : -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view, &event);
      break;
    }
  }
}

void SoakDriver::menuBarAction() {
  const int index = mRandom.below(16);
  QMenuBar* bar = mWindow.menuBar();
  const QList<QAction*> menus = bar->actions();
  if (menus.isEmpty()) {
    beginAction("menubar", "no menus");
    return;
  }
  QAction* menu = menus[index % menus.size()];
  beginAction("menubar", "open " + menu->text().toStdString());
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(menu).center());
  // The popup is answered (an item chosen, or closed) while the events run.
  if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 5000)) {
    note("the menu stayed open");
  }
}

// ---- commands, files, projects ----------------------------------------------------------------

void SoakDriver::commandAction() {
  static const std::vector<int> ids = commandIds();
  const int id = mRandom.pick(std::span<const int>(ids));
  const bool direct = mRandom.chance(15);
  QAction* action = mWindow.action(id);
  if (action != nullptr && action->isEnabled() && !direct) {
    beginAction("command", commandLabel(id));
    action->trigger();
  } else {
    // A command that reaches the window while greyed (a key pressed in a stale state): it must
    // check its own condition.
    beginAction("command", commandLabel(id) + " (run directly)");
    mWindow.runCommand(id);
  }
}

std::vector<std::filesystem::path> SoakDriver::pickCorpusFiles(int count) {
  static constexpr std::array<int, static_cast<int>(CorpusKind::Count)> kKindWeights = {
      30, 25, 8, 10, 12, 10, 5};
  const bool sameKind = mRandom.chance(60);
  int kind = mRandom.weighted(kKindWeights);
  std::vector<std::filesystem::path> out;
  for (int i = 0; i < count; ++i) {
    if (!sameKind && i > 0) {
      kind = mRandom.weighted(kKindWeights);
    }
    const std::vector<const CorpusFile*> files = mCorpus.ofKind(static_cast<CorpusKind>(kind));
    const int index = mRandom.below(static_cast<int>(files.size()));
    const bool keepHeavy = mRandom.chance(15);
    if (files.empty()) {
      continue;
    }
    const CorpusFile* f = files[static_cast<size_t>(index)];
    if (f->heavy && !keepHeavy) {
      f = files.front();  // the large samples take seconds: only now and then
    }
    out.push_back(f->path);
  }
  return out;
}

void SoakDriver::dropFiles(const std::vector<std::filesystem::path>& paths) {
  QList<QUrl> urls;
  for (const auto& p : paths) {
    urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
  }
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at = mWindow.view()->geometry().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&mWindow, &enter);
  if (!enter.isAccepted()) {
    note("drop refused");
    return;
  }
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&mWindow, &drop);
}

void SoakDriver::dropAction() {
  const int size = mRandom.below(100);
  const int count = size < 70   ? 1
                    : size < 90 ? mRandom.between(2, 5)
                    : size < 98 ? mRandom.between(6, 20)
                                : mRandom.between(21, 120);
  const std::vector<std::filesystem::path> paths = pickCorpusFiles(count);
  std::string text = std::to_string(paths.size()) + " file(s):";
  for (size_t i = 0; i < paths.size() && i < 4; ++i) {
    const std::filesystem::path inCorpus = paths[i].lexically_relative(mCorpus.folder());
    text += " " + (inCorpus.empty() || *inCorpus.begin() == ".." ? paths[i] : inCorpus).string();
  }
  if (paths.size() > 4) {
    text += " ...";
  }
  beginAction("drop", text);
  dropFiles(paths);
}

void SoakDriver::saveProjectAction() {
  beginAction("save", "project");
  mWindow.runCommand(kCmdSaveProject);
}

void SoakDriver::loadProjectAction() {
  const bool byMenu = mRandom.chance(50);
  const int ours = mRandom.below(1 << 20);
  const std::vector<const CorpusFile*> projects = mCorpus.ofKind(CorpusKind::Project);
  const int corpusIndex = mRandom.below(static_cast<int>(projects.size()));
  if (byMenu) {
    beginAction("load", "project by the menu");
    mWindow.runCommand(kCmdOpenProject);
    return;
  }
  std::filesystem::path path;
  if (!mOurProjects.empty() && ours % 3 != 0) {
    path = mOurProjects[static_cast<size_t>(ours) % mOurProjects.size()];
    // Checked after the action unless the window ignores the drop (an auto-rotating view takes
    // no drops) or says the load failed.
    const Scene& scene = mWindow.scene();
    const DropContext context{scene.view.rotating, scene.grid.count > 0, scene.grid.GeoCoordinates};
    if (decideDrop(std::span(&path, 1), context).action == DropAction::LoadProject) {
      mLoadedProjects.push_back(path);
      mMessagesBeforeLoad = mCounts.messages;
    }
  } else if (!projects.empty()) {
    path = projects[static_cast<size_t>(corpusIndex)]->path;
  }
  beginAction("load", "drop " + path.string());
  dropFiles({path});
}

void SoakDriver::resizeAction() {
  const int w = mRandom.between(640, 1280), h = mRandom.between(480, 1000);
  beginAction("resize", std::to_string(w) + "x" + std::to_string(h));
  mWindow.resize(w, h);
  QTest::qWait(20);
}

void SoakDriver::fullClearAction() {
  // The same state every time: the window at its first size too (the drawing surfaces follow
  // its size), so that what the heap holds compares.
  beginAction("clear", "stop turning, 800x600, drop " + mCorpus.clearTile().filename().string());
  mWindow.runCommand(kCmdRotateStop);
  mWindow.resize(800, 600);
  dropFiles({mCorpus.clearTile()});
  mFullClear = true;
}

void SoakDriver::pauseAction() {
  const int ms = mRandom.between(10, 400);
  beginAction("pause", std::to_string(ms) + " ms");
  QTest::qWait(ms);
}

}  // namespace torvane::soak
