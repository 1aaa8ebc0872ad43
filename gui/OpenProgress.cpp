#include "gui/OpenProgress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <cmath>

#include "elevation/Archive.h"
#include "resources/Texts.h"

namespace torvane {

namespace {

// Events other than user input are processed at most this often from the GUI thread's reports:
// often enough for smooth repaints, rarely enough to cost the open nothing measurable.
constexpr int kPumpIntervalMs = 30;
constexpr int kBarSteps = 1000;

QString qtext(int id) {
  const std::string_view t = text(id);
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

QString shownName(const std::filesystem::path& path) {
  if (const std::optional<MemberLocation> member = locateMember(path)) {
    return QString::fromStdString(member->archive.filename().string() + "/" + member->name);
  }
  return QString::fromStdString(path.filename().string());
}

}  // namespace

OpenProgressDialog::OpenProgressDialog(QWidget* window, const QString& title, int showAfterMs)
    : mWindow(window), mTitle(title), mShowAfterMs(showAfterMs) {
  mSinceStart.start();
  mSincePump.start();
  mCallback = [this](const OpenProgress& p) { report(p); };
}

OpenProgressDialog::~OpenProgressDialog() { delete mDialog; }

QString OpenProgressDialog::describe(const OpenProgress& p) {
  if (p.pass == 3) {
    return qtext(kTextPreparingTerrain);
  }
  if (p.pass == 5) {
    return qtext(kTextWritingFile).arg(shownName(p.file));  // an export's output
  }
  return qtext(p.pass == 1 ? kTextCheckingFile : kTextReadingFile)
      .arg(shownName(p.file))
      .arg(p.fileIndex + 1)
      .arg(p.fileCount);
}

void OpenProgressDialog::report(const OpenProgress& progress) {
  {
    std::lock_guard lock(mMutex);
    mLatest = progress;
  }
  if (QThread::currentThread() != thread()) {
    // A reader thread: the GUI thread shows the latest report when it next processes events.
    if (!mPosted.exchange(true)) {
      QMetaObject::invokeMethod(
          this,
          [this] {
            mPosted = false;
            deliver();
          },
          Qt::QueuedConnection);
    }
    return;
  }
  deliver();
  if (mSincePump.elapsed() >= kPumpIntervalMs) {
    mSincePump.restart();
    // Repaints, posted reports and timers run; input stays queued until the open is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void OpenProgressDialog::deliver() {
  if (!mDialog) {
    if (mSinceStart.elapsed() < mShowAfterMs) {
      return;
    }
    mDialog = new QDialog(mWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    mDialog->setWindowTitle(mTitle);
    mDialog->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(mDialog);
    mLabel = new QLabel(mDialog);
    mLabel->setMinimumWidth(420);
    mBar = new QProgressBar(mDialog);
    mBar->setRange(0, kBarSteps);
    layout->addWidget(mLabel);
    layout->addWidget(mBar);
    mDialog->show();
  }
  OpenProgress p;
  {
    std::lock_guard lock(mMutex);
    p = mLatest;
  }
  mLabel->setText(describe(p));
  mBar->setValue(static_cast<int>(std::lround(overallFraction(p) * kBarSteps)));
}

}  // namespace torvane
