#pragma once
// The contour parameter dialog (標高線 / 傾斜量線): proposes the data's range in whole units,
// lists the pitches of its kind, and on OK builds the range of sets rounded to the pitch. OK with
// bounds that leave no value does nothing and the dialog stays open.

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;

namespace torvane {

class MainWindow;
class Scene;

class ContourParametersDialog : public QDialog {
  Q_OBJECT
public:
  /// The dialog for contours of `kind` (1 elevation, 2 slope) over `scene`. `built` runs after a
  /// build (menu state and redraw of the main window).
  ContourParametersDialog(Scene& scene, int kind, std::function<void()> built, QWidget* parent);

  QLineEdit* minimumEdit() const { return mMinimum; }
  QLineEdit* maximumEdit() const { return mMaximum; }
  QComboBox* pitchList() const { return mPitch; }

  /// OK: builds the range and closes, or does nothing when no value remains.
  void accept() override;

private:
  Scene& mScene;
  int mKind;
  std::function<void()> mBuilt;
  QLineEdit* mMinimum = nullptr;  // owned by the dialog
  QLineEdit* mMaximum = nullptr;  // owned by the dialog
  QComboBox* mPitch = nullptr;    // owned by the dialog
};

}  // namespace torvane
