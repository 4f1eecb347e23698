// Composes synthetic firmware images for tests, benchmarks and the demo image.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "core/firmware_image.h"
#include "core/window_list.h"

namespace orlindel::testing {

// One window of a WList: where its record goes (an offset inside the list's
// bank) and what it holds. The record's id defaults to the entry number.
struct WindowSpec {
  uint16_t record_offset = 0;
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t right = 0;
  uint16_t bottom = 0;
  uint16_t pal_dy = 0;
  uint8_t blend = 0xFF;
  int id = -1;  // -1: the entry number
  uint8_t check_byte = 0x00;
};

struct OsdEntrySpec {
  uint8_t window_id = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t width = 0;
  uint16_t height = 0;
};

// One group of an OsdPosList: its entries go to `entries_offset` inside the
// bank of the list.
struct OsdGroupSpec {
  uint16_t entries_offset = 0;
  std::vector<OsdEntrySpec> entries;
};

class FirmwareBuilder {
 public:
  // An image of `length` bytes filled with `fill`, header length = length.
  explicit FirmwareBuilder(size_t length, uint8_t fill = 0xFF);

  // Pseudo-random bytes shaped like 8051 code, reproducible from `seed`,
  // over [offset, offset + count).
  FirmwareBuilder& CodeLikeFiller(size_t offset, size_t count, uint32_t seed);
  FirmwareBuilder& HeaderLength(uint32_t length);
  FirmwareBuilder& Bytes(size_t offset, std::initializer_list<uint8_t> bytes);
  FirmwareBuilder& Bytes(size_t offset, std::span<const uint8_t> bytes);
  FirmwareBuilder& BE16(size_t offset, uint16_t value);
  // Writes all 15 bytes of a record; bytes 11 and 13 are 0.
  FirmwareBuilder& Record(size_t offset, const WindowSpec& window, uint8_t id);
  // Writes the CodePointer entries at `list_offset`, one per window, followed
  // by FF FF FF, and every window's record inside the list's bank.
  FirmwareBuilder& WindowList(size_t list_offset,
                              const std::vector<WindowSpec>& windows);
  // Writes group references at `list_offset` followed by 00 00 00 00, and
  // every group's entries inside the list's bank.
  FirmwareBuilder& OsdPosList(size_t list_offset,
                              const std::vector<OsdGroupSpec>& groups);

  FirmwareImage Build(bool fix_checksum = true) const;

 private:
  FirmwareImage image_;
};

// A screen-sized demo layout: `count` windows spread over a PAL screen.
std::vector<WindowSpec> DemoWindows(int count, uint16_t first_record_offset);

}  // namespace orlindel::testing
