// The main window as a user meets it: caption and size, dropped files, auto-rotation, splash.

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QThread>
#include <QScreen>
#include <QSplashScreen>
#include <QUrl>
#include <thread>

#include "GuiTestSupport.h"
#include "gui/QtText.h"
#include "tests/support/ZipWriter.h"
#include "measure/CrossSection.h"
#include "measure/Ruler.h"
#include "scene/Contours.h"
#include "view/AutoRotation.h"
#include "resources/Texts.h"

namespace torvane::fixtures {

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QStringList mMessages;

  void drop(const QStringList& paths) { dropFiles(*mWindow, paths); }
  static QString demo(int i) { return QString::fromStdString(demoFiles()[size_t(i)].string()); }
  static QString msg(int id) { return QString::fromUtf8(text(id).data()); }

private slots:
  void init() {
    mMessages.clear();
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([this](const QString& caption, const QString& text) {
      QCOMPARE(caption, QStringLiteral("Torvane"));
      mMessages << text;
    });
    mWindow->startUp();
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
  }
  void cleanup() { mWindow.reset(); }

  void startsAsAnEmptyWindowOfTheRightSize() {
    QCOMPARE(mWindow->windowTitle(), QStringLiteral("Torvane"));
    QCOMPARE(mWindow->size(), QSize(800, 600));
    QCOMPARE(mWindow->minimumSize(), QSize(640, 480));
    QVERIFY(mWindow->acceptDrops());
    QVERIFY(mWindow->splash().window() == nullptr);  // no start-up project, no splash
    QVERIFY(mWindow->action(123) != nullptr);
  }

  void droppedElevationFilesOpenAndSetTheCaption() {
    drop({demo(2), demo(0), demo(1), demo(3)});
    QVERIFY(mMessages.isEmpty());
    QCOMPARE(mWindow->scene().grid.fileCount, 4);
    QCOMPARE(mWindow->windowTitle(), demo(2) + QStringLiteral(" - Torvane"));
    const QImage frame = mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!foregroundBounds(frame).isEmpty());
    QCOMPARE(frame.pixel(0, 0), kBackground);
  }

  void refusedDropsKeepWhatIsLoaded() {
    drop({demo(0)});
    QCOMPARE(mWindow->scene().grid.fileCount, 1);
    const QString dir = outputDir("WindowTest");
    drop({dir + "/a.tvp", dir + "/b.tvp"});
    QCOMPARE(mMessages, QStringList{msg(kTextOneFileOnly)});
    drop({dir + "/a.jpg", dir + "/b.jpg"});
    QCOMPARE(mMessages.last(), msg(kTextOneFileOnly));
    QCOMPARE(mWindow->scene().grid.fileCount, 1);
    QCOMPARE(mWindow->windowTitle(), demo(0) + QStringLiteral(" - Torvane"));
  }

  void imageBeforeElevationDataIsRefused() {
    drop({QStringLiteral("/tmp/photo.jpg")});
    QCOMPARE(mMessages, QStringList{msg(kTextNoElevationData)});
  }

  // A wrong file picked after some work: the open fails, names the file and why, and the work
  // stays exactly as it was (scene, layers, contours, view, caption).
  void failedOpenKeepsTheWorkAndNamesTheFiles() {
    const QString dir = outputDir("WindowTest");
    drop({demo(0), demo(1), demo(2), demo(3)});
    QFile log(dir + "/track.log");
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write("$GPGGA,1,3500.30,N,13900.60,E,1,8\n$GPGGA,2,3500.31,N,13900.61,E,1,8\n");
    log.close();
    drop({log.fileName()});
    Scene& scene = mWindow->scene();
    QVERIFY(buildContourSet(scene, 1, 300));
    scene.view.RotaZ = 1.25;
    const QString caption = mWindow->windowTitle();
    mWindow->view()->grabFramebuffer().save(dir + "/1-before.png");
    QVERIFY(mMessages.isEmpty());

    QFile junk(dir + "/junk.zip");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, '\x5a'));
    junk.close();
    QFile moved(dir + "/moved.tvp");
    QVERIFY(moved.open(QIODevice::WriteOnly));
    moved.write("[File]\nName1=tile.xml\n");
    moved.close();
    drop({junk.fileName()});
    drop({moved.fileName()});
    QCOMPARE(mMessages.size(), 2);
    QCOMPARE(mMessages[0], msg(kTextNoValidData) + "\n" + junk.fileName() +
                               ": damaged archive (Not a zip archive)");
    QCOMPARE(mMessages[1], msg(kTextNoValidData) + "\n" + dir + "/tile.xml: not found");
    QCOMPARE(scene.grid.fileCount, 4);
    QCOMPARE(scene.overlays.groupCount(), 1);
    QCOMPARE(scene.contours.groupCount(), 1);
    QCOMPARE(scene.view.RotaZ, 1.25);
    QCOMPARE(mWindow->windowTitle(), caption);
    mWindow->view()->grabFramebuffer().save(dir + "/2-after-failed-opens.png");
  }

  // The same on a real GSI download (skipped without the samples): contours, a ruler, then a
  // junk zip; the work stays and the contours export for other GIS tools.
  void realDownloadKeepsItsWorkAfterAJunkOpen() {
    const QString zip =
        QStringLiteral(TORVANE_SAMPLES_DIR "/dem_xml/zipped/FG-GML-543745-DEM10B-20161001.zip");
    if (!QFile::exists(zip)) {
      QSKIP("the real GSI samples are not here");
    }
    const QString dir = outputDir("WindowTest");
    drop({zip});
    Scene& scene = mWindow->scene();
    QCOMPARE(scene.grid.fileCount, 1);
    QVERIFY(buildContourRange(scene, kElevationContour, {1400, 3100, 100}));
    togglePathRuler(scene.ruler);
    const HeightAt heightAt = terrainHeightAt(scene.grid, scene.mesh);
    for (const auto& [X, Y] : {std::pair{-3000.0, -2000.0}, {0.0, 500.0}, {3000.0, 2500.0}}) {
      addRulerPoint(scene.ruler, {X, Y, heightAt(X, Y)});
    }
    scene.view.RotaX = 0.9;
    mWindow->AfterChange();
    const QString caption = mWindow->windowTitle();
    mWindow->view()->grabFramebuffer().save(dir + "/1-contours-and-ruler.png");

    QFile junk(dir + "/junk.zip");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(100000, '\x17'));
    junk.close();
    drop({junk.fileName()});
    QCOMPARE(mMessages.size(), 1);
    QCOMPARE(scene.contours.groupCount(), 18);
    QCOMPARE(scene.ruler.pointCount, 3);
    QCOMPARE(mWindow->windowTitle(), caption);
    mWindow->view()->grabFramebuffer().save(dir + "/2-after-the-junk-zip.png");
    WriteError error;
    QVERIFY(exportContourGeoJson(scene, (dir + "/yarigatake-contours.geojson").toStdString(), true,
                                 &error));
  }

  void failedOpenOfAnEmptySceneKeepsTheProgramCaption() {
    const QString dir = outputDir("WindowTest");
    drop({dir + "/nothing.tvd"});
    QCOMPARE(mMessages,
             QStringList{msg(kTextNoValidData) + "\n" + dir + "/nothing.tvd: not found"});
    QCOMPARE(mWindow->windowTitle(), QStringLiteral("Torvane"));
    QCOMPARE(mWindow->scene().grid.count, 0u);
  }

  void dropsAreIgnoredWhileRotating() {
    mWindow->runCommand(151);
    drop({demo(0)});
    QCOMPARE(mWindow->scene().grid.fileCount, 0);
    QVERIFY(mMessages.isEmpty());
    mWindow->runCommand(153);
    QVERIFY(!mWindow->scene().view.rotating);
  }

  void autoRotationStepsAtMostTwentyTimesASecond() {
    drop({demo(0), demo(1), demo(2), demo(3)});
    ViewState& view = mWindow->scene().view;
    view.Pitch = 5;
    // The first frame of the opened terrain is drawn before the clock starts: on a slow software
    // renderer it can take longer than the whole measurement.
    mWindow->view()->grabFramebuffer();
    QCoreApplication::processEvents();
    const int framesBefore = mWindow->view()->framesDrawn();
    mWindow->runCommand(152);  // counter-clockwise
    QElapsedTimer timer;
    timer.start();
    QTest::qWait(1000);
    mWindow->runCommand(153);
    const double seconds = timer.elapsed() / 1000.0;
    const double steps = view.RotaZ / (5 * kRotationUnit / 10);
    QVERIFY2(steps >= 1, qPrintable(QString::number(steps)));
    QVERIFY2(steps <= 20 * seconds + 1, qPrintable(QString::number(steps)));
    QVERIFY(std::abs(steps - std::round(steps)) < 1e-6);  // whole steps of 0.5 degree only
    const int frames = mWindow->view()->framesDrawn() - framesBefore;
    QVERIFY2(frames <= steps + 2, qPrintable(QStringLiteral("%1 frames").arg(frames)));
    // Stopped: the azimuth stays.
    const double stopped = view.RotaZ;
    QTest::qWait(200);
    QCOMPARE(view.RotaZ, stopped);
  }

  void filesNamedToOpenAtStartOpenWithoutSplash() {
    MainWindow::Options options;
    options.openAtStart = demoFiles();
    MainWindow window(options);
    window.setMessageHandler([this](const QString&, const QString& text) { mMessages << text; });
    window.startUp();
    QCOMPARE(window.scene().grid.fileCount, 4);
    QCOMPARE(window.windowTitle(), demo(0) + QStringLiteral(" - Torvane"));
    QVERIFY(window.splash().window() == nullptr);
    QVERIFY(mMessages.isEmpty());
  }

  // Real message boxes: each belongs to the window, which is on the screen, and shows the
  // normal cursor, also when it reports files named at start-up or comes behind a wait cursor.
  void messageBoxesBelongToTheShownWindowWithTheNormalCursor() {
    const QString dir = outputDir("WindowTest");
    MainWindow::Options options;
    options.openAtStart = {(dir + "/none.xml").toStdString()};
    mWindow = std::make_unique<MainWindow>(options);  // no message handler
    struct Seen {
      QString text;
      bool ownedByShownWindow;
      bool normalCursor;
    };
    std::vector<Seen> seen;
    MessageBoxWatcher watcher([&](QMessageBox* box) {
      seen.push_back({box->text(), box->parentWidget() == mWindow.get() && mWindow->isVisible(),
                      QApplication::overrideCursor() == nullptr});
      box->button(QMessageBox::Ok)->click();
    });
    mWindow->startUp();
    QTest::qWait(60);
    QVERIFY(seen.empty());  // nothing shows before the window does
    QCOMPARE(mWindow->windowTitle(), QStringLiteral("Torvane"));
    mWindow->show();
    QTRY_COMPARE(seen.size(), size_t(1));
    drop({dir + "/nothing.tvd"});  // fails behind the wait cursor
    QCOMPARE(seen.size(), size_t(2));
    QCOMPARE(seen[0].text, msg(kTextNoValidData) + "\n" + dir + "/none.xml: not found");
    QCOMPARE(seen[1].text, msg(kTextNoValidData) + "\n" + dir + "/nothing.tvd: not found");
    for (const Seen& box : seen) {
      QVERIFY(box.ownedByShownWindow);
      QVERIFY(box.normalCursor);
    }
  }

  // What a file manager passes (Exec=torvane %F) opens as a drop of the same files does; what
  // fails is named in a message once the window is on the screen.
  void filesNamedAtStartOpenAsADropWould() {
    const QString dir = outputDir("WindowTest");
    std::vector<fixtures::ZipEntry> members;
    for (const std::filesystem::path& tile : demoFiles()) {
      QFile file(QString::fromStdString(tile.string()));
      QVERIFY(file.open(QIODevice::ReadOnly));
      members.push_back({tile.filename().string(), file.readAll().toStdString()});
    }
    const std::string zip = (dir + "/download.zip").toStdString();
    QVERIFY(fixtures::writeZip(zip, members));
    const std::filesystem::path marks = std::filesystem::path(TORVANE_DEMO_DIR) / "marks.bln";
    const std::filesystem::path missing = (dir + "/missing.zip").toStdString();
    const std::filesystem::path image = (dir + "/photo.png").toStdString();
    const std::filesystem::path project = (dir + "/gone.tvp").toStdString();

    struct Case {
      const char* what;
      MainWindow::Options options;
      int files, layers;
      QString message;  // shown once the window is shown
    };
    auto options = [](std::vector<std::filesystem::path> open,
                      std::vector<std::filesystem::path> drop,
                      std::optional<std::filesystem::path> project = std::nullopt) {
      MainWindow::Options o;
      o.openAtStart = std::move(open);
      o.dropAtStart = std::move(drop);
      o.commandLineProject = std::move(project);
      return o;
    };
    // The message names each file, with the reason when the open found one.
    auto named = [](int textId, const std::vector<std::filesystem::path>& paths,
                    const QString& reason = {}) {
      QString text = msg(textId);
      for (const auto& p : paths) {
        text += "\n" + QString::fromStdString(p.string()) + reason;
      }
      return text;
    };
    std::vector<std::filesystem::path> many;
    for (int i = 0; i < 5; ++i) {
      many.push_back((dir + QStringLiteral("/marks%1.bln").arg(i)).toStdString());
    }
    const std::vector<Case> cases = {
        {"a GSI download", options({}, {zip}), 4, 0, {}},
        {"marks over the terrain of --open", options(demoFiles(), {marks}), 4, 1, {}},
        {"marks without terrain", options({}, {marks}), 0, 0, named(kTextNoElevationData, {marks})},
        {"an image without terrain", options({}, {image}), 0, 0,
         named(kTextNoElevationData, {image})},
        {"a download that is not there", options({}, {missing}), 0, 0,
         named(kTextNoValidData, {missing}, ": not found")},
        {"--open files that are not there", options({missing, missing}, {}), 0, 0,
         named(kTextNoValidData, {missing, missing}, ": not found")},
        {"five refused", options({}, many), 0, 0,
         named(kTextNoElevationData, {many[0], many[1], many[2]}) + "\n" +
             qtext(kTextMoreFiles).arg(2)},
        {"a project that is not there", options({}, {}, project), 0, 0,
         named(kTextNoValidData, {project}, ": not found")},
    };
    for (const Case& c : cases) {
      MainWindow window(c.options);
      QStringList messages;
      window.setMessageHandler([&](const QString&, const QString& text) { messages << text; });
      window.startUp();
      QCOMPARE(window.scene().grid.fileCount, c.files);
      QCOMPARE(window.scene().overlays.groupCount(), c.layers);
      QVERIFY2(messages.isEmpty(), c.what);  // nothing before the window shows
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      if (c.message.isEmpty()) {
        QTest::qWait(20);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
      } else {
        QTRY_COMPARE(messages.size(), 1);
        QCOMPARE(messages.front(), c.message);
      }
    }
  }

  void longOpenShowsProgressAndHoldsDropsAndClosing() {
    drop({demo(0)});
    {
      MainWindow::BusyOpen busy(*mWindow, kTextOpenElevation);
      const OpenProgressFn& progress = busy.progress();
      progress(OpenProgress{1, 0, 3, 0.0, "/d/a.xml"});
      QVERIFY(mWindow->progressDialog() == nullptr);  // a short open shows nothing
      QThread::msleep(600);
      // A report from a reader thread is posted to the GUI thread; a report there shows the
      // latest and lets the window paint.
      std::thread reader([&] { progress(OpenProgress{2, 1, 3, 0.5, "/d/x.zip/b.xml"}); });
      reader.join();
      const int frames = mWindow->view()->framesDrawn();
      mWindow->view()->update();
      QThread::msleep(40);
      progress(OpenProgress{2, 2, 3, 0.75, "/d/x.zip/c.xml"});
      QDialog* dialog = mWindow->progressDialog();
      QVERIFY(dialog != nullptr && dialog->isVisible());
      QCOMPARE(dialog->windowTitle(), msg(kTextOpenElevation));
      QCOMPARE(dialog->findChild<QLabel*>()->text(),
               msg(kTextReadingFile).arg(QStringLiteral("c.xml")).arg(3).arg(3));
      QCOMPARE(dialog->findChild<QProgressBar*>()->value(), 688);  // 5 % + 85 % x 0.75
      QVERIFY(mWindow->view()->framesDrawn() > frames);
      // Drops are refused and closing waits until the open has ended.
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(demo(1))});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(mWindow.get(), &enter);
      QVERIFY(!enter.isAccepted());
      mWindow->close();
      QVERIFY(mWindow->isVisible());
    }
    QVERIFY(!mWindow->busy());
    QVERIFY(mWindow->progressDialog() == nullptr);
    QTRY_VERIFY(!mWindow->isVisible());
    QCOMPARE(mWindow->scene().grid.fileCount, 1);
  }

  // A user drops a GSI download on the window: its members open, the caption names the first
  // member, and a long enough open shows the member being read (pictured for the record).
  void droppedGsiDownloadOpensItsMembers() {
    const QString zip = QStringLiteral(TORVANE_SAMPLES_DIR "/dem_xml/zipped/sample-dem10b.zip");
    if (!QFileInfo::exists(zip)) {
      QSKIP("the GSI samples are not here");
    }
    const QString out = QStringLiteral(TORVANE_GUI_OUT_DIR "/WindowTest");
    QDir().mkpath(out);
    QStringList labels;
    QTimer poll;  // timers run while the open lets the window paint
    connect(&poll, &QTimer::timeout, this, [&] {
      QDialog* dialog = mWindow->progressDialog();
      if (dialog != nullptr && dialog->isVisible()) {
        labels << dialog->findChild<QLabel*>()->text();
        if (labels.size() == 3) {
          QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/zip-drop-progress.png");
        }
      }
    });
    poll.start(50);
    drop({zip});
    poll.stop();
    QCOMPARE(mWindow->scene().grid.fileCount, 2);
    QCOMPARE(mWindow->windowTitle(),
             zip + QStringLiteral("/FG-GML-6341-51-dem10b-20161001.xml - Torvane"));
    for (const QString& label : labels) {
      QVERIFY2(
          label == msg(kTextPreparingTerrain) || label.contains("sample-dem10b.zip/FG-GML-6341-"),
          qPrintable(label));
    }
    QTest::qWait(200);
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/zip-drop-opened.png");
  }

  void closingReleasesTheDeviceObjects() {
    drop({demo(0)});
    QVERIFY(mWindow->scene().mesh.device() != nullptr);
    QCOMPARE(mWindow->view()->cursor().shape(), Qt::OpenHandCursor);
    mWindow->runCommand(129);
    QVERIFY(!mWindow->isVisible());
    QVERIFY(mWindow->scene().mesh.device() == nullptr);
    QVERIFY(!mWindow->view()->deviceReady());
    QCOMPARE(mWindow->scene().grid.fileCount, 1);  // nothing asks to save, nothing is lost
  }

  void startUpProjectLoadsBehindTheSplashWithoutMessages() {
    // The splash's picture is freed once a start-up project has loaded behind it, so a second
    // show has nothing to show; without a start-up project it is never used.
    QVERIFY(mWindow->splash().show() != nullptr);
    mWindow->splash().close();

    const QString dir = outputDir("WindowTest");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir));
    QFile autoRun(dir + "/AutoRun.tvp");
    QVERIFY(autoRun.open(QIODevice::WriteOnly));
    autoRun.close();
    MainWindow::Options options;
    options.openAtStart = demoFiles();  // a start-up project wins over these
    MainWindow window(options);
    window.setMessageHandler([this](const QString&, const QString& text) { mMessages << text; });
    window.startUp();
    QDir::setCurrent(previous);
    QVERIFY(window.splash().window() == nullptr);
    QVERIFY(window.splash().show() == nullptr);
    QCOMPARE(window.scene().grid.fileCount, 0);
    QCOMPARE(window.windowTitle(), QStringLiteral("Torvane"));  // failed load: no message
    QVERIFY(mMessages.isEmpty());
  }

  void splashShownTwiceIsReplacedAndCentred() {
    Splash& splash = mWindow->splash();
    auto countSplashes = [] {
      int n = 0;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        n += qobject_cast<QSplashScreen*>(w) != nullptr && w->isVisible() ? 1 : 0;
      }
      return n;
    };
    Splash fresh;
    QWidget* first = fresh.show();
    QVERIFY(first != nullptr);
    QWidget* second = fresh.show();
    QVERIFY(second != nullptr);
    QCOMPARE(countSplashes(), 1);
    QCOMPARE(second->size(), QSize(480, 150));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(std::abs(second->geometry().center().x() - area.center().x()) <= 1);
    QVERIFY(std::abs(second->geometry().center().y() - area.center().y()) <= 1);
    QVERIFY(fresh.close());
    QVERIFY(!fresh.close());
    QCOMPARE(countSplashes(), 0);
    QVERIFY(splash.window() == nullptr);
  }
};

const GuiTestClass<WindowTest> kWindowTest("WindowTest");

}  // namespace torvane::fixtures

#include "WindowTest.moc"
