// IPS patches, the common format for firmware and ROM patches: "PATCH", then
// records of a 3-byte big-endian offset, a 2-byte big-endian size and the
// data, then "EOF". A record of size 0 is run-length encoded: a 2-byte count
// and one byte written count times.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/firmware_image.h"

namespace orlindel {

// One record: the data (a run-length record expanded) written at `offset`.
struct IpsRecord {
  int64_t offset = 0;
  std::vector<uint8_t> data;

  bool operator==(const IpsRecord&) const = default;
};

inline constexpr int64_t kIpsMaxOffset = 0xFFFFFF;
inline constexpr int64_t kIpsMaxRecordSize = 0xFFFF;
// The offset whose three bytes read as "EOF": no record may start there.
inline constexpr int64_t kIpsEofOffset = 0x454F46;

// The records that turn `before` into `after`: one per changed run, runs
// longer than kIpsMaxRecordSize split, and a record that would start at
// kIpsEofOffset started one byte earlier. PatchError when the lengths differ
// or a change lies where no record can start (above kIpsMaxOffset).
std::vector<IpsRecord> PlanIpsRecords(ImageView before, ImageView after);

// The patch file for `records`. PatchError for a record an IPS patch cannot
// hold (empty, too long, or starting above kIpsMaxOffset or at
// kIpsEofOffset).
std::vector<uint8_t> EncodeIps(std::span<const IpsRecord> records);

// EncodeIps(PlanIpsRecords(before, after)).
std::vector<uint8_t> WriteIps(ImageView before, ImageView after);

// The records of `patch`, in patch order. PatchError for a patch that does
// not begin with "PATCH", a truncated record, a missing "EOF" or bytes after
// it, and for one whose records hold more than kMaxImageSize bytes in all
// (run-length records counted expanded), found before they are expanded.
std::vector<IpsRecord> ParseIps(std::span<const uint8_t> patch);
// ParseIps for an image of `image_length` bytes: a record that reaches past
// its end is refused as soon as it is read, before it is expanded.
std::vector<IpsRecord> ParseIps(std::span<const uint8_t> patch,
                                int64_t image_length);

// A copy of `image` with every record written in order. PatchError, before
// anything is written, when a record reaches past the end of the image.
FirmwareImage ApplyIpsRecords(ImageView image,
                              std::span<const IpsRecord> records);

// A copy of `image` with every record of `patch` written in order. PatchError
// as ParseIps does, and when a record reaches past the end of the image; an
// IPS patch never changes the image's length.
FirmwareImage ApplyIps(ImageView image, std::span<const uint8_t> patch);

}  // namespace orlindel
