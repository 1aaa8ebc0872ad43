// Contours as a user meets them: the 標高線 and 傾斜量線 dialogs, the 等値線データ情報 list, and
// the export of the visible sets as GeoJSON.

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>

#include "GuiTestSupport.h"
#include "contour/ContourRules.h"
#include "gui/dialogs/ContourParametersDialog.h"
#include "gui/dialogs/LayerDialog.h"
#include "scene/CommandTable.h"
#include "scene/Contours.h"

namespace torvane::fixtures {

class ContourTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QStringList mCaptions, mMessages;

  Scene& scene() { return mWindow->scene(); }

  // Answers the next file dialog with `path` (an empty path cancels it).
  static void answerFileDialog(const QString& path) {
    QTimer::singleShot(0, [path] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      if (path.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept takes the chosen file
    });
  }

  static bool isLine(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200; }

  // Pieces of touching (8-connected) line pixels.
  static int whitePieces(const QImage& frame) {
    std::vector<char> seen(size_t(frame.width()) * frame.height(), 0);
    int pieces = 0;
    for (int y0 = 0; y0 < frame.height(); ++y0) {
      for (int x0 = 0; x0 < frame.width(); ++x0) {
        if (seen[size_t(y0) * frame.width() + x0] || !isLine(frame.pixel(x0, y0))) {
          continue;
        }
        ++pieces;
        std::vector<QPoint> stack{{x0, y0}};
        seen[size_t(y0) * frame.width() + x0] = 1;
        while (!stack.empty()) {
          const QPoint p = stack.back();
          stack.pop_back();
          for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
              const int x = p.x() + dx, y = p.y() + dy;
              if (x >= 0 && y >= 0 && x < frame.width() && y < frame.height() &&
                  !seen[size_t(y) * frame.width() + x] && isLine(frame.pixel(x, y))) {
                seen[size_t(y) * frame.width() + x] = 1;
                stack.push_back({x, y});
              }
            }
          }
        }
      }
    }
    return pieces;
  }

private slots:
  void init() {
    mCaptions.clear();
    mMessages.clear();
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([this](const QString& caption, const QString& text) {
      mCaptions << caption;
      mMessages << text;
    });
    mWindow->startUp();
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    QVERIFY(mWindow->openElevation(demoFiles()));
  }
  void cleanup() { mWindow.reset(); }

  // Contour lines lie exactly on the surface, made of one short segment per triangle. Seen
  // from above, where nothing can hide them, every pixel they cover over the bare background
  // must also show over the terrain (none lose the depth test to the surface they lie on), and
  // zoomed in each piece of the set must show as one unbroken line, not as dashes.
  void contourLinesShowWholeOverTheSurfaceTheyLieOn() {
    QVERIFY(buildContourSet(scene(), kElevationContour, 300));
    ViewState& v = scene().view;
    v.RZoom = 0.3;
    v.compass = v.trackbar = v.statusBar = false;
    const QString dir = outputDir("ContourTest");
    QImage frame;
    auto linePixels = [&](const char* name) {
      frame = mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
      frame.save(dir + "/" + name);
      int n = 0;
      for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
          n += isLine(frame.pixel(x, y));
        }
      }
      return n;
    };
    const int overTerrain = linePixels("over-terrain.png");
    const int pieces = whitePieces(frame);
    QVERIFY2(pieces <= 4, qPrintable(QString::number(pieces)));  // one in each corner
    for (GridFile& f : scene().grid.files) {
      f.shown = false;
    }
    const int alone = linePixels("alone.png");
    QVERIFY(alone > 300);
    QCOMPARE(overTerrain, alone);
  }

  void parameterDialogProposesRoundsAndBuilds() {
    int built = 0;
    ContourParametersDialog slope(
        scene(), kSlopeContour, [&] { ++built; }, mWindow.get());
    QCOMPARE(slope.windowTitle(), QStringLiteral("傾斜量線"));
    QCOMPARE(slope.pitchList()->count(), 5);
    QCOMPARE(slope.pitchList()->currentText(), QStringLiteral("5"));
    QCOMPARE(slope.maximumEdit()->text(),
             QString::number(static_cast<int>(scene().grid.slopeMax + kContourEpsilon)));

    ContourParametersDialog dialog(
        scene(), kElevationContour,
        [&] {
          ++built;
          mWindow->AfterChange();
        },
        mWindow.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("標高線"));
    QCOMPARE(dialog.pitchList()->itemText(4), QStringLiteral("100"));
    QCOMPARE(dialog.pitchList()->currentText(), QStringLiteral("10"));
    QCOMPARE(dialog.minimumEdit()->maxLength(), 10);
    const ProposedBounds proposed = proposeContourBounds({scene().grid.Hmin, scene().grid.Hmax});
    QCOMPARE(dialog.minimumEdit()->text(), QString::number(proposed.minimum));
    QCOMPARE(dialog.maximumEdit()->text(), QString::number(proposed.maximum));

    // No value left: OK does nothing and the dialog stays.
    dialog.maximumEdit()->setText(QStringLiteral("abc"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(scene().contours.groupCount(), 0);
    QCOMPARE(built, 0);

    // Bounds rounded toward zero to the pitch, kept inside the data.
    dialog.minimumEdit()->setText(QStringLiteral("15"));
    dialog.maximumEdit()->setText(QStringLiteral("99999"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(built, 1);
    const ContourStore& sets = scene().contours;
    QVERIFY(sets.groupCount() > 10);
    QCOMPARE(sets.value(0) % 10, 0);
    QVERIFY(sets.value(0) >= 10);
    QVERIFY(sets.value(sets.groupCount() - 1) <= proposed.maximum);
    QVERIFY(mWindow->action(kCmdContourInfo)->isEnabled());
    QVERIFY(mWindow->action(kCmdExportContours)->isEnabled());

    // The same request again leaves the sets as they are.
    const int count = sets.groupCount();
    ContourParametersDialog again(scene(), kElevationContour, {}, mWindow.get());
    again.minimumEdit()->setText(QStringLiteral("15"));
    again.maximumEdit()->setText(QStringLiteral("99999"));
    again.accept();
    QCOMPARE(sets.groupCount(), count);
  }

  void dataDialogListsAndEditsTheSets() {
    QVERIFY(buildContourRange(scene(), kElevationContour, {100, 400, 100}));
    ContourStore& sets = scene().contours;
    const uint32_t lastPoints = sets.groupPointCount(3);
    int menuUpdates = 0;
    LayerDialog::Hooks hooks;
    hooks.menusChanged = [&] {
      ++menuUpdates;
      mWindow->UpdateMenuState();
    };
    hooks.chooseColour = [](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); };
    LayerDialog dialog(scene(), mWindow->hueCircle(), hooks, mWindow.get(), ListedStore::Contours);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("等値線データ情報"));
    QTableWidget* list = dialog.list();
    QCOMPARE(list->columnCount(), 5);
    QCOMPARE(list->horizontalHeaderItem(2)->text(), QStringLiteral("値"));
    QCOMPARE(list->rowCount(), 4);
    QCOMPARE(list->item(1, 1)->text(), QStringLiteral("標高"));
    QCOMPARE(list->item(1, 2)->text(), QStringLiteral("200"));
    QCOMPARE(list->item(3, 3)->text(), QString::number(lastPoints));

    // No point sizes; without a selection only 全削除 is offered.
    auto entries = [&] {
      std::unique_ptr<QMenu> menu(dialog.buildContextMenu());
      QStringList enabled;
      for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr) {
          enabled << QStringLiteral("submenu");
        } else if (a->isEnabled()) {
          enabled << a->text();
        }
      }
      return enabled;
    };
    QCOMPARE(entries(), QStringList{QStringLiteral("全削除")});
    list->selectRow(1);
    QCOMPARE(entries().size(), 5);  // all but 色相環

    // Hide, recolour and delete the selected set; the contour transparency switch.
    list->item(1, 0)->setCheckState(Qt::Unchecked);
    QVERIFY(!sets.visible(1));
    dialog.runMenuCommand(kLayerColour);
    QCOMPARE(sets.colour(1), 0xFF010203u);
    QCOMPARE(list->item(1, 4)->background().color(), QColor(1, 2, 3));
    dialog.runMenuCommand(kLayerDelete);
    QCOMPARE(sets.groupCount(), 3);
    QCOMPARE(sets.value(1), 300);
    QCOMPARE(sets.groupPointCount(2), lastPoints);
    QCOMPARE(list->item(2, 0)->text(), QStringLiteral("    3"));
    scene().view.Alpha = 100;
    dialog.alphaCheckBox()->setChecked(true);
    QVERIFY(scene().view.ContourAlphaEnabled);
    QCOMPARE(sets.vertices()[0].diffuse >> 24, 100u);
    QVERIFY(!scene().view.LayerAlphaEnabled);

    dialog.runMenuCommand(kLayerDeleteAll);
    QCOMPARE(sets.groupCount(), 0);
    QCOMPARE(menuUpdates, 1);
    QVERIFY(!mWindow->action(kCmdContourInfo)->isEnabled());
  }

  // A user's round on real GSI tiles (出典：国土地理院), with a picture of each step in the
  // output folder: the 標高線 dialog at pitch 10, the 等値線データ情報 list, one set hidden and
  // one recoloured through the colour chooser, then the export of what is shown.
  void userBuildsListsEditsAndExports() {
    const std::filesystem::path samples = TORVANE_SAMPLES_DIR "/dem_xml";
    std::vector<std::filesystem::path> tiles;
    for (const char* mesh : {"51", "52", "61", "62"}) {  // four adjacent tiles, 0 to 129 m
      tiles.push_back(samples / ("FG-GML-6443-20-" + std::string(mesh) + "-DEM5A-20161001.xml"));
    }
    if (!std::filesystem::exists(tiles.front())) {
      QSKIP("the GSI samples are not there");
    }
    QVERIFY(mWindow->openElevation(tiles));
    mWindow->AfterChange();
    const QString dir = outputDir("ContourTest");
    auto save = [&](QWidget* widget, const char* name) {
      QVERIFY(widget->grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
    };
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ContourParametersDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->pitchList()->currentText(), QStringLiteral("10"));
      save(dialog, "1-elevation-dialog.png");
      dialog->accept();
    });
    mWindow->runCommand(kCmdElevationContours);
    const ContourStore& sets = scene().contours;
    QVERIFY(sets.groupCount() > 3);
    const int count = sets.groupCount();

    QTimer::singleShot(0, [&] {
      auto* list = qobject_cast<LayerDialog*>(QApplication::activeModalWidget());
      QVERIFY(list != nullptr);
      save(list, "2-contour-list.png");
      list->list()->item(1, 0)->setCheckState(Qt::Unchecked);
      list->list()->selectRow(2);
      QTimer::singleShot(0, [] {
        auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(chooser != nullptr);
        chooser->setCurrentColor(QColor(255, 0, 0));
        chooser->accept();
      });
      list->runMenuCommand(kLayerColour);
      save(list, "3-hidden-and-recoloured.png");
      list->accept();
    });
    mWindow->runCommand(kCmdContourInfo);
    QVERIFY(!sets.visible(1));
    QCOMPARE(sets.colour(2) & 0xFFFFFF, 0xFF0000u);

    const QString path = dir + QStringLiteral("/contours.geojson");
    answerFileDialog(path);
    mWindow->runCommand(kCmdExportContours);
    QVERIFY(mMessages.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray features = QJsonDocument::fromJson(file.readAll())
                                    .object()
                                    .value(QStringLiteral("features"))
                                    .toArray();
    QCOMPARE(features.size(), count - 1);
  }

  void exportWritesTheVisibleSets() {
    QVERIFY(buildContourRange(scene(), kElevationContour, {100, 400, 100}));
    ContourStore& sets = scene().contours;
    QCOMPARE(sets.groupCount(), 4);
    sets.setVisible(1, false);
    mWindow->UpdateMenuState();

    const QString dir = outputDir("ContourTest");
    const QString path = dir + QStringLiteral("/contours.geojson");
    answerFileDialog(path);
    mWindow->runCommand(kCmdExportContours);
    QVERIFY(mMessages.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray features = json.object().value(QStringLiteral("features")).toArray();
    QCOMPARE(features.size(), 3);  // the hidden set stays out
    const QJsonObject first = features[0].toObject();
    QCOMPARE(first.value(QStringLiteral("properties")).toObject().value(QStringLiteral("value")),
             QJsonValue(100));
    const QJsonArray line = first.value(QStringLiteral("geometry"))
                                .toObject()
                                .value(QStringLiteral("coordinates"))
                                .toArray()[0]
                                .toArray();
    QVERIFY(line.size() > 100);  // the segments joined into lines
    const double lon = line[0].toArray()[0].toDouble();
    const double lat = line[0].toArray()[1].toDouble();
    QVERIFY(lon >= scene().grid.lonMin - 1e-6 && lon <= scene().grid.lonMax + 1e-6);
    QVERIFY(lat >= scene().grid.latMin - 1e-6 && lat <= scene().grid.latMax + 1e-6);
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("contours.geojson")});

    // A folder that does not exist: the error names the path under the command's title.
    answerFileDialog(dir + QStringLiteral("/missing/contours.geojson"));
    mWindow->runCommand(kCmdExportContours);
    QCOMPARE(mCaptions, QStringList{QStringLiteral("等値線をエクスポート")});
    QVERIFY(mMessages.value(0).contains(QStringLiteral("missing")));
  }
};

const GuiTestClass<ContourTest> kContourTest("ContourTest");

}  // namespace torvane::fixtures

#include "ContourTest.moc"
