#pragma once
// Helpers shared by the GUI tests: the demo data, a per-test output folder, waiting for the
// OpenGL context, and reading pixels of rendered frames.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QAbstractButton>
#include <QMessageBox>
#include <QObject>
#include <QUrl>
#include <QMimeData>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/MainWindow.h"
#include "gui/TerrainView.h"
#include "view/Transforms.h"
#include "tests/support/DemoTiles.h"

namespace torvane::fixtures {

/// The GUI test classes by name. A test file adds its class with a GuiTestClass object; CTest
/// runs the classes that tests/gui/CMakeLists.txt lists, one server each.
using GuiTestFactory = std::unique_ptr<QObject> (*)();
inline std::map<std::string, GuiTestFactory>& guiTestClasses() {
  static std::map<std::string, GuiTestFactory> classes;
  return classes;
}
template <typename TestClass>
struct GuiTestClass {
  explicit GuiTestClass(const char* name) {
    guiTestClasses()[name] = []() -> std::unique_ptr<QObject> {
      return std::make_unique<TestClass>();
    };
  }
};

inline constexpr QRgb kBackground = 0xFF404040;

/// The demo tiles in name order (see tests/support/DemoTiles.h).
inline std::vector<std::filesystem::path> demoFiles() { return fixtures::demoTiles(); }

/// A fresh output folder for the running test function: out/<class>/<function>.
inline QString outputDir(const char* testClass) {
  const QString dir =
      QStringLiteral(TORVANE_GUI_OUT_DIR "/%1/%2")
          .arg(QLatin1String(testClass), QLatin1String(QTest::currentTestFunction()));
  QDir(dir).removeRecursively();
  QDir().mkpath(dir);
  return dir;
}

/// Shows the window and waits until its view has an OpenGL context; false when it never gets
/// one (the caller skips).
inline bool showWithDevice(MainWindow& window) {
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    return false;
  }
  window.view()->grabFramebuffer();  // makes sure initializeGL has run
  return window.view()->deviceReady();
}

/// Triggers command `id` of the window and runs `handle` on the modal file dialog it opens.
/// False when no file dialog opened.
inline bool withFileDialog(MainWindow& window, int id,
                           const std::function<void(QFileDialog*)>& handle) {
  bool seen = false;
  QTimer::singleShot(0, &window, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    seen = dialog != nullptr;
    if (dialog != nullptr) {
      handle(dialog);
      if (dialog->isVisible()) {
        dialog->reject();  // also when a check failed half-way
      }
    }
  });
  window.action(id)->trigger();
  return seen;
}

/// Chooses `path` in a file dialog and confirms it.
inline void chooseFile(QFileDialog* dialog, const QString& path) {
  dialog->selectFile(path);
  static_cast<QDialog*>(dialog)->accept();  // accept() is protected in QFileDialog
}

/// While it lives, hands every message box that becomes the active modal widget to `answer`,
/// which must close it (e.g. box->button(QMessageBox::Ok)->click()).
class MessageBoxWatcher {
public:
  explicit MessageBoxWatcher(std::function<void(QMessageBox*)> answer) {
    QObject::connect(&mTimer, &QTimer::timeout, [answer = std::move(answer)] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        answer(box);
      }
    });
    mTimer.start(20);
  }

private:
  QTimer mTimer;
};

/// Drops the files on the window's view as a file manager does (drag enter, then drop).
inline void dropFiles(MainWindow& window, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) {
    urls << QUrl::fromLocalFile(p);
  }
  mime.setUrls(urls);
  const QPoint at = window.view()->geometry().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent event(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &event);
}

inline int channelDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

/// Converts an A8R8G8B8 vertex colour to QRgb (the same layout).
inline QRgb vertexRgb(uint32_t diffuse) { return static_cast<QRgb>(diffuse) | 0xFF000000u; }

/// The pixel where a model-space point lands in a frame of `size` drawn from `view`.
inline QPointF projectToPixel(const ViewState& view, QSize size, const Vec3d& p) {
  const Vec3d ndc = projectPoint(
      computeFrameTransforms(view, size.width(), size.height()).worldViewProjection(), p);
  return {(ndc.x + 1) / 2 * size.width(), (1 - ndc.y) / 2 * size.height()};
}

/// The bounding box of the pixels that differ from the background.
inline QRect foregroundBounds(const QImage& image) {
  int minX = image.width(), minY = image.height(), maxX = -1, maxY = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (channelDistance(line[x], kBackground) > 8) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
  }
  return maxX < 0 ? QRect() : QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

}  // namespace torvane::fixtures
