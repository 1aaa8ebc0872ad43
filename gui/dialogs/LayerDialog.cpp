#include "gui/dialogs/LayerDialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/MainWindow.h"
#include "gui/ColourRef.h"
#include "gui/QtText.h"
#include "gui/TerrainView.h"
#include "overlay/LayerEdits.h"
#include "render/RenderContext.h"
#include "resources/Texts.h"
#include "scene/Scene.h"

namespace torvane {

namespace {

//! One column of the list: title text id, width in pixels, alignment.
struct Column {
  int title;
  int width;
  Qt::Alignment alignment;
};
// Layer list columns.
constexpr int kColumnRow = 0, kColumnName = 1, kColumnKind = 2, kColumnPoints = 3, kColumnSize = 4,
              kColumnColour = 5;
const std::vector<Column> kColumns = {
    {2206, 60, Qt::AlignLeft | Qt::AlignVCenter},    // 表示: row number and check box
    {2207, 190, Qt::AlignLeft | Qt::AlignVCenter},   // ファイル名
    {2211, 120, Qt::AlignLeft | Qt::AlignVCenter},   // 項目
    {2210, 120, Qt::AlignRight | Qt::AlignVCenter},  // 点数
    {2212, 45, Qt::AlignRight | Qt::AlignVCenter},   // 点幅
    {2213, 45, Qt::AlignCenter},                     // 色
};
// Contour list columns (the first one is kColumnRow as well).
constexpr int kContourColumnKind = 1, kContourColumnValue = 2, kContourColumnPoints = 3,
              kContourColumnColour = 4;
const std::vector<Column> kContourColumns = {
    {2206, 60, Qt::AlignLeft | Qt::AlignVCenter},    // 表示: row number and check box
    {2211, 175, Qt::AlignLeft | Qt::AlignVCenter},   // 項目
    {2222, 180, Qt::AlignRight | Qt::AlignVCenter},  // 値
    {2210, 120, Qt::AlignRight | Qt::AlignVCenter},  // 点数
    {2213, 45, Qt::AlignCenter},                     // 色
};

const std::vector<Column>& columnsOf(ListedStore listed) {
  return listed == ListedStore::Contours ? kContourColumns : kColumns;
}
int colourColumnOf(ListedStore listed) {
  return listed == ListedStore::Contours ? kContourColumnColour : kColumnColour;
}
QString titleOf(ListedStore listed) {
  return listed == ListedStore::Contours ? QStringLiteral("等値線データ情報")
                                         : QStringLiteral("線点データ情報");
}

// The dialog's size of 412 x 263 dialog units in the 9-point dialog font.
constexpr int kDialogWidth = 618;
constexpr int kDialogHeight = 395;
constexpr double kDialogOpacity = 192.0 / 255.0;

QColor qcolourOfLayer(uint32_t argb) { return fromColorRef(colorRefOfLayerColour(argb)); }

QString rowNumber(int row) { return QString::asprintf("%5d", row + 1); }

// Paints the colour cell in the layer colour even on a selected row, where the selection
// highlight would otherwise hide it.
class ColourCellDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QVariant colour = index.data(Qt::BackgroundRole);
    if (colour.canConvert<QBrush>()) {
      painter->fillRect(option.rect.adjusted(2, 2, -2, -2), colour.value<QBrush>());
    }
  }
};

}  // namespace

LayerDialog::LayerDialog(Scene& scene, HueCircleParameters& hueCircle, Hooks hooks, QWidget* parent,
                         ListedStore listed)
    : QDialog(parent),
      mScene(scene),
      mListed(listed),
      mHueCircle(hueCircle),
      mHooks(std::move(hooks)) {
  setWindowTitle(titleOf(listed));
  setFont(RenderContext::screenFont(12));
  resize(kDialogWidth, kDialogHeight);
  setWindowOpacity(kDialogOpacity);

  const std::vector<Column>& columns = columnsOf(listed);
  mList = new QTableWidget(0, static_cast<int>(columns.size()), this);
  QStringList titles;
  for (const Column& c : columns) {
    titles << qtext(c.title);
  }
  mList->setHorizontalHeaderLabels(titles);
  for (int c = 0; c < mList->columnCount(); ++c) {
    mList->setColumnWidth(c, columns[static_cast<size_t>(c)].width);
    mList->horizontalHeaderItem(c)->setTextAlignment(columns[static_cast<size_t>(c)].alignment);
  }
  mList->verticalHeader()->hide();
  mList->setWordWrap(false);
  mList->setItemDelegateForColumn(colourColumnOf(listed), new ColourCellDelegate(mList));
  mList->setShowGrid(true);
  mList->setSelectionBehavior(QAbstractItemView::SelectRows);
  mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  mList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(mList, &QTableWidget::itemChanged, this, &LayerDialog::onItemChanged);
  connect(mList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    std::unique_ptr<QMenu> menu(buildContextMenu());
    if (QAction* chosen = menu->exec(mList->viewport()->mapToGlobal(pos))) {
      runMenuCommand(chosen->data().toInt());
    }
  });

  mAlpha = new QCheckBox(QStringLiteral("透過を有効にする"), this);
  mAlpha->setChecked(alphaEnabled());
  connect(mAlpha, &QCheckBox::toggled, this, &LayerDialog::onAlphaToggled);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(mAlpha);
  bottom->addStretch();
  bottom->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(mList);
  layout->addLayout(bottom);

  fillRows();
}

GroupStore& LayerDialog::store() const {
  return mListed == ListedStore::Contours ? static_cast<GroupStore&>(mScene.contours)
                                          : mScene.overlays;
}

bool& LayerDialog::alphaEnabled() const {
  return mListed == ListedStore::Contours ? mScene.view.ContourAlphaEnabled
                                          : mScene.view.LayerAlphaEnabled;
}

void LayerDialog::fillRows() {
  mFilling = true;
  mList->setRowCount(store().groupCount());
  for (int row = 0; row < store().groupCount(); ++row) {
    fillRow(row);
  }
  mFilling = false;
}

void LayerDialog::fillRow(int row) {
  const std::vector<Column>& columns = columnsOf(mListed);
  const bool filling = mFilling;
  mFilling = true;
  auto cell = [&](int column, const QString& value) {
    auto* item = new QTableWidgetItem(value);
    item->setTextAlignment(columns[static_cast<size_t>(column)].alignment);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    mList->setItem(row, column, item);
    return item;
  };
  auto utf8 = [](std::string_view t) {
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
  };
  QTableWidgetItem* first = cell(kColumnRow, rowNumber(row));
  first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
  first->setCheckState(store().visible(row) ? Qt::Checked : Qt::Unchecked);
  if (mListed == ListedStore::Contours) {
    const ContourStore& sets = mScene.contours;
    cell(kContourColumnKind, utf8(sets.contourKindName(row, englishLabels())));
    cell(kContourColumnValue, QString::number(sets.value(row)));
    cell(kContourColumnPoints, QString::number(sets.groupPointCount(row)));
  } else {
    const OverlayStore& layers = mScene.overlays;
    cell(kColumnName, QString::fromStdString(layers.layerName(row).filename().string()));
    cell(kColumnKind, utf8(layers.layerKindName(row, englishLabels())));
    cell(kColumnPoints, QString::number(layers.groupPointCount(row)));
    cell(kColumnSize,
         layers.pointSize(row) > 0 ? QString::number(layers.pointSize(row)) : QString());
  }
  cell(colourColumnOf(mListed), QString())->setBackground(qcolourOfLayer(store().colour(row)));
  mFilling = filling;
}

void LayerDialog::renumber() {
  mFilling = true;
  for (int row = 0; row < mList->rowCount(); ++row) {
    mList->item(row, kColumnRow)->setText(rowNumber(row));
  }
  mFilling = false;
}

std::vector<int> LayerDialog::selectedRows() const {
  std::vector<int> rows;
  for (int row = 0; row < mList->rowCount(); ++row) {
    if (mList->item(row, kColumnRow) != nullptr && mList->item(row, kColumnRow)->isSelected()) {
      rows.push_back(row);
    }
  }
  return rows;
}

QMenu* LayerDialog::buildContextMenu() {
  const std::vector<int> rows = selectedRows();
  const bool layers = mListed == ListedStore::Layers;
  const LayerMenuState state =
      layers ? layerMenuState(mScene.overlays, rows) : groupMenuState(rows);
  auto* menu = new QMenu(titleOf(mListed), this);
  auto add = [](QMenu* m, int id, const QString& label, bool enabled) {
    QAction* a = m->addAction(label);
    a->setData(id);
    a->setEnabled(enabled);
    return a;
  };
  add(menu, kLayerShow, QStringLiteral("表示"), state.showHide);
  add(menu, kLayerHide, QStringLiteral("非表示"), state.showHide);
  if (layers) {
    QMenu* sizes = menu->addMenu(QStringLiteral("点幅変更"));
    sizes->setEnabled(state.pointSize);
    auto* group = new QActionGroup(sizes);
    group->setExclusive(true);
    for (int id = kLayerPointSizeFirst; id <= kLayerPointSizeLast; ++id) {
      const int size = id - 400;
      const QString label = size == 1    ? QStringLiteral("1 小")
                            : size == 10 ? QStringLiteral("10 大")
                                         : QString::number(size);
      QAction* a = add(sizes, id, label, state.pointSize);
      a->setCheckable(true);
      a->setChecked(size == state.checkedPointSize);
      group->addAction(a);
    }
  }
  add(menu, kLayerColour, QStringLiteral("色変更..."), state.colour);
  add(menu, kLayerHueCircle, QStringLiteral("色相環..."), state.hueCircle);
  add(menu, kLayerDelete, QStringLiteral("削除"), state.remove);
  add(menu, kLayerDeleteAll, QStringLiteral("全削除"), true);
  return menu;
}

void LayerDialog::runMenuCommand(int id) {
  GroupStore& store = this->store();
  const std::vector<int> rows = selectedRows();
  const LayerAlpha alpha{alphaEnabled(), mScene.view.Alpha};
  switch (id) {
    case kLayerShow:
    case kLayerHide:
      // The check boxes change; the item-changed handling updates the layers and redraws.
      for (const int row : rows) {
        mList->item(row, kColumnRow)->setCheckState(id == kLayerShow ? Qt::Checked : Qt::Unchecked);
      }
      return;
    case kLayerColour: {
      if (rows.empty() || !mHooks.chooseColour) {
        return;
      }
      const std::optional<QColor> chosen =
          mHooks.chooseColour(qcolourOfLayer(store.colour(rows.front())));
      if (!chosen) {
        return;
      }
      recolourLayers(store, rows, layerColourFromColorRef(toColorRef(*chosen), alpha));
      break;
    }
    case kLayerHueCircle: {
      if (rows.size() < 3 || !mHooks.chooseHueCircle || !mHooks.chooseHueCircle(mHueCircle)) {
        return;
      }
      colourLayersAlongHueCircle(store, rows, mHueCircle.startHue, mHueCircle.endHue,
                                 mHueCircle.direction, alpha);
      break;
    }
    case kLayerDelete: {
      if (rows.empty()) {
        return;
      }
      const bool freed = deleteLayers(store, rows) == 0;
      for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        mList->removeRow(*it);
      }
      renumber();
      if (freed && mHooks.menusChanged) {
        mHooks.menusChanged();
      }
      break;
    }
    case kLayerDeleteAll:
      deleteAllLayers(store);
      mList->setRowCount(0);
      if (mHooks.menusChanged) {
        mHooks.menusChanged();
      }
      break;
    default:
      if (mListed == ListedStore::Layers && id >= kLayerPointSizeFirst &&
          id <= kLayerPointSizeLast) {
        for (const int row : setLayerPointSizes(mScene.overlays, rows, id - 400)) {
          mList->item(row, kColumnSize)->setText(QString::number(mScene.overlays.pointSize(row)));
        }
        break;
      }
      return;
  }
  // Colours, sizes and rows may have changed: mirror the store (selection kept).
  for (int row = 0; row < mList->rowCount(); ++row) {
    mList->item(row, colourColumnOf(mListed))->setBackground(qcolourOfLayer(store.colour(row)));
  }
  redraw();
}

void LayerDialog::onItemChanged(QTableWidgetItem* item) {
  if (mFilling || item == nullptr || item->column() != kColumnRow) {
    return;
  }
  store().setVisible(item->row(), item->checkState() == Qt::Checked);
  redraw();
}

void LayerDialog::onAlphaToggled(bool checked) {
  alphaEnabled() = checked;
  applyLayerAlpha(store(), {checked, mScene.view.Alpha});
  redraw();
}

void LayerDialog::redraw() {
  if (mHooks.redraw) {
    mHooks.redraw();
  }
}

LayerDialog::Hooks programLayerDialogHooks(MainWindow& window) {
  LayerDialog::Hooks hooks;
  hooks.redraw = [&window] {
    if (window.view() != nullptr) {
      window.view()->update();
    }
  };
  hooks.menusChanged = [&window] { window.UpdateMenuState(); };
  hooks.chooseColour = [&window](const QColor& initial) -> std::optional<QColor> {
    for (int slot = 0; slot < QColorDialog::customCount(); ++slot) {
      QColorDialog::setCustomColor(slot, Qt::white);
    }
    const QColor chosen = QColorDialog::getColor(initial, &window);
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
  };
  hooks.chooseHueCircle = [&window](HueCircleParameters& setting) {
    HueCircleParameters edited = setting;  // a cancelled dialog changes nothing
    if (!showHueCircleDialog(window, edited)) {
      return false;
    }
    setting = edited;
    return true;
  };
  return hooks;
}

void showLayerDialog(MainWindow& window) {
  LayerDialog dialog(window.scene(), window.hueCircle(), programLayerDialogHooks(window), &window);
  dialog.exec();
}

void showContourInfoDialog(MainWindow& window) {
  LayerDialog dialog(window.scene(), window.hueCircle(), programLayerDialogHooks(window), &window,
                     ListedStore::Contours);
  dialog.exec();
}

}  // namespace torvane
