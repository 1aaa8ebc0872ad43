#pragma once
// The 標高データ情報 dialog: the loaded elevation files with their sizes, a check box per file
// that shows or hides its sub-grid at once, and the data's extents.

#include <QDialog>
#include <functional>

class QLabel;
class QMenu;
class QTableWidget;

namespace torvane {

class ElevationGrid;

class ElevationInfoDialog : public QDialog {
  Q_OBJECT
public:
  static constexpr int kShowId = 281;  //!< context menu: check the selected rows
  static constexpr int kHideId = 282;  //!< context menu: uncheck the selected rows

  /// Lists the grid's files. Checking or unchecking a row sets that file's display flag in
  /// `grid` and calls `redraw`.
  ElevationInfoDialog(ElevationGrid& grid, std::function<void()> redraw, QWidget* parent = nullptr);

  QTableWidget* list() const { return mList; }
  QLabel* extents() const { return mExtents; }
  /// The list's context menu as it would open now (items greyed without a selection).
  QMenu* contextMenu();
  /// Checks (or unchecks) every selected row.
  void setSelectedShown(bool shown);

private:
  void rowChanged(int row, int column);

  ElevationGrid& mGrid;
  std::function<void()> mRedraw;
  QTableWidget* mList = nullptr;  // owned by the dialog
  QLabel* mExtents = nullptr;     // owned by the dialog
  QMenu* mMenu = nullptr;         // owned by the dialog
};

}  // namespace torvane
