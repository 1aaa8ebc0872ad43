#include "gui/dialogs/ElevationInfoDialog.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "elevation/ElevationGrid.h"
#include "gui/CommandTargets.h"
#include "gui/MainWindow.h"
#include "gui/TerrainView.h"
#include "gui/dialogs/DialogFont.h"
#include "measure/ElevationInfo.h"
#include "resources/Texts.h"

namespace torvane {

namespace {
QString qstring(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

ElevationInfoDialog::ElevationInfoDialog(ElevationGrid& grid, std::function<void()> redraw,
                                         QWidget* parent)
    : QDialog(parent), mGrid(grid), mRedraw(std::move(redraw)) {
  setWindowTitle(QStringLiteral("標高データ情報"));
  setFont(dialogFont(false));
  setWindowOpacity(192 / 255.0);

  mList = new QTableWidget(grid.fileCount, 4, this);
  mList->setSelectionBehavior(QAbstractItemView::SelectRows);
  mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  mList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mList->setShowGrid(true);
  mList->verticalHeader()->hide();
  mList->setContextMenuPolicy(Qt::CustomContextMenu);
  const int widths[] = {60, 280, 120, 120};
  for (int c = 0; c < 4; ++c) {
    mList->setHorizontalHeaderItem(c, new QTableWidgetItem(qstring(text(kTextInfoShown + c))));
    mList->setColumnWidth(c, widths[c]);
  }
  for (int row = 0; row < grid.fileCount; ++row) {
    const GridFile& file = grid.files[static_cast<size_t>(row)];
    const ElevationInfoRow texts = elevationInfoRow(file, row);
    auto* number = new QTableWidgetItem(qstring(texts.number));
    number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    number->setCheckState(file.shown ? Qt::Checked : Qt::Unchecked);
    mList->setItem(row, 0, number);
    const std::string* cells[] = {&texts.name, &texts.size, &texts.sampled};
    for (int c = 1; c < 4; ++c) {
      auto* item = new QTableWidgetItem(qstring(*cells[c - 1]));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      item->setTextAlignment(c == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                    : Qt::AlignRight | Qt::AlignVCenter);
      mList->setItem(row, c, item);
    }
  }
  // Connected after filling, so that only the user's changes reach the grid.
  connect(mList, &QTableWidget::cellChanged, this, &ElevationInfoDialog::rowChanged);
  connect(mList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { contextMenu()->exec(mList->viewport()->mapToGlobal(at)); });

  mExtents = new QLabel(qstring(elevationExtentText(grid)), this);
  mExtents->setAlignment(Qt::AlignCenter);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  mMenu = new QMenu(this);
  const std::pair<int, const char*> items[] = {{kShowId, "表示"}, {kHideId, "非表示"}};
  for (const auto& [id, label] : items) {
    QAction* action = mMenu->addAction(QString::fromUtf8(label));
    action->setData(id);
    connect(action, &QAction::triggered, this,
            [this, id = id] { setSelectedShown(id == kShowId); });
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(mList);
  layout->addWidget(mExtents);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  layout->addLayout(buttons);
  resize(dialogUnits(font(), 412, 263));
}

QMenu* ElevationInfoDialog::contextMenu() {
  const bool selected = !mList->selectionModel()->selectedRows().isEmpty();
  for (QAction* action : mMenu->actions()) {
    action->setEnabled(selected);
  }
  return mMenu;
}

void ElevationInfoDialog::setSelectedShown(bool shown) {
  for (const QModelIndex& index : mList->selectionModel()->selectedRows()) {
    mList->item(index.row(), 0)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
  }
}

void ElevationInfoDialog::rowChanged(int row, int column) {
  if (column != 0 || row < 0 || row >= mGrid.fileCount) {
    return;
  }
  const bool shown = mList->item(row, 0)->checkState() == Qt::Checked;
  GridFile& file = mGrid.files[static_cast<size_t>(row)];
  if (file.shown != shown) {
    file.shown = shown;
    if (mRedraw) {
      mRedraw();
    }
  }
}

void showElevationInfoDialog(MainWindow& window) {
  ElevationInfoDialog dialog(
      window.scene().grid, [&window] { window.view()->update(); }, &window);
  dialog.exec();
}

}  // namespace torvane
