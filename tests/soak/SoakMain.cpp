// torvane-soak: drives the real main window with seeded random input for a given time and
// checks its invariants after every action (see SoakDriver.h). Needs an X display with OpenGL
// 3.3 (run it under tests/gui/run-under-xvfb.sh on a server).
//
//   torvane-soak [--seed N] [--seconds S] [--actions N] [--scratch DIR] [--frame-timeout-ms MS]
//                [--hang-seconds S] [--memory-margin-mb MB] [--verbose]
//
// --actions N replays exactly the first N actions of the seed (the failure report prints the
// command). Exit status: 0 no failure, 1 a failure, 2 bad usage, 77 no OpenGL 3.3 context.

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "gui/MainWindow.h"
#include "gui/StandardDialogs.h"
#include "gui/TerrainView.h"
#include "render/RenderContext.h"
#include "tests/soak/SoakCorpus.h"
#include "tests/soak/SoakDriver.h"

// In the sanitizer build: no leak report at exit. The GL driver and D-Bus leave blocks behind
// that it cannot tell from ours (their libraries are unloaded by then); the heap check between
// full clears watches the program's own memory instead.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: torvane-soak [--seed N] [--seconds S] [--actions N] [--scratch DIR]\n"
               "                    [--frame-timeout-ms MS] [--hang-seconds S]\n"
               "                    [--memory-margin-mb MB] [--verbose]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace torvane;
  soak::SoakOptions options;
  options.seed = 28;
  bool ownScratch = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--verbose") {
      options.verbose = true;
    } else if (!hasValue) {
      return usage();
    } else if (arg == "--seed") {
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--seconds") {
      options.seconds = std::strtod(argv[++i], nullptr);
    } else if (arg == "--actions") {
      options.actions = std::strtoll(argv[++i], nullptr, 10);
      options.seconds = 0;  // a replay runs its actions whatever they take
    } else if (arg == "--scratch") {
      options.scratch = argv[++i];
      ownScratch = false;
    } else if (arg == "--frame-timeout-ms") {
      options.frameTimeoutMs = std::atoi(argv[++i]);
    } else if (arg == "--hang-seconds") {
      options.hangSeconds = std::atoi(argv[++i]);
    } else if (arg == "--memory-margin-mb") {
      options.memoryMarginBytes = std::strtoll(argv[++i], nullptr, 10) << 20;
    } else {
      return usage();
    }
  }
  if (options.scratch.empty()) {
    options.scratch =
        std::filesystem::temp_directory_path() / ("torvane-soak-" + std::to_string(::getpid()));
  }
  std::filesystem::create_directories(options.scratch);
  // No AutoRun.tvp of the caller's folder is opened, and relative names land in the scratch.
  std::filesystem::current_path(options.scratch);

  RenderContext::setDefaultSurfaceFormat();
  // Mesa's software rasterizer draws in the calling thread. Its worker threads queue frames,
  // each keeping up to 36 MiB of binned commands after it is drawn (seen as 170 MiB over the
  // first full clear within two minutes), which would hide the program's own heap from the
  // check between full clears.
  setenv("LP_NUM_THREADS", "0", 1);
  QApplication app(argc, argv);
  useCNumberFormat();
  installQtTranslation(QLocale(QLocale::Japanese, QLocale::Japan));

  std::printf("soak: seed %llu, %s; corpus in %s\n", static_cast<unsigned long long>(options.seed),
              options.actions >= 0 ? (std::to_string(options.actions) + " actions").c_str()
                                   : (std::to_string(options.seconds) + " s").c_str(),
              options.scratch.c_str());
  const soak::SoakCorpus corpus(options.scratch / "corpus", TORVANE_DEMO_DIR, TORVANE_SAMPLES_DIR);
  std::printf("soak: corpus of %zu files (%s)\n", corpus.files().size(), corpus.summary().c_str());
  std::fflush(stdout);

  int status = 0;
  {
    MainWindow window;
    window.startUp();
    window.show();
    const bool exposed = QTest::qWaitForWindowExposed(&window);
    if (exposed) {
      window.view()->grabFramebuffer();  // makes sure initializeGL has run
    }
    if (!exposed || !window.view()->deviceReady()) {
      std::fprintf(stderr, "soak: no OpenGL 3.3 core context on this display\n");
      return 77;
    }
    soak::SoakDriver driver(window, corpus, options);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = driver.run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const soak::SoakCounts& c = driver.counts();
    std::printf("soak: seed %llu: %lld actions in %.0f s, %s\n",
                static_cast<unsigned long long>(options.seed), static_cast<long long>(c.actions),
                seconds, ok ? "no failure" : "FAILED");
    std::string kinds;
    for (const auto& [kind, n] : c.byKind) {
      kinds += " " + kind + " " + std::to_string(n);
    }
    std::printf("soak: actions:%s\n", kinds.c_str());
    std::printf("soak: %lld dialogs answered, %lld error messages, %lld frames and %lld status "
                "bars checked, %lld saved and %lld reloaded projects checked, %lld full clears\n",
                static_cast<long long>(c.dialogs), static_cast<long long>(c.messages),
                static_cast<long long>(c.framesChecked), static_cast<long long>(c.statusChecks),
                static_cast<long long>(c.projectsSaved), static_cast<long long>(c.projectsLoaded),
                static_cast<long long>(c.fullClears));
    if (c.baselineHeap >= 0) {
      std::printf("soak: heap after the first full clear %.1f MiB, after the last %.1f MiB, "
                  "most above the first %.1f MiB\n",
                  c.baselineHeap / 1048576.0, c.lastHeap / 1048576.0, c.maxHeapGrowth / 1048576.0);
    }
    status = ok ? 0 : 1;
    std::fflush(stdout);
  }
  if (ownScratch) {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
    std::filesystem::remove_all(options.scratch, ec);
  }
  return status;
}
