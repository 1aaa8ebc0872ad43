#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "scene/CommandTable.h"
#include "scene/Commands.h"
#include "scene/DropDispatch.h"
#include "scene/ProjectFile.h"
#include "gui/QtText.h"
#include "gui/StandardDialogs.h"
#include "gui/OpenProgress.h"
#include "gui/TerrainView.h"
#include "elevation/Readers.h"
#include "resources/Texts.h"

namespace torvane {

namespace {

// Auto-rotation looks at the clock this often; a step still needs 50 ms since the last one.
constexpr int kRotationPollMs = 5;

QString qpath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

MainWindow::MainWindow(const Options& options, QWidget* parent)
    : QMainWindow(parent),
      mCommandLineProject(options.commandLineProject),
      mOpenAtStart(options.openAtStart),
      mDropAtStart(options.dropAtStart) {
  mScene.limits = options.limits;
  mScene.image.decoder = &mTextures;
  setWindowTitle(qtext(kTextProgramName));
  setMinimumSize(640, 480);
  resize(800, 600);

  mView = new TerrainView(mScene, this);
  mView->setDrapedTextures(&mTextures);
  setCentralWidget(mView);
  connect(mView, &TerrainView::deviceFailed, this, [this](const QString& reason) {
    // Without a usable OpenGL context the window cannot draw anything: it closes, and the
    // reason goes to the error stream for whoever started the program.
    qWarning("torvane: %s", qPrintable(reason));
    QTimer::singleShot(0, this, &QWidget::close);
  });
  // View control: keys and mouse act on the view; menus and rotation follow here.
  connect(mView, &TerrainView::menusChanged, this, &MainWindow::UpdateMenuState);
  connect(mView, &TerrainView::rotationCommand, this, &MainWindow::runCommand);
  setFocusProxy(mView);

  buildMenus();

  mRotationTimer.setTimerType(Qt::PreciseTimer);
  mRotationTimer.setInterval(kRotationPollMs);
  connect(&mRotationTimer, &QTimer::timeout, this, &MainWindow::onRotationTick);
  mTicks.start();
  mClock.reset(tickCount());
}

MainWindow::~MainWindow() {
  // The view detaches its buffers from the scene's mesh as it goes, so it goes while the scene
  // (a member, destroyed before the child widgets would be) still exists.
  delete mView;
  mView = nullptr;
}

void MainWindow::startUp() {
  mStartingUp = true;  // messages wait until the window is on the screen
  const std::optional<std::filesystem::path> project =
      startupProject(mCommandLineProject, std::filesystem::current_path());
  if (project) {
    mSplash.show();
    const bool loaded = LoadProject(*project);
    if (loaded) {
      setLoadedCaption(mProjectPath);
    }
    mSplash.close();
    mSplash.freePicture();
    // Whoever named the project on the command line (a double-click in a file manager) learns
    // why nothing opened; AutoRun.tvp stays silent.
    if (project == mCommandLineProject) {
      showFailure(loaded, kTextNoValidData, 0, fileList({*project}));
    } else {
      mProblems.clear();
      if (mCommandLineProject || !mOpenAtStart.empty() || !mDropAtStart.empty()) {
        qWarning("torvane: AutoRun.tvp in the current folder opens instead of the files named "
                 "on the command line");
      }
    }
  } else {
    if (!mOpenAtStart.empty()) {
      std::vector<std::filesystem::path> paths = mOpenAtStart;
      paths.resize(std::min(paths.size(), kMaxDropPaths));
      showFailure(openElevation(paths), kTextNoValidData, 0, fileList(paths));
    }
    if (!mDropAtStart.empty()) {
      dropPaths(mDropAtStart, fileList(mDropAtStart));
    }
  }
  mStartingUp = false;
  if (isVisible()) {
    showStartUpMessages();
  }
  UpdateMenuState();
  setAcceptDrops(true);
  UpdateCursor();
  mClock.reset(tickCount());
}

QString MainWindow::fileList(const std::vector<std::filesystem::path>& paths) {
  constexpr size_t kListed = 3;
  QStringList lines;
  for (size_t i = 0; i < std::min(paths.size(), kListed); ++i) {
    lines << qpath(paths[i]);
  }
  if (paths.size() > kListed) {
    lines << qtext(kTextMoreFiles).arg(paths.size() - kListed);
  }
  return lines.join(QLatin1Char('\n'));
}

void MainWindow::showStartUpMessages() {
  // After the show has been handled, so the box opens over the window it belongs to.
  for (auto& [caption, text] : std::exchange(mStartUpMessages, {})) {
    QTimer::singleShot(0, this, [this, caption, text] { showMessage(caption, text); });
  }
}

void MainWindow::runCommand(int id) {
  switch (id) {
    case kCmdOpenElevation: {
      stopRotation();
      const auto paths = runFileDialog(
          this, {FileDialogKind::OpenMany, qtext(kTextOpenElevation), elevationFileFilters(),
                 QDir::currentPath(), QString(), QStringLiteral("tvd")});
      if (paths.empty()) {
        return;
      }
      setWaitCursor();
      showFailure(openElevation(paths), kTextNoValidData, kTextOpenElevation);
      AfterChange();
      return;
    }
    case kCmdExit:
      close();
      return;
    case kCmdRotateClockwise:
      startRotation(true);
      return;
    case kCmdRotateCounterClockwise:
      startRotation(false);
      return;
    case kCmdRotateStop:
      stopRotation();
      return;
    default:
      runMenuCommand(id);  // the rest of the command set
      return;
  }
}

void MainWindow::AfterChange() {
  UpdateMenuState();
  mView->update();
  restoreNormalCursor();
  UpdateCursor();
}

void MainWindow::UpdateCursor() { mView->refreshCursor(); }

void MainWindow::startRotation(bool clockwise) {
  mScene.view.rotating = true;
  mScene.view.clockwise = clockwise;
  mClock.reset(tickCount());
  mRotationTimer.start();
  UpdateMenuState();
}

void MainWindow::stopRotation() {
  mScene.view.rotating = false;
  mRotationTimer.stop();
  UpdateMenuState();
}

void MainWindow::onRotationTick() {
  if (!mScene.view.rotating) {
    mRotationTimer.stop();  // an open or a command stopped it
    return;
  }
  // Only a step draws a frame; the polls in between cost no drawing.
  if (advanceAutoRotation(mScene.view, mClock, tickCount())) {
    mView->update();
  }
}

uint32_t MainWindow::tickCount() const { return static_cast<uint32_t>(mTicks.elapsed()); }

void MainWindow::showError(int textId, int captionTextId, const QString& detail) {
  const QString caption = qtext(captionTextId != 0 ? captionTextId : kTextProgramName);
  showMessage(caption, detail.isEmpty() ? qtext(textId) : qtext(textId) + '\n' + detail);
}

void MainWindow::showFailure(bool succeeded, int textId, int captionTextId, const QString& detail) {
  const FileProblems problems = std::exchange(mProblems, {});
  if (succeeded && problems.empty()) {
    return;
  }
  QString text = qtext(succeeded ? kTextSomeFilesUnused : textId);
  for (const FileProblem& p : problems) {
    text += '\n' + qpath(p.path) + ": " + QString::fromStdString(p.reason);
  }
  if (!succeeded && problems.empty() && !detail.isEmpty()) {
    text += '\n' + detail;
  }
  showMessage(qtext(captionTextId != 0 ? captionTextId : kTextProgramName), text);
}

void MainWindow::showMessage(const QString& caption, const QString& text) {
  restoreNormalCursor();  // no busy pointer over the box
  if (mStartingUp) {
    mStartUpMessages.emplace_back(caption, text);
    return;
  }
  if (mMessageHandler) {
    mMessageHandler(caption, text);
  } else {
    showErrorBox(this, caption, text);
  }
}

void MainWindow::setLoadedCaption(const std::filesystem::path& path) {
  setWindowTitle(QStringLiteral("%1 - %2").arg(qpath(path), qtext(kTextProgramName)));
}

void MainWindow::resetCaption() { setWindowTitle(qtext(kTextProgramName)); }

void MainWindow::setWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

MainWindow::BusyOpen::BusyOpen(MainWindow& window, int titleText, bool readsScene)
    : mWindow(window) {
  if (mWindow.mBusyDepth++ == 0) {
    mWindow.mProgress = new OpenProgressDialog(&mWindow, qtext(titleText));
    mWindow.mView->setBusy(!readsScene);
  }
}

MainWindow::BusyOpen::~BusyOpen() {
  if (--mWindow.mBusyDepth == 0) {
    delete mWindow.mProgress;
    mWindow.mProgress = nullptr;
    mWindow.mView->setBusy(false);
    if (mWindow.mCloseWhenIdle) {
      mWindow.mCloseWhenIdle = false;
      QMetaObject::invokeMethod(&mWindow, &QWidget::close, Qt::QueuedConnection);
    }
  }
}

const OpenProgressFn& MainWindow::BusyOpen::progress() const {
  return mWindow.mProgress->callback();
}

QDialog* MainWindow::progressDialog() const { return mProgress ? mProgress->dialog() : nullptr; }

bool MainWindow::openElevation(const std::vector<std::filesystem::path>& paths) {
  BusyOpen busy(*this, kTextOpenElevation);
  const bool ok = openElevationData(mScene, paths, busy.progress(), &mProblems);
  if (ok) {
    setLoadedCaption(mScene.grid.filePath(0));
  } else if (mScene.grid.count == 0) {
    resetCaption();  // the open had released the scene
  }
  return ok;
}

bool MainWindow::LoadProject(const std::filesystem::path& path) {
  BusyOpen busy(*this, kTextOpenProject);
  if (!torvane::LoadProject(mScene, path, busy.progress(), &mProblems)) {
    return false;
  }
  mProjectPath = path;
  return true;
}

bool MainWindow::LoadTexture(const std::filesystem::path& path) {
  const bool loaded = torvane::LoadTexture(mScene, path);
  mView->update();
  return loaded;
}

bool MainWindow::addLineFiles(const std::vector<std::filesystem::path>& paths) {
  const bool added = torvane::addLineFiles(mScene, paths, {}, &mProblems);
  mView->update();
  return added;
}

bool MainWindow::finishImageLoad(bool loaded) {
  if (loaded) {
    finishCommand(setImageColourMode(mScene.view, kImageOnly));
  } else if (!mScene.image.loaded) {
    // A failed load has released the image shown until then; without an image the terrain
    // takes its land and sea colours again, as after removing the image.
    finishCommand(setImageColourMode(mScene.view, kLandAndSea));
  }
  return loaded;
}

void MainWindow::dropPaths(const std::vector<std::filesystem::path>& dropped,
                           const QString& detail) {
  const std::vector<std::filesystem::path> paths(
      dropped.begin(),
      dropped.begin() + static_cast<std::ptrdiff_t>(std::min(dropped.size(), kMaxDropPaths)));
  const DropContext context{mScene.view.rotating, mScene.grid.count > 0,
                            mScene.grid.GeoCoordinates};
  const DropDecision decision = decideDrop(paths, context);
  if (decision.action == DropAction::None) {
    return;
  }
  setWaitCursor();
  switch (decision.action) {
    case DropAction::None:
      break;
    case DropAction::Refuse:
      showError(decision.errorText, 0, detail);
      break;
    case DropAction::LoadProject: {
      const bool loaded = LoadProject(paths.front());
      if (loaded) {
        setLoadedCaption(mProjectPath);
      } else if (mScene.grid.count == 0) {
        resetCaption();
      }
      showFailure(loaded, decision.errorText, 0, detail);
      break;
    }
    case DropAction::LoadTexture:
      if (!finishImageLoad(LoadTexture(paths.front()))) {
        showError(decision.errorText, 0, detail);
      }
      break;
    case DropAction::AddLineFiles:
      showFailure(addLineFiles(paths), decision.errorText, 0, detail);
      break;
    case DropAction::LineFilesOrElevation: {
      if (addLineFiles(paths)) {
        showFailure(true, decision.errorText);
        break;
      }
      const bool anyDem = std::any_of(paths.begin(), paths.end(), [](const auto& p) {
        return hasExtension(p, ".xml") && isDemXmlFile(p);
      });
      if (anyDem) {
        mProblems.clear();  // the files were elevation data, not layers
        showFailure(openElevation(paths), decision.errorText, 0, detail);
      } else {
        showFailure(false, decision.errorText, 0, detail);
      }
      break;
    }
    case DropAction::OpenLem: {
      const bool opened = openElevation(paths);
      if (opened && mScene.grid.fileCount == 1 && hasExtension(paths.front(), ".lem")) {
        finishImageLoad(LoadTexture(drapedImageForLem(mScene.grid.filePath(0))));  // silent
      }
      showFailure(opened, decision.errorText, 0, detail);
      break;
    }
    case DropAction::OpenElevation:
      showFailure(openElevation(paths), decision.errorText, 0, detail);
      break;
  }
  AfterChange();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && !busy()) {
    event->acceptProposedAction();
  }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls() && !busy()) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (busy()) {
    event->ignore();  // one open at a time
    return;
  }
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile() && paths.size() < kMaxDropPaths) {
      paths.emplace_back(url.toLocalFile().toStdString());
    }
  }
  event->acceptProposedAction();
  if (!mScene.view.rotating) {
    activateWindow();
    raise();
  }
  dropPaths(paths);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  showStartUpMessages();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy()) {
    // The open holds the scene: the window closes once it has ended.
    mCloseWhenIdle = true;
    event->ignore();
    return;
  }
  // Nothing asks to save. The device objects go before the window does.
  stopRotation();
  mView->releaseDevice();
  event->accept();
}

}  // namespace torvane
