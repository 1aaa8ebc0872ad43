#include "gui/CommandTargets.h"

namespace torvane {

// Contour dialogs.
void showContourDialog(MainWindow&, bool) {}
void showContourInfoDialog(MainWindow&) {}

}  // namespace torvane
