// The view under the mouse and the keyboard, on the real window with the demo terrain: a left
// drag carries the terrain with the cursor, a ruler click, a right drag turns it, the wheel
// zooms, the preset keys, a double click that starts nothing, and a relief thumb drag. Pictures
// of the window as a user sees it are saved in the test's output folder.

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "GuiTestSupport.h"
#include "scene/Scene.h"
#include "terrain/HeightSampling.h"
#include "view/Trackbars.h"

namespace torvane::fixtures {

class ViewControlTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QString mOut;

  TerrainView* view() { return mWindow->view(); }
  ViewState& state() { return mWindow->scene().view; }
  // Draws a frame (so that picking uses what is on screen) and returns it; the whole window as
  // the user sees it is saved.
  QImage frame(const char* name) {
    const QImage image = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    mWindow->grab().save(mOut + QStringLiteral("/%1.png").arg(QLatin1String(name)));
    return image;
  }
  // Mean brightness (0..255) of the pixels that are not background.
  static double brightness(const QImage& image) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb c = image.pixel(x, y);
        if (c != kBackground) {
          sum += qGray(c);
          ++count;
        }
      }
    }
    return count > 0 ? sum / count : 0;
  }
  void wheel(QPoint at, int delta) {
    QWheelEvent event(at, view()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view(), &event);
  }
  void drag(Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(view(), button, Qt::NoModifier, from);
    for (int i = 1; i <= 4; ++i) {
      const QPoint p = from + (to - from) * i / 4;
      QMouseEvent move(QEvent::MouseMove, p, view()->mapToGlobal(p), Qt::NoButton, button,
                       Qt::NoModifier);
      QCoreApplication::sendEvent(view(), &move);
    }
    QTest::mouseRelease(view(), button, Qt::NoModifier, to);
  }

private slots:
  void init() {
    mOut = outputDir("ViewControlTest");
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([](const QString&, const QString& text) {
      QFAIL(qPrintable(QStringLiteral("unexpected message: ") + text));
    });
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
    QVERIFY(mWindow->openElevation(demoFiles()));
    mWindow->AfterChange();
    QCOMPARE(view()->devicePixelRatioF(), 1.0);
  }
  void cleanup() { mWindow.reset(); }

  void dragRotateZoomAndPresets() {
    frame("1-opened");
    // A point of the sea (height 0, on the plane the pan is measured in) under the cursor
    // stays under the cursor through a left drag.
    QPoint grab;
    PickResult before;
    for (int y = 560; y > 300 && !before.found; y -= 7) {
      for (int x = 700; x > 400 && !before.found; x -= 7) {
        const PickResult p = view()->pick(x, y, true);
        if (p.found && std::fabs(p.z) < 1e-7) {
          before = p;
          grab = {x, y};
        }
      }
    }
    QVERIFY2(before.found, "no sea in the demo's south-east");
    const QPoint to = grab + QPoint(-140, -130);
    drag(Qt::LeftButton, grab, to);
    QVERIFY(state().MoveX != 0);
    frame("2-dragged");
    const QPointF seen = projectToPixel(state(), view()->size(), {before.x, before.y, before.z});
    QVERIFY2(std::hypot(seen.x() - to.x(), seen.y() - to.y()) < 1,
             qPrintable(QStringLiteral("%1,%2").arg(seen.x()).arg(seen.y())));
    const PickResult after = view()->pick(to.x(), to.y(), true);
    QVERIFY(after.found);
    QVERIFY(std::hypot(after.x - before.x, after.y - before.y) < 0.005);

    // In a ruler mode a click (no drag) stores the picked point in plane metres with the
    // terrain height there (a point on land, so that the height is not the 0 of a miss).
    toggleStraightRuler(mWindow->scene().ruler);
    const QPoint land = to + QPoint(-100, -100);
    const PickResult hit = view()->pick(land.x(), land.y(), true);
    QVERIFY(hit.found && hit.z < -0.01);
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, land);
    const Ruler& ruler = mWindow->scene().ruler;
    QCOMPARE(ruler.pointCount, 1);
    const GridPoint placed =
        fromModel(mWindow->scene().mesh.fit(), hit.x, hit.y, hit.z, state().Scale);
    double height = -1;
    QVERIFY(heightAtGrid(mWindow->scene().grid, mWindow->scene().mesh, placed.X, placed.Y, height));
    QVERIFY(std::fabs(ruler.X[0] - placed.X) < 1e-6 && std::fabs(ruler.Y[0] - placed.Y) < 1e-6);
    QVERIFY(height > 0);
    QCOMPARE(ruler.H[0], height);
    QTest::keyClick(view(), Qt::Key_Escape);
    QVERIFY(!ruler.active());

    // A right drag turns the view by pi per window width and height.
    drag(Qt::RightButton, QPoint(400, 300), QPoint(480, 260));
    QVERIFY(std::fabs(state().RotaZ - M_PI * 80 / view()->width()) < 1e-9);
    QVERIFY(std::fabs(state().RotaX - M_PI * 40 / view()->height()) < 1e-9);
    frame("3-rotated");

    // The wheel zooms in by a tangent of 1.25 per notch.
    wheel(QPoint(400, 300), 120);
    wheel(QPoint(400, 300), 120);
    QVERIFY(std::fabs(std::tan(state().RZoom) - 1 / 1.5625) < 1e-12);
    frame("4-zoomed");

    // Presets: D the side view, U the plan view, N E S W the azimuth.
    QTest::keyClick(view(), Qt::Key_D);
    QCOMPARE(state().RotaX, M_PI / 2);
    const double clear = brightness(frame("5-side-view"));
    // F2: white fog, then black fog, then none; the far terrain fades into the fog's colour.
    QTest::keyClick(view(), Qt::Key_F2);
    QCOMPARE(state().fogMode, 1);
    QVERIFY(brightness(frame("6-side-view-white-fog")) > clear + 5);
    QTest::keyClick(view(), Qt::Key_F2);
    QCOMPARE(state().fogMode, 2);
    QVERIFY(brightness(frame("7-side-view-black-fog")) < clear - 5);
    // Shift with the keypad's plus and minus moves the fog; the main keyboard's do nothing.
    const int fogStart = state().fogStart;
    QTest::keyClick(view(), Qt::Key_Plus, Qt::ShiftModifier);
    QTest::keyClick(view(), Qt::Key_Minus, Qt::ShiftModifier);
    QTest::keyClick(view(), Qt::Key_Minus, Qt::ShiftModifier);
    QCOMPARE(state().fogStart, fogStart);
    QTest::keyClick(view(), Qt::Key_Plus, Qt::ShiftModifier | Qt::KeypadModifier);
    QCOMPARE(state().fogStart, fogStart - 1);
    QTest::keyClick(view(), Qt::Key_Minus, Qt::ShiftModifier | Qt::KeypadModifier);
    QTest::keyClick(view(), Qt::Key_Minus, Qt::ShiftModifier | Qt::KeypadModifier);
    QCOMPARE(state().fogStart, fogStart + 1);
    QTest::keyClick(view(), Qt::Key_F2);
    QTest::keyClick(view(), Qt::Key_U);
    QCOMPARE(state().RotaX, 0.0);
    const std::pair<Qt::Key, double> azimuths[] = {
        {Qt::Key_E, M_PI / 2}, {Qt::Key_S, M_PI}, {Qt::Key_W, 3 * M_PI / 2}, {Qt::Key_N, 0}};
    for (const auto& [key, angle] : azimuths) {
      QTest::keyClick(view(), key);
      QCOMPARE(state().RotaZ, angle);
    }

    // The second press of a double click starts no drag.
    const QPoint at(300, 300);
    QMouseEvent second(QEvent::MouseButtonDblClick, at, view()->mapToGlobal(at), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view(), &second);
    QCOMPARE(view()->inputState().MouseMode, 0);
  }

  void reliefThumbDrag() {
    // Relief is the second bar (x 35) with the sea-level bar shown; its zero line lies 25
    // pixels above the status bar's strip.
    const int zero = trackbarBase(state(), view()->height()) - TrackbarGeometry::kZeroLine;
    auto top = [&] {  // the highest point of the drawn terrain (heights run towards -z)
      float z = 0;
      for (const TerrainVertex& v : mWindow->scene().mesh.vertices()) {
        z = std::min(z, v.z);
      }
      return z;
    };
    const float before = top();
    drag(Qt::LeftButton, QPoint(35, zero - 5), QPoint(35, zero - 60));
    QCOMPARE(state().Scale, 100);
    QVERIFY(std::fabs(top() - before * 50) < 1e-4);
    frame("8-relief-100");
    drag(Qt::LeftButton, QPoint(35, zero - 5), QPoint(35, zero - 25));
    QCOMPARE(state().Scale, 50);
  }
};

const GuiTestClass<ViewControlTest> kViewControlTest("ViewControlTest");

}  // namespace torvane::fixtures

#include "ViewControlTest.moc"
