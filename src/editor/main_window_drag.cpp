// Moving and resizing the selected window on the preview, with the mouse and
// with the arrow keys, on the "Windows" page. Every change goes the
// palette's way: the palette's controls take the new edges (clamping them to
// their ranges) and the write-back stores them, fixes the checksum and
// refreshes; one drag, or one run of nudges, is one edit of the history.
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabWidget>
#include <utility>

#include "editor/guarded_slot.h"
#include "editor/main_window.h"

namespace orlindel::editor {

namespace {

// Nudges further apart than this start a new edit.
constexpr int kNudgePauseMs = 1000;
constexpr int kNudgeStep = 1;
constexpr int kShiftNudgeStep = 10;
// cmbRects: only "PAL windows" draws the selected window moved by PalDY.
constexpr int kPalWindowsView = 1;

}  // namespace

std::optional<Rect> TfrmMain::GrabbableFrame() const {
  if (pcMain->currentWidget() != tsWB || frmWB_ == nullptr ||
      !WindowListKnown() || !state_.SelectedWindowShown)
    return std::nullopt;
  const PaletteValues values = frmWB_->Values();
  const int dy =
      cmbRects->currentIndex() == kPalWindowsView ? values.pal_dy : 0;
  return Rect{values.left, values.top + dy, values.right, values.bottom + dy};
}

EdgeLimits TfrmMain::PaletteLimits() const {
  return {frmWB_->seRight()->maximum(), frmWB_->seBottom()->maximum()};
}

void TfrmMain::MoveSelectedWindow(const PaletteValues& values) {
  if (values == frmWB_->Values()) return;
  frmWB_->Fill(values);  // under the palette's Updating: stores nothing yet
  WriteBackWindow();
}

void TfrmMain::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  RunGuarded(dialogs_, [&] {
    StartWindowDrag(point.x() - kPreviewLeft, point.y() - kPreviewTop);
  });
}

void TfrmMain::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) EndWindowDrag();
}

void TfrmMain::StartWindowDrag(int px, int py) {
  const QImage& bitmap = state_.PreviewBitmap;
  if (bitmap.isNull() || !bitmap.rect().contains(px, py)) return;
  // A click on the preview gives it the keyboard, for the nudges.
  setFocus(Qt::MouseFocusReason);
  const std::optional<Rect> frame = GrabbableFrame();
  if (!frame) return;
  const DragHandle handle = HandleAt(*frame, px, py);
  if (handle == DragHandle::kNone) return;
  drag_handle_ = handle;
  drag_origin_ = QPoint(px, py);
  drag_start_ = frmWB_->Values();
  BeginDrag();
}

void TfrmMain::DragWindowTo(int px, int py) {
  if (drag_handle_ == DragHandle::kNone) {
    // Show what a press here would grab.
    const std::optional<Rect> frame = GrabbableFrame();
    if (frame && state_.PreviewBitmap.rect().contains(px, py))
      setCursor(CursorFor(HandleAt(*frame, px, py)));
    return;
  }
  setCursor(CursorFor(drag_handle_));
  MoveSelectedWindow(DraggedValues(drag_start_, drag_handle_,
                                   px - drag_origin_.x(), py - drag_origin_.y(),
                                   PaletteLimits()));
}

void TfrmMain::EndWindowDrag() {
  if (drag_handle_ == DragHandle::kNone) return;
  drag_handle_ = DragHandle::kNone;
  EndDrag();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  int dx = 0;
  int dy = 0;
  const int step = (event->modifiers() & Qt::ShiftModifier) != 0
                       ? kShiftNudgeStep
                       : kNudgeStep;
  switch (event->key()) {
    case Qt::Key_Left:
      dx = -step;
      break;
    case Qt::Key_Right:
      dx = step;
      break;
    case Qt::Key_Up:
      dy = -step;
      break;
    case Qt::Key_Down:
      dy = step;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (!hasFocus() || !GrabbableFrame()) {
    QWidget::keyPressEvent(event);
    return;
  }
  // Alt moves the right or the bottom edge instead of the window.
  const bool resize = (event->modifiers() & Qt::AltModifier) != 0;
  const DragHandle handle = !resize   ? DragHandle::kMove
                            : dx != 0 ? DragHandle::kRight
                                      : DragHandle::kBottom;
  RunGuarded(dialogs_, [&] { NudgeSelectedWindow(handle, dx, dy); });
}

void TfrmMain::NudgeSelectedWindow(DragHandle handle, int dx, int dy) {
  if (!nudge_pause_.isActive()) nudge_key_ = ++drags_begun_;
  nudge_pause_.start(kNudgePauseMs);
  // The nudge's write-back is an edit of the running nudge series.
  const int64_t outer_drag = std::exchange(drag_, nudge_key_);
  MoveSelectedWindow(
      DraggedValues(frmWB_->Values(), handle, dx, dy, PaletteLimits()));
  drag_ = outer_drag;
}

}  // namespace orlindel::editor
