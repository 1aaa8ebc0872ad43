#pragma once
// The standard dialogs as every window of the program uses them: Qt's own texts (buttons,
// questions, file dialogs, colour chooser) in Japanese like the program's texts, file dialogs
// with one style of type labels and a default extension, and error boxes that never show the
// wait cursor.
//
// How a dialog declares its file types: one FileFilter per entry of the type list, its label
// written exactly as the list shows it and its patterns separated by spaces:
//
//   const std::vector<FileFilter> filters = {
//       {QStringLiteral("TVD(*.tvd)"), QStringLiteral("*.tvd")},
//       {QStringLiteral("XML(*.xml)"), QStringLiteral("*.xml")},
//       {QStringLiteral("All Files"), QStringLiteral("*.tvd *.xml")},
//   };
//
// A label that names its pattern writes it itself, with no space: "TVD(*.tvd)", "ZIP(*.zip)".
// A label for several types names none: "All Files". The patterns are never appended to what
// the list shows. Then runFileDialog(parent, {kind, title, filters, folder, name, "tvd"}).

#include <QLocale>
#include <QString>
#include <filesystem>
#include <vector>

class QWidget;

namespace torvane {

struct FileFilter {
  QString label;     //!< what the type list shows, e.g. "TVD(*.tvd)" or "All Files"
  QString patterns;  //!< wildcard patterns separated by spaces, e.g. "*.tvd *.xml"
};

enum class FileDialogKind {
  OpenOne,   //!< one existing file
  OpenMany,  //!< one or more existing files
  Save,      //!< a new or existing file in an existing folder; asks before replacing
};

struct FileDialogSetup {
  FileDialogKind kind = FileDialogKind::OpenOne;
  QString title;
  std::vector<FileFilter> filters;  //!< the first one is selected
  QString folder;
  QString fileName;       //!< the name shown at first; empty for none
  QString defaultSuffix;  //!< added, after a dot, to a typed name that has no extension
};

/// The type list of the elevation dialog, from the reader registry: every type the program
/// opens, then each format's own ("XML(*.xml)", "ZIP(*.zip)", ...), then "All Files" (any file).
std::vector<FileFilter> elevationFileFilters();
/// The type list of the line/point dialog for data of this kind, from the format registry, in
/// the same shape.
std::vector<FileFilter> lineFileFilters(bool geoCoordinates);

/// The Qt name filter that shows exactly `filter.label` and matches `filter.patterns`.
QString nameFilter(const FileFilter& filter);

/// Shows a modal Open or Save dialog. Returns the chosen paths, at most kMaxDropPaths of them
/// (further names are dropped); none when the user cancels.
std::vector<std::filesystem::path> runFileDialog(QWidget* parent, const FileDialogSetup& setup);

/// Takes back every wait cursor that is set, so a message box never shows a busy pointer.
void restoreNormalCursor();

/// A modal error box with the critical icon, owned by `owner`, shown with the normal cursor.
void showErrorBox(QWidget* owner, const QString& caption, const QString& text);

/// Puts the C library's number format back to "C" ('.' as the decimal point). Creating the Qt
/// application object sets the process locale from the environment; files, exports and the
/// view's texts are written and read by printf- and strtod-style conversions, which must give
/// the same text in every locale. Call right after the application object exists.
void useCNumberFormat();

/// Qt's own translation (qtbase) for a locale: its file, empty when none is installed, and the
/// locale it speaks.
struct QtTranslation {
  QString file;
  QLocale locale;
};

/// The translation for `locale`, or the Japanese one when Qt has none for it (the program's own
/// texts are Japanese).
QtTranslation qtTranslationFor(const QLocale& locale);

/// Installs qtTranslationFor(locale) into the running application and makes its locale the
/// default, so the standard dialogs speak one language down to their dates and sizes. False
/// when no translation is installed (they then stay in English).
bool installQtTranslation(const QLocale& locale);

}  // namespace torvane
