#pragma once
// The line/point data dialog (線点データ情報): lists the layers of the scene's overlay store and
// lets the user show or hide them, change point sizes and colours, colour several along the hue
// circle, delete some or all, and switch the layer transparency. Every edit goes straight into
// the store and the main window is redrawn behind the semi-transparent dialog.
//
// The contour data dialog (等値線データ情報) is the same list over the scene's contour sets: the
// kind and value of each set instead of file, kind and point size, no point-size menu, and the
// contour transparency switch.

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "gui/CommandTargets.h"

class QCheckBox;
class QColor;
class QMenu;
class QTableWidget;
class QTableWidgetItem;

namespace torvane {

class GroupStore;
class Scene;

//! Which store the list shows.
enum class ListedStore {
  Layers,    //!< the line/point layers (線点データ情報)
  Contours,  //!< the contour sets (等値線データ情報)
};

//! Ids of the list's context menu (menu 183).
enum LayerMenuId {
  kLayerShow = 281,
  kLayerHide = 282,
  kLayerColour = 285,
  kLayerDelete = 286,
  kLayerDeleteAll = 287,
  kLayerHueCircle = 288,
  kLayerPointSizeFirst = 401,  //!< 401..410: point size id - 400
  kLayerPointSizeLast = 410,
};

class LayerDialog : public QDialog {
  Q_OBJECT
public:
  //! What the dialog asks of the program around it.
  struct Hooks {
    std::function<void()> redraw;        //!< repaint the main window
    std::function<void()> menusChanged;  //!< the store was freed: refresh the menu state
    //! The colour chooser; nullopt when cancelled.
    std::function<std::optional<QColor>(const QColor& initial)> chooseColour;
    //! The hue circle dialog on the shared setting; false when cancelled.
    std::function<bool(HueCircleParameters& setting)> chooseHueCircle;
  };

  /// The dialog over `scene`'s layers, or its contour sets for ListedStore::Contours.
  /// `hueCircle` is the shared hue-circle setting; it must outlive the dialog.
  LayerDialog(Scene& scene, HueCircleParameters& hueCircle, Hooks hooks, QWidget* parent,
              ListedStore listed = ListedStore::Layers);

  QTableWidget* list() const { return mList; }
  QCheckBox* alphaCheckBox() const { return mAlpha; }
  /// The context menu as a right click shows it for the current selection (owned by the caller).
  QMenu* buildContextMenu();
  /// Runs a context-menu command on the current selection.
  void runMenuCommand(int id);
  /// Selected rows in list order.
  std::vector<int> selectedRows() const;

private:
  void fillRows();
  void fillRow(int row);
  void renumber();
  void onItemChanged(QTableWidgetItem* item);
  void onAlphaToggled(bool checked);
  void redraw();
  GroupStore& store() const;
  bool& alphaEnabled() const;  // the view flag the check box switches

  Scene& mScene;
  ListedStore mListed;
  HueCircleParameters& mHueCircle;
  Hooks mHooks;
  QTableWidget* mList = nullptr;  // owned by the dialog
  QCheckBox* mAlpha = nullptr;    // owned by the dialog
  bool mFilling = false;
};

/// The hooks of the running program: redraw and menu state of `window`, the system colour
/// chooser with white custom colours, and the program's hue circle dialog.
LayerDialog::Hooks programLayerDialogHooks(MainWindow& window);

}  // namespace torvane
