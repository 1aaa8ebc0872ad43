// Frames read back from the real window: the idle title, the demo terrain in plan view, zoom,
// azimuth, hidden sub-grids, resizing, transparency, and the offscreen render command.

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <cmath>

#include "GuiTestSupport.h"
#include "tests/support/WriteFaults.h"
#include "gui/HeadlessRender.h"
#include "scene/Propagation.h"
#include "render/FrameRenderer.h"

namespace torvane::fixtures {

class FrameTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;

  QImage grab() { return mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
  void save(const QImage& image, const QString& name) {
    image.save(outputDir("FrameTest") + QLatin1Char('/') + name);
  }
  Scene& scene() { return mWindow->scene(); }

  int fileIndex(const char* tile) {
    for (int k = 0; k < scene().grid.fileCount; ++k) {
      if (scene().grid.filePath(k).filename().string().find(tile) != std::string::npos) {
        return k;
      }
    }
    return -1;
  }
  //! The vertex at the middle of file k.
  const TerrainVertex& middleVertex(int k) {
    const GridFile& f = scene().grid.files[static_cast<size_t>(k)];
    const uint64_t node = scene().grid.fileBase(k) +
                          uint64_t(f.sampledRows / 2) * f.sampledColumns + f.sampledColumns / 2;
    return scene().mesh.vertices()[node];
  }
  QPoint pixelOf(const TerrainVertex& v, QSize size) {
    return projectToPixel(scene().view, size, {v.x, v.y, v.z}).toPoint();
  }
  void openDemo() {
    const std::vector<std::filesystem::path> files = demoFiles();
    QVERIFY(mWindow->openElevation(files));
    QCOMPARE(scene().grid.fileCount, 4);
    // These tests look at the surface alone, without the screen furniture over it.
    scene().view.compass = scene().view.trackbar = scene().view.statusBar = false;
  }

private slots:
  void init() {
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([](const QString&, const QString& text) {
      QFAIL(qPrintable(QStringLiteral("unexpected message: ") + text));
    });
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
  }
  void cleanup() { mWindow.reset(); }

  void idleFrameShowsTheCentredTitle() {
    const QImage image = grab();
    save(image, QStringLiteral("idle.png"));
    QCOMPARE(image.pixel(0, 0), kBackground);
    QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), kBackground);
    int white = 0, blue = 0, other = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb c = image.pixel(x, y);
        if (c == kBackground) {
          continue;
        }
        if (qBlue(c) > 200 && qRed(c) > 200 && qGreen(c) > 200) {
          ++white;
        } else if (qBlue(c) > 150 && qRed(c) < 90 && qGreen(c) < 90) {
          ++blue;
        } else {
          ++other;  // lines between the faces fade from white to blue
        }
      }
    }
    QVERIFY2(white > 300, qPrintable(QString::number(white)));
    QVERIFY2(blue > 300, qPrintable(QString::number(blue)));
    // Three units wide at about three units from the eye: nearly the whole width, centred.
    const QRect bounds = foregroundBounds(image);
    const double centre = (bounds.left() + bounds.right()) / 2.0;
    QVERIFY2(std::abs(centre - image.width() / 2.0) < image.width() * 0.02,
             qPrintable(QString::number(centre)));
    QVERIFY(bounds.width() > image.width() * 0.8 && bounds.width() < image.width());
    // One third of the height sum as vertical centre: the text sits above the middle.
    QVERIFY((bounds.top() + bounds.bottom()) / 2.0 < image.height() / 2.0);
  }

  void planViewIsNorthUpWithVertexColours() {
    openDemo();
    const QImage image = grab();
    save(image, QStringLiteral("plan.png"));
    const int sw = fileIndex("-00-"), se = fileIndex("-01-"), nw = fileIndex("-10-");
    QVERIFY(sw >= 0 && se >= 0 && nw >= 0);
    const QPoint pSW = pixelOf(middleVertex(sw), image.size());
    const QPoint pSE = pixelOf(middleVertex(se), image.size());
    const QPoint pNW = pixelOf(middleVertex(nw), image.size());
    QVERIFY(pNW.y() < pSW.y());  // north above
    QVERIFY(pSE.x() > pSW.x());  // east to the right
    for (int k = 0; k < 4; ++k) {
      const TerrainVertex& v = middleVertex(k);
      const QRgb got = image.pixel(pixelOf(v, image.size()));
      QVERIFY2(channelDistance(got, vertexRgb(v.diffuse)) <= 16,
               qPrintable(QStringLiteral("file %1: %2 vs %3")
                              .arg(k)
                              .arg(got, 8, 16)
                              .arg(vertexRgb(v.diffuse), 8, 16)));
    }
  }

  void halvingTheFieldOfViewEnlargesByTheTangentRatio() {
    openDemo();
    scene().view.MoveZ = -3;  // twice as far: the whole terrain stays in view when enlarged
    mWindow->view()->update();
    const QRect wide = foregroundBounds(grab());
    const double z1 = scene().view.RZoom;
    scene().view.RZoom = z1 / 2;
    const QImage image = grab();
    save(image, QStringLiteral("zoomed.png"));
    const QRect narrow = foregroundBounds(image);
    const double expected = std::tan(z1 / 2) / std::tan(z1 / 4);
    QVERIFY(!wide.isEmpty() && !narrow.isEmpty());
    QVERIFY(narrow.width() < image.width() - 2);
    const double ratio = double(narrow.width()) / wide.width();
    QVERIFY2(std::abs(ratio - expected) < 0.03 * expected,
             qPrintable(QStringLiteral("%1 vs %2").arg(ratio).arg(expected)));
  }

  void azimuthPiTurnsTheMapUpsideDown() {
    openDemo();
    const QImage north = grab();
    scene().view.RotaZ = 3.141592653589793;
    const QImage south = grab();
    save(south, QStringLiteral("south.png"));
    int compared = 0, differing = 0;
    for (int y = 10; y < north.height() - 10; y += 7) {
      for (int x = 10; x < north.width() - 10; x += 7) {
        ++compared;
        const QRgb a = north.pixel(x, y);
        const QRgb b = south.pixel(north.width() - 1 - x, north.height() - 1 - y);
        differing += channelDistance(a, b) > 24 ? 1 : 0;
      }
    }
    QVERIFY2(differing < compared / 50, qPrintable(QString::number(differing)));
  }

  void hiddenSubGridDisappearsAndLaterOnesStayInPlace() {
    openDemo();
    const QImage before = grab();
    const int hidden = 0;
    scene().grid.files[hidden].shown = false;
    const QImage after = grab();
    save(after, QStringLiteral("hidden.png"));
    QCOMPARE(after.pixel(pixelOf(middleVertex(hidden), after.size())), kBackground);
    for (int k = 1; k < 4; ++k) {
      const QPoint p = pixelOf(middleVertex(k), after.size());
      QCOMPARE(after.pixel(p), before.pixel(p));
    }
  }

  void resizeKeepsDrawingWithoutReopening() {
    openDemo();
    const uint32_t nodes = scene().grid.count;
    const QRgb centre = grab().pixel(pixelOf(middleVertex(2), mWindow->view()->size()));
    for (const QSize size : {QSize(640, 480), QSize(1000, 700)}) {
      mWindow->resize(size);
      QTRY_VERIFY(mWindow->size() == size);
      const QImage image = grab();
      QCOMPARE(image.size(), mWindow->view()->size());
      QVERIFY(channelDistance(image.pixel(pixelOf(middleVertex(2), image.size())), centre) <= 16);
    }
    QCOMPARE(scene().grid.count, nodes);
    // Narrower than allowed is refused.
    mWindow->resize(300, 200);
    QVERIFY(mWindow->width() >= 640 && mWindow->height() >= 480);
  }

  void transparencyBlendsWithTheBackground() {
    openDemo();
    const QPoint p = pixelOf(middleVertex(3), mWindow->view()->size());
    const QRgb opaque = grab().pixel(p);
    scene().view.Alpha = 128;
    ApplyTransparency(scene());
    RefreshVertexData(scene());
    const QImage image = grab();
    save(image, QStringLiteral("alpha128.png"));
    const QRgb blended = image.pixel(p);
    const double a = 128 / 255.0;
    const QRgb expected = qRgb(int(qRed(opaque) * a + 0x40 * (1 - a) + 0.5),
                               int(qGreen(opaque) * a + 0x40 * (1 - a) + 0.5),
                               int(qBlue(opaque) * a + 0x40 * (1 - a) + 0.5));
    QVERIFY2(channelDistance(blended, expected) <= 3,
             qPrintable(QStringLiteral("%1 vs %2").arg(blended, 8, 16).arg(expected, 8, 16)));
  }

  void blackFogFollowsViewDepth() {
    openDemo();
    const TerrainVertex& v = middleVertex(1);
    const QPoint p = pixelOf(v, mWindow->view()->size());
    const QRgb clear = grab().pixel(p);
    scene().view.fogMode = 2;
    scene().view.fogStart = 0;
    const QRgb fogged = grab().pixel(p);
    // Plan view: the view-space depth of a vertex is 3 + z; fog runs from 0 to 4 units.
    const double f = (4.0 - (3.0 + v.z)) / 4.0;
    const QRgb expected =
        qRgb(int(qRed(clear) * f + 0.5), int(qGreen(clear) * f + 0.5), int(qBlue(clear) * f + 0.5));
    QVERIFY2(channelDistance(fogged, expected) <= 4,
             qPrintable(QStringLiteral("%1 vs %2").arg(fogged, 8, 16).arg(expected, 8, 16)));
    QCOMPARE(grab().pixel(0, 0), kBackground);  // the clear colour is not fogged
  }

  void drapedImageModulatesOverItsBasePass() {
    openDemo();
    scene().view.Alpha = 128;
    ApplyTransparency(scene());
    RefreshVertexData(scene());
    mWindow->view()->makeCurrent();
    auto* gl = mWindow->view()->renderContext().gl();
    auto texture = [gl](QRgb colour) {
      const uint32_t texel[4] = {colour, colour, colour, colour};  // BGRA in memory
      GLuint id = 0;
      gl->glGenTextures(1, &id);
      gl->glBindTexture(GL_TEXTURE_2D, id);
      gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_BGRA, GL_UNSIGNED_BYTE, texel);
      gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      return id;
    };
    const GLuint base = texture(0xFFFFFFFF);   // white, opaque
    const GLuint image = texture(0xFFFF0000);  // red, opaque
    const QSize size = mWindow->view()->size();
    QOpenGLFramebufferObject fbo(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    fbo.bind();
    FrameInput input{scene().view, scene().grid};
    input.imageTexture = image;
    input.baseTexture = base;
    renderFrame(mWindow->view()->renderContext(), input, size.width(), size.height());
    const QImage frame = fbo.toImage().convertToFormat(QImage::Format_RGB32);
    fbo.release();
    gl->glDeleteTextures(1, &base);
    gl->glDeleteTextures(1, &image);
    mWindow->view()->doneCurrent();
    save(frame, QStringLiteral("draped.png"));
    // Base pass: white x land colour, opaque. Image pass: red x land colour at half opacity.
    const TerrainVertex& v = middleVertex(0);
    const QRgb land = vertexRgb(v.diffuse);
    const double a = 128 / 255.0;
    const QRgb expected =
        qRgb(qRed(land), int(qGreen(land) * (1 - a) + 0.5), int(qBlue(land) * (1 - a) + 0.5));
    const QRgb got = frame.pixel(pixelOf(v, size));
    QVERIFY2(channelDistance(got, expected) <= 16,
             qPrintable(QStringLiteral("%1 vs %2").arg(got, 8, 16).arg(expected, 8, 16)));
  }

  void zeroSizedFrameDrawsNothing() {
    mWindow->view()->makeCurrent();
    QOpenGLFramebufferObject fbo(16, 16, QOpenGLFramebufferObject::CombinedDepthStencil);
    fbo.bind();
    auto* gl = mWindow->view()->renderContext().gl();
    gl->glClearColor(1, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    const FrameInput input{scene().view, scene().grid};
    renderFrame(mWindow->view()->renderContext(), input, 0, 16);
    renderFrame(mWindow->view()->renderContext(), input, 16, 0);
    const QImage image = fbo.toImage();
    fbo.release();
    mWindow->view()->doneCurrent();
    QCOMPARE(image.pixel(8, 8), qRgb(255, 0, 0));
  }

  void renderCommandWritesTheWindowFrame() {
    const QString dir = outputDir("FrameTest");
    QStringList args;
    for (const auto& f : demoFiles()) {
      args << QString::fromStdString(f.string());
    }
    const QString png = dir + QStringLiteral("/demo.png");
    QCOMPARE(runRenderCommand(args + QStringList{"--output", png, "--size", "320x200"}), 0);
    const QImage image(png);
    QCOMPARE(image.size(), QSize(320, 200));
    QCOMPARE(image.pixel(0, 0), kBackground);
    QVERIFY(!foregroundBounds(image).isEmpty());
    // North up as in the window: the demo's sea lies to the south-east, so the lower right of
    // the terrain is sea blue and the upper right is land.
    auto seaBlue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
    QVERIFY(seaBlue(image.pixel(232, 150)));
    QVERIFY(!seaBlue(image.pixel(232, 50)));
    const QString jpg = dir + QStringLiteral("/demo.jpg");
    QCOMPARE(runRenderCommand(args + QStringList{"--output", jpg}), 0);
    QCOMPARE(QImage(jpg).size(), QSize(800, 600));
    // A failed open writes nothing and keeps what was there.
    QCOMPARE(runRenderCommand({dir + "/missing.xml", "--output", png}), 1);
    QCOMPARE(QImage(png).size(), QSize(320, 200));
    QCOMPARE(runRenderCommand({"--output", png}), 2);
    QCOMPARE(runRenderCommand(args + QStringList{"--output", png, "--size", "0x10"}), 2);
    // On a full disk the render fails and the old image stays as it was.
    QFile old(png);
    QVERIFY(old.open(QIODevice::ReadOnly));
    const QByteArray oldBytes = old.readAll();
    old.close();
    {
      fixtures::WriteFault diskFull(fixtures::FaultAt::Write);
      QCOMPARE(runRenderCommand(args + QStringList{"--output", png, "--size", "320x200"}), 1);
      QVERIFY(diskFull.hit());
    }
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), oldBytes);
    // An output that is one of the inputs is refused.
    const QString input = dir + QStringLiteral("/input.png");
    QVERIFY(QFile::copy(png, input));
    QCOMPARE(runRenderCommand({input, "--output", input}), 1);
    QCOMPARE(QImage(input).size(), QSize(320, 200));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no temporary files
  }
};

const GuiTestClass<FrameTest> kFrameTest("FrameTest");

}  // namespace torvane::fixtures

#include "FrameTest.moc"
