// The line/point data dialog and how layers reach the window: dropped files, the menu state,
// the list's columns, check boxes, context menu rules and every edit it offers.

#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <cmath>
#include <QMenu>
#include <QTableWidget>
#include <fstream>

#include "GuiTestSupport.h"
#include "gui/CommandTargets.h"
#include "gui/dialogs/LayerDialog.h"
#include "overlay/LayerEdits.h"
#include "resources/Texts.h"
#include "terrain/Hls.h"
#include "tests/support/TempDir.h"
#include "tests/support/VectorFiles.h"

namespace torvane::fixtures {

class LayerDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  std::unique_ptr<fixtures::TempDir> mDir;
  QStringList mMessages;
  int mRedraws = 0;
  int mMenuUpdates = 0;
  std::optional<QColor> mChosenColour;
  std::optional<HueCircleParameters> mChosenHues;

  std::filesystem::path write(const std::string& name, const std::string& text) {
    const auto path = *mDir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Four layers over the demo data: a track (line), marks (size 5), GSI points (size 5) and a
  // point cloud (size 1).
  void addFourLayers() {
    mWindow->dropPaths({write("track.nmea", "$GPGGA,1,3500.30,N,13900.60,E,1,8\n"
                                            "$GNGGA,2,3500.31,N,13900.61,E,1,8\n"),
                        write("marks.bln", "35.006,139.012,A\n35.007,139.013,B\n"),
                        write("pt.xml", "<ElevPt>\n<gml:pos>35.006 139.01</gml:pos>\n"),
                        write("cloud.blhrgb", "35.006,139.012,50,0,10,20,30\n")});
    QCOMPARE(mWindow->scene().overlays.groupCount(), 4);
  }

  std::unique_ptr<LayerDialog> dialog() {
    LayerDialog::Hooks hooks;
    hooks.redraw = [this] { ++mRedraws; };
    hooks.menusChanged = [this] {
      ++mMenuUpdates;
      mWindow->UpdateMenuState();
    };
    hooks.chooseColour = [this](const QColor&) { return mChosenColour; };
    hooks.chooseHueCircle = [this](HueCircleParameters& setting) {
      if (mChosenHues) {
        setting = *mChosenHues;
      }
      return mChosenHues.has_value();
    };
    return std::make_unique<LayerDialog>(mWindow->scene(), mWindow->hueCircle(), hooks,
                                         mWindow.get());
  }

  static void select(QTableWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (const int row : rows) {
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  // Enabled state of the context-menu entries by id ("size" for the submenu).
  static std::map<int, bool> enabledEntries(QMenu* menu, int* checkedSize) {
    std::map<int, bool> state;
    *checkedSize = 0;
    for (QAction* a : menu->actions()) {
      if (a->menu() != nullptr) {
        state[400] = a->menu()->isEnabled();
        for (QAction* s : a->menu()->actions()) {
          if (s->isChecked()) {
            *checkedSize = s->data().toInt() - 400;
          }
        }
      } else {
        state[a->data().toInt()] = a->isEnabled();
      }
    }
    return state;
  }

  // A road winding up the demo volcano (GSI road edges) and a hike to its summit and back
  // (NMEA), as files a user would drop.
  std::pair<std::filesystem::path, std::filesystem::path> hikeFiles() {
    const double lon0 = 139.0125, lat0 = 35.0083;
    std::string road = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset>\n"
                       "<RdEdg gml:id=\"r1\">\n<gml:posList>\n";
    char line[128];
    for (int i = 0; i <= 400; ++i) {
      const double a = i * 0.05, r = 0.0075 - i * 0.0000165;
      std::snprintf(line, sizeof line, "%.9f %.9f\n", lat0 + r * std::sin(a) * 0.8,
                    lon0 + r * std::cos(a));
      road += line;
    }
    road += "</gml:posList>\n</RdEdg>\n</Dataset>\n";
    std::string log;
    for (int i = 0; i <= 300; ++i) {
      const double f = i <= 150 ? i / 150.0 : (300 - i) / 150.0;
      const double lat = 35.0015 + f * (lat0 - 35.0015) + 0.0004 * std::sin(i * 0.3);
      const double lon = 139.004 + f * (lon0 - 139.004) + (i > 150 ? 0.0008 : 0);
      std::snprintf(line, sizeof line,
                    "$GNGGA,%06d.00,%02d%010.7f,N,%03d%010.7f,E,1,12,0.7,0,M,39,M,,*00\n", i, 35,
                    (lat - 35) * 60, 139, (lon - 139) * 60);
      log += line;
    }
    return {write("FG-GML-523940-RdEdg-20230101-0001.xml", road), write("hike.nmea", log)};
  }

  // Drops the files on the window's centre as a file manager does.
  void dropOnWindow(const std::vector<std::filesystem::path>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& path : paths) {
      urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }
    mime.setUrls(urls);
    const QPoint at = mWindow->view()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(mWindow.get(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(mWindow.get(), &drop);
  }

  // The screen as the user sees it, cropped to the windows shown.
  static QImage screenshot(std::initializer_list<QWidget*> windows) {
    QRect area;
    for (QWidget* w : windows) {
      area |= w->frameGeometry();
    }
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(area);
  }

private slots:
  void init() {
    mMessages.clear();
    mRedraws = mMenuUpdates = 0;
    mChosenColour.reset();
    mChosenHues.reset();
    mDir = std::make_unique<fixtures::TempDir>();
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([this](const QString&, const QString& text) { mMessages << text; });
    mWindow->startUp();  // turns drops on
    QVERIFY(mWindow->openElevation(demoFiles()));
    mWindow->AfterChange();
  }
  void cleanup() {
    mWindow.reset();
    mDir.reset();
  }

  // The way a new user meets layers: elevation data open, a vector file and a GPS log dropped on
  // the window, the list opened, one layer recoloured and one hidden. The screenshots of each
  // step go to the test's output folder.
  void userAddsLayersAndEditsThem() {
    mWindow->resize(800, 600);
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    const QString out = outputDir("LayerDialogTest");
    mWindow->scene().view.RotaX = 0.9;  // tilted, so the layers lie on the relief
    mWindow->AfterChange();
    screenshot({mWindow.get()}).save(out + "/1-elevation-data.png");

    const auto [road, hike] = hikeFiles();
    dropOnWindow({road, hike});
    QVERIFY(mMessages.isEmpty());
    const OverlayStore& store = mWindow->scene().overlays;
    QCOMPARE(store.groupCount(), 2);
    QCOMPARE(store.kind(0), 211);  // 道路縁
    QCOMPARE(store.kind(1), kKindNmea);
    QVERIFY(mWindow->action(181)->isEnabled());
    const QImage before = mWindow->view()->grabFramebuffer();
    screenshot({mWindow.get()}).save(out + "/2-road-and-track-dropped.png");

    // The list as 線点データ情報 opens it.
    LayerDialog::Hooks hooks = programLayerDialogHooks(*mWindow);
    hooks.chooseColour = [](const QColor&) { return std::optional<QColor>(QColor(255, 64, 0)); };
    LayerDialog d(mWindow->scene(), mWindow->hueCircle(), hooks, mWindow.get());
    d.move(mWindow->frameGeometry().right() - d.width() + 40, mWindow->y() + 160);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    screenshot({mWindow.get(), &d}).save(out + "/3-layer-list.png");

    // Recolour the road orange and hide the track.
    select(d.list(), {0});
    d.runMenuCommand(kLayerColour);
    d.list()->item(1, 0)->setCheckState(Qt::Unchecked);
    QCOMPARE(store.colour(0), 0xFFFF4000u);
    QVERIFY(!store.visible(1));
    QCOMPARE(d.list()->item(0, 5)->background().color(), QColor(255, 64, 0));
    QCoreApplication::processEvents();
    screenshot({mWindow.get(), &d}).save(out + "/4-road-recoloured-track-hidden.png");
    d.accept();
    QVERIFY(!before.isNull());
  }

  // A new user with files of other tools: real GSI tiles open, a GPX hike from a GPS watch and
  // a GeoJSON drawn on a web map dropped on the window, the list opened, the drawing recoloured
  // and the waypoints hidden, the project saved and opened again. Each step is pictured in the
  // test's output folder (出典：国土地理院 for the tiles).
  void userDropsGpxAndGeoJsonOnRealTiles() {
    const std::filesystem::path samples = TORVANE_SAMPLES_DIR "/dem_xml";
    std::vector<std::filesystem::path> tiles;
    for (const char* tile :
         {"51-DEM5A-20161001", "52-DEM5A-20161001", "61-DEM5A-20161001", "62-DEM5A-20161001"}) {
      tiles.push_back(samples / (std::string("FG-GML-6443-20-") + tile + ".xml"));
    }
    if (!std::filesystem::exists(tiles.front())) {
      QSKIP("no real GSI samples");
    }
    mWindow->resize(800, 600);
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    QVERIFY(mWindow->openElevation(tiles));
    mWindow->scene().view.RotaX = 0.9;
    mWindow->AfterChange();
    const QString out = outputDir("LayerDialogTest");
    screenshot({mWindow.get()}).save(out + "/1-real-tiles.png");

    // The tiles span 42.875 .. 42.8917 N and 143.0125 .. 143.0375 E.
    fixtures::GpxContent gpx;
    gpx.waypoints = {
        {42.8772, 143.0150, "Start"}, {42.8840, 143.0250, "峠"}, {42.8900, 143.0350, "Goal"}};
    fixtures::GeoLine hike;
    for (int i = 0; i <= 400; ++i) {
      const double f = i / 400.0;
      hike.push_back({42.8772 + f * 0.0128 + 0.0012 * std::sin(f * 18),
                      143.0150 + f * 0.0200 + 0.0008 * std::cos(f * 11), ""});
    }
    gpx.tracks = {{hike}};
    const fixtures::GeoLine field = {{42.8790, 143.0280, ""},
                                     {42.8790, 143.0340, ""},
                                     {42.8830, 143.0340, ""},
                                     {42.8830, 143.0280, ""},
                                     {42.8790, 143.0280, ""}};
    const fixtures::GeoLine road = {{42.8760, 143.0130, ""},
                                    {42.8850, 143.0200, ""},
                                    {42.8870, 143.0300, ""},
                                    {42.8910, 143.0370, ""}};
    const std::string drawing = fixtures::geoJsonCollection({
        fixtures::geoJsonFeature("{\"type\":\"Polygon\",\"coordinates\":[[" +
                                 fixtures::geoJsonPositions(field) + "]]}"),
        fixtures::geoJsonFeature("{\"type\":\"LineString\",\"coordinates\":[" +
                                 fixtures::geoJsonPositions(road) + "]}"),
        fixtures::geoJsonFeature("{\"type\":\"Point\",\"coordinates\":[143.031,42.881]}", "展望台"),
    });
    dropOnWindow({write("hike.gpx", fixtures::gpxText(gpx)), write("drawing.geojson", drawing)});
    QCOMPARE(mMessages, QStringList());
    const OverlayStore& store = mWindow->scene().overlays;
    QCOMPARE(store.groupCount(), 4);  // waypoints, track; the drawing's lines, its named point
    const int32_t kinds[] = {kKindMark, kKindNmea, kKindOtherLines, kKindMark};
    for (int g = 0; g < 4; ++g) {
      QCOMPARE(store.kind(g), kinds[g]);
    }
    QCOMPARE(store.groupPointCount(1), 401);
    QCOMPARE(store.label(0), std::string_view("Start"));
    QCOMPARE(store.labelText(store.groupRange(3).firstPoint), std::string("展望台"));
    screenshot({mWindow.get()}).save(out + "/2-gpx-and-geojson-dropped.png");

    LayerDialog::Hooks hooks = programLayerDialogHooks(*mWindow);
    hooks.chooseColour = [](const QColor&) { return std::optional<QColor>(QColor(255, 255, 0)); };
    LayerDialog d(mWindow->scene(), mWindow->hueCircle(), hooks, mWindow.get());
    d.move(mWindow->frameGeometry().right() - d.width() + 40, mWindow->y() + 160);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.list()->item(1, 1)->text(), QStringLiteral("hike.gpx"));
    QCOMPARE(d.list()->item(2, 1)->text(), QStringLiteral("drawing.geojson"));
    screenshot({mWindow.get(), &d}).save(out + "/3-layer-list.png");

    // The drawing's lines yellow, the waypoints hidden.
    select(d.list(), {2});
    d.runMenuCommand(kLayerColour);
    d.list()->item(0, 0)->setCheckState(Qt::Unchecked);
    QCOMPARE(store.colour(2), 0xFFFFFF00u);
    QVERIFY(!store.visible(0));
    QCoreApplication::processEvents();
    screenshot({mWindow.get(), &d}).save(out + "/4-drawing-recoloured-waypoints-hidden.png");
    d.accept();

    const std::filesystem::path project = *mDir / "trip.tvp";
    QString error;
    QVERIFY2(SaveProject(*mWindow, project, error), qPrintable(error));
    mWindow->scene().clearScene();
    mWindow->AfterChange();
    QVERIFY(mWindow->LoadProject(project));
    mWindow->AfterChange();
    QCOMPARE(store.groupCount(), 4);
    QVERIFY(!store.visible(0));
    QVERIFY(store.visible(1));
    QCOMPARE(store.colour(2), 0xFFFFFF00u);
    QCOMPARE(store.colour(1), kColourBlue);
    QCOMPARE(store.groupPointCount(1), 401);
    screenshot({mWindow.get()}).save(out + "/5-project-reopened.png");
  }

  void droppedLineFilesBecomeLayers() {
    QVERIFY(!mWindow->action(181)->isEnabled());
    mWindow->dropPaths({write("a.xyn", "0,0,A\n")});
    QCOMPARE(mMessages, QStringList{QString::fromUtf8(text(kTextNoElevationData).data())});
    // A vector .xml over geographic data is tried as line data first, and is not a DEM.
    mWindow->dropPaths({write("v.xml", "<Cntr>\n<gml:posList>\n35.006 139.01\n35.007 139.011\n"
                                       "</gml:posList>\n")});
    QCOMPARE(mWindow->scene().overlays.groupCount(), 1);
    QCOMPARE(mWindow->scene().grid.fileCount, 4);
    QVERIFY(mWindow->action(181)->isEnabled());
    mWindow->dropPaths({write("far.log", "$GPGGA,1,4000.0,N,13000.0,E,1,8\n")});
    QCOMPARE(mMessages.size(), 2);  // nothing inside the data
    QCOMPARE(mMessages.back(), QString::fromUtf8(text(kTextNoValidData).data()) + "\n" +
                                   QString::fromStdString((*mDir / "far.log").string()) +
                                   ": no point inside the elevation data");
    QCOMPARE(mWindow->scene().overlays.groupCount(), 1);
  }

  void listShowsTheLayers() {
    addFourLayers();
    const auto d = dialog();
    QCOMPARE(d->windowTitle(), QStringLiteral("線点データ情報"));
    QVERIFY(std::abs(d->windowOpacity() - 192.0 / 255.0) < 0.01);
    QTableWidget* list = d->list();
    const QStringList titles = {"表示", "ファイル名", "項目", "点数", "点幅", "色"};
    const int widths[] = {60, 190, 120, 120, 45, 45};
    for (int c = 0; c < 6; ++c) {
      QCOMPARE(list->horizontalHeaderItem(c)->text(), titles[c]);
      QCOMPARE(list->columnWidth(c), widths[c]);
    }
    QCOMPARE(list->rowCount(), 4);
    const QStringList rows[] = {
        {"    1", "track.nmea", "NMEA LOG", "2", ""},
        {"    2", "marks.bln", "目印", "2", "5"},
        {"    3", "pt.xml", "標高点", "1", "5"},
        {"    4", "cloud.blhrgb", "その他", "1", "1"},
    };
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 5; ++c) {
        QCOMPARE(list->item(r, c)->text(), rows[r][c]);
      }
      QCOMPARE(list->item(r, 0)->checkState(), Qt::Checked);
    }
    QCOMPARE(list->item(0, 3)->textAlignment() & Qt::AlignRight, Qt::AlignRight);
    QCOMPARE(list->item(0, 5)->background().color(), QColor(0, 0, 255));
    QVERIFY(!d->alphaCheckBox()->isChecked());

    // Unchecking hides the layer and redraws the window.
    list->item(1, 0)->setCheckState(Qt::Unchecked);
    QVERIFY(!mWindow->scene().overlays.visible(1));
    QCOMPARE(mRedraws, 1);
    select(list, {1});
    d->runMenuCommand(kLayerShow);
    QVERIFY(mWindow->scene().overlays.visible(1));
  }

  void contextMenuGreysByTheSelection() {
    addFourLayers();
    const auto d = dialog();
    struct Case {
      std::initializer_list<int> rows;
      std::map<int, bool> enabled;
      int checkedSize;
    };
    const Case cases[] = {
        {{},
         {{281, false},
          {282, false},
          {400, false},
          {285, false},
          {288, false},
          {286, false},
          {287, true}},
         0},
        {{0},
         {{281, true},
          {282, true},
          {400, false},
          {285, true},
          {288, false},
          {286, true},
          {287, true}},
         0},
        {{0, 3},
         {{281, true},
          {282, true},
          {400, true},
          {285, true},
          {288, false},
          {286, true},
          {287, true}},
         1},
        {{0, 1, 2},
         {{281, true},
          {282, true},
          {400, true},
          {285, true},
          {288, true},
          {286, true},
          {287, true}},
         5},
    };
    for (const Case& c : cases) {
      select(d->list(), c.rows);
      std::unique_ptr<QMenu> menu(d->buildContextMenu());
      int checked = -1;
      QCOMPARE(enabledEntries(menu.get(), &checked), c.enabled);
      QCOMPARE(checked, c.checkedSize);
    }
  }

  void editsGoStraightIntoTheStore() {
    addFourLayers();
    OverlayStore& store = mWindow->scene().overlays;
    const auto d = dialog();
    QTableWidget* list = d->list();

    // Point size: only layers that have one.
    select(list, {0, 1});
    d->runMenuCommand(403);
    QCOMPARE(store.pointSize(0), 0);
    QCOMPARE(store.pointSize(1), 3);
    QCOMPARE(list->item(0, 4)->text(), QString());
    QCOMPARE(list->item(1, 4)->text(), QStringLiteral("3"));

    // Hue circle 0 -> 160 counter-clockwise over three layers: 0, 200, 160.
    select(list, {0, 1, 2});
    mChosenHues = HueCircleParameters{true, 0, 160};
    d->runMenuCommand(kLayerHueCircle);
    QCOMPARE(store.colour(0), 0xFFFF0000u);
    QCOMPARE(store.colour(1), layerColourFromColorRef(colorHlsToRgb(200, 120, 240), {}));
    QCOMPARE(store.colour(2), 0xFF0000FFu);
    QCOMPARE(list->item(2, 5)->background().color(), QColor(0, 0, 255));
    QCOMPARE(mWindow->hueCircle().endHue, 160);  // the setting keeps the last choice

    // A cancelled colour chooser changes nothing; a chosen colour applies to every selected row.
    mChosenColour.reset();
    select(list, {3});
    d->runMenuCommand(kLayerColour);
    QCOMPARE(store.colour(3), kColourWhite);
    QCOMPARE(store.vertices()[store.groupRange(3).firstPoint].diffuse, 0xFF0A141Eu);
    mChosenColour = QColor(0x12, 0x34, 0x56);
    mWindow->scene().view.Alpha = 100;
    d->alphaCheckBox()->setChecked(true);
    QVERIFY(mWindow->scene().view.LayerAlphaEnabled);
    QCOMPARE(store.vertices()[0].diffuse >> 24, 100u);
    d->runMenuCommand(kLayerColour);
    QCOMPARE(store.colour(3), 0x64123456u);
    // Switching transparency off makes everything opaque, recoloured layers included.
    d->alphaCheckBox()->setChecked(false);
    QCOMPARE(store.vertices()[store.groupRange(3).firstPoint].diffuse, 0xFF123456u);

    // Deleting rows 1 and 3 leaves rows 1 and 2 showing the former layers 2 and 4.
    select(list, {0, 2});
    d->runMenuCommand(kLayerDelete);
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->item(0, 0)->text(), QStringLiteral("    1"));
    QCOMPARE(list->item(1, 0)->text(), QStringLiteral("    2"));
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("marks.bln"));
    QCOMPARE(list->item(1, 1)->text(), QStringLiteral("cloud.blhrgb"));
    QCOMPARE(store.layerName(1).filename().string(), std::string("cloud.blhrgb"));
    QCOMPARE(mMenuUpdates, 0);

    // Delete all: the store is freed and the menu no longer offers the list.
    d->runMenuCommand(kLayerDeleteAll);
    QCOMPARE(list->rowCount(), 0);
    QVERIFY(!store.allocated());
    QCOMPARE(mMenuUpdates, 1);
    QVERIFY(!mWindow->action(181)->isEnabled());
  }
};

const GuiTestClass<LayerDialogTest> kLayerDialogTest("LayerDialogTest");

}  // namespace torvane::fixtures

#include "LayerDialogTest.moc"
