#include "core/osd_pos_list.h"

#include <algorithm>

#include "core/checks.h"
#include "core/errors.h"

namespace orlindel {

namespace {

constexpr uint16_t kMaxX = 800;
constexpr uint16_t kMaxY = 600;
constexpr int kMaxGroupCount = 255;

bool HasReferenceShape(ImageView image, int64_t ref) {
  CheckAnalysisOffset(ref + kOsdPosGroupRefSize - 1);
  const auto at = static_cast<size_t>(ref);
  // The tag is the rarest condition, so it is tested first.
  return image[at + 1] == 0xFF && image[at] < 0x80 &&
         !(image[at + 2] == 0xFF && image[at + 3] == 0xFF);
}

bool IsValidReference(ImageView image, int64_t ref, int max_window_id) {
  return FitsInside(image, ref, kOsdPosGroupRefSize) &&
         HasReferenceShape(image, ref) &&
         IsValidOsdPosGroup(image, ref, max_window_id);
}

}  // namespace

OsdPosEntry ReadOsdPosEntryAt(ImageView image, int64_t offset) {
  if (!FitsInside(image, offset, kOsdPosEntrySize)) throw RangeError();
  return {image[static_cast<size_t>(offset)], ReadBE16(image, offset + 1),
          ReadBE16(image, offset + 3), ReadBE16(image, offset + 5),
          ReadBE16(image, offset + 7)};
}

bool IsValidOsdPosEntry(const OsdPosEntry& entry, int max_window_id) {
  return entry.window_id <= max_window_id && entry.x < kMaxX &&
         entry.y < kMaxY && entry.width < kMaxX && entry.height < kMaxY;
}

bool IsValidOsdPosGroup(ImageView image, int64_t ref_offset,
                        int max_window_id) {
  const uint8_t count = ByteAt(image, ref_offset);
  const int64_t start =
      BankBase(ref_offset + 1) + ReadBE16(image, ref_offset + 2);
  for (int e = 0; e < count; ++e) {
    const int64_t entry = start + kOsdPosEntrySize * e;
    CheckAnalysisOffset(entry);
    if (!FitsInside(image, entry, kOsdPosEntrySize)) return false;
    CheckAnalysisOffset(entry + kOsdPosEntrySize - 1);
    // The window id rejects most entries before the rest is decoded.
    if (image[static_cast<size_t>(entry)] > max_window_id) return false;
    if (!IsValidOsdPosEntry(ReadOsdPosEntryAt(image, entry), max_window_id))
      return false;
  }
  return true;
}

OsdPosListInfo FindOsdPosList(ImageView image, int max_window_id) {
  const int64_t last = TableScanLimit(image) - 3 * kOsdPosGroupRefSize;
  const int64_t scan_last = std::min(last, kAnalysisLimit);
  // Only a position followed by the tag 0xFF can start a reference.
  for (int64_t tag = FindByteInRange(image, 1, scan_last + 1, 0xFF); tag >= 0;
       tag = FindByteInRange(image, tag + 1, scan_last + 1, 0xFF)) {
    const int64_t i = tag - 1;
    bool accepted = true;
    for (int r = 0; r < 3 && accepted; ++r) {
      const int64_t ref = i + kOsdPosGroupRefSize * r;
      accepted = HasReferenceShape(image, ref) &&
                 IsValidOsdPosGroup(image, ref, max_window_id);
    }
    if (!accepted) continue;
    int count = 3;
    while (
        count < kMaxGroupCount &&
        IsValidReference(image, i + kOsdPosGroupRefSize * count, max_window_id))
      ++count;
    return {i, static_cast<uint8_t>(count)};
  }
  // The scan would go on past the analysis limit.
  if (last > kAnalysisLimit) throw RangeError();
  return {};
}

OsdPosGroup ReadOsdPosGroup(ImageView image, int64_t list_offset, int group) {
  const int64_t ref = list_offset + kOsdPosGroupRefSize * group;
  if (group < 0 || !FitsInside(image, ref, kOsdPosGroupRefSize))
    throw RangeError();
  return {image[static_cast<size_t>(ref)],
          BankBase(list_offset) + ReadBE16(image, ref + 2)};
}

}  // namespace orlindel
