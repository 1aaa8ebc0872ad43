// The main menu and the accelerators on the real window: commands run by id and by key, the
// menu state that follows, the file dialogs, and a picture of an open menu.

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "GuiTestSupport.h"
#include "scene/CommandTable.h"
#include "elevation/TvdFile.h"
#include "gui/MenuBar.h"
#include "gui/StandardDialogs.h"
#include "resources/Texts.h"

namespace torvane::fixtures {

class MenuTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QStringList mMessages;

  QAction* action(int id) { return mWindow->action(id); }
  QAction* submenu(int id) { return mWindow->commandMenus().action(id); }
  ViewState& view() { return mWindow->scene().view; }
  static QString qtext(int id) { return QString::fromUtf8(text(id).data()); }

  bool openDemo() {
    std::vector<std::filesystem::path> files = demoFiles();
    const bool ok = mWindow->openElevation(files);
    mWindow->AfterChange();
    return ok;
  }
  // The whole screen as the user sees it, kept in the test's output folder.
  void saveScreen(const QString& name) {
    QTest::qWait(100);  // let the newest window paint
    const QString path = QStringLiteral(TORVANE_GUI_OUT_DIR "/MenuTest/") + name;
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(path));
    qInfo("picture: %s", qPrintable(path));
  }
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(mWindow->view(), key, modifiers);
  }
  // Runs `handle` on the modal dialog that command `id` opens.
  void withDialog(int id, const std::function<void(QFileDialog*)>& handle) {
    QVERIFY(withFileDialog(*mWindow, id, handle));
  }

private slots:
  void init() {
    mMessages.clear();
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([this](const QString& caption, const QString& text) {
      mMessages << caption + ": " + text;
    });
    mWindow->startUp();
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    // Shortcuts go to the active window; Xvfb has no window manager to activate it.
    mWindow->activateWindow();
    QApplication::setActiveWindow(mWindow.get());
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == mWindow.get(); }));
    mWindow->view()->setFocus();
  }
  void cleanup() { mWindow.reset(); }

  void menuBarShowsTheTable() {
    QStringList titles;
    for (QAction* top : mWindow->menuBar()->actions()) {
      titles << top->text();
    }
    QCOMPARE(titles, (QStringList{"ファイル(&F)", "表示(&V)", "回転(&R)", "定規(&U)", "等値線(&I)",
                                  "ヘルプ(&H)"}));
    QCOMPARE(action(311)->text(), QStringLiteral("傾斜量(&K)\tCtrl+1"));
    QCOMPARE(action(311)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QVERIFY(action(311)->actionGroup() != nullptr);
    QVERIFY(action(311)->actionGroup()->isExclusive());
    QCOMPARE(action(191)->shortcuts().size(), 0);  // its keys are not shown in the menu

    // The land-type submenu, opened along its path, pictured for the record.
    QMenu* view = mWindow->commandMenus().menu(kMenuView);
    QMenu* colour = mWindow->commandMenus().menu(kMenuColour);
    QMenu* landType = mWindow->commandMenus().menu(kMenuLandType);
    QVERIFY(openDemo());
    const QPoint origin = mWindow->mapToGlobal(QPoint(0, mWindow->menuBar()->height()));
    view->popup(origin + QPoint(60, 0));
    QVERIFY(QTest::qWaitForWindowExposed(view));
    colour->popup(view->geometry().topRight());
    QVERIFY(QTest::qWaitForWindowExposed(colour));
    landType->popup(colour->geometry().topRight() +
                    QPoint(0, colour->actionGeometry(submenu(kMenuLandType)).top()));
    QVERIFY(QTest::qWaitForWindowExposed(landType));
    QTest::qWait(100);
    const QRect area = mWindow->frameGeometry().united(landType->geometry());
    const QImage shot =
        mWindow->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    const QString path = outputDir("MenuTest") + "/open-menu.png";
    QVERIFY(shot.save(path));
    qInfo("menu picture: %s", qPrintable(path));
    landType->close();
    colour->close();
    view->close();
  }

  void withoutGridOnlyFilesRotationAndHelpWork() {
    for (int id : {122, 125, 126, 127, 131, 132, 133, 161, 162, 164, 171, 201, 202}) {
      QVERIFY2(!action(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {kMenuColour, kMenuRelief, kMenuTransparency}) {
      QVERIFY(!submenu(id)->isEnabled());
    }
    for (int id : {121, 123, 128, 129, 151, 801, 191}) {
      QVERIFY(action(id)->isEnabled());
    }
    QVERIFY(!action(131)->isChecked());  // toggles read unchecked without a grid
    key(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!mWindow->scene().ruler.straightMode);
    key(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(view().ColorS, 0);
    action(807)->trigger();
    QCOMPARE(view().Pitch, 7);
    QVERIFY(action(807)->isChecked());
  }

  void settingsByIdReachTheVertices() {
    QVERIFY(openDemo());
    QVERIFY(submenu(kMenuColour)->isEnabled());
    QVERIFY(action(310)->isChecked());
    QVERIFY(action(341)->isChecked());
    QVERIFY(action(502)->isChecked());  // Scale 2
    QVERIFY(action(617)->isChecked());

    action(511)->trigger();
    QCOMPARE(view().Scale, 20);
    QVERIFY(action(511)->isChecked());
    action(609)->trigger();
    QCOMPARE(view().Alpha, 128);
    QCOMPARE(mWindow->scene().mesh.vertices()[0].diffuse >> 24, 128u);
    action(617)->trigger();
    QCOMPARE(view().Alpha, 255);
    QCOMPARE(mWindow->scene().mesh.vertices()[0].diffuse >> 24, 255u);
    action(345)->trigger();
    QCOMPARE(view().ColorK, 250);
    QVERIFY(action(345)->isChecked());
    action(362)->trigger();
    QVERIFY(!view().OceanT);
    QVERIFY(!action(362)->isChecked());
    action(131)->trigger();
    QVERIFY(!view().compass);
    QVERIFY(!action(131)->isChecked());

    // Values that only a project file can bring mark the nearest item.
    view().Scale = 25;
    view().Alpha = 200;
    mWindow->UpdateMenuState();
    QVERIFY(action(512)->isChecked());
    QVERIFY(action(614)->isChecked());
    view().Alpha = 250;
    mWindow->UpdateMenuState();
    QVERIFY(action(617)->isChecked());
  }

  void landTypesAreIgnoredWithoutLandColouring() {
    QVERIFY(openDemo());
    action(312)->trigger();
    QCOMPARE(view().ColorS, 2);
    view().ColorT = 2;
    mWindow->UpdateMenuState();
    QVERIFY(!submenu(kMenuLandType)->isEnabled());
    QVERIFY(submenu(kMenuSeaLevel)->isEnabled());
    action(315)->trigger();  // the item itself is reachable through its action
    key(Qt::Key_4, Qt::ControlModifier);
    key(Qt::Key_7, Qt::ShiftModifier);
    QCOMPARE(view().ColorS, 2);
    QVERIFY(action(312)->isChecked());
    QVERIFY(!action(315)->isChecked());  // the mark Qt moved on its own went back
  }

  void acceleratorsReachTheCommandsFromTheView() {
    QVERIFY(openDemo());
    key(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(view().ColorS, 1);
    QVERIFY(action(311)->isChecked());
    key(Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(view().ColorR, 2);
    QVERIFY(action(332)->isChecked());

    // Shift+7: land type 17, and no item of the land-type menu takes the mark.
    key(Qt::Key_7, Qt::ShiftModifier);
    QCOMPARE(view().ColorS, 17);
    QVERIFY(action(311)->isChecked());

    // What an X server sends for Shift+4 on a US or Japanese layout: the key is '$', the
    // keycode is the one of the "4" key.
    QKeyEvent overrideDollar(QEvent::ShortcutOverride, Qt::Key_Dollar, Qt::ShiftModifier, 13, 0x24,
                             0x1, QStringLiteral("$"));
    overrideDollar.ignore();  // as Qt sends it: accepted only by whoever claims the key
    QApplication::sendEvent(mWindow->view(), &overrideDollar);
    QVERIFY(overrideDollar.isAccepted());
    QKeyEvent dollar(QEvent::KeyPress, Qt::Key_Dollar, Qt::ShiftModifier, 13, 0x24, 0x1,
                     QStringLiteral("$"));
    QApplication::sendEvent(mWindow->view(), &dollar);
    QCOMPARE(view().ColorS, 14);
    // Ctrl with the "1" key on a layout whose unshifted key is '&' (AZERTY).
    QKeyEvent ampersand(QEvent::KeyPress, Qt::Key_Ampersand, Qt::ControlModifier, 10, 0x26, 0x4,
                        QString());
    QApplication::sendEvent(mWindow->view(), &ampersand);
    QCOMPARE(view().ColorS, 1);
    // A composite land type leaves ramp 7.
    view().ColorR = 7;
    key(Qt::Key_9, Qt::ShiftModifier);
    QCOMPARE(view().ColorS, 19);
    QCOMPARE(view().ColorR, 1);

    key(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(mWindow->scene().ruler.straightMode);
    QVERIFY(action(161)->isChecked());
    key(Qt::Key_P, Qt::ControlModifier);
    QVERIFY(mWindow->scene().ruler.pathMode);
    QVERIFY(!mWindow->scene().ruler.straightMode);
    QVERIFY(action(162)->isChecked());
    QVERIFY(!action(161)->isChecked());
    key(Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!mWindow->scene().ruler.pathMode);

    // The version box (a dialog, closed here as soon as it shows) stops the rotation first.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->reject();
      }
    });
    closer.start(20);
    action(151)->trigger();
    QVERIFY(view().rotating);
    QVERIFY(action(151)->isChecked());
    key(Qt::Key_Slash, Qt::AltModifier);
    QVERIFY(!view().rotating);
    QVERIFY(action(153)->isChecked());
    action(152)->trigger();
    key(Qt::Key_Question, Qt::AltModifier | Qt::ShiftModifier);
    QVERIFY(!view().rotating);
  }

  // A name typed without extension gets the dialog's default one: "abc" opens abc.tvd.
  void openingElevationDataFromTheMenu() {
    const QString dir = outputDir("MenuTest");
    const TvdHeader header{3, 3, 35.0, 139.0, 35.01, 139.01};
    QVERIFY(writeTvd((dir + "/abc.tvd").toStdString(), header, std::vector<double>(9, 10.0)));
    QStringList refusals;  // e.g. "file not found", which would keep the dialog open
    MessageBoxWatcher watcher([&](QMessageBox* box) {
      refusals << box->text();
      box->button(QMessageBox::Ok)->click();
    });
    withDialog(123, [&](QFileDialog* dialog) {
      dialog->setDirectory(dir);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("abc");
      static_cast<QDialog*>(dialog)->accept();  // accept() is protected in QFileDialog
    });
    QCOMPARE(refusals, QStringList{});
    QCOMPARE(mMessages, QStringList{});
    QCOMPARE(mWindow->scene().grid.fileCount, 1);
    QCOMPARE(mWindow->windowTitle(), dir + QStringLiteral("/abc.tvd - Torvane"));
    QVERIFY(action(122)->isEnabled());
    QVERIFY(mMessages.isEmpty());
  }

  // Every item once, with a grid: dialogs are cancelled, which must change nothing; 終了 last.
  void everyItemCanBeChosen() {
    QVERIFY(openDemo());
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, [] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->reject();
      }
    });
    canceller.start(20);
    const uint32_t ocean = view().OceanC;
    for (const MenuEntry& entry : menuTable()) {
      if (entry.kind != MenuKind::Separator && entry.kind != MenuKind::Submenu &&
          entry.id != kCmdExit) {
        action(entry.id)->trigger();
      }
    }
    canceller.stop();
    QCOMPARE(view().OceanC, ocean);
    QCOMPARE(mWindow->scene().grid.fileCount, 4);
    QVERIFY(mMessages.isEmpty());
    QVERIFY(mWindow->isVisible());
    action(kCmdExit)->trigger();
    QVERIFY(!mWindow->isVisible());
  }

  // Every file dialog: title, kind, folder, first name, the type list as it shows (one style:
  // the labels alone) and what each type lists, the default extension, Qt's texts in Japanese.
  void fileDialogsCarryTheirTitlesFiltersAndNames() {
    struct Case {
      int id;
      int title;
      bool save;
      QString folder;
      QString name;
      QStringList labels;
      QList<QStringList> patterns;
      QString suffix;
    };
    const QString here = QDir::currentPath();
    const QString demo = QDir(TORVANE_DEMO_DIR).absolutePath();
    const QStringList tvp{"TVP(*.tvp)"}, jpeg{"JPEG(*.jpg)"};
    const std::vector<Case> cases = {
        {121, kTextOpenProject, false, here, "Torvane.tvp", tvp, {{"*.tvp"}}, "tvp"},
        {122, kTextSaveProject, true, demo, "Torvane.tvp", tvp, {{"*.tvp"}}, "tvp"},
        {123,
         kTextOpenElevation,
         false,
         here,
         "",
         {"標高データ", "TVD(*.tvd)", "XML(*.xml)", "BIL(*.bil)", "LEM(*.lem)",
          "GeoTIFF(*.tif *.tiff)", "SRTM(*.hgt)", "ASCII Grid(*.asc)", "ERDAS Imagine(*.img)",
          "VRT(*.vrt)", "ZIP(*.zip)", "All Files"},
         {{"*.tvd", "*.xml", "*.bil", "*.lem", "*.tif", "*.tiff", "*.hgt", "*.asc", "*.img",
           "*.vrt", "*.zip"},
          {"*.tvd"},
          {"*.xml"},
          {"*.bil"},
          {"*.lem"},
          {"*.tif", "*.tiff"},
          {"*.hgt"},
          {"*.asc"},
          {"*.img"},
          {"*.vrt"},
          {"*.zip"},
          {"*"}},
         "tvd"},
        {125,
         kTextAddLineData,
         false,
         demo,
         "",
         {"線点データ", "XML(*.xml)", "NMEA(*.log *.nmea)", "BLN(*.bln)", "BLHRGB(*.blhrgb)",
          "GPX(*.gpx)", "KML(*.kml *.kmz)", "GeoJSON(*.geojson *.json)", "Shapefile(*.shp)",
          "GeoPackage(*.gpkg)", "All Files"},
         {{"*.xml", "*.log", "*.nmea", "*.bln", "*.blhrgb", "*.gpx", "*.kml", "*.kmz", "*.geojson",
           "*.json", "*.shp", "*.gpkg"},
          {"*.xml"},
          {"*.log", "*.nmea"},
          {"*.bln"},
          {"*.blhrgb"},
          {"*.gpx"},
          {"*.kml", "*.kmz"},
          {"*.geojson", "*.json"},
          {"*.shp"},
          {"*.gpkg"},
          {"*"}},
         "xml"},
        {126,
         kTextDrapeImage,
         false,
         demo,
         "",
         {"JPEG(*.jpg)", "PNG(*.png)", "All Files"},
         {{"*.jpg"}, {"*.png"}, {"*.jpg", "*.png"}},
         "jpg"},
        {128, kTextSaveImage, true, here, "Torvane.jpg", jpeg, {{"*.jpg"}}, "jpg"},
        {kCmdExportDem,
         kTextExportDem,
         true,
         demo,
         "terrain.tif",
         {"GeoTIFF(*.tif)"},
         {{"*.tif"}},
         "tif"},
    };
    QVERIFY(openDemo());
    for (const Case& c : cases) {
      withDialog(c.id, [&](QFileDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), qtext(c.title));
        QCOMPARE(dialog->acceptMode(), c.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(dialog->directory().absolutePath(), c.folder);
        QCOMPARE(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), c.name);
        QCOMPARE(dialog->defaultSuffix(), c.suffix);
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        auto* listing = dialog->findChild<QFileSystemModel*>();
        if (c.id == kCmdOpenElevation) {  // pictured with its type list open
          types->showPopup();
          saveScreen("open-elevation-dialog.png");
          types->hidePopup();
        }
        QStringList shown;
        for (int i = 0; i < types->count(); ++i) {
          shown << types->itemText(i);
          dialog->selectNameFilter(dialog->nameFilters().value(i));
          QCOMPARE(listing->nameFilters(), c.patterns.value(i));
        }
        QCOMPARE(shown, c.labels);
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
      });
    }
    QVERIFY(mMessages.isEmpty());  // cancelled: nothing happens

    // Files that are not what they claim: the failure is reported under the dialog's title.
    const QString dir = outputDir("MenuTest");
    for (const QString& name : {QStringLiteral("bad.tvp"), QStringLiteral("bad.jpg")}) {
      QFile file(dir + "/" + name);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("not what the name says\n");
    }
    withDialog(126, [&](QFileDialog* dialog) {
      dialog->selectFile(dir + "/bad.jpg");
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(mMessages, QStringList{qtext(kTextDrapeImage) + ": " + qtext(kTextUnsupportedFile)});
    QCOMPARE(view().ColorT, 3);
    withDialog(121, [&](QFileDialog* dialog) {
      dialog->selectFile(dir + "/bad.tvp");
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(mMessages.last(), qtext(kTextOpenProject) + ": " + qtext(kTextNoValidData) + "\n" +
                                   dir + "/bad.tvp: names no elevation file");
    QVERIFY(mWindow->windowTitle().endsWith(QStringLiteral(" - Torvane")));  // work kept
  }

  // Qt's texts follow the user's locale where Qt has a translation for it, else Japanese.
  void qtTranslationFollowsTheLocaleElseJapanese() {
    const struct {
      QLocale locale;
      QString file;
    } cases[] = {
        {QLocale(QLocale::Japanese, QLocale::Japan), "qtbase_ja.qm"},
        {QLocale(QLocale::German, QLocale::Germany), "qtbase_de.qm"},
        {QLocale(QLocale::Portuguese, QLocale::Brazil), "qtbase_pt_BR.qm"},
        {QLocale::c(), "qtbase_ja.qm"},
        {QLocale(QLocale::Zulu, QLocale::SouthAfrica), "qtbase_ja.qm"},
    };
    for (const auto& c : cases) {
      const QtTranslation translation = qtTranslationFor(c.locale);
      QCOMPARE(QFileInfo(translation.file).fileName(), c.file);
      QCOMPARE(translation.locale.language(),
               c.file == "qtbase_ja.qm" ? QLocale::Japanese : c.locale.language());
    }
    QCOMPARE(QLocale().language(), QLocale::Japanese);  // the tests' pinned locale
  }

  // Saving over an existing project asks first, in Japanese; answering no keeps the dialog.
  void saveAsksInJapaneseBeforeReplacing() {
    QVERIFY(openDemo());
    const QString dir = outputDir("MenuTest");
    QFile existing(dir + "/proj.tvp");
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QString question;
    MessageBoxWatcher watcher([&](QMessageBox* box) {
      question = box->text();
      saveScreen("save-overwrite-question.png");
      box->button(QMessageBox::No)->click();
    });
    withDialog(122, [&](QFileDialog* dialog) {
      dialog->setDirectory(dir);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("proj");  // the default .tvp
      static_cast<QDialog*>(dialog)->accept();
      QVERIFY(dialog->isVisible());
    });
    QVERIFY2(question.startsWith("proj.tvp") && question.contains(QStringLiteral("置き換え")),
             qPrintable(question));
  }
};

const GuiTestClass<MenuTest> kMenuTest("MenuTest");

}  // namespace torvane::fixtures

#include "MenuTest.moc"
