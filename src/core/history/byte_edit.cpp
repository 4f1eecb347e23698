#include "core/history/byte_edit.h"

#include <algorithm>

#include "core/checks.h"
#include "core/errors.h"
#include "core/history/image_diff.h"

namespace orlindel {

namespace {

void WriteRange(std::span<uint8_t> image, const ByteEdit& edit,
                const std::vector<uint8_t>& bytes) {
  if (edit.old_bytes.size() != edit.new_bytes.size() ||
      !FitsInside(image, edit.offset, std::ssize(bytes)))
    throw RangeError();
  std::copy(bytes.begin(), bytes.end(),
            image.begin() + static_cast<ptrdiff_t>(edit.offset));
}

// The checksum word: the last whole little-endian word.
int64_t ChecksumOffset(std::span<const uint8_t> image) {
  if (image.size() < 4) throw RangeError();
  return static_cast<int64_t>(image.size() / 4 * 4 - 4);
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

EditList OverwriteBytes(std::span<uint8_t> image, int64_t offset,
                        std::span<const uint8_t> bytes) {
  if (!FitsInside(image, offset, std::ssize(bytes))) throw RangeError();
  const auto target = image.subspan(static_cast<size_t>(offset), bytes.size());
  EditList edits = DiffBytes(target, bytes, offset);
  std::copy(bytes.begin(), bytes.end(), target.begin());
  return edits;
}

EditList RecordEdits(std::span<uint8_t> image, int64_t offset, int64_t length,
                     const std::function<void()>& write) {
  if (!FitsInside(image, offset, length)) throw RangeError();
  const auto range =
      image.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  const std::vector<uint8_t> before(range.begin(), range.end());
  write();
  return DiffBytes(before, range, offset);
}

EditList FixChecksumEdit(std::span<uint8_t> image) {
  const int64_t at = ChecksumOffset(image);
  const auto word = image.subspan(static_cast<size_t>(at), 4);
  const std::vector<uint8_t> before(word.begin(), word.end());
  FixImageChecksum(image);
  return DiffBytes(before, word, at);
}

EditList RevertRange(std::span<uint8_t> image, const ByteEdit& change) {
  ChecksumOffset(image);  // checked before anything is written
  EditList edits = OverwriteBytes(image, change.offset, change.old_bytes);
  const EditList checksum = FixChecksumEdit(image);
  edits.insert(edits.end(), checksum.begin(), checksum.end());
  return edits;
}

}  // namespace orlindel
