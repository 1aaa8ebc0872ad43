#pragma once
// The 断面 window: the height profile under the ruler drawn as a filled graph with its
// statistics. A right click anywhere in the window opens its menu: 補間 (intermediate samples
// along the whole path), the vertical-to-horizontal ratios, and saving the graph as PNG or the
// samples as CSV.

#include <QDialog>
#include <QImage>
#include <filesystem>
#include <vector>

#include "measure/CrossSection.h"
#include "measure/Ruler.h"

class QAction;
class QActionGroup;
class QMenu;

namespace torvane {

/// Paints the graph of a laid-out cross-section into a new image of `size` (the rectangle
/// layoutProfile was given): black background, gradient fill, vertex lines, baseline, profile,
/// mean line, extreme markers, sea line and the two columns of statistics.
QImage paintProfile(const CrossSection& cs, QSize size);

class CrossSectionDialog : public QDialog {
  Q_OBJECT
public:
  //! Menu item ids.
  static constexpr int kInterpolateId = 281;
  static constexpr int kRatioFirstId = 500;  //!< 500..505: the ratios in menu order
  static constexpr int kSavePngId = 901;
  static constexpr int kSaveCsvId = 902;

  /// Computes the profile of the ruler (at least two points) with the heights of `heightAt`
  /// and the sea level at which the sea line is drawn. The dialog keeps a copy of the ruler.
  CrossSectionDialog(const Ruler& ruler, const ElevationGrid& grid, HeightAt heightAt,
                     double seaLevel, QWidget* parent = nullptr);

  const CrossSection& crossSection() const { return mSection; }
  /// The right-click menu (its actions carry the item ids as data).
  QMenu* contextMenu() const { return mMenu; }
  QAction* menuAction(int id) const;
  /// The graph as drawn now, at the size of its place in the window.
  QImage graphImage() const;

  /// Switches intermediate samples on or off and recomputes the profile.
  void setInterpolate(bool on);
  /// Chooses ratio item 0..5 (1:2, 1:1, 2:1 ... 5:1); the samples stay.
  void setRatioItem(int item);

  /// The files the scene was made from, which the saves refuse to replace.
  void setInputFiles(std::vector<std::filesystem::path> files) { mInputs = std::move(files); }
  /// Writes the graph as PNG / the samples as CSV with the safe writer. False with `error` set
  /// (the file and the reason, in the window's words) when the file cannot be written.
  bool saveGraph(const std::filesystem::path& path, QString& error) const;
  bool saveSamples(const std::filesystem::path& path, QString& error) const;

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void recompute();
  void relayout();
  void runMenuItem(int id);
  void askAndSave(bool png);

  Ruler mRuler;
  const ElevationGrid& mGrid;  //!< places the saved samples
  HeightAt mHeightAt;
  CrossSection mSection;
  QWidget* mGraph = nullptr;  // owned by the dialog
  QMenu* mMenu = nullptr;     // owned by the dialog
  std::vector<std::filesystem::path> mInputs;
};

}  // namespace torvane
