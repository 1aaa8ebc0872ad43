#pragma once
// Fonts and sizes of the program's own dialogs: a 9-point Japanese gothic, fixed-pitch or
// proportional, and the dialog units the layouts are measured in.

#include <QFont>
#include <QSize>

namespace torvane {

/// The 9-point (12-pixel) dialog font: the fixed-pitch Japanese gothic of the screen font, or
/// with `proportional` an installed proportional Japanese gothic (the fixed one otherwise).
QFont dialogFont(bool proportional);

/// Pixels of `width` x `height` dialog units in `font` (a unit is a quarter of the average
/// character width and an eighth of the character height).
QSize dialogUnits(const QFont& font, int width, int height);

}  // namespace torvane
