// BPS patches, the format of today's ROM patching tools. A patch is "BPS1",
// the source size, the target size and the metadata size as numbers, the
// metadata, a list of actions that build the target from front to back, and
// a footer of three little-endian CRC-32s: of the source, of the target and
// of the patch up to the last four bytes. Because the patch names the CRC of
// the file it was made for, it refuses to build anything from another file.
//
// Numbers use a variable-length code: seven bits a byte, least significant
// first, the last byte marked by bit 7, and each further byte adding one more
// than its bits, so every number has exactly one encoding.
//
// An action is a number: the low two bits choose it, the rest hold its
// length less one.
//   SourceRead  copies the source bytes at the same offset as the output;
//   TargetRead  copies the next `length` bytes of the patch;
//   SourceCopy  moves the source cursor by a signed number (bit 0 the sign,
//               the rest the distance), then copies from the source there;
//   TargetCopy  the same with the target cursor over the output already
//               written (which lets a copy repeat a run of bytes).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "core/history/byte_edit.h"

namespace orlindel {

// The encoding of `value` as a BPS number (one to ten bytes).
std::vector<uint8_t> EncodeBpsNumber(uint64_t value);

// The number that starts at `position` in `bytes`; `position` moves past it.
// PatchError when the number runs past the end of `bytes` (a truncated
// patch) or does not fit 64 bits.
uint64_t DecodeBpsNumber(std::span<const uint8_t> bytes, int64_t& position);

// A patch that turns `source` into `target`: SourceRead where both hold the
// same byte at the same offset, TargetRead elsewhere, no metadata. Linear in
// the sizes; the patch is at most a little longer than the target. PatchError
// for a target larger than kMaxImageSize.
std::vector<uint8_t> MakeBpsPatch(ImageView source, ImageView target);

// What the patch says of itself, read without building anything.
struct BpsHeader {
  uint64_t source_size = 0;
  uint64_t target_size = 0;
  std::string metadata;
  uint32_t source_crc = 0;
  uint32_t target_crc = 0;
};

// The header of `patch`. PatchError for a patch that does not begin with
// "BPS1", is too short for its footer, does not match its own CRC (damaged
// or incomplete) or whose header numbers run into the footer.
BpsHeader ReadBpsHeader(std::span<const uint8_t> patch);

// The target that `patch` builds from `source`. Every refusal is a
// PatchError, before anything is built where it can be told in advance: the
// checks of ReadBpsHeader; a source of another size or CRC than the patch was
// made for (the text names both CRCs); a target larger than
// kMaxImageSize; an action that reads outside the source, outside the
// target written so far or past the actions, or writes past the target's
// size; actions that end before the target is complete; a target whose CRC
// differs from the one the patch records.
FirmwareImage ApplyBpsPatch(ImageView source, std::span<const uint8_t> patch);

}  // namespace orlindel
