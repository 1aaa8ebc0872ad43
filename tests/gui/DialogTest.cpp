// The cross-section window and the information dialogs on the real window: opened through their
// commands, driven through their menus and buttons, with pictures of each for the record.

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "gui/TerrainView.h"
#include "gui/dialogs/CrossSectionDialog.h"
#include "gui/dialogs/ElevationInfoDialog.h"
#include "gui/dialogs/HueCircleDialog.h"
#include "gui/dialogs/VersionDialog.h"
#include "gui/QtText.h"
#include "scene/CommandTable.h"
#include "tests/support/WriteFaults.h"

namespace torvane::test {

namespace {
// Pixels of `image` within `tolerance` of `colour` in every channel.
int countNear(const QImage& image, QRgb colour, int tolerance = 24) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      n += channelDistance(image.pixel(x, y), colour) <= tolerance ? 1 : 0;
    }
  }
  return n;
}
}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QString mOut;  // this test function's output folder

  Scene& scene() { return mWindow->scene(); }

  // Triggers command `id` and runs `handle` on the modal dialog of type D it opens; the
  // handler closes it.
  template <typename D>
  void withDialog(int id, const std::function<void(D*)>& handle) {
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      seen = dialog != nullptr;
      if (dialog != nullptr) {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        handle(dialog);
        if (dialog->isVisible()) {
          dialog->reject();
        }
      }
    });
    mWindow->action(id)->trigger();
    QVERIFY(seen);
  }

  void save(QWidget* widget, const QString& name) {
    const QString path = mOut + "/" + name;
    QVERIFY(widget->grab().save(path));
    qInfo("picture: %s", qPrintable(path));
  }

  // A path ruler across the demo: south-west corner, the middle, north-east corner.
  void placeRuler() {
    const ElevationGrid& g = scene().grid;
    mWindow->runCommand(kCmdPathRuler);
    const double dx = (g.Xmax - g.Xmin) / 10, dy = (g.Ymax - g.Ymin) / 10;
    const HeightAt heightAt = terrainHeightAt(g, scene().mesh);
    for (const auto& [X, Y] : {std::pair{g.Xmin + dx, g.Ymin + dy},
                               {(g.Xmin + g.Xmax) / 2, (g.Ymin + g.Ymax) / 2},
                               {g.Xmax - dx, g.Ymax - dy}}) {
      addRulerPoint(scene().ruler, {X, Y, heightAt(X, Y)});
    }
    mWindow->AfterChange();
  }

private slots:
  void init() {
    mOut = outputDir("DialogTest");
    mWindow = std::make_unique<MainWindow>();
    QVERIFY(mWindow->openElevation(demoFiles()));
    mWindow->AfterChange();
  }
  void cleanup() { mWindow.reset(); }

  void crossSectionFollowsItsMenuAndSaves() {
    placeRuler();
    QVERIFY(mWindow->action(kCmdCrossSection)->isEnabled());
    withDialog<CrossSectionDialog>(kCmdCrossSection, [&](CrossSectionDialog* dialog) {
      const CrossSection& cs = dialog->crossSection();
      QCOMPARE(cs.samples.size(), size_t{3});
      QCOMPARE(cs.seaLevel, double(EffectiveSeaLevel(scene().view, scene().grid)));
      const int flatTop = cs.pixels[size_t(cs.maxIndex)].y;

      // A right click anywhere opens the menu with the current marks.
      bool menuShown = false;
      QTimer::singleShot(0, this, [&] {
        QMenu* menu = dialog->contextMenu();
        menuShown = QApplication::activePopupWidget() == menu;
        menu->close();
      });
      QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 30), QPointF(30, 30),
                          dialog->mapToGlobal(QPointF(30, 30)), Qt::RightButton, Qt::NoButton,
                          Qt::NoModifier);
      QApplication::sendEvent(dialog, &release);
      QVERIFY(menuShown);
      QVERIFY(dialog->menuAction(CrossSectionDialog::kRatioFirstId + 1)->isChecked());
      QVERIFY(!dialog->menuAction(CrossSectionDialog::kInterpolateId)->isChecked());

      dialog->menuAction(CrossSectionDialog::kInterpolateId)->trigger();
      QVERIFY(cs.samples.size() > 180);
      QVERIFY(cs.surfaceLength > cs.planeLength);
      QVERIFY(dialog->menuAction(CrossSectionDialog::kInterpolateId)->isChecked());
      dialog->menuAction(CrossSectionDialog::kRatioFirstId + 2)->trigger();  // 縦横 2:1
      QCOMPARE(cs.ratioItem, 2);
      QVERIFY(cs.pixels[size_t(cs.maxIndex)].y < flatTop);

      const QImage graph = dialog->graphImage();
      QCOMPARE(graph.pixel(0, 0), 0xFF000000u);
      QVERIFY(countNear(graph, 0xFFFFFFFF) > 100);  // the profile and the length texts
      QVERIFY(countNear(graph, 0xFF00FF00) > 10);   // the highest marker and its text
      QVERIFY(countNear(graph, 0xFFFFFF00) > 10);   // the mean line and its text
      save(dialog, "cross-section.png");

      const QString& dir = mOut;
      QString error;
      QVERIFY(dialog->saveGraph((dir + "/graph.png").toStdString(), error));
      QCOMPARE(QImage(dir + "/graph.png").size(), graph.size());
      QVERIFY(dialog->saveSamples((dir + "/samples.csv").toStdString(), error));
      QFile csv(dir + "/samples.csv");
      QVERIFY(csv.open(QIODevice::ReadOnly));
      const QList<QByteArray> lines = csv.readAll().split('\n');
      QCOMPARE(lines.front(), QByteArray("distance,X,Y,lon,lat,H,vertex"));
      QCOMPARE(lines.size(), qsizetype(cs.samples.size()) + 2);  // header, samples, final ""
      QVERIFY(!dialog->saveGraph((dir + "/missing/graph.png").toStdString(), error));
    });
    QCOMPARE(scene().ruler.pointCount, 3);  // the window only reads the ruler
  }

  // On a full disk the 断面 saves fail, say so in a message naming the file and the reason,
  // and keep the old file. The message box is pictured in the output folder.
  void crossSectionSavesOnAFullDiskSayWhy() {
    placeRuler();
    const QString csv = mOut + QStringLiteral("/断面.csv");
    const QString png = mOut + QStringLiteral("/断面.png");
    for (const QString& path : {csv, png}) {
      QFile old(path);
      QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    const QString reason = qtext(kTextWriteDiskFull);
    QString shown;
    withDialog<CrossSectionDialog>(kCmdCrossSection, [&](CrossSectionDialog* dialog) {
      fixtures::WriteFault diskFull(fixtures::FaultAt::Write);
      MessageBoxWatcher watcher([&](QMessageBox* box) {
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
          yes->click();  // the save dialog's question: replace the existing file
          return;
        }
        shown = box->windowTitle() + QLatin1Char('|') + box->text();
        save(box, QStringLiteral("disk-full-message.png"));
        box->button(QMessageBox::Ok)->click();
      });
      // As a user does: 断面データをCSVで保存 from the menu, the name in the save dialog.
      QTimer::singleShot(0, dialog, [&] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(files != nullptr);
        chooseFile(files, csv);
      });
      dialog->menuAction(CrossSectionDialog::kSaveCsvId)->trigger();
      QVERIFY(diskFull.hit());

      fixtures::WriteFault stillFull(fixtures::FaultAt::Write);
      QString error;
      QVERIFY(!dialog->saveGraph(png.toStdString(), error));
      QCOMPARE(error, png + QStringLiteral(": ") + reason);
    });
    QCOMPARE(shown, QStringLiteral("断面データをCSVで保存|") + qtext(kTextSaveFailed) + '\n' + csv +
                        QStringLiteral(": ") + reason);
    for (const QString& path : {csv, png}) {
      QFile old(path);
      QVERIFY(old.open(QIODevice::ReadOnly));
      QCOMPARE(old.readAll(), QByteArray("old"));
    }
    QCOMPARE(QDir(mOut).entryList(QDir::Files | QDir::Hidden).size(), 3);  // and the picture
  }

  // A user's session on real GSI tiles (the demo where the samples are missing): path mode by
  // its accelerator and three clicks on the terrain (断面 opens once two points are placed),
  // 断面 with 補間 and 2:1 saved as PNG and CSV, Esc, a tile hidden from the data list, and a
  // new start hue. Pictures of each step go to the output folder.
  void userSessionOnRealTiles() {
    const std::filesystem::path samples = TORVANE_SAMPLES_DIR "/dem_xml";
    std::vector<std::filesystem::path> tiles;
    for (const char* n : {"51", "52", "61", "62"}) {
      tiles.push_back(samples / ("FG-GML-6443-20-" + std::string(n) + "-DEM5A-20161001.xml"));
    }
    if (std::filesystem::exists(tiles.front())) {
      QVERIFY(mWindow->openElevation(tiles));
      mWindow->AfterChange();
    }
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    TerrainView* view = mWindow->view();
    // Shortcuts go to the active window; Xvfb has no window manager to activate it.
    QApplication::setActiveWindow(mWindow.get());
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == mWindow.get(); }));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(scene().ruler.pathMode && mWindow->action(kCmdPathRuler)->isChecked());
    view->grabFramebuffer();  // picking uses the matrices of the last frame
    const QPoint clicks[] = {{250, 330}, {400, 260}, {560, 300}};
    for (int i = 0; i < 3; ++i) {
      QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, clicks[i]);
      QCOMPARE(scene().ruler.pointCount, i + 1);
      QCOMPARE(mWindow->action(kCmdCrossSection)->isEnabled(), i >= 1);
    }
    QVERIFY(scene().ruler.H[1] > 0);
    save(mWindow.get(), "1-path-ruler.png");
    withDialog<CrossSectionDialog>(kCmdCrossSection, [&](CrossSectionDialog* dialog) {
      QCOMPARE(dialog->crossSection().samples.size(), size_t{3});
      save(dialog, "2-cross-section.png");
      dialog->menuAction(CrossSectionDialog::kInterpolateId)->trigger();
      dialog->menuAction(CrossSectionDialog::kRatioFirstId + 2)->trigger();
      save(dialog, "3-cross-section-interpolated-2to1.png");
      QString error;
      QVERIFY(dialog->saveGraph((mOut + "/graph.png").toStdString(), error));
      QVERIFY(dialog->saveSamples((mOut + "/samples.csv").toStdString(), error));
    });
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!scene().ruler.active() && !mWindow->action(kCmdPathRuler)->isChecked());
    QVERIFY(!mWindow->action(kCmdCrossSection)->isEnabled());

    withDialog<ElevationInfoDialog>(kCmdElevationInfo, [&](ElevationInfoDialog* dialog) {
      dialog->list()->item(3, 0)->setCheckState(Qt::Unchecked);
      save(dialog, "4-elevation-info.png");
    });
    QVERIFY(!scene().grid.files[3].shown);
    save(mWindow.get(), "5-north-east-tile-hidden.png");
    withDialog<HueCircleDialog>(kCmdHueCircle, [&](HueCircleDialog* dialog) {
      dialog->setColourChooser([](const QColor&, QWidget*) { return QColor(Qt::red); });
      QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
      save(dialog, "6-hue-circle.png");
      dialog->accept();
    });
    QCOMPARE(scene().view.CRHueS, 0);
    save(mWindow.get(), "7-hues-changed.png");
  }

  void seaLineOnlyWithinTheProfile() {
    placeRuler();
    const HeightAt heightAt = terrainHeightAt(scene().grid, scene().mesh);
    for (bool inside : {true, false}) {
      CrossSection probe;
      computeProfile(probe, scene().ruler, 1, heightAt);
      const double sea = inside ? (probe.minH + probe.maxH) / 2 : probe.minH;
      CrossSectionDialog dialog(scene().ruler, scene().grid, heightAt, sea);
      const QImage graph = dialog.graphImage();
      const CrossSection& cs = dialog.crossSection();
      int blue = 0;
      for (int x = cs.pixels.front().x; x < cs.pixels.back().x; ++x) {
        blue += channelDistance(graph.pixel(x, cs.seaPixelY), 0xFF0000FF) <= 60 ? 1 : 0;
      }
      QVERIFY2(inside ? blue > 20 : blue == 0, qPrintable(QString::number(blue)));
    }
  }

  void elevationInfoHidesTilesAtOnce() {
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    const auto drawn = [&] {
      return countNear(mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32),
                       kBackground, 8);
    };
    const int backgroundBefore = drawn();
    withDialog<ElevationInfoDialog>(kCmdElevationInfo, [&](ElevationInfoDialog* dialog) {
      QTableWidget* list = dialog->list();
      QCOMPARE(list->rowCount(), 4);
      QCOMPARE(list->item(3, 0)->text(), QStringLiteral("    4"));
      QCOMPARE(list->item(0, 0)->checkState(), Qt::Checked);
      QVERIFY(dialog->extents()->text().startsWith("B("));
      save(dialog, "elevation-info.png");

      // The menu is greyed without a selection, then hides the selected rows.
      QVERIFY(!dialog->contextMenu()->actions().front()->isEnabled());
      list->selectRow(0);
      list->selectionModel()->select(list->model()->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
      QVERIFY(dialog->contextMenu()->actions().back()->isEnabled());
      dialog->contextMenu()->actions().back()->trigger();  // 非表示
      QVERIFY(!scene().grid.files[0].shown && !scene().grid.files[2].shown);
      QVERIFY(scene().grid.files[1].shown);
      QCOMPARE(list->item(2, 0)->checkState(), Qt::Unchecked);
      // The view already draws without them.
      QVERIFY(drawn() > backgroundBefore + 1000);

      list->item(1, 0)->setCheckState(Qt::Unchecked);  // a click on the check box
      QVERIFY(!scene().grid.files[1].shown);
      dialog->contextMenu()->actions().front()->trigger();  // 表示 for rows 0 and 2
      QVERIFY(scene().grid.files[0].shown && scene().grid.files[2].shown);
    });
  }

  void hueCircleKeepsOnlyTheHueAndCancelChangesNothing() {
    withDialog<HueCircleDialog>(kCmdHueCircle, [&](HueCircleDialog* dialog) {
      QCOMPARE(dialog->directionList()->currentIndex(), 1);
      dialog->setColourChooser([](const QColor&, QWidget*) { return QColor(0x60, 0x20, 0x20); });
      QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
      const QImage button = dialog->startButton()->grab().toImage();
      QCOMPARE(QColor(button.pixel(button.rect().center())), QColor(255, 0, 0));
      dialog->directionList()->setCurrentIndex(0);
      save(dialog, "hue-circle.png");
      dialog->accept();
    });
    const ViewState& view = scene().view;
    QCOMPARE(view.ColorR, 6);
    QCOMPARE(view.CRHueS, 0);
    QCOMPARE(view.CRHueE, 200);
    QVERIFY(!view.CRHueR);

    withDialog<HueCircleDialog>(kCmdHueCircle, [&](HueCircleDialog* dialog) {
      QCOMPARE(dialog->setting().startHue, 0);
      dialog->setColourChooser([](const QColor&, QWidget*) { return QColor(Qt::green); });
      QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
      QTest::mouseClick(dialog->endButton(), Qt::LeftButton);
      QCOMPARE(dialog->setting().endHue, 80);
      dialog->reject();
    });
    QCOMPARE(view.CRHueS, 0);
    QCOMPARE(view.CRHueE, 200);
    QCOMPARE(mWindow->hueCircle().startHue, 0);
  }

  void versionShowsTheBoldVersion() {
    withDialog<VersionDialog>(kCmdVersion, [&](VersionDialog* dialog) {
      QCOMPARE(dialog->versionLabel()->text(), QStringLiteral("Torvane Version 4.02A"));
      QVERIFY(dialog->versionLabel()->font().bold());
      save(dialog, "version.png");
    });
  }
};

std::unique_ptr<QObject> makeDialogTest() { return std::make_unique<DialogTest>(); }

}  // namespace torvane::test

#include "DialogTest.moc"
