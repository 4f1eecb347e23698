// The "Windows" page: picks the selected window (tbID) and an optional second
// one drawn under it (tbID2), chooses which of their positions the preview
// draws, and edits the selected window through the palette and by dragging
// or nudging its frame on the preview. One drag, or one run of nudges, is
// one edit of the history.
#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <optional>

#include "core/window_geometry.h"
#include "editor/page_host.h"
#include "editor/palette_window.h"
#include "editor/preview_widget.h"
#include "editor/window_drag.h"
#include "render/preview_renderer.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QTabWidget;

namespace orlindel::editor {

class WindowsPage : public QObject, public PaletteHost, public PreviewInput {
  Q_OBJECT

 public:
  // Adds the page to `tabs`; `main_window` is where the palette docks.
  WindowsPage(PageHost& host, QTabWidget& tabs, QWidget& main_window);

  QWidget* Page() const { return tsWB; }
  // The palette window, created after the main window; may stay null.
  void AttachPalette(TfrmWB* palette) { frmWB_ = palette; }

  // The windows the preview draws: the selected one, and the second when
  // "2nd" is ticked.
  struct Selection {
    int primary = -1;
    bool draw_second = false;
    int second = -1;
  };
  Selection Selected() const;
  int SelectedWindow() const;
  int MaxSelectableWindow() const;
  // Moves tbID from code; a changed position runs the refresh. True when the
  // position changed.
  bool SelectWindow(int index);
  // cmbRects: 0 NTSC, 1 PAL, 2 NTSC+PAL windows.
  int RectsMode() const;
  void SetRectsMode(int mode);

  // Both selectors offer windows 0..`max_window_index` (a fresh window).
  void ResetSelectors(int max_window_index);
  // Both selectors offer windows 0..`max_window_index`, keeping their
  // positions where they still fit (a firmware was opened).
  void LimitSelectors(int max_window_index);
  // The page was shown (the palette comes up beside the main window and the
  // selector takes the keyboard) or another page was (the palette hides).
  void PageShown(bool shown);
  // Unticks "2nd", as other pages draw one window only.
  void UncheckSecond();

  // Before and after a drawing of the preview: the palette shows the drawn
  // window's values.
  void BeginPreview() { SelectedWindowShown_ = false; }
  void ApplyPreview(const render::PreviewResult& result);
  // The drawing failed: the palette shows no window it could edit.
  void PreviewFailed();
  // The width and height the palette shows (0 x 0 without a palette).
  QSize PaletteSize() const;
  bool PaletteLoading() const { return PaletteLoading_; }

  // The handlers of the page's controls.
  void tbIDChange();
  void cmbRectsChange();
  void cb2ndClick();

  // PaletteHost.
  void WriteBackWindow() override;
  void BeginDrag() override;
  void EndDrag() override;
  bool IsWindowsPageActive() const override;
  QRect MainFrameGeometry() const override;
  UserDialogs& Dialogs() override;

  // PreviewInput.
  void PreviewPressed(int px, int py) override;
  std::optional<Qt::CursorShape> PreviewMoved(int px, int py,
                                              bool over_picture) override;
  void PreviewReleased() override;
  bool PreviewArrowKey(int key, Qt::KeyboardModifiers modifiers) override;

 private:
  // The selected window's frame as drawn, when the page may drag it: the
  // stored rectangle, moved by PalDY in the PAL view.
  std::optional<Rect> GrabbableFrame() const;
  // How far a drag may take the window with `values`: to the palette's
  // maximum, and in the PAL view only so far that the frame moved by PalDY
  // stays on the picture's lines.
  EdgeLimits DragLimits(const PaletteValues& values) const;
  // Puts `values` into the palette and stores them like a palette edit.
  void MoveSelectedWindow(const PaletteValues& values);
  // Moves the window (kMove) or one of its edges by (dx, dy); nudges in a
  // row, without a pause, are one edit.
  void NudgeSelectedWindow(DragHandle handle, int dx, int dy);

  PageHost& host_;
  QWidget& main_window_;
  TfrmWB* frmWB_ = nullptr;
  bool PaletteLoading_ = false;       // the preview is filling the palette
  bool SelectedWindowShown_ = false;  // the last preview filled the palette
  // The window drag on the preview: what was grabbed, where, and the
  // window's edges then.
  DragHandle drag_handle_ = DragHandle::kNone;
  QPoint drag_origin_;
  // The mouse has moved past the drag distance since the press; until then
  // a jittering press moves nothing.
  bool drag_moved_ = false;
  PaletteValues drag_start_;
  // Nudges within this pause of each other are one edit.
  QTimer nudge_pause_;
  int64_t nudge_key_ = 0;

  QWidget* tsWB = nullptr;
  QComboBox* cmbRects = nullptr;
  QSlider* tbID = nullptr;
  QCheckBox* cb2nd = nullptr;
  QSlider* tbID2 = nullptr;
};

}  // namespace orlindel::editor
