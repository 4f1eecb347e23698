#include "editor/osd_positions_page.h"

#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>

#include "core/checks.h"
#include "core/osd_pos_list.h"
#include "core/text.h"
#include "editor/control_factory.h"
#include "editor/control_updates.h"
#include "editor/editor_document.h"

namespace orlindel::editor {

namespace {

void SetIndexLabel(QLabel& label, int index) {
  label.setText(
      QString::fromStdString(Format("0x%.2X", static_cast<unsigned>(index))));
  label.adjustSize();
}

}  // namespace

OsdPositionsPage::OsdPositionsPage(PageHost& host, QTabWidget& tabs,
                                   QObject* parent)
    : QObject(parent), host_(host) {
  setObjectName("OsdPositionsPage");
  tsWinPos = Make<QWidget>(nullptr, "tsWinPos");
  tabs.addTab(tsWinPos, "OSD Messages Positions");
  lblR6 = MakeLabel(tsWinPos, "lblR6", "R6", 2, 3);
  tbR6 = MakeTrackBar(tsWinPos, "tbR6", 18, 0, 340, 30);
  lblR6val = MakeLabel(tsWinPos, "lblR6val", "", 2, 33);
  lblR7 = MakeLabel(tsWinPos, "lblR7", "R7", 366, 5);
  tbR7 = MakeTrackBar(tsWinPos, "tbR7", 382, 0, 340, 30);
  lblR7val = MakeLabel(tsWinPos, "lblR7val", "", 366, 33);
  tsWinPos->setEnabled(false);

  ConnectGuarded(host_.Dialogs(), tbR6, &QSlider::valueChanged, this,
                 &OsdPositionsPage::tbR6Change);
  ConnectGuarded(host_.Dialogs(), tbR7, &QSlider::valueChanged, this,
                 &OsdPositionsPage::tbR7Change);
}

void OsdPositionsPage::FirmwareOpened() {
  const uint8_t count = host_.Editor().Document().OsdPosCount();
  if (count == 0)
    host_.Dialogs().ShowMessage("OSD Messages Position list not found!");
  tsWinPos->setEnabled(count > 0);
  if (count > 0) {
    SetSliderPosition(*tbR6, 0, [this] { tbR6Change(); });
    SetSliderPosition(*tbR7, 0, [this] { tbR7Change(); });
    SetSliderMaximum(*tbR6, count - 1, [this] { tbR6Change(); });
    tbR6Change();
  }
}

void OsdPositionsPage::PageShown() {
  if (tsWinPos->isEnabled()) tbR6Change();
}

void OsdPositionsPage::ContributeTo(render::PreviewRequest& request) const {
  request.mark_osd_position = host_.Editor().Document().OsdPosCount() != 0 &&
                              host_.IsCurrentPage(tsWinPos);
  if (!request.mark_osd_position) return;
  if (const std::optional<int64_t> entry = CurrentOsdPosEntry())
    request.current_osd_entry =
        ReadOsdPosEntryAt(host_.Editor().Document().image(), *entry);
}

std::optional<int64_t> OsdPositionsPage::CurrentOsdPosEntry() const {
  const FirmwareDocument& document = host_.Editor().Document();
  if (document.OsdPosCount() == 0) return std::nullopt;
  const OsdPosGroup group = ReadOsdPosGroup(
      document.image(), *document.OsdPosListPos(), tbR6->value());
  // A group without entries selects nothing: the bytes where its entries
  // would start belong to something else.
  if (group.entry_count == 0) return std::nullopt;
  const int64_t entry = OsdPosEntryOffset(group, tbR7->value());
  CheckFits(document.image(), entry, kOsdPosEntrySize);
  return entry;
}

void OsdPositionsPage::tbR6Change() {
  SetSliderPosition(*tbR7, 0, [this] { tbR7Change(); });
  const FirmwareDocument& document = host_.Editor().Document();
  // Without a list there are no groups, and so no entries to choose.
  const std::optional<int64_t> list = document.OsdPosListPos();
  const OsdPosGroup group =
      list ? ReadOsdPosGroup(document.image(), *list, tbR6->value())
           : OsdPosGroup{};
  // An empty group offers R7 = 0 only, which selects no entry.
  SetSliderMaximum(*tbR7, std::max(group.entry_count - 1, 0),
                   [this] { tbR7Change(); });
  SetIndexLabel(*lblR6val, tbR6->value());
  tbR7Change();
}

void OsdPositionsPage::tbR7Change() {
  SetIndexLabel(*lblR7val, tbR7->value());
  const std::optional<int64_t> entry = CurrentOsdPosEntry();
  const bool selected =
      entry && host_.SelectWindow(
                   ReadOsdPosEntryAt(host_.Editor().Document().image(), *entry)
                       .window_id);
  // Without a change of the selection no refresh ran: draw the position
  // frame here.
  if (!selected) host_.RefreshSelectedOnly();
}

}  // namespace orlindel::editor
