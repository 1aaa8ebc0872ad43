// The menu's project and image commands: saving the project, saving the view as a JPEG image and
// removing the draped image.

#include "gui/CommandTargets.h"
#include "gui/HeadlessRender.h"
#include "gui/MainWindow.h"
#include "gui/TerrainView.h"
#include "elevation/Readers.h"
#include "scene/DrapedImage.h"
#include "scene/ProjectFile.h"
#include "scene/Scene.h"

namespace torvane {

bool SaveProject(MainWindow& window, const std::filesystem::path& path, QString& error) {
  WriteError failure;
  if (!SaveProject(window.scene(), path, &failure)) {
    error = QString::fromStdString(failure.localMessage());
    return false;
  }
  return true;
}

bool SaveImage(MainWindow& window, const std::filesystem::path& path, QString& error) {
  if (!hasExtension(path, ".jpg")) {
    error = QString::fromStdString(path.string()) + QStringLiteral(": not a JPEG name (.jpg)");
    return false;
  }
  // The view draws the current frame again into a framebuffer of its own size.
  const QImage frame = window.view()->grabFramebuffer();
  if (frame.isNull()) {
    error = QStringLiteral("the view cannot be drawn");
    return false;
  }
  const std::vector<std::filesystem::path> inputs = inputFiles(window.scene());
  WriteError failure;
  if (!saveImage(frame.convertToFormat(QImage::Format_RGB32), path, WriteGuard{inputs}, failure)) {
    error = QString::fromStdString(failure.localMessage());
    return false;
  }
  return true;
}

void releaseDrapedImage(MainWindow& window) {
  releaseDrapedImage(window.scene());
  window.view()->update();
}

}  // namespace torvane
