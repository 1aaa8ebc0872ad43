// The desktop program: the main window on the loaded terrain, or with --render one frame
// written to an image file.

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scene/CommandLine.h"
#include "scene/DropDispatch.h"
#include "gui/HeadlessRender.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/StandardDialogs.h"
#include "gui/dialogs/VersionDialog.h"
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
  std::fprintf(stderr, "torvane: no display; on a server run it under xvfb-run -a -s \"-screen 0 "
                       "1280x1024x24\"\n");
  return false;
}

int badUsage(const std::string& problem) {
  std::fprintf(stderr, "torvane: %s\n%s", problem.c_str(),
               std::string(torvane::programUsage()).c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The command line is answered before any window system starts: --help, --version and bad
  // usage need no display.
  const std::vector<std::string> argList(argv + std::min(argc, 1), argv + argc);
  const torvane::ProgramArgs args = torvane::parseProgramArgs(argList);
  switch (args.mode) {
    case torvane::ProgramMode::Help:
      std::fputs(std::string(torvane::programUsage()).c_str(), stdout);
      return 0;
    case torvane::ProgramMode::Version:
      std::printf("%s\n", torvane::programVersionLine().c_str());
      return 0;
    case torvane::ProgramMode::BadUsage:
      return badUsage(args.problem);
    case torvane::ProgramMode::Render:
    case torvane::ProgramMode::Window:
      break;
  }
  QStringList renderArgs;
  if (args.mode == torvane::ProgramMode::Render) {
    for (const std::string& arg : args.renderArgs) {
      renderArgs << QString::fromStdString(arg);
    }
    QString problem;
    if (!torvane::parseRenderArgs(renderArgs, problem)) {
      return badUsage("--render: " + problem.toStdString());
    }
  }

  // OpenGL 3.3 core for every context, set before the application exists.
  torvane::RenderContext::setDefaultSurfaceFormat();
  if (!displayAvailable()) {
    return 1;
  }
  if (args.mode == torvane::ProgramMode::Render) {
    QGuiApplication app(argc, argv);
    torvane::useCNumberFormat();
    return torvane::runRenderCommand(renderArgs);
  }

  QApplication app(argc, argv);
  torvane::useCNumberFormat();
  QApplication::setApplicationName(torvane::qtext(torvane::kTextProgramName));
  QApplication::setWindowIcon(torvane::programIcon());
  // The installed desktop entry (packaging/), by which desktops match the window to its entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.torvane.Torvane"));
  // Qt's own dialog texts in the user's language, Japanese where Qt has none for it.
  torvane::installQtTranslation(QLocale::system());
  if (!openGlAvailable()) {
    torvane::showErrorBox(nullptr, torvane::qtext(torvane::kTextProgramName),
                          torvane::qtext(torvane::kTextNoDirectX));
    return 0;
  }

  torvane::MainWindow::Options options;
  options.limits = args.limits;
  options.openAtStart = args.openAtStart;
  // A project named alone opens as the start-up project (behind the splash, unless AutoRun.tvp
  // wins); any other files open as a drop of them on the window would.
  std::vector<std::string> files;
  for (const std::filesystem::path& file : args.files) {
    files.push_back(file.string());
  }
  options.commandLineProject = torvane::commandLineProject(files, std::filesystem::current_path());
  if (!options.commandLineProject) {
    options.dropAtStart = args.files;
  }

  torvane::MainWindow window(options);
  window.startUp();
  window.show();
  return app.exec();
}
