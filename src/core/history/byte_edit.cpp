#include "core/history/byte_edit.h"

#include <algorithm>
#include <utility>

#include "core/checks.h"
#include "core/errors.h"
#include "core/history/image_diff.h"

namespace orlindel {

namespace {

void WriteRange(std::span<uint8_t> image, const ByteEdit& edit,
                const std::vector<uint8_t>& bytes) {
  if (edit.old_bytes.size() != edit.new_bytes.size()) throw RangeError();
  CheckFits(image, edit.offset, std::ssize(bytes));
  std::copy(bytes.begin(), bytes.end(),
            image.begin() + static_cast<ptrdiff_t>(edit.offset));
}

// Writes `bytes` at `offset` and returns what changed: one edit per maximal
// run of bytes that now differ (none when the image already held `bytes`).
// RangeError, with nothing written, outside the image.
EditList OverwriteBytes(std::span<uint8_t> image, int64_t offset,
                        std::span<const uint8_t> bytes) {
  CheckFits(image, offset, std::ssize(bytes));
  const auto target = image.subspan(static_cast<size_t>(offset), bytes.size());
  EditList edits = DiffBytes(target, bytes, offset);
  std::copy(bytes.begin(), bytes.end(), target.begin());
  return edits;
}

}  // namespace

void ApplyEdit(std::span<uint8_t> image, const ByteEdit& edit) {
  WriteRange(image, edit, edit.new_bytes);
}

void UndoEdit(std::span<uint8_t> image, const ByteEdit& edit) {
  WriteRange(image, edit, edit.old_bytes);
}

void ApplyEdits(std::span<uint8_t> image, std::span<const ByteEdit> edits) {
  for (const ByteEdit& edit : edits) ApplyEdit(image, edit);
}

void UndoEdits(std::span<uint8_t> image, std::span<const ByteEdit> edits) {
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
    UndoEdit(image, *edit);
}

RangeSnapshot::RangeSnapshot(ImageView image, std::vector<ByteRange> ranges)
    : ranges_(std::move(ranges)) {
  bytes_.reserve(ranges_.size());
  for (const ByteRange& range : ranges_) {
    CheckFits(image, range.offset, range.length);
    const auto bytes = image.subspan(static_cast<size_t>(range.offset),
                                     static_cast<size_t>(range.length));
    bytes_.emplace_back(bytes.begin(), bytes.end());
  }
}

EditList RangeSnapshot::Changes(ImageView image) const {
  EditList changes;
  for (size_t n = 0; n < ranges_.size(); ++n) {
    const ByteRange& range = ranges_[n];
    const EditList runs =
        DiffBytes(bytes_[n],
                  image.subspan(static_cast<size_t>(range.offset),
                                static_cast<size_t>(range.length)),
                  range.offset);
    changes.insert(changes.end(), runs.begin(), runs.end());
  }
  return changes;
}

ByteRange ChecksumRange(ImageView image) {
  if (image.size() < 4) throw RangeError();
  return {static_cast<int64_t>(image.size() / 4 * 4 - 4), 4};
}

EditList FixChecksumEdit(std::span<uint8_t> image) {
  const RangeSnapshot before(image, {ChecksumRange(image)});
  FixImageChecksum(image);
  return before.Changes(image);
}

EditList RevertRange(std::span<uint8_t> image, const ByteEdit& change) {
  ChecksumRange(image);  // checked before anything is written
  EditList edits = OverwriteBytes(image, change.offset, change.old_bytes);
  const EditList checksum = FixChecksumEdit(image);
  edits.insert(edits.end(), checksum.begin(), checksum.end());
  return edits;
}

}  // namespace orlindel
