// The "OSD Messages Positions" page: R6 picks a group of the OsdPosList, R7
// an entry of that group. The entry's window becomes the selected window and
// the preview marks the entry's rectangle inside it. The page only reads.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "editor/page_host.h"
#include "render/preview_renderer.h"

class QLabel;
class QSlider;
class QTabWidget;

namespace orlindel::editor {

class OsdPositionsPage : public QObject {
  Q_OBJECT

 public:
  OsdPositionsPage(PageHost& host, QTabWidget& tabs, QObject* parent);

  QWidget* Page() const { return tsWinPos; }

  // A firmware was opened: the page is usable only when it has a list, and
  // then starts at group 0, entry 0. Without a list the user is told so.
  void FirmwareOpened();
  // The page was shown: its entry is marked again.
  void PageShown();
  // The page's part of a drawing: the entry's mark while the page is shown.
  // RangeError when a byte it reads lies outside the image.
  void ContributeTo(render::PreviewRequest& request) const;

  // The image offset of the entry that R6 and R7 select; none without a
  // list, or when the selected group has no entries. RangeError when a byte
  // it reads lies outside the image.
  std::optional<int64_t> CurrentOsdPosEntry() const;

  void tbR6Change();
  void tbR7Change();

 private:
  PageHost& host_;
  QWidget* tsWinPos = nullptr;
  QLabel* lblR6 = nullptr;
  QSlider* tbR6 = nullptr;
  QLabel* lblR6val = nullptr;
  QLabel* lblR7 = nullptr;
  QSlider* tbR7 = nullptr;
  QLabel* lblR7val = nullptr;
};

}  // namespace orlindel::editor
