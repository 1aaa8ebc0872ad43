#include "gui/StandardDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <clocale>

#include "scene/DropDispatch.h"
#include "gui/QtText.h"
#include "resources/Texts.h"

namespace torvane {

namespace {
// The type list of a dialog over the given formats: all of them under `allName` first, then
// each format's own, then any file.
std::vector<FileFilter> typeList(const QString& allName, const std::vector<FileType>& types) {
  std::vector<FileFilter> filters(1);
  QStringList all;
  for (const FileType& t : types) {
    QStringList patterns;
    for (const std::string& p : t.patterns) {
      patterns << QString::fromStdString(p);
    }
    all << patterns;
    const QString joined = patterns.join(' ');
    filters.push_back({QString::fromStdString(t.name) + '(' + joined + ')', joined});
  }
  filters.front() = {allName, all.join(' ')};
  filters.push_back({QStringLiteral("All Files"), QStringLiteral("*")});
  return filters;
}
}  // namespace

void useCNumberFormat() { std::setlocale(LC_NUMERIC, "C"); }

std::vector<FileFilter> elevationFileFilters() {
  return typeList(qtext(kTextElevationFiles), elevationFileTypes());
}

std::vector<FileFilter> lineFileFilters(bool geoCoordinates) {
  return typeList(qtext(kTextLineFiles), lineFileTypes(geoCoordinates));
}

QString nameFilter(const FileFilter& filter) {
  // The dialog is told to hide filter details, which shows the text before the last
  // parenthesised pattern list, trimmed: "TVD(*.tvd) (*.tvd)" shows "TVD(*.tvd)", and
  // "All Files (*.tvd *.xml)" shows "All Files".
  return filter.label + QStringLiteral(" (") + filter.patterns + QLatin1Char(')');
}

std::vector<std::filesystem::path> runFileDialog(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dialog(parent, setup.title, setup.folder);
  const bool save = setup.kind == FileDialogKind::Save;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setFileMode(setup.kind == FileDialogKind::OpenMany ? QFileDialog::ExistingFiles
                                                              : QFileDialog::ExistingFile);
  }
  QStringList filters;
  for (const FileFilter& filter : setup.filters) {
    filters << nameFilter(filter);
  }
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(setup.defaultSuffix);
  if (!setup.fileName.isEmpty()) {
    dialog.selectFile(setup.fileName);
  }
  std::vector<std::filesystem::path> paths;
  if (dialog.exec() != QDialog::Accepted) {
    return paths;
  }
  const QStringList names = dialog.selectedFiles();
  for (qsizetype i = 0; i < names.size() && paths.size() < kMaxDropPaths; ++i) {
    paths.emplace_back(names[i].toStdString());
  }
  return paths;
}

void restoreNormalCursor() {
  while (QApplication::overrideCursor() != nullptr) {
    QApplication::restoreOverrideCursor();
  }
}

void showErrorBox(QWidget* owner, const QString& caption, const QString& text) {
  restoreNormalCursor();
  QMessageBox::critical(owner, caption, text);
}

QtTranslation qtTranslationFor(const QLocale& locale) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const QLocale& candidate : {locale, QLocale(QLocale::Japanese, QLocale::Japan)}) {
    QTranslator translator;
    if (translator.load(candidate, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
      return {translator.filePath(), candidate};
    }
  }
  return {QString(), locale};
}

bool installQtTranslation(const QLocale& locale) {
  const QtTranslation translation = qtTranslationFor(locale);
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translation.file.isEmpty() || !translator->load(translation.file) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  QLocale::setDefault(translation.locale);
  return true;
}

}  // namespace torvane
