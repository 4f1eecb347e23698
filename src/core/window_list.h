// The table of OSD windows (WList): CodePointers to 15-byte WindowRecords in
// the bank of the table's first byte.
#pragma once

#include <cstdint>
#include <span>

#include "core/firmware_image.h"
#include "core/window_geometry.h"

namespace orlindel {

class ImageScan;

// Entries 0..WListMinIndex must all be valid before a table is accepted.
inline constexpr int WListMinIndex = 4;
// The highest entry index a table may have.
inline constexpr int WListMaxIndex = 255;

inline constexpr int64_t kWListEntrySize = 3;
inline constexpr int64_t kWindowRecordSize = 15;

// One OSD window's descriptor as the firmware stores it (16-bit fields are
// big-endian in the image).
struct WindowRecord {
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t right = 0;   // inclusive
  uint16_t bottom = 0;  // inclusive
  uint16_t pal_dy = 0;  // how far the window moves down on a PAL picture
  uint8_t id = 0;
  uint8_t blend = 0;
  uint8_t check_byte = 0;

  bool operator==(const WindowRecord&) const = default;
};

// The found table: the image offset of entry 0 and the number of entries.
// Count 0 means no table; the offset is then 0.
struct WindowListInfo {
  int64_t offset = 0;
  int count = 0;
};

// How a read or a write of a record meets the image end and refused values.
enum class RecordBounds {
  // All or nothing: RangeError before any byte is read or written unless the
  // whole 15-byte record lies inside the image and every value fits its
  // field. The table's readers and writers (the scan, the command line, the
  // layout transfer) use this.
  kWholeRecord,
  // As the editor stores a record that may start close to the image end:
  // each field is checked as it is met, in the order Left, Top, Right,
  // Bottom, PalDY, Blend. A write stores the fields before a refused one (a
  // field outside the image, or a value outside 0..65535, 0..255 for Blend).
  kFieldByField,
};

// The six edited values (Left, Top, Right, Bottom, PalDY: big-endian 16-bit;
// Blend: one byte) of the record at `record`. RangeError as `bounds` says.
PaletteValues ReadWindowValues(ImageView image, int64_t record,
                               RecordBounds bounds);

// Stores the six edited values at `record`, in the order above; the id, the
// check byte and the bytes between are never written, nor the checksum.
// RangeError as `bounds` says.
void WriteWindowValues(std::span<uint8_t> image, int64_t record,
                       const PaletteValues& values, RecordBounds bounds);

// The whole record at `offset`, id and check byte included
// (RecordBounds::kWholeRecord).
WindowRecord ReadWindowRecordAt(ImageView image, int64_t offset);

// Stores the edited values of `record` at `offset`
// (RecordBounds::kWholeRecord); its id and check byte are not written.
void WriteWindowRecordAt(std::span<uint8_t> image, int64_t offset,
                         const WindowRecord& record);

// True when `record` is a plausible descriptor of window `n`.
bool IsValidWindowRecord(int n, const WindowRecord& record);

// The first (lowest) offset below the header length where entries 0..4 lead
// to valid records, extended while further entries stay valid (at most 256).
// Returns count 0 when there is none. RangeError when the scan reaches past
// the analysis limit.
WindowListInfo FindWindowList(ImageView image);
// The same search, taking its candidates from `scan` (made of the same image)
// as far as it gathered them.
WindowListInfo FindWindowList(ImageView image, const ImageScan& scan);

// The bank that holds the table's records; RangeError above bank 255.
Bank WindowBankOf(const WindowListInfo& list);

// How a window's record is reached from its entry: the bank of the list's
// first byte * 0x10000 plus the big-endian pointer in bytes 1..2 of the entry
// at list.offset + 3 * n.
enum class WindowLookup {
  // The table as FindWindowList found it (the command line and the layout
  // transfer): `n` must be one of its windows, and the entry and the whole
  // record must lie inside the image.
  kTable,
  // As the editor and its preview resolve it: the entry's tag byte and the
  // list's count are not examined (WindowEntryIsPointer tells the tag); the
  // entry must lie inside the image and the record start inside it, its
  // fields being checked as they are read.
  kEditor,
};

// The image offset of window `n`'s record under `lookup`; RangeError where
// that lookup refuses.
int64_t WindowRecordOffset(ImageView image, const WindowListInfo& list, int n,
                           WindowLookup lookup = WindowLookup::kTable);

// True when the entry of window `index` starts with the CodePointer tag, the
// sign of a window the firmware draws. RangeError outside the image.
bool WindowEntryIsPointer(ImageView image, int64_t window_list_pos, int index);

// The name of the field that byte `byte` (0..14) of a record belongs to:
// "Left", "Top", "Right", "Bottom", "PalDY", "Blend", or "byte N" for a byte
// the editor never writes.
const char* WindowRecordFieldName(int byte);

}  // namespace orlindel
