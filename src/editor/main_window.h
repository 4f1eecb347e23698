// The editor's main window (frmMain): four pages of controls above a TV-sized
// preview, a status bar below it. It owns the editing state, runs the open and
// save flows and routes almost every control change into one refresh.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QUndoStack>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/firmware_image.h"
#include "core/history/labelled_changes.h"
#include "core/text.h"
#include "editor/changes_window.h"
#include "editor/image_edit_command.h"
#include "editor/palette_window.h"
#include "editor/preview_renderer.h"
#include "editor/user_dialogs.h"
#include "editor/window_drag.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace orlindel::editor {

// The main window's client area at creation (PAL).
inline constexpr int kMainClientWidth = 734;
inline constexpr int kMainClientHeight = 719;
// Where the preview's top-left pixel lies in the client area.
inline constexpr int kPreviewLeft = 8;
inline constexpr int kPreviewTop = 115;
// The window is this much shorter while NTSC (480 lines, not 576) is shown.
inline constexpr int kNtscHeightReduction = 96;

// What the main window knows about the loaded firmware and the preview.
struct EditingState {
  FirmwareImage image;                      // the loaded file, byte for byte
  FirmwareImage opened;                     // the image as it was opened
  std::optional<ChangeLabeller> labeller;   // names the opened structures
  std::optional<int64_t> WindowListPos;     // entry 0 of the WList, if known
  uint8_t WindowBank = 0;                   // bank of the WList
  uint8_t MaxWindowIndex = 4;               // highest window index
  uint8_t OsdPosCount = 0;                  // groups of the OsdPosList, 0: none
  int32_t OsdPosListPos = -1;               // offset of the OsdPosList
  QImage PreviewBitmap;                     // drawn at (8, 115)
  std::optional<QImage> BackgroundPicture;  // empty picture: draws nothing
  Rect NtscRect, PalRect;                   // the selected window's rectangles
  int NormalHeight = 0;                     // window height for PAL
  bool ResizeAllowed = false;               // only the TV switch resizes
  bool PaletteLoading = false;       // the preview is filling the palette
  bool SelectedWindowShown = false;  // the last preview filled the palette
};

class TfrmMain : public QWidget,
                 public PaletteHost,
                 public ImageEditTarget,
                 public ChangesHost {
  Q_OBJECT

 public:
  // `dialogs` outlives the window; every file dialog and message goes there.
  explicit TfrmMain(UserDialogs& dialogs, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The palette window, created after the main window; may stay null.
  void AttachPalette(TfrmWB* palette);

  const EditingState& State() const { return state_; }

  // The refresh: redraws the preview for the selected windows, or an empty
  // preview while no window list is known.
  void tbIDChange();
  // Draws the preview for window `primary` (-1: none) and, when
  // `draw_second`, window `second` below it, then applies what the drawing
  // reports to the palette, the status bar and the selected rectangles.
  // RangeError when a drawn window's record lies outside the image.
  void RenderPreview(int primary, bool draw_second, int second);

  // Loads the firmware at `path` and locates its window list and OSD message
  // position list. Everything is located before anything changes: a file that
  // cannot be read, is empty or has no window list throws (FileError or
  // RangeError) and leaves the image and the editing state as they were.
  void OpenFirmware(const QString& path);
  // Loads the BMP file named in the background field, or drops the picture
  // when no such file exists. InvalidBitmapError for any other content (the
  // background is then empty).
  void LoadBackgroundPicture();

  // Left <= x <= Right and Top <= y <= Bottom.
  static bool PointInRect(int x, int y, const Rect& rect);

  // The edit history: one entry per action that changed the image.
  const QUndoStack& History() const { return undo_stack_; }

  // PaletteHost.
  void WriteBackWindow() override;
  void BeginDrag() override;
  void EndDrag() override;
  bool IsWindowsPageActive() const override;
  QRect MainFrameGeometry() const override;

  // ImageEditTarget.
  void ReplayEdits(const EditList& edits, bool undo) noexcept override;

  // ChangesHost.
  void UndoImageEdit() override;
  void RedoImageEdit() override;
  void RevertChange(const ByteEdit& change) override;
  void ExportPatch() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Control construction, one line per control (main_window_controls.cpp).
  void CreateControls();
  void CreateOpenSavePage();
  void CreateWindowsPage();
  void CreateOsdPositionsPage();
  void CreateSubtitlePage();
  void CreateStatusBar();
  void CreateActions();
  void ConnectHandlers();
  // Connects `signal` of `sender` to `handler` through the error guard.
  template <typename Sender, typename Signal, typename Handler>
  void Connect(Sender* sender, Signal signal, Handler handler);

  void FormCreate();
  void FormShow();
  void FormMouseMove(int x, int y);
  void ImageMouseMove(int px, int py);

  void btnFWOpenClick();
  void btnShowClick();
  void btnSaveClick();
  void btnOpenImgClick();
  void cmbRectsChange();
  void cmbBackgrYChange();
  void cbStrechBackClick();
  void cb2ndClick();
  void cmbTVChange();
  void FormCanResizeTo(int height);
  void pcMainChange();

  // The OSD message positions page (main_window_osd_positions.cpp).
  // The image offset of the entry that R6 and R7 select; none without a
  // list, or when the selected group has no entries. RangeError when a byte
  // it reads lies outside the image.
  std::optional<int64_t> CurrentOsdPosEntry() const;
  void tbR6Change();
  void tbR7Change();

  // The subtitle parameters page (main_window_subtitle.cpp).
  // Reads the parameters from the image and shows them in the page's
  // controls and in meLog.
  void RefreshSubtitlePage();
  void cbViewLogClick();
  void cbDebugClick();
  void btnSetMaxClick();
  void btnApplyClick();
  // Appends a line to meLog; a message also ticks "View Log", showing it.
  void AppendLogLine(const QString& line);
  void AppendLogMessage(const QString& message);
  // Runs a subtitle analysis; while "Debug" is ticked its log goes to meLog,
  // also the lines written before it ends with an error.
  bool RunSubtitleAnalysis(const std::function<bool(AnalysisLog*)>& analysis);
  // The palette's width and height of the selected window (0 without one).
  int PaletteWidth() const;
  int PaletteHeight() const;

  // The edit history (main_window_history.cpp).
  // Runs `write`, which changes the image only inside `ranges`, and pushes
  // what changed there as one undo entry named `text`. What a failing write
  // stored before its error is pushed too; then the error passes on.
  void RecordImageEdit(const QString& text, std::vector<ByteRange> ranges,
                       const std::function<void()>& write);
  // Pushes `edits`, already written, as one entry (nothing when empty).
  void PushImageEdit(const QString& text, EditList edits);
  // The refresh after undo, redo or revert: the preview, the palette and the
  // subtitle page when it is shown read the image again.
  void RefreshAfterEdit();
  // Forgets the history: `state_.image` is now the file as opened.
  void StartHistory();
  void UpdateChangesWindow();
  void btnChangesClick();
  // Asks for the file name, fixes the checksum (an undoable edit) and saves.
  // False when the user cancels.
  bool SaveFirmwareAs();
  // True when nothing unsaved would be lost: there is none, or the user saved
  // it or chose to discard it.
  bool UnsavedWorkSettled();

  // Moving and resizing the selected window on the preview
  // (main_window_drag.cpp).
  // The selected window's frame as drawn, when the "Windows" page may drag
  // it; the stored rectangle, moved by PalDY in the PAL view.
  std::optional<Rect> GrabbableFrame() const;
  EdgeLimits PaletteLimits() const;
  // Puts `values` into the palette and stores them like a palette edit.
  void MoveSelectedWindow(const PaletteValues& values);
  void StartWindowDrag(int px, int py);
  void DragWindowTo(int px, int py);
  void EndWindowDrag();
  // Moves the window (kMove) or one of its edges by (dx, dy); nudges in a
  // row, without a pause, are one edit.
  void NudgeSelectedWindow(DragHandle handle, int dx, int dy);

  // Moves tbID or tbID2 from code; a changed position runs the refresh.
  // True when the position changed.
  bool SetWindowSelector(QSlider& selector, int position);
  void SetStatusPanel(int panel, const QString& text);
  QString StatusPanel(int panel) const;
  bool WindowListKnown() const { return state_.WindowListPos.has_value(); }

  UserDialogs& dialogs_;
  TfrmWB* frmWB_ = nullptr;
  TfrmChanges* frmChanges_ = nullptr;
  EditingState state_;
  bool shown_once_ = false;
  QUndoStack undo_stack_;
  int64_t drag_ = 0;         // the drag that writes now; 0: none
  int64_t drags_begun_ = 0;  // drags so far, for their keys
  // The window drag in the preview: what was grabbed, where, and the
  // window's edges then.
  DragHandle drag_handle_ = DragHandle::kNone;
  QPoint drag_origin_;
  PaletteValues drag_start_;
  // Nudges within this pause of each other are one edit.
  QTimer nudge_pause_;
  int64_t nudge_key_ = 0;

  // The controls, named as the user's documents name them.
  QTabWidget* pcMain = nullptr;
  QWidget* tsInOut = nullptr;
  QWidget* tsWB = nullptr;
  QWidget* tsWinPos = nullptr;
  QWidget* tsMpeg4Sub = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cmbTV = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* cmbBackgrY = nullptr;
  QCheckBox* cbSafeAction = nullptr;
  QCheckBox* cbSafeTitle = nullptr;
  QPlainTextEdit* meLog = nullptr;
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
  QComboBox* cmbRects = nullptr;
  QSlider* tbID = nullptr;
  QCheckBox* cb2nd = nullptr;
  QSlider* tbID2 = nullptr;
  QLabel* lblR6 = nullptr;
  QSlider* tbR6 = nullptr;
  QLabel* lblR6val = nullptr;
  QLabel* lblR7 = nullptr;
  QSlider* tbR7 = nullptr;
  QLabel* lblR7val = nullptr;
  QGroupBox* gbHAlign = nullptr;
  QRadioButton* rbLeft = nullptr;
  QRadioButton* rbCenter = nullptr;
  QRadioButton* rbRight = nullptr;
  QGroupBox* gbVAlign = nullptr;
  QRadioButton* rbTop = nullptr;
  QRadioButton* rbBottom = nullptr;
  QGroupBox* gbCoords = nullptr;
  QLabel* Label5 = nullptr;
  QSpinBox* seLeft = nullptr;
  QLabel* Label3 = nullptr;
  QSpinBox* seRight = nullptr;
  QLabel* Label6 = nullptr;
  QSpinBox* seTop = nullptr;
  QLabel* Label4 = nullptr;
  QSpinBox* seBottom = nullptr;
  QPushButton* btnSetMax = nullptr;
  QPushButton* btnApply = nullptr;
  QCheckBox* cbDebug = nullptr;
  QCheckBox* cbViewLog = nullptr;
  QCheckBox* cbFullAscii = nullptr;
};

}  // namespace orlindel::editor
