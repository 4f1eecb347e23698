// The OSD message position list (OsdPosList): 4-byte group references, each
// leading to a run of 9-byte entries that place a message inside a window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/firmware_image.h"

namespace orlindel {

class ImageScan;

inline constexpr int64_t kOsdPosGroupRefSize = 4;
inline constexpr int64_t kOsdPosEntrySize = 9;

// One message position, relative to its window (16-bit fields big-endian in
// the image). Width or height 0 reach to the window's edge.
struct OsdPosEntry {
  uint8_t window_id = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t width = 0;
  uint16_t height = 0;

  bool operator==(const OsdPosEntry&) const = default;
};

// The found list: the image offset of group 0 (-1 when not found) and the
// number of groups (0 when not found, else 3..255).
struct OsdPosListInfo {
  int64_t offset = -1;
  uint8_t count = 0;
};

// Decodes the entry at `offset`; RangeError unless all 9 bytes lie inside.
OsdPosEntry ReadOsdPosEntryAt(ImageView image, int64_t offset);

// Stores all fields of `entry` at `offset`; RangeError, with nothing
// written, unless all 9 bytes lie inside.
void WriteOsdPosEntryAt(std::span<uint8_t> image, int64_t offset,
                        const OsdPosEntry& entry);

// True when `entry` names a window up to `max_window_id` and its position and
// size lie inside kTableMaxX x kTableMaxY. A negative `max_window_id` rejects
// every entry.
bool IsValidOsdPosEntry(const OsdPosEntry& entry, int max_window_id);

// The first (lowest) offset below the header length where three valid group
// references stand in a row, with the number of valid references from there
// (at most 255). RangeError when the search reaches past the analysis limit.
OsdPosListInfo FindOsdPosList(ImageView image, int max_window_id);
// The same search, taking its candidates from `scan` (made of the same image)
// as far as it gathered them.
OsdPosListInfo FindOsdPosList(ImageView image, int max_window_id,
                              const ImageScan& scan);

// Group `group` of a found list: its entry count and the image offset of its
// first entry, resolved through the bank of the list's first byte.
struct OsdPosGroup {
  uint8_t entry_count = 0;
  int64_t entries_offset = 0;
};
// RangeError when the reference lies outside the image.
OsdPosGroup ReadOsdPosGroup(ImageView image, int64_t list_offset, int group);

// The image offset of entry `entry` of `group`; RangeError for a negative
// entry, OverflowError when the offset does not fit.
int64_t OsdPosEntryOffset(const OsdPosGroup& group, int entry);

// Entry `entry` of `group`, or none when its 9 bytes do not lie wholly inside
// the image (a group that claims more entries than the image holds).
std::optional<OsdPosEntry> ReadOsdPosEntry(ImageView image,
                                           const OsdPosGroup& group, int entry);

}  // namespace orlindel
