#include "gui/CommandTargets.h"

namespace torvane {

// Contour data dialog.
void showContourInfoDialog(MainWindow&) {}

}  // namespace torvane
