#include "gui/CommandTargets.h"

namespace torvane {

// Cross-section window.
void showCrossSectionDialog(MainWindow&) {}
// Information dialogs.
void showElevationInfoDialog(MainWindow&) {}
void showVersionDialog(MainWindow&) {}
bool showHueCircleDialog(MainWindow&, HueCircleParameters&) { return false; }
// Contour dialogs.
void showContourDialog(MainWindow&, bool) {}
void showContourInfoDialog(MainWindow&) {}

}  // namespace torvane
