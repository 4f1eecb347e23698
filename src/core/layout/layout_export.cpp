#include <optional>

#include "core/layout/layout.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/window_list.h"

namespace orlindel {

namespace {

void ExportPositions(ImageView image, const OsdPosListInfo& list,
                     Layout& layout) {
  for (int g = 0; g < list.count; ++g) {
    const OsdPosGroup group = ReadOsdPosGroup(image, list.offset, g);
    LayoutPositionGroup exported{g, group.entry_count, {}};
    for (int e = 0; e < group.entry_count; ++e) {
      if (const std::optional<OsdPosEntry> entry =
              ReadOsdPosEntry(image, group, e))
        exported.entries.push_back({e, *entry});
    }
    layout.positions.push_back(std::move(exported));
  }
}

}  // namespace

Layout ExportLayout(TraceModel& model, ImageView image) {
  Layout layout;
  const WindowListInfo list = FindWindowList(image);
  for (int n = 0; n < list.count; ++n) {
    const WindowRecord record =
        ReadWindowRecordAt(image, WindowRecordOffset(image, list, n));
    layout.windows.push_back({static_cast<uint8_t>(n), record.left, record.top,
                              record.right, record.bottom, record.pal_dy,
                              record.blend});
  }
  if (list.count > 0)
    ExportPositions(image, FindOsdPosList(image, list.count - 1), layout);
  Mpeg4SubtitleParams params;
  if (ReadSubtitleParams(model, image, params, nullptr) &&
      IsValidSubtitleParams(params))
    layout.subtitle = params;
  return layout;
}

}  // namespace orlindel
