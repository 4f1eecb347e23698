#include "editor/window_write_back.h"

#include "core/checks.h"
#include "core/errors.h"
#include "core/window_list.h"

namespace orlindel::editor {

namespace {

// Record bytes of the fields the palette edits.
constexpr int64_t kLeftAt = 0;
constexpr int64_t kTopAt = 2;
constexpr int64_t kRightAt = 4;
constexpr int64_t kBottomAt = 6;
constexpr int64_t kPalDyAt = 8;
constexpr int64_t kBlendAt = 12;

}  // namespace

int64_t ResolveWindowRecord(ImageView image, int64_t window_list_pos,
                            uint8_t window_bank, int index) {
  const int64_t entry =
      CheckedAdd<int64_t>(window_list_pos, kWListEntrySize * index);
  const int64_t record =
      int64_t{window_bank} * kBankSize + ReadBE16(image, entry + 1);
  if (record >= static_cast<int64_t>(image.size())) throw RangeError();
  return record;
}

void WriteBackWindowValues(std::span<uint8_t> image, int64_t window_list_pos,
                           uint8_t window_bank, int index,
                           const PaletteValues& values) {
  const int64_t record =
      ResolveWindowRecord(image, window_list_pos, window_bank, index);
  // WriteBE16 refuses values outside 0..0xFFFF; fields stored before a
  // refused one stay stored.
  WriteBE16(image, record + kLeftAt, values.left);
  WriteBE16(image, record + kTopAt, values.top);
  WriteBE16(image, record + kRightAt, values.right);
  WriteBE16(image, record + kBottomAt, values.bottom);
  WriteBE16(image, record + kPalDyAt, values.pal_dy);
  const auto blend = NarrowTo<uint8_t>(values.blend);
  ByteAt(image, record + kBlendAt);  // RangeError past the image end
  image[static_cast<size_t>(record + kBlendAt)] = blend;
  FixImageChecksum(image);
}

}  // namespace orlindel::editor
