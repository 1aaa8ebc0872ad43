// The main window's command set: the menus and accelerators, every command past the few the
// window runs itself, and the menu state. Commands check their condition first; a command whose
// condition fails does nothing at all. Commands that open a dialog stop auto-rotation first.

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QMenuBar>
#include <algorithm>

#include "elevation/Archive.h"
#include "elevation/DemExport.h"
#include "scene/CommandTable.h"
#include "gui/ColourRef.h"
#include "gui/CommandTargets.h"
#include "scene/Commands.h"
#include "scene/Contours.h"
#include "scene/DropDispatch.h"
#include "gui/MainWindow.h"
#include "gui/MenuBar.h"
#include "gui/QtText.h"
#include "gui/StandardDialogs.h"
#include "scene/Propagation.h"
#include "gui/TerrainView.h"
#include "resources/Texts.h"

namespace torvane {

namespace {

QString qstring(const std::string& s) { return QString::fromStdString(s); }

const std::vector<FileFilter> kProjectFilters = {
    {QStringLiteral("TVP(*.tvp)"), QStringLiteral("*.tvp")}};
const std::vector<FileFilter> kJpegFilters = {
    {QStringLiteral("JPEG(*.jpg)"), QStringLiteral("*.jpg")}};

}  // namespace

void MainWindow::buildMenus() {
  mMenus = new CommandMenus(menuBar(), this);
  connect(mMenus, &CommandMenus::commandTriggered, this, &MainWindow::runCommand);
  for (const MenuEntry& entry : menuTable()) {
    if (entry.kind != MenuKind::Separator && entry.kind != MenuKind::Submenu) {
      mActions.insert(entry.id, mMenus->action(entry.id));
    }
  }
  UpdateMenuState();
}

bool MainWindow::exportDemFile(const std::filesystem::path& path) {
  DemExport result;
  WriteError error;
  bool ok = false;
  {
    BusyOpen busy(*this, kTextExportDem, true);
    ok = exportDem(mScene.grid, path, result, &error, busy.progress());
  }
  if (!ok) {
    showError(kTextExportDemFailed, kTextExportDem, QString::fromStdString(error.localMessage()));
  }
  return ok;
}

void MainWindow::UpdateMenuState() {
  mMenus->update(mScene.view, mScene.ruler, commandContext(mScene));
}

QString MainWindow::firstElevationFolder() const {
  const std::filesystem::path folder = folderOnDisk(mScene.grid.filePath(0));
  return folder.empty() ? QDir::currentPath() : qstring(folder.string());
}

void MainWindow::finishCommand(const CommandEffect& effect) {
  if (!effect.acted) {
    // Nothing happened, but Qt may have moved a mark when the item was chosen: show the
    // marks as they were.
    mMenus->refresh();
    return;
  }
  bool applied = true;
  switch (effect.apply) {
    case Propagate::None:
      applied = false;
      break;
    case Propagate::LandColours:
      ApplyLandColours(mScene);
      break;
    case Propagate::Relief:
      ApplyRelief(mScene);
      break;
    case Propagate::Transparency:
      ApplyTransparency(mScene);
      break;
  }
  if (applied) {
    RefreshVertexData(mScene);
  }
  if (effect.updateMenus) {
    UpdateMenuState();
  }
  mView->update();
}

void MainWindow::runMenuCommand(int id) {
  const CommandContext context = commandContext(mScene);
  if (!commandAllowed(id, mScene.view, mScene.ruler, context)) {
    mMenus->refresh();
    return;
  }
  if (commandOpensDialog(id) && mScene.view.rotating) {
    runCommand(kCmdRotateStop);
  }
  if (isSettingCommand(id)) {
    finishCommand(applySettingCommand(mScene.view, mScene.ruler, context, id));
    if (id == kCmdStraightRuler || id == kCmdPathRuler) {
      AfterChange();  // the cursor shape follows the ruler mode
    }
    return;
  }

  switch (id) {
    case kCmdOpenProject: {
      const auto paths = runFileDialog(
          this, {FileDialogKind::OpenOne, qtext(kTextOpenProject), kProjectFilters,
                 QDir::currentPath(), qstring(defaultProjectName()), QStringLiteral("tvp")});
      if (paths.empty()) {
        return;
      }
      setWaitCursor();
      const bool loaded = LoadProject(paths.front());
      if (loaded) {
        setLoadedCaption(mProjectPath);
      } else if (mScene.grid.count == 0) {
        resetCaption();  // the load had released the scene
      }
      showFailure(loaded, kTextNoValidData, kTextOpenProject);
      AfterChange();
      return;
    }
    case kCmdSaveProject: {
      const auto paths = runFileDialog(
          this, {FileDialogKind::Save, qtext(kTextSaveProject), kProjectFilters,
                 firstElevationFolder(), qstring(defaultProjectName()), QStringLiteral("tvp")});
      if (!paths.empty()) {
        setWaitCursor();
        QString error;
        const bool saved = SaveProject(*this, paths.front(), error);
        QApplication::restoreOverrideCursor();
        if (!saved) {
          showError(kTextSaveFailed, kTextSaveProject, error);
        }
      }
      return;
    }
    case kCmdAddLineData: {
      const auto paths =
          runFileDialog(this, {FileDialogKind::OpenMany, qtext(kTextAddLineData),
                               lineFileFilters(mScene.grid.GeoCoordinates), firstElevationFolder(),
                               QString(), QStringLiteral("xml")});
      if (paths.empty()) {
        return;
      }
      setWaitCursor();
      showFailure(addLineFiles(paths), kTextNoValidData, kTextAddLineData);
      AfterChange();
      return;
    }
    case kCmdDrapeImage: {
      const auto paths =
          runFileDialog(this, {FileDialogKind::OpenOne,
                               qtext(kTextDrapeImage),
                               {kJpegFilters.front(),
                                {QStringLiteral("PNG(*.png)"), QStringLiteral("*.png")},
                                {QStringLiteral("All Files"), QStringLiteral("*.jpg *.png")}},
                               firstElevationFolder(),
                               QString(),
                               QStringLiteral("jpg")});
      if (paths.empty()) {
        return;
      }
      setWaitCursor();
      if (!finishImageLoad(LoadTexture(paths.front()))) {
        showError(kTextUnsupportedFile, kTextDrapeImage);
      }
      AfterChange();
      return;
    }
    case kCmdRemoveImage:
      releaseDrapedImage(*this);
      finishCommand(setImageColourMode(mScene.view, kLandAndSea));
      return;
    case kCmdSaveImage: {
      const auto paths = runFileDialog(
          this, {FileDialogKind::Save, qtext(kTextSaveImage), kJpegFilters, QDir::currentPath(),
                 qstring(defaultImageName()), QStringLiteral("jpg")});
      if (!paths.empty()) {
        setWaitCursor();
        QString error;
        const bool saved = SaveImage(*this, paths.front(), error);
        QApplication::restoreOverrideCursor();
        if (!saved) {
          showError(kTextSaveFailed, kTextSaveImage, error);
        }
      }
      return;
    }
    case kCmdHueCircle: {
      // The land colours' hues go into the shared setting first and come back after OK; the
      // layer and contour lists colour along whatever the setting holds last.
      mHueCircle = {mScene.view.CRHueR, mScene.view.CRHueS, mScene.view.CRHueE};
      HueCircleParameters parameters = mHueCircle;
      if (showHueCircleDialog(*this, parameters)) {
        mHueCircle = parameters;
        finishCommand(applyHueCircle(mScene.view, parameters.direction, parameters.startHue,
                                     parameters.endHue));
      }
      return;
    }
    case kCmdSeaColour: {
      const QColor ocean = fromColorRef(mScene.view.OceanC);
      QColorDialog::setCustomColor(0, ocean);
      for (int slot = 1; slot < 16; ++slot) {
        QColorDialog::setCustomColor(slot, Qt::white);
      }
      const QColor chosen = QColorDialog::getColor(ocean, this);
      if (chosen.isValid()) {
        finishCommand(applySeaColour(mScene.view, toColorRef(chosen)));
      }
      return;
    }
    case kCmdCrossSection:
      showCrossSectionDialog(*this);
      return;
    case kCmdElevationInfo:
      showElevationInfoDialog(*this);
      return;
    case kCmdLayerInfo:
      showLayerDialog(*this);
      return;
    case kCmdVersion:
      showVersionDialog(*this);
      return;
    case kCmdElevationContours:
    case kCmdSlopeContours:
      showContourDialog(*this, id == kCmdSlopeContours);
      return;
    case kCmdContourInfo:
      showContourInfoDialog(*this);
      return;
    case kCmdExportDem: {
      const auto paths =
          runFileDialog(this, {FileDialogKind::Save,
                               qtext(kTextExportDem),
                               {{QStringLiteral("GeoTIFF(*.tif)"), QStringLiteral("*.tif")}},
                               firstElevationFolder(),
                               QStringLiteral("terrain.tif"),
                               QStringLiteral("tif")});
      if (!paths.empty()) {
        exportDemFile(paths.front());
      }
      return;
    }
    case kCmdExportContours: {
      const auto paths = runFileDialog(
          this, {FileDialogKind::Save,
                 qtext(kTextExportContours),
                 {{QStringLiteral("GeoJSON(*.geojson)"), QStringLiteral("*.geojson")}},
                 firstElevationFolder(),
                 QStringLiteral("contours.geojson"),
                 QStringLiteral("geojson")});
      if (paths.empty()) {
        return;
      }
      setWaitCursor();
      WriteError error;
      const bool ok = exportContourGeoJson(mScene, paths.front(), true, &error);
      QApplication::restoreOverrideCursor();
      if (!ok) {
        showError(kTextSaveFailed, kTextExportContours,
                  QString::fromStdString(error.localMessage()));
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace torvane
