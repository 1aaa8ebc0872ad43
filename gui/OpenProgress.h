#pragma once
// The progress dialog of a long open: elevation files, or a project with its elevation files.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <mutex>

#include "elevation/OpenPipeline.h"

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;

namespace torvane {

/**
 * @brief Shows how far an open has come, and keeps the window alive while it runs.
 *
 * Made on the GUI thread for the duration of one open, which runs on that thread. The open's
 * progress callback (callback()) may be called on the reader threads too: those reports are
 * posted to the GUI thread. A report on the GUI thread updates the dialog and, at most every
 * 30 ms, lets the GUI thread process its pending events except user input, so the window and
 * the dialog repaint while keystrokes and clicks wait in the queue until the open ends. The
 * dialog (title, the file being read, the share done) appears once the open has taken
 * `showAfterMs`; a short open shows nothing.
 */
class OpenProgressDialog : public QObject {
  Q_OBJECT
public:
  OpenProgressDialog(QWidget* window, const QString& title, int showAfterMs = 500);
  ~OpenProgressDialog() override;

  /// The callback to hand to the open. Valid while this object lives.
  const OpenProgressFn& callback() const { return mCallback; }

  /// The dialog once it has appeared, else nullptr.
  QDialog* dialog() const { return mDialog; }

  /// The dialog's line for a report: the file (an archive member as ARCHIVE/MEMBER) and its
  /// number in the pass, or the analysis that follows the reading; for an export the file read
  /// again or the file written.
  static QString describe(const OpenProgress& progress);

private:
  void report(const OpenProgress& progress);  // any thread
  void deliver();                             // GUI thread: the latest report to the dialog

  QPointer<QWidget> mWindow;
  QString mTitle;
  int mShowAfterMs;
  QElapsedTimer mSinceStart;
  QElapsedTimer mSincePump;
  QDialog* mDialog = nullptr;    // owned by this object (deleted in the destructor)
  QLabel* mLabel = nullptr;      // owned by the dialog
  QProgressBar* mBar = nullptr;  // owned by the dialog
  OpenProgressFn mCallback;

  std::mutex mMutex;  // guards mLatest
  OpenProgress mLatest;
  std::atomic<bool> mPosted{false};
};

}  // namespace torvane
