// Projects, draped images and saved views on the real window, as a user works with them: save
// the view as a project and start the program with it, drape a photo and remove it, save the
// view as a JPEG, and render a project without a window.

#include <QFile>

#include "GuiTestSupport.h"
#include "gui/HeadlessRender.h"
#include "resources/Texts.h"
#include "scene/CommandTable.h"

namespace torvane::fixtures {

class ProjectTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> mWindow;
  QStringList mMessages;

  static QString qtext(int id) { return QString::fromUtf8(text(id).data()); }
  Scene& scene() { return mWindow->scene(); }

  std::unique_ptr<MainWindow> makeWindow(const MainWindow::Options& options = {}) {
    auto window = std::make_unique<MainWindow>(options);
    window->setMessageHandler([this](const QString& caption, const QString& text) {
      mMessages << caption + ": " + text;
    });
    window->startUp();
    return window;
  }
  bool openDemo() {
    const bool ok = mWindow->openElevation(demoFiles());
    mWindow->AfterChange();
    return ok;
  }
  QImage frame() {
    return mWindow->view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }
  // A screenshot of the whole window, menus included, for the record.
  void screenshot(const QString& dir, const QString& name) {
    mWindow->grab().save(dir + QLatin1Char('/') + name);
  }
  // An image whose top (north) half is red and bottom half blue.
  static QString writeTwoColourImage(const QString& path) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 64; ++x) {
        image.setPixel(x, y, qRgb(255, 0, 0));
      }
    }
    image.save(path);
    return path;
  }
  static QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  static bool writeText(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
  }
  static std::filesystem::path fsPath(const QString& path) { return path.toStdString(); }

private slots:
  void init() {
    mMessages.clear();
    mWindow = makeWindow();
    if (!showWithDevice(*mWindow)) {
      QSKIP("no OpenGL 3.3 core context on this display");
    }
  }
  void cleanup() { mWindow.reset(); }

  void savedProjectReopensTheSameView() {
    const QString dir = outputDir("ProjectTest");
    QVERIFY(openDemo());
    // Slope in grey, relief 5, tilted and turned.
    mWindow->runCommand(kCmdLandTypeFirst + 1);
    mWindow->runCommand(kCmdLandColourLast);
    mWindow->runCommand(kCmdReliefFirst + 5);
    scene().view.RotaX = 0.9;
    scene().view.RotaZ = 0.5;
    mWindow->AfterChange();
    screenshot(dir, QStringLiteral("1-demo-coloured.png"));
    const QImage before = frame();

    const QString project = dir + QStringLiteral("/view.tvp");
    QVERIFY(
        withFileDialog(*mWindow, kCmdSaveProject, [&](QFileDialog* d) { chooseFile(d, project); }));
    QVERIFY(mMessages.isEmpty());
    QVERIFY(readText(project).contains(QStringLiteral("ColorS=1\nColorR=5\n")));
    // A name the project format cannot have is reported, not silently dropped.
    QVERIFY(withFileDialog(*mWindow, kCmdSaveProject,
                           [&](QFileDialog* d) { chooseFile(d, dir + "/view.txt"); }));
    QCOMPARE(mMessages.size(), 1);
    QVERIFY(mMessages[0].startsWith(qtext(kTextSaveProject) + ": " + qtext(kTextSaveFailed)));
    QVERIFY(!QFile::exists(dir + "/view.txt"));

    // Quit, and start the program with the project on its command line.
    mWindow->runCommand(kCmdExit);
    mWindow.reset();
    MainWindow::Options options;
    options.commandLineProject = fsPath(project);
    mWindow = makeWindow(options);
    QVERIFY(showWithDevice(*mWindow));
    QCOMPARE(mWindow->windowTitle(), project + QStringLiteral(" - Torvane"));
    QCOMPARE(scene().view.Scale, 5);
    QCOMPARE(scene().view.ColorS, 1);
    screenshot(dir, QStringLiteral("2-reopened-from-project.png"));
    const QImage after = frame();
    QCOMPARE(after.size(), before.size());
    int differing = 0;
    for (int y = 0; y < after.height(); ++y) {
      for (int x = 0; x < after.width(); ++x) {
        differing += channelDistance(after.pixel(x, y), before.pixel(x, y)) > 8 ? 1 : 0;
      }
    }
    QVERIFY2(differing * 1000 < after.width() * after.height(),
             qPrintable(QString::number(differing)));

    // "AutoRun.tvp" in the current folder wins over the command line.
    QString autoRun = readText(project);
    autoRun.replace(QStringLiteral("Scale=5"), QStringLiteral("Scale=4"));
    QVERIFY(writeText(dir + "/AutoRun.tvp", autoRun));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir));
    auto started = makeWindow(options);
    QDir::setCurrent(previous);
    QCOMPARE(started->scene().view.Scale, 4);
    QVERIFY(mMessages.size() == 1);
  }

  void drapedImageSwitchesTheColourModeAndIsSavedWithTheView() {
    const QString dir = outputDir("ProjectTest");
    QVERIFY(openDemo());
    const QString aerial = writeTwoColourImage(dir + "/aerial.png");
    mWindow->dropPaths({fsPath(aerial)});
    QVERIFY(mMessages.isEmpty());
    QVERIFY(scene().image.loaded);
    QCOMPARE(scene().view.ColorT, 1);
    QVERIFY(mWindow->action(kCmdRemoveImage)->isEnabled());
    screenshot(dir, QStringLiteral("3-draped-image.png"));
    // Plan view, north up: the image's red half covers the north, its blue half the south.
    QImage image = frame();
    const QRect terrain = foregroundBounds(image);
    const QPoint north(terrain.center().x(), terrain.top() + terrain.height() / 4);
    const QPoint south(terrain.center().x(), terrain.bottom() - terrain.height() / 4);
    QCOMPARE(image.pixel(north), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(south), qRgb(0, 0, 255));
    scene().view.RotaX = 0.9;
    scene().view.RotaZ = 0.5;
    mWindow->AfterChange();
    screenshot(dir, QStringLiteral("4-draped-image-tilted.png"));
    scene().view.RotaX = 0;
    scene().view.RotaZ = 0;
    mWindow->AfterChange();

    // The view saved as a JPEG of the view's size; only ".jpg" names are written.
    const QString jpeg = dir + "/view.jpg";
    QVERIFY(withFileDialog(*mWindow, kCmdSaveImage, [&](QFileDialog* d) { chooseFile(d, jpeg); }));
    const QImage saved(jpeg);
    QCOMPARE(saved.size(), image.size());
    QVERIFY(channelDistance(saved.pixel(north), qRgb(255, 0, 0)) < 40);
    QVERIFY(withFileDialog(*mWindow, kCmdSaveImage,
                           [&](QFileDialog* d) { chooseFile(d, dir + "/view.png"); }));
    QVERIFY(!QFile::exists(dir + "/view.png"));
    QCOMPARE(mMessages.size(), 1);
    QVERIFY(mMessages[0].startsWith(qtext(kTextSaveImage) + ": " + qtext(kTextSaveFailed)));

    // The project keeps the image beside it by its bare name, and brings it back.
    const QString project = dir + "/draped.tvp";
    QVERIFY(
        withFileDialog(*mWindow, kCmdSaveProject, [&](QFileDialog* d) { chooseFile(d, project); }));
    QVERIFY(readText(project).contains(QStringLiteral("Texture=aerial.png\n")));

    // Removing the image brings the land colours back.
    mWindow->runCommand(kCmdRemoveImage);
    QVERIFY(!scene().image.loaded);
    QCOMPARE(scene().view.ColorT, 3);
    QVERIFY(frame().pixel(north) != qRgb(255, 0, 0));

    QVERIFY(mWindow->LoadProject(fsPath(project)));
    QVERIFY(scene().image.loaded);
    QCOMPARE(scene().view.ColorT, 1);
    QCOMPARE(frame().pixel(south), qRgb(0, 0, 255));

    // An image that cannot be read replaces nothing with nothing: the old one is gone and the
    // terrain takes its land colours again.
    QVERIFY(writeText(dir + "/bad.jpg", QStringLiteral("not a picture")));
    mWindow->dropPaths({fsPath(dir + "/bad.jpg")});
    QCOMPARE(mMessages.last(), QStringLiteral("Torvane: ") + qtext(kTextUnsupportedFile));
    QVERIFY(!scene().image.loaded);
    QCOMPARE(scene().view.ColorT, 3);
    QVERIFY(!mWindow->action(kCmdRemoveImage)->isEnabled());
  }

  void renderCommandDrawsAProject() {
    const QString dir = outputDir("ProjectTest");
    QString names;
    int i = 0;
    for (const auto& file : demoFiles()) {
      ++i;
      names += QStringLiteral("Name%1=%2\n").arg(i).arg(QString::fromStdString(file.string()));
    }
    writeTwoColourImage(dir + "/photo.jpg");
    QVERIFY(writeText(dir + "/grey.tvp",
                      "[File]\n" + names + "[View]\nColorS=1\nColorR=5\nColorK=0\n"));
    QVERIFY(writeText(dir + "/photo.tvp",
                      "[File]\n" + names + "Texture=photo.jpg\n[View]\nColorT=1\n"));
    const QString grey = dir + "/grey.png", photo = dir + "/photo.png";
    QCOMPARE(runRenderCommand({dir + "/grey.tvp", "--output", grey, "--size", "320x240"}), 0);
    QCOMPARE(runRenderCommand({dir + "/photo.tvp", "--output", photo, "--size", "320x240"}), 0);

    // Slope in grey: the land is grey, where the default colouring would be coloured.
    const QImage greyImage(grey);
    const QRect terrain = foregroundBounds(greyImage);
    QVERIFY(!terrain.isEmpty());
    const QRgb centre = greyImage.pixel(terrain.center());
    QVERIFY(qRed(centre) == qGreen(centre) && qGreen(centre) == qBlue(centre));
    QVERIFY(centre != kBackground);
    // The draped photo through the project: red to the north, blue to the south (JPEG colours).
    const QImage photoImage(photo);
    const QRect t = foregroundBounds(photoImage);
    QVERIFY(channelDistance(photoImage.pixel(t.center().x(), t.top() + t.height() / 4),
                            qRgb(255, 0, 0)) < 40);
    QVERIFY(channelDistance(photoImage.pixel(t.center().x(), t.bottom() - t.height() / 4),
                            qRgb(0, 0, 255)) < 40);

    // A project renders alone; one that does not load writes nothing.
    QCOMPARE(runRenderCommand({dir + "/grey.tvp", dir + "/photo.tvp", "--output", grey}), 2);
    QCOMPARE(runRenderCommand({dir + "/none.tvp", "--output", dir + "/none.png"}), 1);
    QVERIFY(!QFile::exists(dir + "/none.png"));
    // The project's draped image is one of its inputs: never replaced by the render.
    QFile photoFile(dir + "/photo.jpg");
    QVERIFY(photoFile.open(QIODevice::ReadOnly));
    const QByteArray photoBytes = photoFile.readAll();
    photoFile.close();
    QCOMPARE(runRenderCommand({dir + "/photo.tvp", "--output", dir + "/photo.jpg"}), 1);
    QVERIFY(photoFile.open(QIODevice::ReadOnly));
    QCOMPARE(photoFile.readAll(), photoBytes);
  }
};

const GuiTestClass<ProjectTest> kProjectTest("ProjectTest");

}  // namespace torvane::fixtures

#include "ProjectTest.moc"
