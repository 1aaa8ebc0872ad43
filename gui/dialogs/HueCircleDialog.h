#pragma once
// The 色相環 dialog: edits the hue-circle setting (start hue, end hue, direction). The two
// colour buttons always show pure colours, HLS(hue, 120, 240); a colour chosen in the colour
// chooser contributes only its hue.

#include <QColor>
#include <QDialog>
#include <functional>

#include "gui/CommandTargets.h"
#include "measure/HueCircle.h"

class QComboBox;
class QPushButton;

namespace torvane {

class HueCircleDialog : public QDialog {
  Q_OBJECT
public:
  //! Asks the user for a colour, starting from `initial`; an invalid colour means cancelled.
  using ColourChooser = std::function<QColor(const QColor& initial, QWidget* parent)>;

  explicit HueCircleDialog(const HueCircleParameters& setting, QWidget* parent = nullptr);

  /// The setting as the dialog shows it now.
  HueCircleParameters setting() const;
  QPushButton* startButton() const { return mStart; }
  QPushButton* endButton() const { return mEnd; }
  QComboBox* directionList() const { return mDirection; }
  /// Replaces the system colour chooser (tests).
  void setColourChooser(ColourChooser chooser) { mChooser = std::move(chooser); }

private:
  void choose(bool start);

  int mStartHue;
  int mEndHue;
  QPushButton* mStart = nullptr;  // owned by the dialog
  QPushButton* mEnd = nullptr;
  QComboBox* mDirection = nullptr;
  ColourChooser mChooser;
};

}  // namespace torvane
