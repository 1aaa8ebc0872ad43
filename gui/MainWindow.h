#pragma once
// The main window: the one window of the program. It owns the scene and the 3D view, runs the
// start-up project with the splash, dispatches dropped files, drives auto-rotation and runs
// commands by id. Every handler changes state and ends with AfterChange (menus, repaint, cursor).

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "view/AutoRotation.h"
#include "render/DrapedTextures.h"
#include "scene/Scene.h"
#include "gui/CommandTargets.h"
#include "gui/Splash.h"

class QAction;
class QDialog;
class QMenu;

namespace torvane {

class CommandMenus;
struct CommandEffect;
class OpenProgressDialog;
class TerrainView;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  struct Options {
    DeviceLimits limits;  //!< the device limits the sampling plan must fit
    std::optional<std::filesystem::path> commandLineProject;
    //! Elevation files to open at start-up when no project is opened (the --open option).
    std::vector<std::filesystem::path> openAtStart;
    //! Files named on the command line, opened after `openAtStart` as a drop of them would.
    std::vector<std::filesystem::path> dropAtStart;
  };

  explicit MainWindow(const Options& options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  Scene& scene() { return mScene; }
  TerrainView* view() const { return mView; }
  Splash& splash() { return mSplash; }
  /// The hue-circle setting the layer and contour lists colour along; it keeps what was chosen
  /// last.
  HueCircleParameters& hueCircle() { return mHueCircle; }
  /// The action of command `id`, or nullptr when the window has none for it.
  QAction* action(int id) const { return mActions.value(id, nullptr); }
  /// The menus and accelerators built from the command table.
  CommandMenus& commandMenus() const { return *mMenus; }

  /// Where error messages go: by default a critical message box with the program name as
  /// caption. Tests record them instead.
  using MessageHandler = std::function<void(const QString& caption, const QString& text)>;
  void setMessageHandler(MessageHandler handler) { mMessageHandler = std::move(handler); }
  /// Shows an error message with `caption` through the message handler.
  void showMessage(const QString& caption, const QString& text);

  /// Start-up: opens "AutoRun.tvp" from the current folder, or else the command-line project,
  /// behind the splash, or else the --open files and then the files to drop at start; then
  /// turns drops on. Call once before the window is shown. A failure of what the command line
  /// named is reported, naming the files, once the window is on the screen; AutoRun.tvp fails
  /// silently.
  void startUp();

  /// Dispatches dropped files by the first one's extension (at most 100 count). `detail`, when
  /// given, follows the failure message on a line of its own.
  void dropPaths(const std::vector<std::filesystem::path>& paths, const QString& detail = {});

  /// Opens elevation files (the plane open when the first holds plane data), setting the
  /// caption from the first file on success. A failed open that found no data leaves the scene
  /// and the caption as they were; one that had cleared the scene resets the caption. Files
  /// that could not be used are kept for the next message (see showFailure). Shows no message
  /// except the progress of a long open (see BusyOpen). A .zip path opens the DEM XML members of
  /// that GSI download, and a member path ("NAME.zip/MEMBER.xml") opens that member (see
  /// elevation/Archive.h).
  bool openElevation(const std::vector<std::filesystem::path>& paths);

  /**
   * @brief The window is busy with a long open while one of these lives (GUI thread only).
   *
   * A progress dialog titled with string `titleText` appears once the open has taken about half
   * a second; hand progress() to the open (openElevationFiles, openLemFiles, or a project load
   * that passes it on to them), which runs on the GUI thread and may read files on other
   * threads. Meanwhile the view paints the empty frame without reading the scene, drops are
   * refused, user input waits in the queue, and closing the window waits until the open ends.
   * Scopes nest: openElevation inside a project load that made its own scope uses the outer
   * dialog. For example, a project load:
   *
   *     MainWindow::BusyOpen busy(*this, kTextOpenProject);
   *     const bool ok = torvane::LoadProject(mScene, path, busy.progress());
   */
  class BusyOpen {
  public:
    /// `readsScene`: the work only reads the scene (an export), so the view keeps drawing it.
    BusyOpen(MainWindow& window, int titleText, bool readsScene = false);
    ~BusyOpen();
    BusyOpen(const BusyOpen&) = delete;
    BusyOpen& operator=(const BusyOpen&) = delete;
    /// The progress callback of the open (the outermost scope's).
    const OpenProgressFn& progress() const;

  private:
    MainWindow& mWindow;
  };
  /// True while a BusyOpen lives.
  bool busy() const { return mBusyDepth > 0; }
  /// The progress dialog of the running open once it has appeared, else nullptr.
  QDialog* progressDialog() const;

  /// Writes the shown elevation files as one Cloud-Optimized GeoTIFF at `path` (see exportDem)
  /// with the progress of a long open; on failure shows GeoTIFFを書き出せませんでした with the
  /// file and the reason. The file is replaced only once complete.
  bool exportDemFile(const std::filesystem::path& path);

  /// Loads a project and remembers its path for the caption. Shows no message; files that could
  /// not be used are kept for the next message.
  bool LoadProject(const std::filesystem::path& path);
  /// Drapes an image (see torvane::LoadTexture). Shows no message; the image colour mode is the
  /// caller's to switch.
  bool LoadTexture(const std::filesystem::path& path);
  /// The draped image's pixels and textures.
  DrapedTextures& drapedTextures() { return mTextures; }
  /// Adds line/point data files. Shows no message; files that could not be used are kept for
  /// the next message.
  bool addLineFiles(const std::vector<std::filesystem::path>& paths);

  /// Shows error text `textId` (and `detail` on a line of its own when given) in a message box
  /// captioned with text `captionTextId`, or the program name for 0.
  void showError(int textId, int captionTextId = 0, const QString& detail = {});
  /// After a failed open, project load or layer add: error text `textId` followed by each file
  /// that could not be used and why, or `detail` when no file was reported. After a successful
  /// one that left files out: those files under their own heading. Nothing when all went well.
  /// Forgets the files.
  void showFailure(bool succeeded, int textId, int captionTextId = 0, const QString& detail = {});

public slots:
  /// Runs the command with menu id `id` (the same ids as the menu and accelerator tables).
  void runCommand(int id);
  /// The common tail after a change: menu state, repaint without erase, cursor back from wait.
  void AfterChange();
  /// Enables, greys and checks the menu items from the scene.
  void UpdateMenuState();
  void stopRotation();
  /// The view's cursor where the mouse is: over the view the cross in a ruler mode, otherwise
  /// the hover cursor; over the trackbars the arrow (the closed hand of a drag is view
  /// control's).
  void UpdateCursor();

protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  // The command set (WindowCommands.cpp).
  void buildMenus();
  void runMenuCommand(int id);
  void finishCommand(const CommandEffect& effect);
  /// The image colour mode after LoadTexture: image colours after a load, land and sea colours
  /// when no image is left. Returns `loaded`.
  bool finishImageLoad(bool loaded);
  QString firstElevationFolder() const;
  void startRotation(bool clockwise);
  void onRotationTick();
  uint32_t tickCount() const;
  void setLoadedCaption(const std::filesystem::path& path);
  void resetCaption();
  void setWaitCursor();
  /// Up to three of `paths`, one a line, and how many more there are: the detail of a start-up
  /// failure.
  static QString fileList(const std::vector<std::filesystem::path>& paths);
  /// Shows the messages that waited for the window, once the event loop runs.
  void showStartUpMessages();

  DrapedTextures mTextures;  // before the scene, which decodes through it
  Scene mScene;
  TerrainView* mView = nullptr;  // owned by the window (central widget)
  Splash mSplash;
  std::optional<std::filesystem::path> mCommandLineProject;
  std::vector<std::filesystem::path> mOpenAtStart;
  std::vector<std::filesystem::path> mDropAtStart;
  std::filesystem::path mProjectPath;  //!< the project last loaded successfully
  QHash<int, QAction*> mActions;       // owned by the window through their menus
  CommandMenus* mMenus = nullptr;      // owned by the window (a child object)
  MessageHandler mMessageHandler;
  HueCircleParameters mHueCircle;
  //! Start-up messages wait here until the window is on the screen (caption, text).
  std::vector<std::pair<QString, QString>> mStartUpMessages;
  bool mStartingUp = false;  //!< within startUp(): messages wait for the window
  FileProblems mProblems;    //!< files the last open, load or add could not use

  int mBusyDepth = 0;                       // nested BusyOpen scopes
  OpenProgressDialog* mProgress = nullptr;  // owned while the outermost BusyOpen lives
  bool mCloseWhenIdle = false;              // a close request came during an open

  QTimer mRotationTimer;
  QElapsedTimer mTicks;
  RotationClock mClock;
};

}  // namespace torvane
