#include "core/window_list.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "core/candidate_scanner.h"
#include "core/checks.h"
#include "core/errors.h"
#include "core/tv_geometry.h"

namespace orlindel {

namespace {

// Where each field lies in a WindowRecord.
constexpr int64_t kLeftAt = 0;
constexpr int64_t kTopAt = 2;
constexpr int64_t kRightAt = 4;
constexpr int64_t kBottomAt = 6;
constexpr int64_t kPalDyAt = 8;
constexpr int64_t kIdAt = 10;
constexpr int64_t kBlendAt = 12;
constexpr int64_t kCheckByteAt = 14;
// Bytes 1..2 of a WList entry point at the record inside the table's bank.
constexpr int64_t kEntryPointerAt = 1;

// The field of each byte of a WindowRecord; bytes without a field the editor
// writes are named by their offset in the record.
constexpr std::array<const char*, kWindowRecordSize> kRecordFields = {
    "Left",    "Left",    "Top",    "Top",     "Right",
    "Right",   "Bottom",  "Bottom", "PalDY",   "PalDY",
    "byte 10", "byte 11", "Blend",  "byte 13", "byte 14",
};

bool HasEntryShape(ImageView image, int64_t entry) {
  CheckAnalysisOffset(entry + 2);
  const auto at = static_cast<size_t>(entry);
  return image[at] == 0xFF && !(image[at + 1] == 0xFF && image[at + 2] == 0xFF);
}

// The id of the record at `target` when it lies inside the image and
// describes a window (any id), else -1. RangeError where a read of the record
// would pass the analysis limit.
int RecordIdAt(ImageView image, int64_t target) {
  // Usually the whole record lies inside the image and the analysis limit;
  // otherwise each bound is tested as the reads would meet it.
  if (target + kWindowRecordSize >
      std::min<int64_t>(std::ssize(image), kAnalysisLimit + 1)) {
    CheckAnalysisOffset(target);
    if (!FitsInside(image, target, kWindowRecordSize)) return -1;
    CheckAnalysisOffset(target + kWindowRecordSize - 1);
  }
  const WindowRecord record = ReadWindowRecordAt(image, target);
  return IsValidWindowRecord(record.id, record) ? record.id : -1;
}

// Remembers, during one scan, the record id found at each target, so that
// entries pointing at the same record (as in a region of repeated entries)
// decode it once. One slot per offset inside a bank, tagged with the bank:
// the targets of one table lie in one bank and the scan visits the banks in
// order, so a slot is rarely overwritten.
class RecordIds {
 public:
  explicit RecordIds(ImageView image) : image_(image) {}

  // Entry `n` at `entry` in a table whose first byte lies in `bank_base`: its
  // record must lie inside the image and describe window `n`.
  bool EntryValid(int64_t bank_base, int64_t entry, int n) {
    return IdAt(bank_base + ReadBE16(image_, entry + kEntryPointerAt)) == n;
  }

 private:
  int IdAt(int64_t target) {
    if (slots_.empty()) slots_.assign(static_cast<size_t>(kBankSize), 0);
    uint32_t& slot = slots_[static_cast<size_t>(target & (kBankSize - 1))];
    const auto tag = static_cast<uint32_t>(BankOf(target) + 1);
    if (slot >> 16 == tag) return static_cast<int>(slot & 0xFFFF) - 1;
    const int id = RecordIdAt(image_, target);
    slot = tag << 16 | static_cast<uint32_t>(id + 1);
    return id;
  }

  ImageView image_;
  // (bank + 1) << 16 | (id + 1); 0 when empty.
  std::vector<uint32_t> slots_;
};

// The table at candidate `j`, whose five entries have the CodePointer shape,
// when their records describe windows 0..4.
std::optional<WindowListInfo> TableAt(ImageView image, RecordIds& records,
                                      int64_t j) {
  // Entries reaching past the analysis limit are refused like every read.
  CheckAnalysisOffset(j + kWListEntrySize * (WListMinIndex + 1) - 1);
  const int64_t bank_base = BankBase(j);
  for (int n = 0; n <= WListMinIndex; ++n)
    if (!records.EntryValid(bank_base, j + kWListEntrySize * n, n))
      return std::nullopt;
  int count = WListMinIndex + 1;
  for (int n = count; n <= WListMaxIndex; ++n) {
    const int64_t entry = j + kWListEntrySize * n;
    if (!FitsInside(image, entry, kWListEntrySize) ||
        !HasEntryShape(image, entry) ||
        !records.EntryValid(bank_base, entry, n))
      break;
    ++count;
  }
  return WindowListInfo{j, count};
}

int64_t EntryOffset(ImageView image, const WindowListInfo& list, int n) {
  CheckIndex(n, list.count);
  const int64_t entry = list.offset + kWListEntrySize * n;
  CheckFits(image, entry, kWListEntrySize);
  return entry;
}

}  // namespace

WindowRecord ReadWindowRecordAt(ImageView image, int64_t offset) {
  CheckFits(image, offset, kWindowRecordSize);
  const auto at = static_cast<size_t>(offset);
  const auto be16 = [&](size_t field) {
    return static_cast<uint16_t>(image[at + field] << 8 |
                                 image[at + field + 1]);
  };
  WindowRecord record;
  record.left = be16(kLeftAt);
  record.top = be16(kTopAt);
  record.right = be16(kRightAt);
  record.bottom = be16(kBottomAt);
  record.pal_dy = be16(kPalDyAt);
  record.id = image[at + kIdAt];
  record.blend = image[at + kBlendAt];
  record.check_byte = image[at + kCheckByteAt];
  return record;
}

void WriteWindowRecordAt(std::span<uint8_t> image, int64_t offset,
                         const WindowRecord& record) {
  CheckFits(image, offset, kWindowRecordSize);
  WriteBE16(image, offset + kLeftAt, record.left);
  WriteBE16(image, offset + kTopAt, record.top);
  WriteBE16(image, offset + kRightAt, record.right);
  WriteBE16(image, offset + kBottomAt, record.bottom);
  WriteBE16(image, offset + kPalDyAt, record.pal_dy);
  image[static_cast<size_t>(offset + kBlendAt)] = record.blend;
}

bool IsValidWindowRecord(int n, const WindowRecord& record) {
  return record.id == n && record.left <= kTableMaxX &&
         record.top <= kTableMaxY && record.right <= kTableMaxX &&
         record.bottom <= kTableMaxY &&
         (record.check_byte == 0x00 || record.check_byte == 0xFF);
}

WindowListInfo FindWindowList(ImageView image) {
  const int64_t last =
      TableScanLimit(image) - kWListEntrySize * (WListMinIndex + 1);
  const int64_t scan_last = std::min(last, kAnalysisLimit);
  // Only a position where all five entries have the CodePointer shape can
  // start a table; the tags of the first two are tested first.
  constexpr std::array<ByteTest, 2> kTags = {
      {{0, 0xFF, 0xFF}, {3, 0xFF, 0xFF}}};
  constexpr std::array<int, WListMinIndex + 1> kPointers = {0, 3, 6, 9, 12};
  RecordIds records(image);
  // Entries 0, 1 and 2 lead to records of three different windows, so their
  // pointers differ: this rejects runs of one or two repeated entries before
  // any record is read. In the last bank of the analysed area a record can
  // reach past the analysis limit, and reading it must fail there even when
  // two entries share it, so that bank is scanned without this test.
  const int64_t distinct_last = std::min(scan_last, kAnalysisLimit - kBankSize);
  CandidateScanner<2, WListMinIndex + 1, 3> distinct(
      image, 0, distinct_last, kTags, kPointers, {{{1, 4}, {1, 7}, {4, 7}}});
  for (int64_t j = distinct.Next(); j >= 0; j = distinct.Next())
    if (const auto table = TableAt(image, records, j)) return *table;
  CandidateScanner<2, WListMinIndex + 1> shaped(image, distinct_last + 1,
                                                scan_last, kTags, kPointers);
  for (int64_t j = shaped.Next(); j >= 0; j = shaped.Next())
    if (const auto table = TableAt(image, records, j)) return *table;
  // The scan would go on past the analysis limit.
  if (last > kAnalysisLimit) throw RangeError();
  return {};
}

uint8_t WindowBankOf(const WindowListInfo& list) {
  return NarrowTo<uint8_t>(BankOf(list.offset));
}

int64_t WindowRecordOffset(ImageView image, const WindowListInfo& list, int n,
                           WindowLookup lookup) {
  const bool table = lookup == WindowLookup::kTable;
  const int64_t entry =
      table ? EntryOffset(image, list, n)
            : CheckedAdd<int64_t>(list.offset, kWListEntrySize * n);
  const int64_t record = ReadBE16(image, entry + kEntryPointerAt) +
                         int64_t{WindowBankOf(list)} * kBankSize;
  CheckFits(image, record, table ? kWindowRecordSize : 1);
  return record;
}

bool WindowEntryIsPointer(ImageView image, int64_t window_list_pos, int index) {
  const int64_t entry =
      CheckedAdd<int64_t>(window_list_pos, kWListEntrySize * index);
  return ByteAt(image, entry) == 0xFF;
}

PaletteValues ReadWindowValues(ImageView image, int64_t record) {
  PaletteValues values;
  values.left = ReadBE16(image, record + kLeftAt);
  values.top = ReadBE16(image, record + kTopAt);
  values.right = ReadBE16(image, record + kRightAt);
  values.bottom = ReadBE16(image, record + kBottomAt);
  values.pal_dy = ReadBE16(image, record + kPalDyAt);
  values.blend = ByteAt(image, record + kBlendAt);
  return values;
}

void WriteWindowValues(std::span<uint8_t> image, int64_t record,
                       const PaletteValues& values) {
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
}

const char* WindowRecordFieldName(int byte) {
  return kRecordFields[static_cast<size_t>(byte)];
}

}  // namespace orlindel
