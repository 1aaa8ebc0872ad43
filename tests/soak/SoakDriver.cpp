// The soak's run loop, its action log, failure reports and the reporters of crashes and hangs.
// The actions are in SoakActions.cpp, the dialog answers in SoakDialogs.cpp and the checks in
// SoakChecks.cpp.

#include "tests/soak/SoakDriver.h"

#include <QApplication>
#include <QtGlobal>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <thread>

#include "gui/MainWindow.h"
#include "gui/StandardDialogs.h"

#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVANE_SOAK_ASAN 1
#endif
#endif
#ifdef TORVANE_SOAK_ASAN
#include <sanitizer/common_interface_defs.h>
// From the sanitizer allocator's interface (g++ ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace torvane::soak {

namespace {

constexpr size_t kLogLength = 50;

// The running driver, for the Qt message handler and the crash reporters (one at a time).
SoakDriver* gDriver = nullptr;
std::atomic<bool> gReported{false};
QtMessageHandler gPreviousHandler = nullptr;

void printReportOnce(const std::string& reason) {
  if (gDriver == nullptr || gReported.exchange(true)) {
    return;
  }
  std::fprintf(stderr, "\n%s\n", reason.c_str());
  std::fputs(gDriver->failureReport().c_str(), stderr);
  std::fflush(stderr);
}

void onDeadlySignal(int signal) {
  printReportOnce("soak: the program died of signal " + std::to_string(signal));
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

#ifdef TORVANE_SOAK_ASAN
void onSanitizerDeath() { printReportOnce("soak: the sanitizer stopped the program"); }
#endif

}  // namespace

int64_t heapInUse() {
#ifdef TORVANE_SOAK_ASAN
  return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
#endif
}

void printHeapProfile() {
#ifdef TORVANE_SOAK_ASAN
  __sanitizer_print_memory_profile(90, 30);
#else
  std::fprintf(stderr, "(a heap profile by call stack needs the sanitizer build)\n");
#endif
}

SoakDriver::SoakDriver(MainWindow& window, const SoakCorpus& corpus, SoakOptions options)
    : mWindow(window), mCorpus(corpus), mOptions(std::move(options)), mRandom(mOptions.seed) {
  gDriver = this;
  gReported = false;
  gPreviousHandler = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        qtMessage(static_cast<int>(type), context.category, text.toUtf8().constData());
      });
#ifdef TORVANE_SOAK_ASAN
  __sanitizer_set_death_callback(onSanitizerDeath);
  // AddressSanitizer reports bad accesses itself (and then calls the callback above).
  std::signal(SIGABRT, onDeadlySignal);
#else
  for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    std::signal(s, onDeadlySignal);
  }
#endif
  mWindow.setMessageHandler([this](const QString& caption, const QString& text) {
    ++mCounts.messages;
    note("message: " + text.section('\n', 0, 0).toStdString());
    showErrorBox(&mWindow, caption, text);  // the real box, answered like any dialog
  });

  mModalPoll.setInterval(10);
  connect(&mModalPoll, &QTimer::timeout, this, &SoakDriver::pollModal);
  mModalPoll.start();

  mLastProgress = std::chrono::steady_clock::now().time_since_epoch().count();
  mWatchdog = std::thread([this] {
    while (!mStopWatchdog) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      const auto since = std::chrono::steady_clock::now().time_since_epoch() -
                         std::chrono::steady_clock::duration(mLastProgress.load());
      if (since > std::chrono::seconds(mOptions.hangSeconds)) {
        printReportOnce("soak: action #" + std::to_string(mActionIndex.load()) +
                        " has not ended after " + std::to_string(mOptions.hangSeconds) +
                        " s: the program hangs");
        std::_Exit(3);
      }
    }
  });
}

SoakDriver::~SoakDriver() {
  mStopWatchdog = true;
  if (mWatchdog.joinable()) {
    mWatchdog.join();
  }
  mModalPoll.stop();
  mWindow.setMessageHandler({});
  qInstallMessageHandler(gPreviousHandler);
  for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    std::signal(s, SIG_DFL);
  }
  gDriver = nullptr;
}

void SoakDriver::qtMessage(int type, const char* category, const char* text) {
  if (type == QtDebugMsg || type == QtInfoMsg) {
    return;
  }
  if (gDriver == nullptr) {
    std::fprintf(stderr, "%s\n", text);
    return;
  }
  const std::string from = category != nullptr ? category : "";
  if (type == QtWarningMsg && from.starts_with("qt.gui.imageio")) {
    // Qt's image readers describing a broken image file: the program reports the failure to
    // the user itself, so this is a diagnostic of the input, not a fault.
    ++gDriver->mCounts.fileDiagnostics;
    gDriver->note("image reader: " + std::string(text));
    return;
  }
  const char* kind = type == QtWarningMsg    ? "warning"
                     : type == QtCriticalMsg ? "critical"
                                             : "fatal";
  gDriver->mQtMessages.push_back(std::string("Qt ") + kind + " [" + from + "]: " + text);
  if (type == QtFatalMsg) {
    printReportOnce("soak: Qt fatal message: " + std::string(text));
  }
}

bool SoakDriver::run() {
  mStart = std::chrono::steady_clock::now();
  auto lastReport = mStart;
  while (mFailure.empty()) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    if ((mOptions.actions >= 0 && mCounts.actions >= mOptions.actions) ||
        (mOptions.seconds > 0 && elapsed >= mOptions.seconds)) {
      break;
    }
    if (std::chrono::steady_clock::now() - lastReport > std::chrono::seconds(60)) {
      lastReport = std::chrono::steady_clock::now();
      std::printf("soak: %.0f s, %lld actions, heap %.1f MiB\n", elapsed,
                  static_cast<long long>(mCounts.actions), heapInUse() / 1048576.0);
      std::fflush(stdout);
    }
    step();
  }
  return mFailure.empty();
}

bool SoakDriver::step() {
  return runAction({}, [this] { runNextAction(); });
}

bool SoakDriver::runAction(const std::string& what, const std::function<void()>& action) {
  if (!mFailure.empty()) {
    return false;
  }
  ++mActionIndex;
  mAnswers = SoakRandom::stream(mOptions.seed, static_cast<uint64_t>(mActionIndex));
  mSavedProjects.clear();
  mLoadedProjects.clear();
  mFullClear = false;
  mQtMessages.clear();
  mLastProgress = std::chrono::steady_clock::now().time_since_epoch().count();
  mActionRunning = true;
  if (!what.empty()) {
    beginAction("test", what);
  }
  action();
  mActionRunning = false;
  mLastProgress = std::chrono::steady_clock::now().time_since_epoch().count();
  ++mCounts.actions;
  checkAfterAction();
  return mFailure.empty();
}

bool SoakDriver::runFullClear() {
  return runAction({}, [this] { fullClearAction(); });
}

void SoakDriver::beginAction(const std::string& kind, const std::string& text) {
  ++mCounts.byKind[kind];
  std::string entry = "#" + std::to_string(mActionIndex) + " " + kind;
  if (!text.empty()) {
    entry += " " + text;
  }
  if (mOptions.verbose) {
    std::printf("%s\n", entry.c_str());
    std::fflush(stdout);
  }
  std::lock_guard lock(mLogMutex);
  mLog.push_back(std::move(entry));
  while (mLog.size() > kLogLength) {
    mLog.pop_front();
  }
}

void SoakDriver::note(const std::string& text) {
  if (mOptions.verbose) {
    std::printf("    %s\n", text.c_str());
    std::fflush(stdout);
  }
  std::lock_guard lock(mLogMutex);
  if (mLog.empty()) {
    mLog.push_back("#" + std::to_string(mActionIndex));
  }
  mLog.back() += "; " + text;
}

std::vector<std::string> SoakDriver::recentActions() const {
  std::lock_guard lock(mLogMutex);
  return {mLog.begin(), mLog.end()};
}

void SoakDriver::fail(const std::string& reason) {
  if (!mFailure.empty()) {
    return;
  }
  mFailure = reason;
  std::fputs(failureReport().c_str(), stderr);
  std::fflush(stderr);
  gReported = true;
}

std::string SoakDriver::failureReport() const {
  const std::string seed = std::to_string(mOptions.seed);
  std::string out = "soak FAILED at action #" + std::to_string(mActionIndex) + " (seed " + seed +
                    "): " + (mFailure.empty() ? std::string("see above") : mFailure) + "\n";
  out += "replay: torvane-soak --seed " + seed + " --actions " + std::to_string(mActionIndex + 1) +
         "\n";
  const std::vector<std::string> actions = recentActions();
  out += "last " + std::to_string(actions.size()) + " actions:\n";
  for (const std::string& a : actions) {
    out += "  " + a + "\n";
  }
  return out;
}

}  // namespace torvane::soak
