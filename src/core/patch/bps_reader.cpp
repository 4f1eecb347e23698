#include <algorithm>
#include <iterator>
#include <limits>

#include "core/checks.h"
#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr auto kMagicSize = static_cast<int64_t>(kBpsMagic.size());
constexpr int64_t kFooterSize = 12;

enum Action : uint8_t {
  kSourceRead = 0,
  kTargetRead = 1,
  kSourceCopy = 2,
  kTargetCopy = 3
};

uint32_t LittleEndian32(std::span<const uint8_t> bytes, int64_t offset) {
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = value << 8 | ByteAt(bytes, offset + k);
  return value;
}

// The header and where the actions lie: from `actions_begin` up to the
// footer.
struct ParsedPatch {
  BpsHeader header;
  int64_t actions_begin = 0;
  int64_t actions_end = 0;
};

ParsedPatch ParsePatch(std::span<const uint8_t> patch) {
  const int64_t size = std::ssize(patch);
  if (size < kMagicSize ||
      !std::equal(kBpsMagic.begin(), kBpsMagic.end(), patch.begin()))
    throw PatchError("Not a BPS patch: it does not begin with \"BPS1\"");
  if (size < kMagicSize + kFooterSize)
    throw PatchError(
        Format("The patch is truncated: %lld bytes cannot hold its header and "
               "footer",
               static_cast<long long>(size)));
  const uint32_t recorded = LittleEndian32(patch, size - 4);
  const uint32_t actual = Crc32(patch.first(static_cast<size_t>(size - 4)));
  if (recorded != actual)
    throw PatchError(
        Format("The patch is damaged or incomplete: it records CRC32 %08X, "
               "but its bytes have CRC32 %08X",
               recorded, actual));

  ParsedPatch parsed;
  parsed.actions_end = size - kFooterSize;
  const auto header = patch.first(static_cast<size_t>(parsed.actions_end));
  int64_t position = kMagicSize;
  parsed.header.source_size = DecodeBpsNumber(header, position);
  parsed.header.target_size = DecodeBpsNumber(header, position);
  const uint64_t metadata_size = DecodeBpsNumber(header, position);
  if (metadata_size > static_cast<uint64_t>(parsed.actions_end - position))
    throw PatchError(Format(
        "The patch is truncated: its metadata of %llu bytes runs into the "
        "footer",
        static_cast<unsigned long long>(metadata_size)));
  const auto metadata = header.subspan(static_cast<size_t>(position),
                                       static_cast<size_t>(metadata_size));
  parsed.header.metadata.assign(metadata.begin(), metadata.end());
  parsed.actions_begin = position + static_cast<int64_t>(metadata_size);
  parsed.header.source_crc = LittleEndian32(patch, parsed.actions_end);
  parsed.header.target_crc = LittleEndian32(patch, parsed.actions_end + 4);
  return parsed;
}

// Moves a copy cursor by the signed distance `encoded` (bit 0 the sign).
int64_t MoveCursor(int64_t cursor, uint64_t encoded, int64_t at) {
  const uint64_t distance = encoded >> 1;
  int64_t moved = 0;
  if (distance > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ||
      __builtin_add_overflow(cursor,
                             (encoded & 1) != 0
                                 ? -static_cast<int64_t>(distance)
                                 : static_cast<int64_t>(distance),
                             &moved))
    throw PatchError(
        Format("The patch is damaged: the copy at patch offset %lld moves "
               "out of range",
               static_cast<long long>(at)));
  return moved;
}

PatchError ReadsOutside(const char* what, int64_t at) {
  return PatchError(Format(
      "The patch is damaged: the action at patch offset %lld reads outside "
      "the %s",
      static_cast<long long>(at), what));
}

// Runs the actions of `parsed` into `target`, which has the target's size.
void RunActions(ImageView source, std::span<const uint8_t> patch,
                const ParsedPatch& parsed, std::span<uint8_t> target) {
  const auto actions = patch.first(static_cast<size_t>(parsed.actions_end));
  const int64_t target_size = std::ssize(target);
  int64_t position = parsed.actions_begin;
  int64_t output = 0;
  int64_t source_cursor = 0;
  int64_t target_cursor = 0;
  while (position < parsed.actions_end) {
    const int64_t at = position;
    const uint64_t data = DecodeBpsNumber(actions, position);
    const uint64_t length = (data >> 2) + 1;
    if (length > static_cast<uint64_t>(target_size - output))
      throw PatchError(Format(
          "The patch is damaged: the action at patch offset %lld "
          "writes past the end of the %lld-byte target",
          static_cast<long long>(at), static_cast<long long>(target_size)));
    // At most the target's size, so it fits every offset type below.
    const auto count = static_cast<int64_t>(length);
    const auto out =
        target.subspan(static_cast<size_t>(output), static_cast<size_t>(count));
    switch (static_cast<Action>(data & 3)) {
      case kSourceRead:
        if (!FitsInside(source, output, count))
          throw ReadsOutside("source", at);
        std::copy_n(source.begin() + output, count, out.begin());
        break;
      case kTargetRead:
        if (count > parsed.actions_end - position)
          throw PatchError(Format(
              "The patch is truncated: the %lld bytes of the action at "
              "patch offset %lld run into the footer",
              static_cast<long long>(count), static_cast<long long>(at)));
        std::copy_n(patch.begin() + position, count, out.begin());
        position += count;
        break;
      case kSourceCopy:
        source_cursor =
            MoveCursor(source_cursor, DecodeBpsNumber(actions, position), at);
        if (!FitsInside(source, source_cursor, count))
          throw ReadsOutside("source", at);
        std::copy_n(source.begin() + source_cursor, count, out.begin());
        source_cursor += count;
        break;
      case kTargetCopy:
        target_cursor =
            MoveCursor(target_cursor, DecodeBpsNumber(actions, position), at);
        // The copy may overlap its own output, so it starts inside what is
        // written and goes byte by byte.
        if (target_cursor < 0 || target_cursor >= output)
          throw ReadsOutside("target written so far", at);
        for (int64_t k = 0; k < count; ++k)
          out[static_cast<size_t>(k)] =
              target[static_cast<size_t>(target_cursor + k)];
        target_cursor += count;
        break;
    }
    output += count;
  }
  if (output != target_size)
    throw PatchError(Format(
        "The patch is truncated: its actions build %lld of the %lld bytes of "
        "the target",
        static_cast<long long>(output), static_cast<long long>(target_size)));
}

}  // namespace

BpsHeader ReadBpsHeader(std::span<const uint8_t> patch) {
  return ParsePatch(patch).header;
}

void CheckBpsSourceFits(const BpsHeader& header, ImageView source) {
  if (header.source_size != source.size())
    throw PatchError(Format(
        "The patch was made for a file of %llu bytes; this file has %zu bytes",
        static_cast<unsigned long long>(header.source_size), source.size()));
  const uint32_t source_crc = Crc32(source);
  if (header.source_crc != source_crc)
    throw PatchError(
        Format("The patch was made for a file with CRC32 %08X; this file has "
               "CRC32 %08X",
               header.source_crc, source_crc));
}

FirmwareImage ApplyBpsPatch(ImageView source, std::span<const uint8_t> patch) {
  const ParsedPatch parsed = ParsePatch(patch);
  const BpsHeader& header = parsed.header;
  CheckBpsSourceFits(header, source);
  if (header.target_size > static_cast<uint64_t>(kMaxImageSize))
    throw PatchError(
        Format("The patch would make a file of %llu bytes: an image has at "
               "most 64 MiB",
               static_cast<unsigned long long>(header.target_size)));

  FirmwareImage target(static_cast<size_t>(header.target_size), 0);
  RunActions(source, patch, parsed, target);
  const uint32_t target_crc = Crc32(target);
  if (header.target_crc != target_crc)
    throw PatchError(
        Format("The patched file has CRC32 %08X, but the patch expects CRC32 "
               "%08X: the patch is damaged",
               target_crc, header.target_crc));
  return target;
}

EditList ApplyBpsPatchInPlace(std::span<uint8_t> image,
                              std::span<const uint8_t> patch) {
  const FirmwareImage target = ApplyBpsPatch(image, patch);
  if (target.size() != image.size())
    throw PatchError(Format(
        "The patch changes the file's length from %zu to %zu bytes; an open "
        "image cannot change its length",
        image.size(), target.size()));
  EditList edits = DiffImagesJoined(image, target);
  ApplyEdits(image, edits);
  return edits;
}

}  // namespace orlindel
