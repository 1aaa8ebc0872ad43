// The invariants the soak checks after every action.

#include <QApplication>
#include <QTest>
#include <fstream>
#include <sstream>

#include "gui/MainWindow.h"
#include "gui/TerrainView.h"
#include "render/DrapedTextures.h"
#include "render/RenderContext.h"
#include "scene/ProjectFile.h"
#include "scene/Scene.h"
#include "scene/ViewState.h"
#include "tests/soak/SoakDriver.h"
#include "view/ScreenTexts.h"

namespace torvane::soak {

namespace {

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// "line N: 'a' against 'b'" for the first line where two texts differ.
std::string firstDifference(const std::string& a, const std::string& b) {
  std::istringstream sa(a), sb(b);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ma = static_cast<bool>(std::getline(sa, la));
    const bool mb = static_cast<bool>(std::getline(sb, lb));
    if (!ma && !mb) {
      return "no line differs";
    }
    if (!ma || !mb || la != lb) {
      return "line " + std::to_string(line) + ": '" + (ma ? la : "(end)") + "' against '" +
             (mb ? lb : "(end)") + "'";
    }
  }
}

// The project text without the lines a load does not read back: the land type and colours
// saved while an image colour mode is on (a load takes them only with land and sea colours,
// ColorT 3, and otherwise starts from their defaults).
std::string readBackPart(const std::string& text) {
  const bool landAndSea = text.find("\nColorT=3\n") != std::string::npos;
  std::istringstream in(text);
  std::string out, line, section;
  while (std::getline(in, line)) {
    if (line.starts_with('[')) {
      section = line.substr(1, line.find(']') - 1);
    }
    const ViewSetting* setting = findViewSetting(section, line.substr(0, line.find('=')));
    if (!landAndSea && setting != nullptr && setting->depends == Depends::LandAndSea) {
      continue;
    }
    out += line + '\n';
  }
  return out;
}

std::optional<uint32_t> storedPoints(const GroupStore& store) {
  if (store.groupCount() == 0) {
    return std::nullopt;
  }
  uint32_t points = 0;
  for (int g = 0; g < store.groupCount(); ++g) {
    points += static_cast<uint32_t>(store.groupPointCount(g));
  }
  return points;
}

std::string mib(int64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MiB", static_cast<double>(bytes) / 1048576.0);
  return buf;
}

}  // namespace

void SoakDriver::checkAfterAction() {
  mLastProgress = std::chrono::steady_clock::now().time_since_epoch().count();
  // What the action left open, before any event runs (a box that opens later is caught by the
  // dialog poll: it opened after its action had ended).
  checkNoWindowLeftOpen();
  if (!mFailure.empty()) {
    return;
  }
  if (!waitForFrame()) {
    fail("no frame was drawn within " + std::to_string(mOptions.frameTimeoutMs) +
         " ms after the action");
    return;
  }
  if (!mQtMessages.empty()) {
    fail(mQtMessages.front());
    return;
  }
  checkNoWindowLeftOpen();  // and what opened while the frame was awaited
  if (mFailure.empty()) {
    checkStatusBar();
  }
  if (mFailure.empty()) {
    checkSavedProjects();
  }
  if (mFailure.empty() && mFullClear) {
    checkMemoryAfterClear();
  }
  if (mOptions.verbose) {
    note("heap " + mib(heapInUse()));
  }
}

bool SoakDriver::waitForFrame() {
  TerrainView* view = mWindow.view();
  const int before = view->framesDrawn();
  view->update();
  ++mCounts.framesChecked;
  return QTest::qWaitFor([&] { return view->framesDrawn() != before; }, mOptions.frameTimeoutMs);
}

void SoakDriver::checkNoWindowLeftOpen() {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    fail("a popup menu was left open: " + popup->windowTitle().toStdString());
    return;
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    fail(std::string("a modal window was left open: ") + modal->metaObject()->className() + " '" +
         modal->windowTitle().toStdString() + "'");
    return;
  }
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != &mWindow && w->isVisible() && !w->windowFlags().testFlag(Qt::ToolTip)) {
      fail(std::string("a window was left open: ") + w->metaObject()->className() + " '" +
           w->windowTitle().toStdString() + "'");
      return;
    }
  }
  if (QApplication::overrideCursor() != nullptr) {
    fail("the wait cursor was left set");
    return;
  }
  if (mWindow.busy()) {
    fail("the window is still busy with an open");
  }
}

void SoakDriver::checkStatusBar() {
  const Scene& scene = mWindow.scene();
  TerrainView* view = mWindow.view();
  const RenderContext::StatusTexts* shown = view->renderContext().shownStatus();
  if (!scene.view.statusBar || scene.grid.count == 0) {
    return;
  }
  if (shown == nullptr) {
    fail("the status bar is on and terrain is loaded, but the frame drew no status bar");
    return;
  }
  uint64_t nodes = 0;
  for (int k = 0; k < scene.grid.fileCount; ++k) {
    nodes += scene.grid.fileNodeCount(k);
  }
  const std::string expected = statusRightText(
      storedPoints(scene.contours), storedPoints(scene.overlays), static_cast<uint32_t>(nodes));
  ++mCounts.statusChecks;
  if (shown->right != expected) {
    fail("the status bar shows '" + shown->right + "' but the scene holds '" + expected + "'");
  }
}

std::string SoakDriver::checkSavedProject(const std::filesystem::path& path) const {
  const std::string text = readText(path);
  Scene scene;
  DrapedTextures images;  // decodes the draped image as the window does
  scene.image.decoder = &images;
  scene.limits = mWindow.scene().limits;
  if (!LoadProject(scene, path)) {
    return path.string() + " was saved but does not load";
  }
  const std::string saved = readBackPart(text), again = readBackPart(projectText(scene, path));
  if (again != saved) {
    return path.string() + " reloads to another project text, " + firstDifference(saved, again);
  }
  return {};
}

void SoakDriver::checkSavedProjects() {
  for (const std::filesystem::path& path : mSavedProjects) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      continue;  // the save failed and said so
    }
    const std::string problem = checkSavedProject(path);
    if (!problem.empty()) {
      fail(problem);
      return;
    }
    ++mCounts.projectsSaved;
    if (std::find(mOurProjects.begin(), mOurProjects.end(), path) == mOurProjects.end()) {
      mOurProjects.push_back(path);
    }
  }
  // A project the soak saved, loaded into the window, saves to the text it was loaded from. A
  // failed load says so in a message and keeps the scene, and the caption, as they were.
  for (const std::filesystem::path& path : mLoadedProjects) {
    const QString caption = QString::fromStdString(path.string()) + QStringLiteral(" - ");
    if (!mWindow.windowTitle().startsWith(caption) || mCounts.messages > mMessagesBeforeLoad) {
      continue;  // it did not load (a file it names was dropped in between)
    }
    const std::string saved = readBackPart(readText(path));
    const std::string again = readBackPart(projectText(mWindow.scene(), path));
    ++mCounts.projectsLoaded;
    if (again != saved) {
      fail(path.string() + " loaded into the window gives another project text, " +
           firstDifference(saved, again));
      return;
    }
  }
}

void SoakDriver::checkMemoryAfterClear() {
  const Scene& scene = mWindow.scene();
  if (scene.grid.fileCount != 1 || scene.grid.filePath(0) != mCorpus.clearTile()) {
    fail("a full clear did not leave the one tile it opened (files: " +
         std::to_string(scene.grid.fileCount) + ")");
    return;
  }
  if (scene.overlays.groupCount() != 0 || scene.contours.groupCount() != 0 || scene.image.loaded) {
    fail("a full clear left layers, contours or the draped image behind");
    return;
  }
  ++mCounts.fullClears;
  const int64_t heap = heapInUse();
  mCounts.lastHeap = heap;
  if (mCounts.baselineHeap < 0) {
    mCounts.baselineHeap = heap;
    note("heap after the first full clear: " + mib(heap));
    return;
  }
  const int64_t growth = heap - mCounts.baselineHeap;
  mCounts.maxHeapGrowth = std::max(mCounts.maxHeapGrowth, growth);
  note("heap " + mib(heap) + " (" + (growth >= 0 ? "+" : "") + mib(growth) + ")");
  if (growth > mOptions.memoryMarginBytes) {
    printHeapProfile();
    fail("the heap after full clear " + std::to_string(mCounts.fullClears) + " is " + mib(growth) +
         " above the first one's (" + mib(mCounts.baselineHeap) + "); the margin is " +
         mib(mOptions.memoryMarginBytes));
  }
}

}  // namespace torvane::soak
