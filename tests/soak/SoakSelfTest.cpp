// The soak's own checks: a seed replays the same actions, and each invariant fails the run when
// a fault breaks it (a Qt warning, a window left open, a wait cursor left set, no frame, a
// status bar that disagrees with the scene, a heap that grew, a project that reloads
// differently), with a report that names the seed, the replay command and the last 50 actions.

#include <QApplication>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <QtTest>
#include <fstream>
#include <memory>
#include <sstream>

#include "gui/MainWindow.h"
#include "gui/StandardDialogs.h"
#include "gui/TerrainView.h"
#include "render/RenderContext.h"
#include "scene/ProjectFile.h"
#include "tests/soak/SoakCorpus.h"
#include "tests/soak/SoakDriver.h"
#include "tests/support/TempDir.h"

namespace torvane::soak {

class SoakSelfTest : public QObject {
  Q_OBJECT

  std::unique_ptr<fixtures::TempDir> mDir;
  std::unique_ptr<SoakCorpus> mCorpus;
  std::unique_ptr<MainWindow> mWindow;

  SoakOptions options(uint64_t seed) const {
    SoakOptions o;
    o.seed = seed;
    o.scratch = mDir->path() / "scratch";
    o.frameTimeoutMs = 5000;
    return o;
  }

  // The action part of each logged entry (without the dialog answers).
  static std::vector<std::string> actionsOf(const SoakDriver& driver) {
    std::vector<std::string> out;
    for (const std::string& entry : driver.recentActions()) {
      out.push_back(entry.substr(0, entry.find("; ")));
    }
    return out;
  }

  std::vector<std::string> runSeed(uint64_t seed, int actions) {
    mWindow = std::make_unique<MainWindow>();
    mWindow->startUp();
    mWindow->show();
    if (!QTest::qWaitForWindowExposed(mWindow.get())) {
      return {};
    }
    mWindow->view()->grabFramebuffer();
    SoakDriver driver(*mWindow, *mCorpus, options(seed));
    for (int i = 0; i < actions && driver.step(); ++i) {
    }
    if (!driver.failure().empty()) {
      qWarning("%s", driver.failure().c_str());
    }
    return actionsOf(driver);
  }

  void openDemo() {
    QVERIFY(mWindow->openElevation(mCorpus->demoTiles()));
    mWindow->AfterChange();
  }

private slots:
  void initTestCase() {
    mDir = std::make_unique<fixtures::TempDir>();
    mCorpus = std::make_unique<SoakCorpus>(mDir->path() / "corpus", TORVANE_DEMO_DIR,
                                           TORVANE_SAMPLES_DIR);
    QVERIFY(!mCorpus->ofKind(CorpusKind::Hostile).empty());
  }
  void init() {
    mWindow = std::make_unique<MainWindow>();
    mWindow->startUp();
    mWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(mWindow.get()));
    mWindow->view()->grabFramebuffer();
    if (!mWindow->view()->deviceReady()) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
  }
  void cleanup() { mWindow.reset(); }
  void cleanupTestCase() {
    mCorpus.reset();
    mDir.reset();
  }

  // The corpus lists every kind, in the same order each time it is built.
  void corpusIsFixed() {
    for (int k = 0; k < static_cast<int>(CorpusKind::Count); ++k) {
      QVERIFY2(!mCorpus->ofKind(static_cast<CorpusKind>(k)).empty(),
               corpusKindName(static_cast<CorpusKind>(k)));
    }
    const SoakCorpus again(mDir->path() / "corpus2", TORVANE_DEMO_DIR, TORVANE_SAMPLES_DIR);
    QCOMPARE(again.files().size(), mCorpus->files().size());
    for (size_t i = 0; i < again.files().size(); ++i) {
      QCOMPARE(again.files()[i].path.filename(), mCorpus->files()[i].path.filename());
    }
  }

  // A seed's actions do not depend on what the window did with them.
  void aSeedReplaysTheSameActions() {
    const std::vector<std::string> first = runSeed(5, 30);
    const std::vector<std::string> second = runSeed(5, 30);
    const std::vector<std::string> other = runSeed(6, 30);
    QCOMPARE(first.size(), size_t{30});
    QVERIFY(first == second);
    QVERIFY(first != other);
  }

  void eachInvariantFailsTheRun_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reported");
    QTest::newRow("Qt warning") << 0 << "Qt warning";
    QTest::newRow("box left open") << 1 << "left open";
    QTest::newRow("box after the action") << 2 << "after the action";
    QTest::newRow("wait cursor") << 3 << "wait cursor";
    QTest::newRow("no frame") << 4 << "no frame";
    QTest::newRow("status bar") << 5 << "status bar shows";
  }
  void eachInvariantFailsTheRun() {
    QFETCH(int, fault);
    QFETCH(QString, reported);
    openDemo();
    mWindow->dropPaths({mCorpus->folder() / "lines" / "hike.nmea"});
    QCOMPARE(mWindow->scene().overlays.groupCount(), 1);
    SoakOptions o = options(9);
    o.frameTimeoutMs = 500;
    SoakDriver driver(*mWindow, *mCorpus, o);
    QVERIFY2(driver.runAction("nothing wrong", [] {}), driver.failure().c_str());
    QMessageBox box;
    const bool failed = !driver.runAction("fault", [&] {
      switch (fault) {
        case 0:
          qWarning("a warning of the self-test");
          break;
        case 1:
          box.show();
          break;
        case 2:
          QTimer::singleShot(0, mWindow.get(), [this] {
            showErrorBox(mWindow.get(), QStringLiteral("late"), QStringLiteral("late box"));
          });
          break;
        case 3:
          QApplication::setOverrideCursor(Qt::WaitCursor);
          break;
        case 4:
          mWindow->view()->hide();
          break;
        default:
          mWindow->scene().overlays.releaseVertexBuffer();
          break;
      }
    });
    box.close();
    restoreNormalCursor();
    QVERIFY(failed);
    QVERIFY2(QString::fromStdString(driver.failure()).contains(reported), driver.failure().c_str());
    QVERIFY(!driver.runAction("after a failure", [] {}));  // the run has stopped
  }

  // A heap that keeps what a clear should have freed fails the next full clear.
  void heapGrowthBetweenFullClearsFails() {
    SoakOptions o = options(10);
    o.memoryMarginBytes = int64_t{32} << 20;
    SoakDriver driver(*mWindow, *mCorpus, o);
    QVERIFY2(driver.runFullClear(), driver.failure().c_str());
    QVERIFY2(driver.runFullClear(), driver.failure().c_str());
    std::vector<char> kept;
    QVERIFY(driver.runAction("keeps 96 MiB", [&] { kept.assign(size_t{96} << 20, 'k'); }));
    QVERIFY(!driver.runFullClear());
    QVERIFY2(QString::fromStdString(driver.failure()).contains("heap after full clear"),
             driver.failure().c_str());
  }

  // A saved project passes when it reloads to its own text (a land type saved under an image
  // colour mode is not read back, by the load rules); any other difference fails.
  void savedProjectsMustReloadToTheirText() {
    openDemo();
    SoakDriver driver(*mWindow, *mCorpus, options(11));
    QVERIFY(mWindow->LoadTexture(mCorpus->folder() / "images" / "photo.jpg"));
    ViewState& view = mWindow->scene().view;
    view.ColorT = 1;
    view.ColorS = 6;
    view.Scale = 37;
    const std::filesystem::path path = mDir->path() / "p.tvp";
    QVERIFY(SaveProject(mWindow->scene(), path));
    QCOMPARE(driver.checkSavedProject(path), std::string());

    std::string text = projectText(mWindow->scene(), path);
    text.replace(text.find("Scale=37"), 8, "Scale=150");  // out of range: loads as the default
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    QVERIFY(mWindow->LoadTexture(mCorpus->folder() / "images" / "photo.jpg"));
    const std::string problem = driver.checkSavedProject(path);
    QVERIFY2(problem.find("'Scale=150' against 'Scale=") != std::string::npos, problem.c_str());
  }

  void theReportNamesTheSeedTheReplayAndTheLast50Actions() {
    SoakDriver driver(*mWindow, *mCorpus, options(77));
    for (int i = 0; i < 60; ++i) {
      QVERIFY(driver.runAction("step " + std::to_string(i), [] {}));
    }
    QVERIFY(!driver.runAction("the fault", [] { qWarning("broken"); }));
    const std::string report = driver.failureReport();
    QVERIFY2(report.find("seed 77") != std::string::npos, report.c_str());
    QVERIFY2(report.find("replay: torvane-soak --seed 77 --actions 61") != std::string::npos,
             report.c_str());
    const std::vector<std::string> actions = driver.recentActions();
    QCOMPARE(actions.size(), size_t{50});
    QVERIFY(actions.front().starts_with("#11 test step 11"));
    QVERIFY(actions.back().starts_with("#60 test the fault"));
  }
};

}  // namespace torvane::soak

int main(int argc, char** argv) {
  torvane::RenderContext::setDefaultSurfaceFormat();
  QApplication app(argc, argv);
  torvane::useCNumberFormat();
  torvane::installQtTranslation(QLocale(QLocale::Japanese, QLocale::Japan));
  torvane::soak::SoakSelfTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "SoakSelfTest.moc"
