#include "gui/dialogs/VersionDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandTargets.h"
#include "gui/MainWindow.h"
#include "gui/dialogs/DialogFont.h"
#include "resources/Texts.h"

namespace torvane {

namespace {
QPixmap iconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x20, 0x30, 0x58));
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 4, 4);
  QPolygonF ridge;
  ridge << QPointF(2, 28) << QPointF(2, 22) << QPointF(9, 16) << QPointF(13, 19)
        << QPointF(20, 8) << QPointF(30, 21) << QPointF(30, 28);
  painter.setBrush(QColor(0x30, 0x80, 0x40));
  painter.setPen(QPen(QColor(0xA0, 0xE0, 0xA0), 1.5));
  painter.drawPolygon(ridge);
  return pixmap;
}
}  // namespace

QString versionText() {
  const std::string_view name = programName();
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
         QStringLiteral(" Version 4.02A");
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    icon.addPixmap(iconPixmap(size));
  }
  return icon;
}

VersionDialog::VersionDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("バージョン情報"));
  setFont(dialogFont(true));

  auto* icon = new QLabel(this);
  icon->setPixmap(programIcon().pixmap(32, 32));
  mVersion = new QLabel(versionText(), this);
  QFont bold = font();
  bold.setBold(true);
  mVersion->setFont(bold);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(dialogUnits(font(), 8, 0).width());
  row->addWidget(mVersion, 1);
  row->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void showVersionDialog(MainWindow& window) {
  VersionDialog dialog(&window);
  dialog.exec();
}

}  // namespace torvane
