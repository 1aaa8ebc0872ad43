#pragma once
// The window soak: drives the real main window with seeded random but plausible input (keys of
// the key and accelerator tables, mouse drags, clicks and wheel over the terrain and the
// trackbars, every menu command, every dialog answered with random valid values, drops from a
// fixed corpus, project saves and loads, resizes) and checks after each action that
//   - Qt printed no warning or critical message,
//   - no dialog, message box or popup menu is left open and no wait cursor is left set,
//   - a frame is drawn within a fixed time,
//   - the status bar's node, contour and layer counts equal the scene's,
//   - every project it saved reloads to the same project text,
//   - the heap after a full clear is within a margin of what it was after the first one.
// The first failure stops the run and prints the seed, the replay command and the last 50
// actions.
//
// Replays are exact: the actions are drawn from the seed alone (never from the window's state),
// and the answers to the dialogs of action k from the seed and k, so "--seed S --actions N"
// repeats the first N actions of any run with seed S.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/soak/SoakCorpus.h"
#include "tests/soak/SoakRandom.h"

class QColorDialog;
class QFileDialog;
class QMenu;
class QMessageBox;
class QWidget;

namespace torvane {
class MainWindow;
class ContourParametersDialog;
class CrossSectionDialog;
class ElevationInfoDialog;
class HueCircleDialog;
class LayerDialog;
}  // namespace torvane

namespace torvane::soak {

struct SoakOptions {
  uint64_t seed = 1;
  double seconds = 60;            //!< stop after this long (<= 0: no time limit)
  int64_t actions = -1;           //!< stop after this many actions (< 0: no count limit)
  std::filesystem::path scratch;  //!< saved projects, images and exports go here
  int frameTimeoutMs = 10000;     //!< a frame must be drawn this soon after each action
  int hangSeconds = 600;          //!< an action running longer than this is a hang
  //! Heap growth allowed between the first full clear and a later one. The software OpenGL
  //! driver keeps memory of its own that the program cannot free: compiled shader variants
  //! (some tens of MiB as new drawing states are met) and the binned commands of the frame it
  //! drew last (up to 36 MiB; torvane-soak has it draw in the calling thread, so that no queue
  //! of drawn frames keeps more). What the program leaks on each open or clear accumulates past
  //! any fixed margin in a long run.
  int64_t memoryMarginBytes = int64_t{160} << 20;
  bool verbose = false;  //!< print every action as it runs
};

//! What a run did, for the summary.
struct SoakCounts {
  int64_t actions = 0;
  std::map<std::string, int64_t> byKind;
  int64_t dialogs = 0;
  int64_t messages = 0;         //!< error boxes the program showed
  int64_t fileDiagnostics = 0;  //!< Qt's image readers' warnings about broken image files
  int64_t projectsSaved = 0;    //!< saves whose file was checked by reloading it
  int64_t projectsLoaded = 0;   //!< loads of a project the soak saved, checked against its text
  int64_t fullClears = 0;
  int64_t framesChecked = 0;
  int64_t statusChecks = 0;
  int64_t baselineHeap = -1;  //!< bytes after the first full clear
  int64_t lastHeap = -1;      //!< bytes after the latest full clear
  int64_t maxHeapGrowth = 0;
};

/// Heap bytes in use (the sanitizer allocator's count under AddressSanitizer, else malloc's).
int64_t heapInUse();
/// Prints the allocations in use grouped by call stack, largest first (sanitizer build only).
void printHeapProfile();

class SoakDriver : public QObject {
  Q_OBJECT
public:
  /// Drives `window`, which must be shown with its OpenGL context. Installs the Qt message
  /// handler and the crash reporters for its lifetime (one driver at a time).
  SoakDriver(MainWindow& window, const SoakCorpus& corpus, SoakOptions options);
  ~SoakDriver() override;

  /// Runs actions until the time or count limit or the first failure. True when none failed.
  bool run();
  /// Runs the next action of the seed and checks the invariants. False when one failed.
  bool step();
  /// Runs `action` as the next action (named `what`) with every check after it: lets tests
  /// feed faults to the checks. False when one failed.
  bool runAction(const std::string& what, const std::function<void()>& action);
  /// Runs a full clear as the next action, with the heap check after it.
  bool runFullClear();

  /// The reason of the first failure; empty while none.
  const std::string& failure() const { return mFailure; }
  /// The full failure report: seed, reason, replay command and the last 50 actions.
  std::string failureReport() const;
  /// The last 50 actions, oldest first, each with the dialog answers it gave.
  std::vector<std::string> recentActions() const;
  const SoakCounts& counts() const { return mCounts; }
  const SoakOptions& options() const { return mOptions; }

  /// Checks that `path`, a project the soak saved, loads into a new scene that saves to the
  /// same text. Empty when it does, else what differs.
  std::string checkSavedProject(const std::filesystem::path& path) const;

private:
  // Actions (SoakActions.cpp). Each draws its parameters from mRandom only.
  void runNextAction();
  void keyAction();
  void acceleratorAction();
  void dragAction();
  void clickAction();
  void wheelAction();
  void middleClickAction();
  void hoverAction();
  void trackbarAction();
  void menuBarAction();
  void commandAction();
  void dropAction();
  void saveProjectAction();
  void loadProjectAction();
  void resizeAction();
  void fullClearAction();
  void pauseAction();

  // Input helpers.
  void sendKey(int key, int modifiers, const std::string& text = {});
  void mouseEvent(int type, int button, int buttons, int x, int y);
  void dropFiles(const std::vector<std::filesystem::path>& paths);
  std::vector<std::filesystem::path> pickCorpusFiles(int count);

  // Dialog answers (SoakDialogs.cpp). They draw from mAnswers, the stream of the action.
  void pollModal();
  void answer(QPointer<QWidget> widget);
  void answerFileDialog(QFileDialog* dialog);
  void answerMessageBox(QMessageBox* box);
  void answerColourDialog(QColorDialog* dialog);
  void answerContourDialog(ContourParametersDialog* dialog);
  void answerLayerDialog(LayerDialog* dialog);
  void answerHueCircleDialog(HueCircleDialog* dialog);
  void answerElevationInfoDialog(ElevationInfoDialog* dialog);
  void answerCrossSectionDialog(CrossSectionDialog* dialog);
  void answerPopup(QMenu* menu);
  std::filesystem::path savePathFor(const QString& suffix);

  // Checks (SoakChecks.cpp).
  void checkAfterAction();
  bool waitForFrame();
  void checkNoWindowLeftOpen();
  void checkStatusBar();
  void checkSavedProjects();
  void checkMemoryAfterClear();
  void fail(const std::string& reason);

  void note(const std::string& text);  // appends to the running action's log entry
  void beginAction(const std::string& kind, const std::string& text);

  static void qtMessage(int type, const char* category, const char* text);

  MainWindow& mWindow;
  const SoakCorpus& mCorpus;
  SoakOptions mOptions;
  SoakRandom mRandom;
  SoakRandom mAnswers{0};
  std::chrono::steady_clock::time_point mStart;

  std::atomic<int64_t> mActionIndex{-1};  // the running or last action
  bool mActionRunning = false;
  mutable std::mutex mLogMutex;  // the log is read by the watchdog and the crash reporters
  std::deque<std::string> mLog;
  std::string mFailure;
  std::vector<std::string> mQtMessages;
  SoakCounts mCounts;

  QTimer mModalPoll;
  std::vector<QPointer<QWidget>> mAnswered;
  int mAnswerDepth = 0;
  std::vector<std::filesystem::path> mSavedProjects;   // by the running action
  std::vector<std::filesystem::path> mLoadedProjects;  // soak-saved projects the action loaded
  int64_t mMessagesBeforeLoad = 0;  // error boxes before the load: one more means it failed
  std::vector<std::filesystem::path> mOurProjects;  // every project the soak saved
  bool mFullClear = false;

  // When the running action or its checks began (steady clock ticks), watched for hangs.
  std::atomic<int64_t> mLastProgress{0};
  std::atomic<bool> mStopWatchdog{false};
  std::thread mWatchdog;
};

}  // namespace torvane::soak
