// IPS patches, the common format for firmware and ROM patches: "PATCH", then
// records of a 3-byte big-endian offset, a 2-byte big-endian size and the
// data, then "EOF". A record of size 0 is run-length encoded: a 2-byte count
// and one byte written count times.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/firmware_image.h"

namespace orlindel {

inline constexpr int64_t kIpsMaxOffset = 0xFFFFFF;
inline constexpr int64_t kIpsMaxRecordSize = 0xFFFF;
// The offset whose three bytes read as "EOF": no record may start there.
inline constexpr int64_t kIpsEofOffset = 0x454F46;

// One record as the patch holds it: `size` bytes written at `offset`, either
// `data` (a view into the patch) or, for a run-length record, `value`
// repeated.
struct IpsRecord {
  int64_t offset = 0;
  int64_t size = 0;
  bool run = false;
  uint8_t value = 0;              // of a run
  std::span<const uint8_t> data;  // of any other record
};

// The patch that turns `before` into `after`: one record per changed run,
// runs longer than kIpsMaxRecordSize split, and a record that would start at
// kIpsEofOffset started one byte earlier. The records are written straight
// into one buffer of the patch's exact size, never held on their own.
// PatchError when the lengths differ or a change lies where no record can
// start (above kIpsMaxOffset).
std::vector<uint8_t> WriteIps(ImageView before, ImageView after);

// Checks the whole of `patch` for an image of `image_length` bytes, then
// calls `visit` for each record in patch order and returns their number.
// PatchError, before the first call, for a patch that does not begin with
// "PATCH", a truncated record, a missing "EOF" or bytes after it, a record
// that reaches past the end of the image, and records that write more than
// kMaxImageSize bytes in all (run-length records counted expanded).
int64_t ReadIpsRecords(std::span<const uint8_t> patch, int64_t image_length,
                       const std::function<void(const IpsRecord&)>& visit);

// Writes every record of `patch` over `image` in order and returns their
// number. PatchError as ReadIpsRecords, with nothing written; an IPS patch
// never changes the image's length.
int64_t ApplyIpsInPlace(std::span<uint8_t> image,
                        std::span<const uint8_t> patch);

// A copy of `image` with `patch` applied (see ApplyIpsInPlace).
FirmwareImage ApplyIps(ImageView image, std::span<const uint8_t> patch);

}  // namespace orlindel
