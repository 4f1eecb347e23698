#include "editor/windows_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>

#include "core/text.h"
#include "editor/control_factory.h"
#include "editor/control_updates.h"
#include "editor/editor_document.h"
#include "editor/flag_scope.h"

namespace orlindel::editor {

namespace {

// Nudges further apart than this start a new edit.
constexpr int kNudgePauseMs = 1000;
constexpr int kNudgeStep = 1;
constexpr int kShiftNudgeStep = 10;
// cmbRects: only "PAL windows" draws the selected window moved by PalDY.
constexpr int kPalWindowsView = 1;

}  // namespace

WindowsPage::WindowsPage(PageHost& host, QTabWidget& tabs, QWidget& main_window)
    : QObject(&main_window), host_(host), main_window_(main_window) {
  setObjectName("WindowsPage");
  nudge_pause_.setSingleShot(true);
  tsWB = Make<QWidget>(nullptr, "tsWB");
  tabs.addTab(tsWB, "Windows");
  cmbRects = MakeComboBox(tsWB, "cmbRects",
                          {"NTSC windows", "PAL windows", "NTSC+PAL windows"},
                          5, 4, 123);
  // Wide enough for "NTSC+PAL windows" beside the arrow; the selectors give
  // way to it and to the "2nd" caption.
  tbID = MakeTrackBar(tsWB, "tbID", 132, 4, 271, 30);
  cb2nd = MakeCheckBox(tsWB, "cb2nd", "2nd", 409, 4);
  tbID2 = MakeTrackBar(tsWB, "tbID2", 453, 4, 272, 30);
  tbID2->setEnabled(false);

  UserDialogs& dialogs = host_.Dialogs();
  ConnectGuarded(dialogs, cmbRects, &QComboBox::activated, this,
                 &WindowsPage::cmbRectsChange);
  ConnectGuarded(dialogs, tbID, &QSlider::valueChanged, this,
                 &WindowsPage::tbIDChange);
  ConnectGuarded(dialogs, cb2nd, &QCheckBox::toggled, this,
                 &WindowsPage::cb2ndClick);
  ConnectGuarded(dialogs, tbID2, &QSlider::valueChanged, this,
                 &WindowsPage::tbIDChange);
}

WindowsPage::Selection WindowsPage::Selected() const {
  return {tbID->value(), cb2nd->isChecked(), tbID2->value()};
}

int WindowsPage::SelectedWindow() const { return tbID->value(); }

int WindowsPage::MaxSelectableWindow() const { return tbID->maximum(); }

bool WindowsPage::SelectWindow(int index) {
  return SetSliderPosition(*tbID, index, [this] { tbIDChange(); });
}

int WindowsPage::RectsMode() const { return cmbRects->currentIndex(); }

void WindowsPage::SetRectsMode(int mode) { cmbRects->setCurrentIndex(mode); }

void WindowsPage::ResetSelectors(int max_window_index) {
  for (QSlider* selector : {tbID, tbID2})
    selector->setRange(0, max_window_index);
}

void WindowsPage::LimitSelectors(int max_window_index) {
  for (QSlider* selector : {tbID2, tbID}) {
    if (selector->value() > max_window_index)
      SetSliderPosition(*selector, max_window_index, [this] { tbIDChange(); });
  }
  for (QSlider* selector : {tbID2, tbID})
    SetSliderMaximum(*selector, max_window_index, [this] { tbIDChange(); });
}

void WindowsPage::PageShown(bool shown) {
  if (frmWB_ != nullptr) {
    if (shown) {
      frmWB_->show();
      frmWB_->PlacePalette();
    } else {
      frmWB_->hide();
    }
  }
  if (shown) tbID->setFocus();
}

void WindowsPage::UncheckSecond() {
  SetChecked(*cb2nd, false, [this] { cb2ndClick(); });
}

void WindowsPage::ApplyPreview(const render::PreviewResult& result) {
  if (frmWB_ != nullptr) {
    // Editable only while it shows the selected window's own values.
    frmWB_->SetEditingEnabled(result.palette_enabled &&
                              result.palette.has_value());
    if (result.palette) {
      const FlagScope loading(PaletteLoading_);
      frmWB_->Fill(*result.palette);
    }
    if (result.palette_caption) frmWB_->setWindowTitle(*result.palette_caption);
  }
  SelectedWindowShown_ = result.palette.has_value();
}

void WindowsPage::PreviewFailed() {
  SelectedWindowShown_ = false;
  if (frmWB_ != nullptr) frmWB_->SetEditingEnabled(false);
}

QSize WindowsPage::PaletteSize() const {
  if (frmWB_ == nullptr) return {0, 0};
  return {frmWB_->seWidth()->value(), frmWB_->seHeight()->value()};
}

void WindowsPage::tbIDChange() { host_.Refresh(); }

void WindowsPage::cmbRectsChange() { tbIDChange(); }

void WindowsPage::cb2ndClick() {
  tbID2->setEnabled(cb2nd->isChecked());
  tbIDChange();
}

void WindowsPage::WriteBackWindow() {
  // The palette's values belong to the selected window only when the last
  // drawing filled it; otherwise they would overwrite its record with
  // another window's edges. Once the main window has closed, input that
  // still reaches the palette or the preview edits nothing.
  EditorDocument& editor = host_.Editor();
  if (!editor.Document().WindowListKnown() || PaletteLoading_ ||
      frmWB_ == nullptr || !SelectedWindowShown_ || !main_window_.isVisible())
    return;
  const int index = tbID->value();
  const PaletteValues values = frmWB_->Values();
  // The document's change redraws the preview, which fills the palette.
  editor.Perform(QString::fromStdString(
                     Format("Window 0x%.2X", static_cast<unsigned>(index))),
                 [&](FirmwareDocument& document) {
                   return document.WriteWindow(index, values);
                 });
}

void WindowsPage::BeginDrag() { host_.Editor().BeginDrag(); }

void WindowsPage::EndDrag() { host_.Editor().EndDrag(); }

bool WindowsPage::IsWindowsPageActive() const {
  return host_.IsCurrentPage(tsWB);
}

QRect WindowsPage::MainFrameGeometry() const {
  return main_window_.frameGeometry();
}

UserDialogs& WindowsPage::Dialogs() { return host_.Dialogs(); }

std::optional<Rect> WindowsPage::GrabbableFrame() const {
  if (!host_.IsCurrentPage(tsWB) || frmWB_ == nullptr ||
      !host_.Editor().Document().WindowListKnown() || !SelectedWindowShown_)
    return std::nullopt;
  const PaletteValues values = frmWB_->Values();
  const int dy =
      cmbRects->currentIndex() == kPalWindowsView ? values.pal_dy : 0;
  return Rect{values.left, values.top + dy, values.right, values.bottom + dy};
}

EdgeLimits WindowsPage::DragLimits(const PaletteValues& values) const {
  const int dy =
      cmbRects->currentIndex() == kPalWindowsView ? values.pal_dy : 0;
  const int lines =
      std::min(frmWB_->seBottom()->maximum(), host_.PictureLines());
  return {frmWB_->seRight()->maximum(), std::max(lines - dy, 0)};
}

void WindowsPage::MoveSelectedWindow(const PaletteValues& values) {
  if (values == frmWB_->Values()) return;
  frmWB_->Fill(values);  // under the palette's Updating: stores nothing yet
  WriteBackWindow();
}

void WindowsPage::PreviewPressed(int px, int py) {
  const std::optional<Rect> frame = GrabbableFrame();
  if (!frame) return;
  const DragHandle handle = HandleAt(*frame, px, py);
  if (handle == DragHandle::kNone) return;
  drag_handle_ = handle;
  drag_origin_ = QPoint(px, py);
  drag_moved_ = false;
  drag_start_ = frmWB_->Values();
  BeginDrag();
}

std::optional<Qt::CursorShape> WindowsPage::PreviewMoved(int px, int py,
                                                         bool over_picture) {
  if (drag_handle_ == DragHandle::kNone) {
    // Show what a press here would grab.
    const std::optional<Rect> frame = GrabbableFrame();
    if (frame && over_picture) return CursorFor(HandleAt(*frame, px, py));
    return std::nullopt;
  }
  if (!drag_moved_) {
    const QPoint moved = QPoint(px, py) - drag_origin_;
    if (moved.manhattanLength() < QApplication::startDragDistance())
      return CursorFor(drag_handle_);
    drag_moved_ = true;
  }
  MoveSelectedWindow(DraggedValues(drag_start_, drag_handle_,
                                   px - drag_origin_.x(), py - drag_origin_.y(),
                                   DragLimits(drag_start_)));
  return CursorFor(drag_handle_);
}

void WindowsPage::PreviewReleased() {
  if (drag_handle_ == DragHandle::kNone) return;
  drag_handle_ = DragHandle::kNone;
  EndDrag();
}

bool WindowsPage::PreviewArrowKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!GrabbableFrame()) return false;
  const int step =
      (modifiers & Qt::ShiftModifier) != 0 ? kShiftNudgeStep : kNudgeStep;
  int dx = 0;
  int dy = 0;
  switch (key) {
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
      return false;
  }
  // Alt moves the right or the bottom edge instead of the window.
  const bool resize = (modifiers & Qt::AltModifier) != 0;
  const DragHandle handle = !resize   ? DragHandle::kMove
                            : dx != 0 ? DragHandle::kRight
                                      : DragHandle::kBottom;
  NudgeSelectedWindow(handle, dx, dy);
  return true;
}

void WindowsPage::NudgeSelectedWindow(DragHandle handle, int dx, int dy) {
  EditorDocument& editor = host_.Editor();
  if (!nudge_pause_.isActive()) nudge_key_ = editor.NewDragKey();
  nudge_pause_.start(kNudgePauseMs);
  // The nudge's write-back is an edit of the running nudge series.
  const int64_t outer_drag = editor.SwapDragKey(nudge_key_);
  const PaletteValues start = frmWB_->Values();
  MoveSelectedWindow(DraggedValues(start, handle, dx, dy, DragLimits(start)));
  editor.SwapDragKey(outer_drag);
}

}  // namespace orlindel::editor
