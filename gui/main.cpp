// The desktop program: the main window on the loaded terrain, or with --render one frame
// written to an image file.

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scene/DropDispatch.h"
#include "gui/HeadlessRender.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/StandardDialogs.h"
#include "render/RenderContext.h"
#include "resources/Texts.h"

namespace {

bool openGlAvailable() {
  QOpenGLContext context;
  if (!context.create()) {
    return false;
  }
  const QSurfaceFormat format = context.format();
  return !context.isOpenGLES() &&
         (format.majorVersion() > 3 || (format.majorVersion() == 3 && format.minorVersion() >= 3));
}

// Without a display the window system cannot start (Qt would abort): say so and how to get one.
bool displayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      return true;
    }
  }
  std::fprintf(stderr,
               "torvane: no display; on a server run it under xvfb-run -a -s \"-screen 0 "
               "1280x1024x24\"\n");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // OpenGL 3.3 core for every context, set before the application exists.
  torvane::RenderContext::setDefaultSurfaceFormat();

  const bool render = argc > 1 && std::string(argv[1]) == "--render";
  if (!displayAvailable()) {
    return 1;
  }
  if (render) {
    QGuiApplication app(argc, argv);
    torvane::useCNumberFormat();
    QStringList args = QCoreApplication::arguments();
    return torvane::runRenderCommand(args.mid(2));
  }

  QApplication app(argc, argv);
  torvane::useCNumberFormat();
  QApplication::setApplicationName(torvane::qtext(torvane::kTextProgramName));
  // Qt's own dialog texts in the user's language, Japanese where Qt has none for it.
  torvane::installQtTranslation(QLocale::system());
  if (!openGlAvailable()) {
    torvane::showErrorBox(nullptr, torvane::qtext(torvane::kTextProgramName),
                          torvane::qtext(torvane::kTextNoDirectX));
    return 0;
  }

  torvane::MainWindow::Options options;
  std::vector<std::string> args;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    // --limits PRIM,INDEX overrides the device limits (for tests on small machines).
    if (arguments[i] == QLatin1String("--limits") && i + 1 < arguments.size()) {
      const QStringList parts = arguments[++i].split(QLatin1Char(','));
      bool okP = false, okI = false;
      const qulonglong p = parts.value(0).toULongLong(&okP);
      const qulonglong n = parts.value(1).toULongLong(&okI);
      if (parts.size() != 2 || !okP || !okI || p == 0 || n == 0 || n > 0xFFFFFFFFull) {
        std::fprintf(stderr, "torvane: --limits must be PRIM,INDEX\n");
        return 2;
      }
      options.limits.primitiveLimit = static_cast<uint32_t>(std::min<qulonglong>(p, torvane::kPrimitiveLimitCap));
      options.limits.indexLimit = static_cast<uint32_t>(n);
      continue;
    }
    // --open FILE... opens elevation files at start-up, as dropping them would.
    if (arguments[i] == QLatin1String("--open")) {
      while (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) {
        options.openAtStart.emplace_back(arguments[++i].toStdString());
      }
      continue;
    }
    args.push_back(arguments[i].toStdString());
  }
  options.commandLineProject =
      torvane::commandLineProject(args, std::filesystem::current_path());

  torvane::MainWindow window(options);
  window.startUp();
  window.show();
  return app.exec();
}
