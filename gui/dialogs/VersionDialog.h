#pragma once
// The バージョン情報 dialog: the program's icon, its name and version in bold, and OK.

#include <QDialog>
#include <QIcon>

class QLabel;

namespace torvane {

/// The program's version text: "<program name> Version 4.02A".
QString versionText();
/// The program's icon: a ridge under a sky, drawn at the usual icon sizes.
QIcon programIcon();

class VersionDialog : public QDialog {
  Q_OBJECT
public:
  explicit VersionDialog(QWidget* parent = nullptr);
  QLabel* versionLabel() const { return mVersion; }

private:
  QLabel* mVersion = nullptr;  // owned by the dialog
};

}  // namespace torvane
