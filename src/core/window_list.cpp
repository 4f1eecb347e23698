#include "core/window_list.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "core/candidate_scanner.h"
#include "core/checks.h"
#include "core/errors.h"
#include "core/image_scan.h"
#include "core/tv_geometry.h"

namespace orlindel {

namespace {

// The byte layout of a WindowRecord, the one place that spells it: the six
// fields the editor writes, in the order it writes them, and the two bytes
// only the scan tests. Bytes 11 and 13 carry no field of ours.
struct EditedField {
  const char* name;
  int64_t at;     // offset in the record
  int64_t width;  // 2: big-endian 16-bit, 1: one byte
  int PaletteValues::*value;
};
constexpr std::array<EditedField, 6> kEditedFields = {{
    {"Left", 0, 2, &PaletteValues::left},
    {"Top", 2, 2, &PaletteValues::top},
    {"Right", 4, 2, &PaletteValues::right},
    {"Bottom", 6, 2, &PaletteValues::bottom},
    {"PalDY", 8, 2, &PaletteValues::pal_dy},
    {"Blend", 12, 1, &PaletteValues::blend},
}};
constexpr int64_t kIdAt = 10;
constexpr int64_t kCheckByteAt = 14;
// Bytes 1..2 of a WList entry point at the record inside the table's bank.
constexpr int64_t kEntryPointerAt = 1;

// Names of the record's bytes that carry no edited field.
constexpr std::array<const char*, kWindowRecordSize> kByteNames = {
    "byte 0",  "byte 1",  "byte 2",  "byte 3",  "byte 4",
    "byte 5",  "byte 6",  "byte 7",  "byte 8",  "byte 9",
    "byte 10", "byte 11", "byte 12", "byte 13", "byte 14",
};

// The largest value `field` holds.
constexpr int FieldMax(const EditedField& field) {
  return field.width == 2 ? 0xFFFF : 0xFF;
}

// The value of `field` in the record at `record`; RangeError when the
// field's bytes do not lie inside the image.
int ReadField(ImageView image, int64_t record, const EditedField& field) {
  const int64_t at = record + field.at;
  CheckFits(image, at, field.width);
  const auto i = static_cast<size_t>(at);
  return field.width == 2 ? image[i] << 8 | image[i + 1] : image[i];
}

// The fields of the record whose bytes start at `at`, all checked by the
// caller: the field table unrolled at compile time, so that the table scan,
// which reads a record for every distinct entry target, reads each field as
// directly as a hand-written read would.
template <size_t... kField>
PaletteValues ReadCheckedFields(const uint8_t* at,
                                std::index_sequence<kField...>) {
  PaletteValues values;
  ((values.*kEditedFields[kField].value =
        kEditedFields[kField].width == 2 ? at[kEditedFields[kField].at] << 8 |
                                               at[kEditedFields[kField].at + 1]
                                         : at[kEditedFields[kField].at]),
   ...);
  return values;
}

// Stores `value` in `field`; RangeError for a value the field cannot hold
// or, when `checked`, a field outside the image.
void WriteField(std::span<uint8_t> image, int64_t record,
                const EditedField& field, int value, bool checked) {
  CheckInRange(value, 0, FieldMax(field));
  const int64_t at = record + field.at;
  if (checked) CheckFits(image, at, field.width);
  const auto i = static_cast<size_t>(at);
  if (field.width == 2) {
    image[i] = static_cast<uint8_t>(value >> 8);
    image[i + 1] = static_cast<uint8_t>(value & 0xFF);
  } else {
    image[i] = static_cast<uint8_t>(value);
  }
}

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
    if (!slots_) {
      // Zeroed by calloc: a fresh block comes zeroed from the system, so
      // only the pages of the slots the scan uses are ever touched, not
      // all 256 KiB of them.
      slots_.reset(static_cast<uint32_t*>(
          std::calloc(static_cast<size_t>(kBankSize), sizeof(uint32_t))));
      if (!slots_) throw std::bad_alloc();
    }
    uint32_t& slot = slots_[static_cast<size_t>(target & (kBankSize - 1))];
    const auto tag = static_cast<uint32_t>(BankOf(target) + 1);
    if (slot >> 16 == tag) return static_cast<int>(slot & 0xFFFF) - 1;
    const int id = RecordIdAt(image_, target);
    slot = tag << 16 | static_cast<uint32_t>(id + 1);
    return id;
  }

  struct Free {
    void operator()(uint32_t* slots) const noexcept { std::free(slots); }
  };

  ImageView image_;
  // (bank + 1) << 16 | (id + 1); 0 when empty.
  std::unique_ptr<uint32_t[], Free> slots_;
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

PaletteValues ReadWindowValues(ImageView image, int64_t record,
                               RecordBounds bounds) {
  if (bounds == RecordBounds::kWholeRecord) {
    CheckFits(image, record, kWindowRecordSize);
    return ReadCheckedFields(image.data() + record,
                             std::make_index_sequence<kEditedFields.size()>());
  }
  PaletteValues values;
  for (const EditedField& field : kEditedFields)
    values.*field.value = ReadField(image, record, field);
  return values;
}

void WriteWindowValues(std::span<uint8_t> image, int64_t record,
                       const PaletteValues& values, RecordBounds bounds) {
  const bool whole = bounds == RecordBounds::kWholeRecord;
  if (whole) {
    CheckFits(image, record, kWindowRecordSize);
    for (const EditedField& field : kEditedFields)
      CheckInRange(values.*field.value, 0, FieldMax(field));
  }
  for (const EditedField& field : kEditedFields)
    WriteField(image, record, field, values.*field.value, !whole);
}

WindowRecord ReadWindowRecordAt(ImageView image, int64_t offset) {
  const PaletteValues values =
      ReadWindowValues(image, offset, RecordBounds::kWholeRecord);
  WindowRecord record;
  record.left = static_cast<uint16_t>(values.left);
  record.top = static_cast<uint16_t>(values.top);
  record.right = static_cast<uint16_t>(values.right);
  record.bottom = static_cast<uint16_t>(values.bottom);
  record.pal_dy = static_cast<uint16_t>(values.pal_dy);
  record.blend = static_cast<uint8_t>(values.blend);
  record.id = image[static_cast<size_t>(offset + kIdAt)];
  record.check_byte = image[static_cast<size_t>(offset + kCheckByteAt)];
  return record;
}

void WriteWindowRecordAt(std::span<uint8_t> image, int64_t offset,
                         const WindowRecord& record) {
  WriteWindowValues(image, offset,
                    {record.left, record.top, record.right, record.bottom,
                     record.pal_dy, record.blend},
                    RecordBounds::kWholeRecord);
}

bool IsValidWindowRecord(int n, const WindowRecord& record) {
  return record.id == n && record.left <= kTableMaxX &&
         record.top <= kTableMaxY && record.right <= kTableMaxX &&
         record.bottom <= kTableMaxY &&
         (record.check_byte == 0x00 || record.check_byte == 0xFF);
}

namespace {

// The first table at the gathered candidates up to `last`.
[[gnu::noinline]] std::optional<WindowListInfo> FirstTableAmong(
    ImageView image, RecordIds& records, const GatheredPositions& gathered,
    int64_t last) {
  for (const int64_t j : gathered.positions) {
    if (j > last) break;
    if (const auto table = TableAt(image, records, j)) return table;
  }
  return std::nullopt;
}

// FindWindowList, taking the candidates `gathered` holds when given.
WindowListInfo FindWindowListIn(ImageView image,
                                const GatheredPositions* gathered) {
  const int64_t last =
      TableScanLimit(image) - kWListEntrySize * (WListMinIndex + 1);
  const int64_t scan_last = std::min(last, kAnalysisLimit);
  // Only a position where all five entries have the CodePointer shape can
  // start a table; the tags of the first two are tested first.
  // Local constants, so that the scanners' tests fold into their code.
  constexpr auto kTags = kWindowListTags;
  constexpr auto kPointers = kWindowListPointers;
  constexpr auto kDiffers = kWindowListDiffers;
  static_assert(kPointers.size() == WListMinIndex + 1);
  RecordIds records(image);
  // Entries 0, 1 and 2 lead to records of three different windows, so their
  // pointers differ: this rejects runs of one or two repeated entries before
  // any record is read. In the last bank of the analysed area a record can
  // reach past the analysis limit, and reading it must fail there even when
  // two entries share it, so that bank is scanned without this test.
  const int64_t distinct_last = std::min(scan_last, kAnalysisLimit - kBankSize);
  // The candidates the shared scan gathered come first; the scan goes on
  // where it stopped.
  int64_t first = 0;
  if (gathered != nullptr) {
    if (const auto table =
            FirstTableAmong(image, records, *gathered, distinct_last))
      return *table;
    first = gathered->covered;
  }
  CandidateScanner<2, WListMinIndex + 1, 3> distinct(
      image, first, distinct_last, kTags, kPointers, kDiffers);
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

}  // namespace

WindowListInfo FindWindowList(ImageView image) {
  return FindWindowListIn(image, nullptr);
}

WindowListInfo FindWindowList(ImageView image, const ImageScan& scan) {
  return FindWindowListIn(image, &scan.window_list());
}

Bank WindowBankOf(const WindowListInfo& list) {
  return {NarrowTo<uint8_t>(BankOf(list.offset))};
}

int64_t WindowRecordOffset(ImageView image, const WindowListInfo& list, int n,
                           WindowLookup lookup) {
  const bool table = lookup == WindowLookup::kTable;
  const int64_t entry =
      table ? EntryOffset(image, list, n)
            : CheckedAdd<int64_t>(list.offset, kWListEntrySize * n);
  const int64_t record = ImageOffsetOf(
      WindowBankOf(list), ReadCodeAddress(image, entry + kEntryPointerAt));
  CheckFits(image, record, table ? kWindowRecordSize : 1);
  return record;
}

bool WindowEntryIsPointer(ImageView image, int64_t window_list_pos, int index) {
  const int64_t entry =
      CheckedAdd<int64_t>(window_list_pos, kWListEntrySize * index);
  return ByteAt(image, entry) == 0xFF;
}

const char* WindowRecordFieldName(int byte) {
  for (const EditedField& field : kEditedFields)
    if (byte >= field.at && byte < field.at + field.width) return field.name;
  return kByteNames[static_cast<size_t>(byte)];
}

}  // namespace orlindel
