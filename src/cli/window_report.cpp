#include "cli/window_report.h"

#include "cli/command_context.h"
#include "core/text.h"

namespace orlindel::cli {

void CheckWindowId(const WindowListInfo& list, int64_t id) {
  if (list.count == 0) throw CommandRangeError("The image has no window list");
  if (id >= list.count)
    throw CommandRangeError(
        Format("The image has no window %lld; its windows are 0..%d",
               static_cast<long long>(id), list.count - 1));
}

Json WindowJson(ImageView image, const WindowListInfo& list, int n) {
  const int64_t offset = WindowRecordOffset(image, list, n);
  const WindowRecord record = ReadWindowRecordAt(image, offset);
  return Json{{"id", n},
              {"recordOffset", offset},
              {"left", record.left},
              {"top", record.top},
              {"right", record.right},
              {"bottom", record.bottom},
              {"palDY", record.pal_dy},
              {"blend", record.blend}};
}

std::string WindowTableHeader() {
  return "   id   record   left   top  right bottom  palDY blend";
}

std::string WindowTableRow(ImageView image, const WindowListInfo& list, int n) {
  const int64_t offset = WindowRecordOffset(image, list, n);
  const WindowRecord record = ReadWindowRecordAt(image, offset);
  return Format("  %3d  0x%.5llX %5u %5u %6u %6u %6u  %4u", n,
                static_cast<unsigned long long>(offset), record.left,
                record.top, record.right, record.bottom, record.pal_dy,
                record.blend);
}

}  // namespace orlindel::cli
