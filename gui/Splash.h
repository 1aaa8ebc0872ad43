#pragma once
// The splash picture shown centred on the screen while a start-up project loads, before the
// main window is visible. No text of its own, no animation, no timer: it goes as soon as the
// load returns.

#include <QPixmap>
#include <memory>

class QWidget;

namespace torvane {

class Splash {
public:
  Splash();
  ~Splash();
  Splash(const Splash&) = delete;
  Splash& operator=(const Splash&) = delete;

  /// Shows the picture centred on the screen's available area and paints it at once. Showing
  /// again replaces the window instead of adding a second one. Returns the window, or nullptr
  /// when there is no picture.
  QWidget* show();
  /// Closes the window; false when none was shown.
  bool close();
  /// Frees the picture (a later show shows nothing).
  void freePicture();

  QWidget* window() const;

  /// The 480 x 150 picture.
  static QPixmap picture();

private:
  QPixmap mPicture;
  std::unique_ptr<QWidget> mWindow;
};

}  // namespace torvane
