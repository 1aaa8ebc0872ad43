#include "gui/dialogs/ContourParametersDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

#include "contour/ContourRules.h"
#include "gui/CommandTargets.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/dialogs/DialogFont.h"
#include "resources/Texts.h"
#include "scene/Contours.h"
#include "scene/Scene.h"

namespace torvane {

namespace {

constexpr int kSlopeTitle = 2126;  // "傾斜量線"

}  // namespace

ContourParametersDialog::ContourParametersDialog(Scene& scene, int kind,
                                                 std::function<void()> built, QWidget* parent)
    : QDialog(parent), mScene(scene), mKind(kind), mBuilt(std::move(built)) {
  setWindowTitle(kind == kSlopeContour ? qtext(kSlopeTitle) : QStringLiteral("標高線"));
  setFont(dialogFont(true));

  const FieldRange field = contourFieldRange(scene.grid, kind).value_or(FieldRange{});
  const ProposedBounds proposed = proposeContourBounds(field);
  mMinimum = new QLineEdit(QString::number(proposed.minimum), this);
  mMaximum = new QLineEdit(QString::number(proposed.maximum), this);
  mMinimum->setMaxLength(kContourEditLength);
  mMaximum->setMaxLength(kContourEditLength);
  mPitch = new QComboBox(this);
  for (int pitch : contourPitches(kind)) {
    mPitch->addItem(QString::number(pitch), pitch);
  }
  mPitch->setCurrentIndex(kDefaultPitchIndex);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &ContourParametersDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("最小:"), mMinimum);
  form->addRow(QStringLiteral("最大:"), mMaximum);
  form->addRow(QStringLiteral("ピッチ:"), mPitch);
  form->addRow(buttons);
  form->setSizeConstraint(QLayout::SetFixedSize);
}

void ContourParametersDialog::accept() {
  const std::optional<FieldRange> field = contourFieldRange(mScene.grid, mKind);
  const std::optional<ContourLevels> levels =
      field ? contourRangeFor(*field, mPitch->currentData().toInt(),
                              readContourBound(mMinimum->text().toStdString()),
                              readContourBound(mMaximum->text().toStdString()))
            : std::nullopt;
  if (!levels) {
    return;  // no value left: the dialog stays open
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // A long range shows its progress; the build's result itself is not reported.
  QProgressDialog progress(windowTitle(), QString(), 0, 1000, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  progress.setAutoClose(false);
  buildContourRange(mScene, mKind, *levels,
                    [&](double fraction) { progress.setValue(static_cast<int>(fraction * 1000)); });
  QApplication::restoreOverrideCursor();
  if (mBuilt) {
    mBuilt();
  }
  QDialog::accept();
}

void showContourDialog(MainWindow& window, bool slopeContours) {
  ContourParametersDialog dialog(
      window.scene(), slopeContours ? kSlopeContour : kElevationContour,
      [&window] { window.AfterChange(); }, &window);
  dialog.exec();
}

}  // namespace torvane
