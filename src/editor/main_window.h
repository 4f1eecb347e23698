// The editor's main window (frmMain), the shell around the pages: a menu bar
// above a fixed client area that holds the "Open / Save" page and the pages
// of the other editors above a TV-sized preview, the controls they share (TV
// standard, background, safe areas, status bar). It runs the open and save
// flows and the refresh that draws the preview from every page's part.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>

#include "core/firmware_document.h"
#include "core/tv_geometry.h"
#include "core/window_geometry.h"
#include "editor/changes_window.h"
#include "editor/editor_document.h"
#include "editor/main_menus.h"
#include "editor/osd_positions_page.h"
#include "editor/page_host.h"
#include "editor/palette_window.h"
#include "editor/preview_widget.h"
#include "editor/subtitle_page.h"
#include "editor/unsaved_edits_journal.h"
#include "editor/user_dialogs.h"
#include "editor/windows_page.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSessionManager;
class QTabWidget;

namespace orlindel::editor {

// The main window's client area (below the menu bar) at creation (PAL).
inline constexpr int kMainClientWidth = 734;
inline constexpr int kMainClientHeight = 719;
// Where the preview's top-left pixel lies in the client area.
inline constexpr int kPreviewLeft = 8;
inline constexpr int kPreviewTop = 115;
// The window is this much shorter while NTSC (kNtscLines, not kPalLines) is
// shown.
inline constexpr int kNtscHeightReduction = kPalLines - kNtscLines;
// What the main window itself shows beside the pages.
struct EditingState {
  std::optional<QImage> BackgroundPicture;  // empty picture: draws nothing
  Rect NtscRect, PalRect;                   // the selected window's rectangles
  int NormalHeight = 0;                     // window height for PAL
  bool ResizeAllowed = false;               // only the TV switch resizes
};

class TfrmMain : public QMainWindow,
                 public PageHost,
                 public MenuHost,
                 public ChangesHost {
  Q_OBJECT

 public:
  // `dialogs` outlives the window; every file dialog and message goes there.
  explicit TfrmMain(UserDialogs& dialogs, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The palette window, created after the main window; may stay null. It
  // closes with the main window.
  void AttachPalette(TfrmWB* palette);
  // Shows the zoom at which the window fits the free area `available` of its
  // screen (the user's own choice when it fits) and moves it, centred, wholly
  // into that area. Runs when the window is first shown.
  void FitToScreen(const QRect& available);
  // The journal of the document's unsaved edits.
  UnsavedEditsJournal& Journal() { return *journal_; }

  const EditingState& State() const { return state_; }
  const FirmwareDocument& Document() const { return editor_->Document(); }
  // The edit history: one entry per action that changed the image.
  const QUndoStack& History() const { return editor_->History(); }
  WindowsPage& Windows() { return *windows_; }
  PreviewWidget& Preview() { return *preview_; }
  // The fixed client area below the menu bar; every control's coordinates
  // are the client's.
  QWidget& Client() { return *client_; }

  // Draws the preview for window `primary` (-1: none) and, when
  // `draw_second`, window `second` below it, then applies what the drawing
  // reports to the palette, the status bar and the selected rectangles.
  // RangeError when a drawn window's record lies outside the image.
  void RenderPreview(int primary, bool draw_second, int second);

  // Loads the firmware at `path` and locates its window list and OSD message
  // position list, then offers the unsaved edits a journal holds for it. A
  // file that cannot be read, is empty or has no window list throws
  // (FileError or RangeError) and leaves the image and the editing state as
  // they were.
  void OpenFirmware(const QString& path);
  // Opens `path` as if the user had picked it in the open dialog: asks about
  // unsaved work first, shows an error in the dialogs and keeps the image
  // loaded before. False when nothing was opened.
  bool OpenFirmwareFile(const QString& path) override;
  // The firmware named on the command line: opened like OpenFirmwareFile,
  // an error shown once in the dialogs.
  void OpenAtStart(const QString& path);
  // Loads the picture (BMP or any other format Qt reads) named in the
  // background field, or drops the picture when no such file exists.
  // InvalidBitmapError for content no reader takes (the background is then
  // empty).
  void LoadBackgroundPicture();

  // PageHost.
  EditorDocument& Editor() override { return *editor_; }
  UserDialogs& Dialogs() override { return dialogs_; }
  void Refresh() override;
  void RefreshSelectedOnly() override;
  bool IsCurrentPage(const QWidget* page) const override;
  int SelectedWindow() const override;
  int MaxSelectableWindow() const override;
  bool SelectWindow(int index) override;
  QSize SelectedWindowSize() const override;
  int PictureLines() const override;

  // MenuHost.
  void OpenThroughDialog() override { btnFWOpenClick(); }
  void SaveThroughDialog() override { btnSaveClick(); }
  // Shows the preview at `percent` of its size; the client area follows.
  void SetZoom(int percent) override;
  // Closes the main window: the way out of the program (see closeEvent).
  void Quit() override { close(); }
  const QImage& PreviewBitmap() const override;

  // ChangesHost: each shows its own errors.
  void UndoImageEdit() override;
  void RedoImageEdit() override;
  void RevertChange(const ByteEdit& change) override;
  void ExportPatch() override;

 protected:
  void showEvent(QShowEvent* event) override;
  // Every way out (Quit, the window's close button, the end of the desktop
  // session) comes here: once the unsaved-changes question is settled the
  // palette and the Changes window close too and the event loop ends.
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  // One local file dropped on the window is opened like a file picked in
  // the open dialog.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Control construction, one line per control (main_window_controls.cpp).
  void CreateControls();
  void CreateOpenSavePage();
  void CreateStatusBar();
  void CreateActions();
  void ConnectHandlers();
  // The client's height for the TV standard shown at zoom `percent`.
  int FittingClientHeight(int percent) const;
  // Moves the window back onto its screen after its size changed.
  void KeepOnScreen();

  void FormCreate();
  // The title names the firmware file at `path` (none: empty).
  void ShowFileInTitle(const QString& path);
  void FormShow();
  void ImageMouseMove(int px, int py);

  void btnFWOpenClick();
  // Opens `path` and shows it; the "FW File:" field changes only when the
  // file was opened.
  void btnShowClick(const QString& path);
  void btnSaveClick();
  void btnOpenImgClick();
  void cmbBackgrYChange();
  void cbStrechBackClick();
  void cmbTVChange();
  void FormCanResizeTo(int height);
  // Gives the client area `height` and keeps the status bar on its bottom.
  void SetClientHeight(int height);
  // Enables Save (button and menu) once a firmware with a window list is in.
  void UpdateSaveEnabled();
  void pcMainChange();
  void btnChangesClick();

  // The document changed: the modified mark, the history's buttons, the
  // Changes window, and (unless a firmware is being opened, whose open
  // draws it once it is complete) the preview, the palette and the subtitle
  // page when it is shown read the image again.
  void DocumentChanged();
  // Undo and Redo name the entry they would undo or redo and are disabled at
  // the history's ends.
  void UpdateHistoryActions();
  void RefreshAfterEdit();
  // The desktop session ends: asked once when the session allows it (the
  // window then closes as by Quit); otherwise the unsaved edits stay in
  // their journal for the next start.
  void CommitSessionData(QSessionManager& manager);
  void UpdateChangesWindow();
  // Asks for the file name, fixes the checksum (an undoable edit) and saves.
  // False when the user cancels.
  bool SaveFirmwareAs();
  // True when nothing unsaved would be lost: there is none, or the user saved
  // it or chose to discard it.
  bool UnsavedWorkSettled();

  void SetStatusPanel(int panel, const QString& text);
  QString StatusPanel(int panel) const;

  UserDialogs& dialogs_;
  QWidget* client_ = nullptr;
  EditorDocument* editor_ = nullptr;
  UnsavedEditsJournal* journal_ = nullptr;
  TfrmWB* palette_ = nullptr;
  bool opening_ = false;  // a firmware is being opened
  EditingState state_;
  bool shown_once_ = false;
  WindowsPage* windows_ = nullptr;
  OsdPositionsPage* osd_positions_ = nullptr;
  SubtitlePage* subtitle_ = nullptr;
  PreviewWidget* preview_ = nullptr;
  TfrmChanges* frmChanges_ = nullptr;

  // The controls, named as the user's documents name them.
  QTabWidget* pcMain = nullptr;
  QWidget* tsInOut = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cmbTV = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* cmbBackgrY = nullptr;
  QCheckBox* cbSafeAction = nullptr;
  QCheckBox* cbSafeTitle = nullptr;
  QWidget* sbInfo = nullptr;
  std::array<QLabel*, 10> sbInfoPanels{};
  QLineEdit* ledFWFile = nullptr;
  QPushButton* btnFWOpen = nullptr;
  QLineEdit* ledBackrgoundImg = nullptr;
  QPushButton* btnOpenImg = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnChanges = nullptr;
  QAction* actUndo = nullptr;
  QAction* actRedo = nullptr;
  QAction* actChanges = nullptr;
  MainMenus* menus_ = nullptr;
};

}  // namespace orlindel::editor
