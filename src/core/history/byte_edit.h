// Writing, undoing and recording edits of the image (see edit_list.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/firmware_image.h"
#include "core/history/edit_list.h"

namespace orlindel {

// Writes the edit's new bytes (ApplyEdit) or its old bytes (UndoEdit) over
// its range, whatever the range holds now. RangeError, with nothing written,
// when the range does not lie inside `image` or the two byte strings differ
// in length.
void ApplyEdit(std::span<uint8_t> image, const ByteEdit& edit);
void UndoEdit(std::span<uint8_t> image, const ByteEdit& edit);

// Redoes a whole action in its order, or undoes it in reverse order, so that
// edits of overlapping ranges (a write and the checksum word) come out right.
// Each edit is range-checked as it is reached.
void ApplyEdits(std::span<uint8_t> image, std::span<const ByteEdit> edits);
void UndoEdits(std::span<uint8_t> image, std::span<const ByteEdit> edits);

// A range of image bytes.
struct ByteRange {
  int64_t offset = 0;
  int64_t length = 0;
};

// The bytes of some ranges of an image, kept to tell afterwards what a write
// changed in them (an editor action writes a record, a parameter load or the
// checksum word: a few bytes each).
class RangeSnapshot {
 public:
  // RangeError when a range does not lie inside `image`.
  RangeSnapshot(ImageView image, std::vector<ByteRange> ranges);

  // The runs that differ in `image` now, range by range in the given order.
  // Overlapping ranges report a changed byte once per range, with the same
  // bytes, so undoing and redoing stay exact.
  EditList Changes(ImageView image) const;

 private:
  std::vector<ByteRange> ranges_;
  std::vector<std::vector<uint8_t>> bytes_;
};

// The image checksum word: the last whole little-endian word. RangeError
// under 4 bytes.
ByteRange ChecksumRange(ImageView image);

// Fixes the image checksum and returns the changed runs of the checksum word
// (none when it was already right). RangeError under 4 bytes.
EditList FixChecksumEdit(std::span<uint8_t> image);

// Writes the old bytes of `change` back over its range, then fixes the image
// checksum; returns the edits it made (the write first, then the checksum
// word), ready to be undone as one action. RangeError, with nothing written,
// when the range does not lie inside the image or the image is shorter than
// one checksum word.
EditList RevertRange(std::span<uint8_t> image, const ByteEdit& change);

}  // namespace orlindel
