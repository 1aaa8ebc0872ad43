#pragma once
// What the menu commands call in the other parts of the program: saving the project and the
// view, removing the draped image, and the modal dialogs. Each function is the one place where
// its part connects to the menu. The command has already checked its condition and stopped
// auto-rotation when one of these runs.

#include <QString>
#include <filesystem>

namespace torvane {

class MainWindow;

/// Writes the project file safely (a failed save leaves the old file as it was). False, with
/// `error` saying why, when nothing was written.
bool SaveProject(MainWindow& window, const std::filesystem::path& path, QString& error);
/// Draws the current view at the view's size and writes it as a JPEG image (".jpg" names only),
/// safely like the project. False, with `error` saying why, when nothing was written.
bool SaveImage(MainWindow& window, const std::filesystem::path& path, QString& error);
/// Releases the draped image and its base image.
void releaseDrapedImage(MainWindow& window);

/// The hue-circle dialog's own parameters: direction (the CRHueR flag), start and end hue.
struct HueCircleParameters {
  bool direction = true;
  int startHue = 120;
  int endHue = 200;
};

/// The modal dialogs of the menu. showHueCircleDialog returns true when the user confirmed.
void showCrossSectionDialog(MainWindow& window);
void showElevationInfoDialog(MainWindow& window);
void showLayerDialog(MainWindow& window);
void showVersionDialog(MainWindow& window);
void showContourDialog(MainWindow& window, bool slopeContours);
void showContourInfoDialog(MainWindow& window);
bool showHueCircleDialog(MainWindow& window, HueCircleParameters& parameters);

}  // namespace torvane
