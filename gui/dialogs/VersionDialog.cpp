#include "gui/dialogs/VersionDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandTargets.h"
#include "gui/MainWindow.h"
#include "gui/dialogs/DialogFont.h"
#include "resources/Texts.h"

namespace torvane {

QString versionText() {
  const std::string_view name = programName();
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
         QStringLiteral(" Version 4.02A");
}

QIcon programIcon() {
  // The installed icon's own pictures, built into the program (packaging/icons).
  QIcon icon;
  for (int size : {48, 256}) {
    icon.addFile(QStringLiteral(":/icons/torvane-%1.png").arg(size), QSize(size, size));
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
