// What the view draws besides the surface, read back from the real window: the compass, the
// trackbars, the status bar, the data frame, the layers, the overlay text and the readout, the
// screen font, and the offscreen render drawing the same furniture.

#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QTextLayout>
#include <cmath>
#include <numbers>

#include "GuiTestSupport.h"
#include "contour/ContourStore.h"
#include "gui/HeadlessRender.h"
#include "render/RenderContext.h"
#include "scene/Propagation.h"
#include "scene/Scene.h"
#include "terrain/TerrainMesh.h"
#include "view/ScreenTexts.h"

namespace torvane::fixtures {

namespace {

constexpr double kPi = std::numbers::pi;

bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 70 && qBlue(c) < 70; }
bool isGreen(QRgb c) { return qGreen(c) > 200 && qRed(c) < 70 && qBlue(c) < 70; }
bool isWhite(QRgb c) { return qRed(c) > 230 && qGreen(c) > 230 && qBlue(c) > 230; }

// Whether `colour` is at p or one pixel beside it (a one-pixel line through a projected point
// may round to the neighbouring row).
bool colourNear(const QImage& image, QPoint p, QRgb colour) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (image.rect().contains(p + QPoint(dx, dy)) && image.pixel(p + QPoint(dx, dy)) == colour) {
        return true;
      }
    }
  }
  return false;
}

// Rows of `a` and `b` differing inside the columns [x0, x1).
std::vector<int> changedRows(const QImage& a, const QImage& b, int x0, int x1) {
  std::vector<int> rows;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, a.width()); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) {
        rows.push_back(y);
        break;
      }
    }
  }
  return rows;
}

bool anyRowIn(const std::vector<int>& rows, int from, int to) {
  return std::any_of(rows.begin(), rows.end(), [&](int r) { return r >= from && r < to; });
}

}  // namespace

class FurnitureTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;

  Scene& scene() { return mWindow->scene(); }
  QImage grab() {
    mWindow->view()->update();
    return mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }
  QString mOut;  // this test function's own folder (made afresh in init)
  void save(const QImage& image, const QString& name) {
    image.save(mOut + QLatin1Char('/') + name);
  }
  void openDemo() { QVERIFY(mWindow->openElevation(demoFiles())); }
  QPoint pixelOf(const ModelPoint& p, QSize size) {
    return projectToPixel(scene().view, size, {p.x, p.y, p.z}).toPoint();
  }
  // A point of a layer, lifted clear above the terrain.
  float aboveTerrain() {
    float top = 0;
    for (const TerrainVertex& v : scene().mesh.vertices()) {
      top = std::min(top, v.z);
    }
    return top - 0.05f;
  }

private slots:
  void init() {
    mOut = outputDir("FurnitureTest");
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([](const QString&, const QString& text) {
      QFAIL(qPrintable(QStringLiteral("unexpected message: ") + text));
    });
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
  }
  void cleanup() { mWindow.reset(); }

  void screenTextUsesAJapaneseGothic() {
    RenderContext& context = mWindow->view()->renderContext();
    const QString sample = QStringLiteral("海進起伏透過標高傾斜量地上開度距離線点頂等値特殊");
    for (const QFont& font : {context.smallFont(), context.largeFont(),
                              context.overlayPasses().glyphs().font(GlyphAtlas::Caption),
                              context.overlayPasses().glyphs().font(GlyphAtlas::Label)}) {
      const QFontMetrics metrics(font);
      for (const QChar c : sample) {
        QVERIFY2(metrics.inFontUcs4(c.unicode()), qPrintable(QFontInfo(font).family()));
      }
      // The text engine draws the sample from that very font, not from a fallback.
      QTextLayout layout(sample, font);
      layout.beginLayout();
      layout.createLine();
      layout.endLayout();
      const QList<QGlyphRun> runs = layout.glyphRuns();
      QCOMPARE(runs.size(), 1);
      QCOMPARE(runs.front().rawFont().familyName(), QFontInfo(font).family());
      QVERIFY(!runs.front().glyphIndexes().contains(0u));
    }
    QCOMPARE(context.smallFont().pixelSize(), 12);
    QCOMPARE(context.largeFont().pixelSize(), 14);
  }

  void compassNeedlePointsNorthAndTurnsWithTheAzimuth() {
    openDemo();
    scene().view.compass = false;
    const QImage without = grab();
    scene().view.compass = true;
    const int w = without.width();
    struct Case {
      double RotaZ;
      int dx, dy;  // the sign of the red needle's direction from the centre
    };
    for (const Case c : {Case{0, 0, -1}, Case{kPi / 2, -1, 0}, Case{kPi, 0, 1}}) {
      scene().view.RotaZ = c.RotaZ;
      const QImage image = grab();
      if (c.RotaZ == kPi / 2) {
        save(image, QStringLiteral("compass-east.png"));
      }
      double sx = 0, sy = 0;
      int n = 0;
      for (int y = 0; y < 60; ++y) {
        for (int x = w - 60; x < w; ++x) {
          if (isRed(image.pixel(x, y)) && image.pixel(x, y) != without.pixel(x, y)) {
            sx += x - (w - 30);
            sy += y - 30;
            ++n;
          }
        }
      }
      QVERIFY2(n > 20, qPrintable(QString::number(n)));
      const double mx = sx / n, my = sy / n;
      QVERIFY2(c.dx == 0 ? std::abs(mx) < 2 : mx * c.dx > 7, qPrintable(QString::number(mx)));
      QVERIFY2(c.dy == 0 ? std::abs(my) < 2 : my * c.dy > 7, qPrintable(QString::number(my)));
    }
  }

  void trackbarsStandAtTheirPlacesWithTheKnobAtTheValue() {
    openDemo();
    scene().view.Scale = 40;  // knob 20 pixels up
    ApplyRelief(scene());
    RefreshVertexData(scene());
    struct Case {
      int ColorT;
      std::vector<int> xs;
      std::vector<int> offsets;
    };
    const int sea = EffectiveSeaLevel(scene().view, scene().grid) * 50 / 1000;
    for (const Case& c : {Case{3, {15, 35, 55}, {sea, 20, 50}}, Case{1, {15, 35}, {20, 50}}}) {
      scene().view.ColorT = c.ColorT;
      const QImage image = grab();
      save(image, QStringLiteral("trackbars-%1.png").arg(c.ColorT));
      const int base = image.height() - 25;
      for (size_t k = 0; k < c.xs.size(); ++k) {
        const int x = c.xs[k], v = c.offsets[k];
        int white = 0;
        for (int y = base - 75; y <= base - 25; ++y) {
          white += isWhite(image.pixel(x, y)) ? 1 : 0;
        }
        QVERIFY2(white > 35, qPrintable(QStringLiteral("x %1: %2").arg(x).arg(white)));
        QVERIFY2(isGreen(image.pixel(x, base - 25 - v)),
                 qPrintable(QStringLiteral("x %1 v %2").arg(x).arg(v)));
        QVERIFY(isGreen(image.pixel(x + 2, base - 25 - v)));
        QVERIFY(!isGreen(image.pixel(x, base - 25 - v - 3)));
      }
      // Nothing stands where no further bar is.
      const int next = c.xs.back() + 20;
      for (int y = base - 75; y <= base - 25; ++y) {
        QVERIFY(!isWhite(image.pixel(next, y)));
      }
    }
  }

  void statusBarDarkensTheBottom25Rows() {
    openDemo();
    scene().view.statusBar = false;
    const QImage without = grab();
    scene().view.statusBar = true;
    const QImage with = grab();
    save(with, QStringLiteral("status.png"));
    const int h = with.height();
    for (const int x : {3, with.width() - 4}) {
      QCOMPARE(with.pixel(x, h - 26), without.pixel(x, h - 26));
      for (const int y : {h - 25, h - 13, h - 1}) {
        const QRgb before = without.pixel(x, y);
        const QRgb expected =
            qRgb(qRed(before) * 127 / 255, qGreen(before) * 127 / 255, qBlue(before) * 127 / 255);
        QVERIFY2(channelDistance(with.pixel(x, y), expected) <= 2,
                 qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
      }
    }
    // Its three texts: left, centre and right on the band.
    const std::vector<int> left = changedRows(with, without, 10, 120);
    const std::vector<int> centre =
        changedRows(with, without, with.width() / 2 - 30, with.width() / 2 + 30);
    const std::vector<int> right =
        changedRows(with, without, with.width() - 120, with.width() - 10);
    for (const auto* rows : {&left, &centre, &right}) {
      QVERIFY(anyRowIn(*rows, h - 18, h - 6));
    }
  }

  void dataFrameCornersLieWhereToModelPutsThem() {
    openDemo();
    scene().view.RotaX = 0.5;  // tilted: the frame's top and bottom rectangles separate
    const QImage without = grab();
    scene().view.frameMode = 1;
    const QImage with = grab();
    save(with, QStringLiteral("frame.png"));
    const ElevationGrid& g = scene().grid;
    const ModelFit& fit = scene().mesh.fit();
    const int relief = scene().view.Scale;
    auto lit = [&](double X, double Y, double H) {
      const QPoint p = pixelOf(toModel(fit, X, Y, H, relief), with.size());
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const QPoint q = p + QPoint(dx, dy);
          if (with.rect().contains(q) && channelDistance(with.pixel(q), without.pixel(q)) > 20) {
            return true;
          }
        }
      }
      return false;
    };
    for (const double X : {g.Xmin, g.Xmax}) {
      for (const double Y : {g.Ymin, g.Ymax}) {
        QVERIFY2(lit(X, Y, g.Hmax), qPrintable(QStringLiteral("%1 %2").arg(X).arg(Y)));
      }
    }
    // Half-way along the northern upper edge, and nothing far inside the box.
    QVERIFY(lit((g.Xmin + g.Xmax) / 2, g.Ymax, g.Hmax));
    const QPoint inside = pixelOf(toModel(fit, g.Xmin + (g.Xmax - g.Xmin) * 0.4,
                                          g.Ymin + (g.Ymax - g.Ymin) * 0.6, g.Hmax, relief),
                                  with.size());
    QCOMPARE(with.pixel(inside), without.pixel(inside));
    // Captions: bright pixels beside the south-west corner, running south from it.
    const QPoint sw = pixelOf(toModel(fit, g.Xmin, g.Ymin, g.Hmin, relief), with.size());
    int caption = 0;
    for (int y = sw.y() + 3; y < std::min(with.height(), sw.y() + 60); ++y) {
      for (int x = sw.x() - 6; x <= sw.x() + 6; ++x) {
        caption += with.rect().contains(x, y) && with.pixel(x, y) != without.pixel(x, y);
      }
    }
    QVERIFY2(caption > 10, qPrintable(QString::number(caption)));
    // Mode 2 adds the axes at the lowest height, seen beyond the data: north red, east yellow.
    scene().view.frameMode = 2;
    scene().view.RotaX = 0;
    const QImage axes = grab();
    save(axes, QStringLiteral("axes.png"));
    // Beyond the data the axes are not covered by the terrain (a frame edge may cross them).
    auto near = [&](Vec3d p, auto match) {
      const QPoint c = pixelOf({p.x, p.y, p.z}, axes.size());
      for (int d = -1; d <= 1; ++d) {
        const QPoint q = c + (p.x == 0 ? QPoint(d, 0) : QPoint(0, d));
        if (axes.rect().contains(q) && match(axes.pixel(q))) {
          return 1;
        }
      }
      return 0;
    };
    int north = 0, east = 0, south = 0;
    for (double t = 1.0; t < 1.2; t += 0.04) {
      north +=
          near({0, t, 0}, [](QRgb c) { return qRed(c) > 150 && qGreen(c) < 60 && qBlue(c) < 60; });
      east +=
          near({t, 0, 0}, [](QRgb c) { return qRed(c) > 150 && qGreen(c) > 150 && qBlue(c) < 60; });
      south +=
          near({0, -t, 0}, [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 60 && qGreen(c) < 60; });
    }
    QVERIFY2(north >= 4 && east >= 4 && south >= 4,
             qPrintable(QStringLiteral("%1 %2 %3").arg(north).arg(east).arg(south)));
  }

  void hiddenLayerLeavesLaterLayersInPlace() {
    openDemo();
    OverlayStore& store = scene().overlays;
    QVERIFY(store.allocateOverlayStore(100000));
    const float z = aboveTerrain();
    const uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    const float rows[3] = {0.3f, 0.0f, -0.3f};
    for (int k = 0; k < 3; ++k) {
      GroupStore::Builder b(store);
      QVERIFY(b.begin(kKindNmea, colours[k]));
      store.setNewLayer("line", 0, kDrawLineStrip);
      for (int i = 0; i <= 10; ++i) {
        b.append({-0.5f + 0.1f * float(i), rows[k], z, colours[k]}, 0);
      }
      b.close();
      QVERIFY(b.finish());
    }
    {  // a point layer of size 6 and a labelled mark
      GroupStore::Builder b(store);
      QVERIFY(b.begin(kKindPointCloud, 0xFFFFFF00));
      store.setNewLayer("points", 6, kDrawPoints);
      b.append({0.5f, -0.5f, z, 0xFFFFFF00}, 0);
      b.close();
      QVERIFY(b.finish());
      QVERIFY(b.begin(kKindMark, 0xFFFF00FF));
      store.setNewLayer("marks", 10, kDrawMarks);
      store.setLabel(b.nextIndex(), "標高点");
      b.append({-0.5f, -0.5f, z, 0xFFFF00FF}, 0);
      b.close();
      QVERIFY(b.finish());
    }
    QVERIFY(store.uploadStore());
    const QImage all = grab();
    save(all, QStringLiteral("layers.png"));
    auto at = [&](float x, float y) { return pixelOf({x, y, z}, all.size()); };
    QVERIFY(colourNear(all, at(0.05f, 0.3f), qRgb(255, 0, 0)));
    QVERIFY(colourNear(all, at(0.05f, 0.0f), qRgb(0, 255, 0)));
    QVERIFY(colourNear(all, at(0.05f, -0.3f), qRgb(0, 0, 255)));
    const QPoint point = at(0.5f, -0.5f);
    for (const QPoint d : {QPoint(-2, -2), QPoint(2, 2), QPoint(2, -2)}) {
      QCOMPARE(all.pixel(point + d), qRgb(255, 255, 0));  // 6 pixels square
    }
    // The label: magenta glyphs centred 0.02 units nearer the eye, 10 x 0.004 units high.
    const QPoint label = pixelOf({-0.5, -0.5, z - 0.02}, all.size());
    int magenta = 0;
    for (int y = label.y() - 8; y <= label.y() + 8; ++y) {
      for (int x = label.x() - 30; x <= label.x() + 30; ++x) {
        const QRgb c = all.pixel(x, y);
        magenta += qRed(c) > 150 && qBlue(c) > 150 && qGreen(c) < 100 ? 1 : 0;
      }
    }
    QVERIFY2(magenta > 30, qPrintable(QString::number(magenta)));

    store.setVisible(0, false);
    const QImage hidden = grab();
    save(hidden, QStringLiteral("layer0-hidden.png"));
    QVERIFY(!colourNear(hidden, at(0.05f, 0.3f), qRgb(255, 0, 0)));
    QVERIFY(colourNear(hidden, at(0.05f, 0.0f), qRgb(0, 255, 0)));
    QVERIFY(colourNear(hidden, at(0.05f, -0.3f), qRgb(0, 0, 255)));
    QCOMPARE(hidden.pixel(point), qRgb(255, 255, 0));
    // Hiding the marks takes their label away.
    store.setVisible(4, false);
    const QImage noLabel = grab();
    int left = 0;
    for (int y = label.y() - 8; y <= label.y() + 8; ++y) {
      for (int x = label.x() - 30; x <= label.x() + 30; ++x) {
        left += noLabel.pixel(x, y) != hidden.pixel(x, y) ? 1 : 0;
      }
    }
    QVERIFY(left > 30);
  }

  // Contour sets are line lists: a hidden set leaves the next set's segments where they are,
  // and the status bar counts the stored points under 等値.
  void hiddenContourSetLeavesLaterSetsInPlace() {
    openDemo();
    ContourStore& store = scene().contours;
    QVERIFY(store.allocateContourStore(1000));
    const float z = aboveTerrain();
    const uint32_t colours[2] = {0xFFFF0000, 0xFF0000FF};
    const float rows[2] = {0.3f, -0.3f};
    for (int k = 0; k < 2; ++k) {
      GroupStore::Builder b(store);
      QVERIFY(b.begin(kElevationContour, colours[k]));
      store.setNewValue(100 + k);
      for (int i = 0; i < 4; ++i) {  // two segments with a gap between them
        b.append({-0.5f + 0.25f * float(i), rows[k], z, colours[k]}, 0);
      }
      b.close();
      QVERIFY(b.finish());
    }
    QVERIFY(store.uploadStore());
    const QImage all = grab();
    save(all, QStringLiteral("contours.png"));
    auto at = [&](float x, float y) { return pixelOf({x, y, z}, all.size()); };
    QVERIFY(colourNear(all, at(-0.4f, 0.3f), qRgb(255, 0, 0)));
    QVERIFY(!colourNear(all, at(-0.125f, 0.3f), qRgb(255, 0, 0)));  // between the pairs
    QVERIFY(colourNear(all, at(0.15f, -0.3f), qRgb(0, 0, 255)));
    store.setVisible(0, false);
    const QImage hidden = grab();
    QVERIFY(!colourNear(hidden, at(-0.4f, 0.3f), qRgb(255, 0, 0)));
    QVERIFY(colourNear(hidden, at(-0.4f, -0.3f), qRgb(0, 0, 255)));
    QVERIFY(colourNear(hidden, at(0.15f, -0.3f), qRgb(0, 0, 255)));
    QCOMPARE(statusRightText(store.pointTotal(), std::nullopt, scene().grid.count),
             "等値:8  頂点:" + std::to_string(scene().grid.count));
  }

  void overlayTextShowsTwelveOrSevenLines() {
    const QImage none = grab();
    for (const int mode : {1, 2}) {
      scene().view.overlayTextMode = mode;
      const QImage image = grab();
      save(image, QStringLiteral("overlay-%1.png").arg(mode));
      const std::vector<int> rows = changedRows(image, none, 0, image.width());
      const int lines = mode == 1 ? 12 : 7;
      for (int k = 0; k < lines; ++k) {
        QVERIFY2(anyRowIn(rows, 10 + 12 * k + 2, 10 + 12 * k + 10),
                 qPrintable(QStringLiteral("mode %1 line %2").arg(mode).arg(k)));
      }
      const auto below =
          std::find_if(rows.begin(), rows.end(), [&](int r) { return r >= 10 + 12 * lines + 1; });
      QVERIFY2(below == rows.end(), qPrintable(QString::number(below == rows.end() ? -1 : *below)));
      QVERIFY(!anyRowIn(rows, 0, 9));
      // Left-aligned at x = 10.
      QVERIFY(changedRows(image, none, 0, 10).empty());
    }
  }

  void readoutStartsBelowTheCompassAtTheRightEdge() {
    openDemo();
    const QImage without = grab();
    scene().view.readout = true;
    const QImage with = grab();
    save(with, QStringLiteral("readout.png"));
    const int w = with.width();
    const std::vector<int> rows = changedRows(with, without, 0, w);
    QVERIFY(anyRowIn(rows, 70, 82));
    QVERIFY(anyRowIn(rows, 70 + 216, 70 + 228));  // the fog end, last line
    QVERIFY(!anyRowIn(rows, 0, 69));
    QVERIFY(changedRows(with, without, w - 9, w).empty());  // right-aligned at right - 10
    scene().view.compass = false;
    const QImage noCompass = grab();
    scene().view.readout = false;
    const std::vector<int> top = changedRows(noCompass, grab(), 0, w);
    QVERIFY(anyRowIn(top, 10, 22));
    QVERIFY(!anyRowIn(top, 0, 9));
  }

  // The demo as a user drives it with the keys: F1 key help, F3 twice the frame and axes, F4
  // the readout, E the compass turned east. Every key changes the picture; the pictures are
  // kept as the view's screenshots.
  void keysBringUpTheFurnitureAsAUserSeesIt() {
    openDemo();
    mWindow->resize(1024, 768);
    QTRY_VERIFY(mWindow->size() == QSize(1024, 768));
    QWidget* view = mWindow->view();
    view->setFocus();
    QImage before = grab();
    save(before, QStringLiteral("demo.png"));
    struct Step {
      std::vector<Qt::Key> keys;
      const char* name;
    };
    for (const Step& step :
         {Step{{Qt::Key_F1}, "demo-f1-key-help.png"},
          Step{{Qt::Key_F1, Qt::Key_F3, Qt::Key_F3}, "demo-f1-device-info-f3-frame-axes.png"},
          Step{{Qt::Key_F4}, "demo-f4-readout.png"},
          Step{{Qt::Key_E}, "demo-e-compass-east.png"}}) {
      for (const Qt::Key key : step.keys) {
        QTest::keyClick(view, key);
      }
      const QImage image = grab();
      save(image, QString::fromLatin1(step.name));
      QVERIFY2(image != before, step.name);
      before = image;
    }
    QCOMPARE(scene().view.overlayTextMode, 2);
    QCOMPARE(scene().view.frameMode, 2);
    QVERIFY(scene().view.readout);
  }

  void offscreenRenderDrawsTheWindowsFurniture() {
    openDemo();
    scene().view.frameMode = 2;
    scene().view.overlayTextMode = 1;
    scene().view.ColorS = 15;
    const QImage window = grab();
    QString error;
    const QImage offscreen = renderSceneImage(scene(), window.width(), window.height(), error);
    QVERIFY2(!offscreen.isNull(), qPrintable(error));
    save(offscreen, QStringLiteral("offscreen.png"));
    int differing = 0;
    for (int y = 0; y < window.height(); ++y) {
      for (int x = 0; x < window.width(); ++x) {
        differing += channelDistance(window.pixel(x, y), offscreen.pixel(x, y)) > 2 ? 1 : 0;
      }
    }
    QVERIFY2(differing == 0, qPrintable(QString::number(differing)));
  }
};

const GuiTestClass<FurnitureTest> kFurnitureTest("FurnitureTest");

}  // namespace torvane::fixtures

#include "FurnitureTest.moc"
