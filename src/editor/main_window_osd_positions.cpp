// The "OSD Messages Positions" page: R6 picks a group of the OsdPosList, R7
// an entry of that group. The entry's window becomes the selected window and
// the preview marks the entry's rectangle inside it. The page only reads.
#include <QLabel>
#include <QSlider>

#include "core/checks.h"
#include "core/osd_pos_list.h"
#include "editor/control_updates.h"
#include "editor/main_window.h"

namespace orlindel::editor {

namespace {

void SetIndexLabel(QLabel& label, int index) {
  label.setText(
      QString::fromStdString(Format("0x%.2X", static_cast<unsigned>(index))));
  label.adjustSize();
}

}  // namespace

std::optional<int64_t> TfrmMain::CurrentOsdPosEntry() const {
  if (state_.OsdPosCount == 0) return std::nullopt;
  const OsdPosGroup group =
      ReadOsdPosGroup(state_.image, state_.OsdPosListPos, tbR6->value());
  // A group without entries selects nothing: the bytes where its entries
  // would start belong to something else.
  if (group.entry_count == 0) return std::nullopt;
  const int64_t entry = CheckedAdd<int64_t>(group.entries_offset,
                                            kOsdPosEntrySize * tbR7->value());
  if (!FitsInside(state_.image, entry, kOsdPosEntrySize)) throw RangeError();
  return entry;
}

void TfrmMain::tbR6Change() {
  SetSliderPosition(*tbR7, 0, [this] { tbR7Change(); });
  const OsdPosGroup group =
      ReadOsdPosGroup(state_.image, state_.OsdPosListPos, tbR6->value());
  // An empty group offers R7 = 0 only, which selects no entry.
  SetSliderMaximum(*tbR7, std::max(group.entry_count - 1, 0),
                   [this] { tbR7Change(); });
  SetIndexLabel(*lblR6val, tbR6->value());
  tbR7Change();
}

void TfrmMain::tbR7Change() {
  SetIndexLabel(*lblR7val, tbR7->value());
  const std::optional<int64_t> entry = CurrentOsdPosEntry();
  const bool selected =
      entry && SetWindowSelector(*tbID, ByteAt(state_.image, *entry));
  // Without a change of tbID no refresh ran: draw the position frame here.
  if (!selected) RenderPreview(tbID->value(), false, -1);
}

}  // namespace orlindel::editor
