// GeoTIFF as a new user meets it: the demo written out from the ファイル menu, that GeoTIFF
// opened again from the 標高データを開く dialog and by a drop, and a write that fails. Each
// step is pictured in the test's output folder.

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include "GuiTestSupport.h"
#include "gui/MenuBar.h"
#include "gui/StandardDialogs.h"
#include "resources/Texts.h"
#include "scene/CommandTable.h"

namespace torvane::fixtures {
namespace {

class RasterTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QStringList mMessages;
  QString mOut;

  static QString msg(int id) { return QString::fromUtf8(text(id).data()); }

  void picture(const QString& name) {
    QTest::qWait(150);  // the view and any dialog paint first
    QGuiApplication::primaryScreen()->grabWindow(0).save(mOut + "/" + name);
  }

  // The window's terrain as a reference: node count and the extents.
  static std::vector<double> extents(const ElevationGrid& g) {
    return {g.lonMin, g.lonMax, g.latMin, g.latMax, g.Hmin, g.Hmax};
  }

private slots:
  void init() {
    mMessages.clear();
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([this](const QString&, const QString& text) { mMessages << text; });
    mWindow->startUp();
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    mOut = outputDir("RasterTest");
  }
  void cleanup() { mWindow.reset(); }

  void demoWrittenFromTheMenuOpensFromTheDialogAndByADrop() {
    QVERIFY2(!mWindow->action(kCmdExportDem)->isEnabled(), "nothing to write yet");
    QVERIFY(mWindow->openElevation(demoFiles()));
    mWindow->AfterChange();
    const ElevationGrid& grid = mWindow->scene().grid;
    const std::vector<double> demo = extents(grid);
    QVERIFY(mWindow->action(kCmdExportDem)->isEnabled());

    // The item in the ファイル menu, then its save dialog for .tif files.
    QMenu* file = mWindow->commandMenus().menu(kMenuFile);
    file->popup(mWindow->mapToGlobal(QPoint(0, mWindow->menuBar()->height())));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    QVERIFY(file->actions().contains(mWindow->action(kCmdExportDem)));
    picture("0-file-menu.png");
    file->close();
    const QString tif = mOut + "/demo.tif";
    QVERIFY(withFileDialog(*mWindow, kCmdExportDem, [&](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), msg(kTextExportDem));
      QCOMPARE(
          dialog->nameFilters(),
          QStringList{nameFilter({QStringLiteral("GeoTIFF(*.tif)"), QStringLiteral("*.tif")})});
      dialog->selectFile(tif);
      picture("1-export-dialog.png");
      chooseFile(dialog, tif);
    }));
    QVERIFY(mMessages.isEmpty());
    QVERIFY(QFileInfo(tif).size() > 0);
    picture("2-exported.png");

    // 標高データを開く offers GeoTIFF among the types and opens the file.
    QVERIFY(withFileDialog(*mWindow, kCmdOpenElevation, [&](QFileDialog* dialog) {
      QVERIFY(dialog->nameFilters().join(';').contains(QStringLiteral("GeoTIFF(*.tif *.tiff)")));
      dialog->selectNameFilter(dialog->nameFilters().filter(QStringLiteral("GeoTIFF")).first());
      dialog->selectFile(tif);
      picture("3-open-dialog.png");
      chooseFile(dialog, tif);
    }));
    QVERIFY2(mMessages.isEmpty(), qPrintable(mMessages.join('\n')));
    QCOMPARE(grid.fileCount, 1);
    QCOMPARE(mWindow->windowTitle(), tif + QStringLiteral(" - Torvane"));
    const std::vector<double> reopened = extents(grid);
    for (size_t i = 0; i < demo.size(); ++i) {
      QVERIFY2(std::fabs(reopened[i] - demo[i]) < 1e-4, qPrintable(QString::number(i)));
    }
    picture("4-opened-from-dialog.png");

    // The same file dropped on the window after other data.
    QVERIFY(mWindow->openElevation({demoFiles()[0]}));
    QCOMPARE(grid.fileCount, 1);
    dropFiles(*mWindow, {tif});
    QCOMPARE(mWindow->windowTitle(), tif + QStringLiteral(" - Torvane"));
    QCOMPARE(extents(grid), reopened);
    picture("5-opened-by-drop.png");
  }

  void failedWriteSaysSoAndNamesTheFile() {
    QVERIFY(mWindow->openElevation(demoFiles()));
    const std::filesystem::path target = (mOut + "/no such folder/demo.tif").toStdString();
    QVERIFY(!mWindow->exportDemFile(target));
    QCOMPARE(mMessages.size(), 1);
    QVERIFY(mMessages[0].startsWith(msg(kTextExportDemFailed) + '\n'));
    QVERIFY(mMessages[0].contains(QString::fromStdString(target.string())));
    QVERIFY(mMessages[0].contains(msg(kTextWriteNoFolder)));  // the reason in Japanese
    QVERIFY(!QFileInfo::exists(QString::fromStdString(target.string())));
  }
};

}  // namespace

const GuiTestClass<RasterTest> kRasterTest("RasterTest");

}  // namespace torvane::fixtures

#include "RasterTest.moc"
