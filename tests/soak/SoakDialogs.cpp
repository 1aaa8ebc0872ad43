// The soak's answers to the dialogs the window opens. A poll every 10 ms finds a modal dialog
// (or a popup menu) that has not been answered yet and answers it from a fresh timer, so that a
// dialog that opens another one (a colour chooser from the layer list, a file dialog from the
// cross-section) is answered inside the inner event loop as a person would. The answers draw
// from the stream of the running action only.

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>

#include "gui/MainWindow.h"
#include "scene/CommandTable.h"
#include "gui/dialogs/ContourParametersDialog.h"
#include "gui/dialogs/CrossSectionDialog.h"
#include "gui/dialogs/ElevationInfoDialog.h"
#include "gui/dialogs/HueCircleDialog.h"
#include "gui/dialogs/LayerDialog.h"
#include "gui/dialogs/VersionDialog.h"
#include "tests/soak/SoakDriver.h"

namespace torvane::soak {

namespace {

std::string describe(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " '" + w->windowTitle().toStdString() + "'";
}

// The enabled leaf actions of a menu and its submenus.
void enabledActions(QMenu* menu, std::vector<QAction*>& out) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || !a->isEnabled()) {
      continue;
    }
    if (a->menu() != nullptr) {
      enabledActions(a->menu(), out);
    } else {
      out.push_back(a);
    }
  }
}

// Types `names` into the dialog's name field in `folder`, as a person does (selectFile leaves
// the field alone while it has the focus).
void chooseInDialog(QFileDialog* dialog, const std::filesystem::path& folder,
                    const QString& names) {
  dialog->setDirectory(QString::fromStdString(folder.string()));
  if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    edit->setText(names);
  } else {
    dialog->selectFile(names);
  }
}

}  // namespace

void SoakDriver::pollModal() {
  // A dialog or menu shown again (the menus of the menu bar live on) is answered again.
  std::erase_if(mAnswered,
                [](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
  const auto answered = [this](QWidget* w) {
    return std::any_of(mAnswered.begin(), mAnswered.end(),
                       [w](const QPointer<QWidget>& p) { return p == w; });
  };
  QWidget* open = QApplication::activePopupWidget();
  if (open == nullptr) {
    open = QApplication::activeModalWidget();
  }
  if (open == nullptr || answered(open)) {
    return;
  }
  mAnswered.emplace_back(open);
  // The progress of a long open or contour build closes by itself.
  if (qobject_cast<QProgressDialog*>(open) != nullptr || open == mWindow.progressDialog()) {
    return;
  }
  if (!mActionRunning) {
    fail(describe(open) + " opened after the action that caused it had ended");
  }
  QTimer::singleShot(0, this, [this, w = QPointer<QWidget>(open)] { answer(w); });
}

void SoakDriver::answer(QPointer<QWidget> widget) {
  if (widget.isNull() || !widget->isVisible()) {
    return;
  }
  ++mCounts.dialogs;
  note("answers " + describe(widget));
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    answerPopup(menu);
  } else if (auto* files = qobject_cast<QFileDialog*>(widget)) {
    answerFileDialog(files);
  } else if (auto* box = qobject_cast<QMessageBox*>(widget)) {
    answerMessageBox(box);
  } else if (auto* colour = qobject_cast<QColorDialog*>(widget)) {
    answerColourDialog(colour);
  } else if (auto* contour = qobject_cast<ContourParametersDialog*>(widget)) {
    answerContourDialog(contour);
  } else if (auto* layers = qobject_cast<LayerDialog*>(widget)) {
    answerLayerDialog(layers);
  } else if (auto* hues = qobject_cast<HueCircleDialog*>(widget)) {
    answerHueCircleDialog(hues);
  } else if (auto* info = qobject_cast<ElevationInfoDialog*>(widget)) {
    answerElevationInfoDialog(info);
  } else if (auto* section = qobject_cast<CrossSectionDialog*>(widget)) {
    answerCrossSectionDialog(section);
  } else if (auto* version = qobject_cast<VersionDialog*>(widget)) {
    if (mAnswers.chance(50)) {
      version->accept();
    } else {
      version->reject();
    }
  } else {
    note("an unknown window: closed");
  }
  // Whatever the answer left open closes now, as a person would close it.
  if (!widget.isNull() && widget->isVisible()) {
    if (auto* dialog = qobject_cast<QDialog*>(widget.data())) {
      dialog->reject();
    } else {
      widget->close();
    }
  }
}

std::filesystem::path SoakDriver::savePathFor(const QString& suffix) {
  const int where = mAnswers.below(100);
  const int name = mAnswers.below(4);
  std::filesystem::path dir = mOptions.scratch / "saved";
  if (where < 20) {
    dir = mCorpus.folder() / "projects";  // beside the demo tiles: stored by bare names
  }
  std::filesystem::create_directories(dir);
  std::string file = "soak-" + std::to_string(name);
  if (where >= 90) {
    return dir / file;  // no extension: the dialog adds its default one
  }
  if (where >= 85) {
    return dir / (file + ".txt");  // a name the command refuses
  }
  return dir / (file + "." + suffix.toStdString());
}

void SoakDriver::answerFileDialog(QFileDialog* dialog) {
  if (mAnswers.chance(12)) {
    note("Cancel");
    dialog->reject();
    return;
  }
  QPointer<QFileDialog> guard(dialog);
  if (dialog->acceptMode() == QFileDialog::AcceptSave) {
    const std::filesystem::path path = savePathFor(dialog->defaultSuffix());
    note("save as " + path.string());
    chooseInDialog(dialog, path.parent_path(), QString::fromStdString(path.filename().string()));
    static_cast<QDialog*>(dialog)->accept();  // may ask before replacing (answered too)
    if (!guard.isNull() && !dialog->isVisible() && dialog->result() == QDialog::Accepted) {
      const QStringList chosen = dialog->selectedFiles();
      if (!chosen.isEmpty() && chosen.front().endsWith(QStringLiteral(".tvp"))) {
        mSavedProjects.emplace_back(chosen.front().toStdString());
      }
    }
    return;
  }
  // Open: mostly a file of the kind the dialog lists, sometimes anything.
  const QString filters = dialog->nameFilters().join(' ');
  CorpusKind kind = CorpusKind::Elevation;
  if (filters.contains(QStringLiteral("*.tvp"))) {
    kind = CorpusKind::Project;
  } else if (filters.contains(QStringLiteral("*.png"))) {
    kind = CorpusKind::Image;
  } else if (filters.contains(QStringLiteral("*.nmea")) ||
             filters.contains(QStringLiteral("*.xyn"))) {
    kind = CorpusKind::Lines;
  }
  const int any = mAnswers.below(100);
  const int count = dialog->fileMode() == QFileDialog::ExistingFiles && mAnswers.chance(30)
                        ? mAnswers.between(2, 6)
                        : 1;
  const int ours = mAnswers.below(1 << 20);
  if (any < 15) {
    kind = static_cast<CorpusKind>(mAnswers.below(static_cast<int>(CorpusKind::Count)));
  }
  std::vector<std::filesystem::path> paths;
  if (kind == CorpusKind::Project && !mOurProjects.empty() && ours % 3 != 0) {
    paths.push_back(mOurProjects[static_cast<size_t>(ours) % mOurProjects.size()]);
  } else {
    const std::vector<const CorpusFile*> files = mCorpus.ofKind(kind);
    for (int i = 0; i < count && !files.empty(); ++i) {
      const CorpusFile* f =
          files[static_cast<size_t>(mAnswers.below(static_cast<int>(files.size())))];
      // Several files come from one folder, as a dialog selects them.
      if (paths.empty() || f->path.parent_path() == paths.front().parent_path()) {
        if (!f->heavy || mAnswers.chance(15)) {
          paths.push_back(f->path);
        }
      }
    }
  }
  if (paths.empty()) {
    note("nothing to choose: Cancel");
    dialog->reject();
    return;
  }
  std::string text = "open";
  QString names;
  for (const auto& p : paths) {
    text += " " + p.string();
    names += '"' + QString::fromStdString(p.filename().string()) + QStringLiteral("\" ");
  }
  note(text);
  chooseInDialog(dialog, paths.front().parent_path(),
                 paths.size() == 1 ? QString::fromStdString(paths.front().filename().string())
                                   : names.trimmed());
  if (kind == CorpusKind::Project &&
      std::find(mOurProjects.begin(), mOurProjects.end(), paths.front()) != mOurProjects.end()) {
    mLoadedProjects.push_back(paths.front());
    mMessagesBeforeLoad = mCounts.messages;
  }
  static_cast<QDialog*>(dialog)->accept();
  if (!guard.isNull() && dialog->isVisible()) {
    note("the dialog did not take it: Cancel");
    dialog->reject();
  }
}

void SoakDriver::answerMessageBox(QMessageBox* box) {
  const QList<QAbstractButton*> buttons = box->buttons();
  const int choice = mAnswers.below(static_cast<int>(buttons.size()));
  note("'" + box->text().section('\n', 0, 0).toStdString() + "'");
  if (buttons.isEmpty()) {
    box->close();
    return;
  }
  note("clicks " + buttons[choice]->text().toStdString());
  buttons[choice]->click();
}

void SoakDriver::answerColourDialog(QColorDialog* dialog) {
  const int r = mAnswers.below(256), g = mAnswers.below(256), b = mAnswers.below(256);
  if (mAnswers.chance(25)) {
    note("Cancel");
    dialog->reject();
    return;
  }
  note("colour " + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b));
  dialog->setCurrentColor(QColor(r, g, b));
  dialog->accept();
}

void SoakDriver::answerContourDialog(ContourParametersDialog* dialog) {
  const int how = mAnswers.below(100);
  const int pitch = mAnswers.below(dialog->pitchList()->count());
  const int a = mAnswers.between(-200, 4000), b = mAnswers.between(-200, 4000);
  const bool ok = mAnswers.chance(80);
  QString minimum = dialog->minimumEdit()->text(), maximum = dialog->maximumEdit()->text();
  if (how >= 40 && how < 75) {
    minimum = QString::number(std::min(a, b));
    maximum = QString::number(std::max(a, b));
  } else if (how >= 75 && how < 85) {
    std::swap(minimum, maximum);
  } else if (how >= 85) {
    static const char* const kJunk[] = {"", "abc", "-5", "99999999999", " 12x", "+3"};
    minimum = QString::fromLatin1(kJunk[a % 6 < 0 ? 0 : a % 6]);
    maximum = QString::fromLatin1(kJunk[b % 6 < 0 ? 0 : b % 6]);
  }
  dialog->minimumEdit()->setText(minimum);
  dialog->maximumEdit()->setText(maximum);
  dialog->pitchList()->setCurrentIndex(pitch);
  note("bounds '" + minimum.toStdString() + "'..'" + maximum.toStdString() + "' pitch " +
       dialog->pitchList()->currentText().toStdString() + (ok ? " OK" : " Cancel"));
  QPointer<QDialog> guard(dialog);
  if (ok) {
    dialog->accept();
  }
  if (!guard.isNull() && dialog->isVisible()) {
    dialog->reject();
  }
}

void SoakDriver::answerLayerDialog(LayerDialog* dialog) {
  QPointer<LayerDialog> guard(dialog);
  const int edits = mAnswers.between(0, 5);
  for (int i = 0; i < edits && !guard.isNull() && dialog->isVisible(); ++i) {
    const int what = mAnswers.below(10);
    const int rowDraw = mAnswers.below(1 << 20);
    const int choice = mAnswers.below(1 << 20);
    QTableWidget* list = dialog->list();
    const int rows = list->rowCount();
    if (what < 3 && rows > 0) {
      QTableWidgetItem* item = list->item(rowDraw % rows, 0);
      if (item != nullptr) {
        note("toggles row " + std::to_string(rowDraw % rows));
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
      }
    } else if (what < 4) {
      note("toggles the transparency box");
      dialog->alphaCheckBox()->toggle();
    } else {
      // Selects some rows and runs an enabled item of the context menu on them.
      list->clearSelection();
      for (int r = 0; r < rows; ++r) {
        if (((rowDraw >> (r % 20)) & 1) != 0) {
          list->selectionModel()->select(list->model()->index(r, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
      }
      std::unique_ptr<QMenu> menu(dialog->buildContextMenu());
      std::vector<QAction*> actions;
      enabledActions(menu.get(), actions);
      if (actions.empty()) {
        continue;
      }
      QAction* chosen = actions[static_cast<size_t>(choice) % actions.size()];
      const int id = chosen->data().toInt();
      note("menu " + std::to_string(id) + " " + chosen->text().toStdString() + " on " +
           std::to_string(dialog->selectedRows().size()) + " rows");
      menu.reset();
      dialog->runMenuCommand(id);
    }
  }
  if (guard.isNull()) {
    return;
  }
  const int close = mAnswers.below(3);
  note(close == 0 ? "OK" : close == 1 ? "Cancel" : "close");
  if (close == 0) {
    dialog->accept();
  } else if (close == 1) {
    dialog->reject();
  } else {
    dialog->close();
  }
}

void SoakDriver::answerHueCircleDialog(HueCircleDialog* dialog) {
  QPointer<HueCircleDialog> guard(dialog);
  const int direction = mAnswers.below(2);
  const int buttons = mAnswers.below(4);  // bit 0 start colour, bit 1 end colour
  const bool ok = mAnswers.chance(70);
  dialog->directionList()->setCurrentIndex(direction);
  note("direction " + std::to_string(direction));
  if ((buttons & 1) != 0 && !guard.isNull()) {
    dialog->startButton()->click();  // the colour chooser: answered inside
  }
  if ((buttons & 2) != 0 && !guard.isNull()) {
    dialog->endButton()->click();
  }
  if (guard.isNull()) {
    return;
  }
  note(ok ? "OK" : "Cancel");
  if (ok) {
    dialog->accept();
  } else {
    dialog->reject();
  }
}

void SoakDriver::answerElevationInfoDialog(ElevationInfoDialog* dialog) {
  QPointer<ElevationInfoDialog> guard(dialog);
  const int edits = mAnswers.between(0, 4);
  for (int i = 0; i < edits && !guard.isNull(); ++i) {
    const int row = mAnswers.below(1 << 20);
    const int what = mAnswers.below(3);
    QTableWidget* list = dialog->list();
    if (list->rowCount() == 0) {
      continue;
    }
    const int r = row % list->rowCount();
    if (what == 0) {
      QTableWidgetItem* item = list->item(r, 0);
      if (item != nullptr && (item->flags() & Qt::ItemIsUserCheckable)) {
        note("toggles file " + std::to_string(r));
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
      }
    } else {
      list->clearSelection();
      list->selectRow(r);
      note(std::string(what == 1 ? "shows" : "hides") + " file " + std::to_string(r));
      dialog->setSelectedShown(what == 1);
    }
  }
  if (!guard.isNull()) {
    dialog->accept();
  }
}

void SoakDriver::answerCrossSectionDialog(CrossSectionDialog* dialog) {
  QPointer<CrossSectionDialog> guard(dialog);
  const int edits = mAnswers.between(0, 4);
  for (int i = 0; i < edits && !guard.isNull(); ++i) {
    const int what = mAnswers.below(6);
    const int ratio = mAnswers.below(6);
    switch (what) {
      case 0:
        note("補間");
        dialog->menuAction(CrossSectionDialog::kInterpolateId)->trigger();
        break;
      case 1:
      case 2:
        note("ratio item " + std::to_string(ratio));
        dialog->menuAction(CrossSectionDialog::kRatioFirstId + ratio)->trigger();
        break;
      case 3:
        note("saves the graph");
        dialog->menuAction(CrossSectionDialog::kSavePngId)->trigger();
        break;
      case 4:
        note("saves the samples");
        dialog->menuAction(CrossSectionDialog::kSaveCsvId)->trigger();
        break;
      default: {
        note("right click");  // its menu pops up and is answered inside
        const QPointF at(30, 30);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, dialog->mapToGlobal(at),
                            Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(dialog, &release);
        break;
      }
    }
  }
  if (!guard.isNull()) {
    dialog->reject();
  }
}

void SoakDriver::answerPopup(QMenu* menu) {
  std::vector<QAction*> actions;
  enabledActions(menu, actions);
  const int choice = mAnswers.below(1 << 20);
  const bool choose = mAnswers.chance(40);
  QAction* chosen =
      choose && !actions.empty() ? actions[static_cast<size_t>(choice) % actions.size()] : nullptr;
  // A click on an item closes the menus first, then the item acts.
  for (QWidget* popup = QApplication::activePopupWidget(); popup != nullptr;
       popup = QApplication::activePopupWidget()) {
    popup->close();
  }
  if (chosen != nullptr) {
    if (chosen == mWindow.action(kCmdExit)) {
      note("would choose 終了: leaves it");
      return;
    }
    note("chooses " + chosen->text().toStdString());
    chosen->trigger();
  } else {
    note("closes the menu");
  }
}

}  // namespace torvane::soak
