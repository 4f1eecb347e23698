// The table of OSD windows (WList): CodePointers to 15-byte WindowRecords in
// the bank of the table's first byte.
#pragma once

#include <cstdint>
#include <span>

#include "core/firmware_image.h"
#include "core/window_geometry.h"

namespace orlindel {

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

// Decodes the record at `offset`; RangeError unless all 15 bytes lie inside.
WindowRecord ReadWindowRecordAt(ImageView image, int64_t offset);

// Stores Left, Top, Right, Bottom, PalDY and Blend of `record` at `offset`;
// the other bytes of the record are never written. RangeError outside.
void WriteWindowRecordAt(std::span<uint8_t> image, int64_t offset,
                         const WindowRecord& record);

// True when `record` is a plausible descriptor of window `n`.
bool IsValidWindowRecord(int n, const WindowRecord& record);

// The first (lowest) offset below the header length where entries 0..4 lead
// to valid records, extended while further entries stay valid (at most 256).
// Returns count 0 when there is none. RangeError when the scan reaches past
// the analysis limit.
WindowListInfo FindWindowList(ImageView image);

// The bank that holds the table's records; RangeError above bank 255.
uint8_t WindowBankOf(const WindowListInfo& list);

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

// The edited fields of the record at `record`. RangeError when a field read
// lies outside the image.
PaletteValues ReadWindowValues(ImageView image, int64_t record);

// Stores Left, Top, Right, Bottom and PalDY (big-endian, each 0..65535) and
// the blend byte (0..255) of the record at `record`, in that order. Does not
// touch the checksum. RangeError for a field outside the image or a value
// outside its range; fields stored before the failing one stay stored.
void WriteWindowValues(std::span<uint8_t> image, int64_t record,
                       const PaletteValues& values);

// The name of the field that byte `byte` (0..14) of a record belongs to:
// "Left", "Top", "Right", "Bottom", "PalDY", "Blend", or "byte N" for a byte
// the editor never writes.
const char* WindowRecordFieldName(int byte);

}  // namespace orlindel
