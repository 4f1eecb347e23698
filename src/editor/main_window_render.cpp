// The main window's side of the preview and the palette: it hands its state to
// the renderer, applies what the renderer reports, and stores the palette's
// values back into the image.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>

#include "core/osd_pos_list.h"
#include "core/window_list.h"
#include "editor/guarded_slot.h"
#include "editor/main_window.h"
#include "editor/window_write_back.h"

namespace orlindel::editor {

namespace {

// Sets a flag for the length of a scope, and clears it on every way out.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void TfrmMain::RenderPreview(int primary, bool draw_second, int second) {
  // Until this drawing succeeds, the palette may show another window.
  state_.SelectedWindowShown = false;
  QWidget* page = pcMain->currentWidget();
  PreviewRequest request;
  request.image = state_.image;
  request.window_list_pos = state_.WindowListPos;
  request.window_bank = state_.WindowBank;
  request.max_window_index = state_.MaxWindowIndex;
  request.tv_index = cmbTV->currentIndex();
  request.background_mode = cmbBackgrY->currentIndex();
  if (state_.BackgroundPicture && !state_.BackgroundPicture->isNull())
    request.background = &*state_.BackgroundPicture;
  request.safe_title = cbSafeTitle->isChecked();
  request.safe_action = cbSafeAction->isChecked();
  request.rects_mode = cmbRects->currentIndex();
  request.primary = primary;
  request.draw_second = draw_second;
  request.second = second;
  request.mark_osd_position = state_.OsdPosCount != 0 && page == tsWinPos;
  if (request.mark_osd_position) {
    if (const std::optional<int64_t> entry = CurrentOsdPosEntry())
      request.current_osd_entry = ReadOsdPosEntryAt(state_.image, *entry);
  }
  request.subtitle_frame = page == tsMpeg4Sub && btnApply->isEnabled();
  request.subtitle_area = Rect{seLeft->value(), seTop->value(),
                               seRight->value(), seBottom->value()};
  request.ntsc_rect = state_.NtscRect;
  request.pal_rect = state_.PalRect;
  request.status3 = StatusPanel(3);
  request.status7 = StatusPanel(7);

  PreviewResult result = editor::RenderPreview(request);

  state_.PreviewBitmap = std::move(result.bitmap);
  if (frmWB_ != nullptr) {
    frmWB_->SetEditingEnabled(result.palette_enabled);
    if (result.palette) {
      const FlagScope loading(state_.PaletteLoading);
      frmWB_->Fill(*result.palette);
    }
    if (result.palette_caption) frmWB_->setWindowTitle(*result.palette_caption);
  }
  state_.SelectedWindowShown = result.palette.has_value();
  state_.NtscRect = result.ntsc_rect;
  state_.PalRect = result.pal_rect;
  SetStatusPanel(3, result.status3);
  SetStatusPanel(7, result.status7);
  repaint(kPreviewLeft, kPreviewTop, state_.PreviewBitmap.width(),
          state_.PreviewBitmap.height());
}

void TfrmMain::WriteBackWindow() {
  // Called from the palette's own handlers: an error ends the write-back with
  // one message, like any other handler of ours.
  RunGuarded(dialogs_, [this] {
    // The palette's values belong to the selected window only when the last
    // drawing filled it; otherwise they would overwrite its record with
    // another window's edges.
    if (!WindowListKnown() || state_.PaletteLoading || frmWB_ == nullptr ||
        !state_.SelectedWindowShown)
      return;
    const int index = tbID->value();
    const int64_t record = ResolveWindowRecord(
        state_.image, *state_.WindowListPos, state_.WindowBank, index);
    const int64_t record_length =
        std::min<int64_t>(kWindowRecordSize, std::ssize(state_.image) - record);
    RecordImageEdit(
        QString::fromStdString(
            Format("Window 0x%.2X", static_cast<unsigned>(index))),
        {{record, record_length}, ChecksumRange(state_.image)}, [&] {
          WriteBackWindowValues(state_.image, *state_.WindowListPos,
                                state_.WindowBank, index, frmWB_->Values());
        });
    tbIDChange();
  });
}

}  // namespace orlindel::editor
