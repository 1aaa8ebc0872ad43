// Runs one GUI test class, named by the first argument (all of them without one). OpenGL 3.3
// core is requested before the application exists, as the program does.

#include <QApplication>
#include <QSurfaceFormat>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "GuiTestSupport.h"
#include "gui/StandardDialogs.h"
#include "render/RenderContext.h"

int main(int argc, char** argv) {
  torvane::RenderContext::setDefaultSurfaceFormat();
  QApplication app(argc, argv);
  torvane::useCNumberFormat();  // as the program does
  // Qt's own dialog texts as a Japanese user sees them, whatever this machine's locale is.
  if (!torvane::installQtTranslation(QLocale(QLocale::Japanese, QLocale::Japan))) {
    std::fprintf(stderr, "Qt's Japanese translation is not installed (see install-deps.sh)\n");
    return 2;
  }

  const auto& classes = torvane::fixtures::guiTestClasses();
  std::string only;
  int first = 1;
  if (argc > 1 && argv[1][0] != '-') {
    only = argv[1];
    first = 2;
  }
  if (!only.empty() && classes.find(only) == classes.end()) {
    std::fprintf(stderr, "unknown test class %s\n", only.c_str());
    return 2;
  }
  // Qt Test's own options follow the class name.
  std::vector<char*> args = {argv[0]};
  for (int i = first; i < argc; ++i) {
    args.push_back(argv[i]);
  }
  int status = 0;
  for (const auto& [name, make] : classes) {
    if (!only.empty() && name != only) {
      continue;
    }
    std::unique_ptr<QObject> test = make();
    status |= QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
  }
  return status;
}
