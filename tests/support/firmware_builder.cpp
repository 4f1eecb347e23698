#include "tests/support/firmware_builder.h"

#include <algorithm>
#include <random>
#include <stdexcept>

namespace orlindel::testing {

namespace {

// Opcodes that dominate real 8051 firmware, so the filler exercises the
// searches the way a real image does.
constexpr uint8_t kCommonOpcodes[] = {0x90, 0xE0, 0xF0, 0x12, 0x22, 0x74,
                                      0xE4, 0xA3, 0xFF, 0xEF, 0x7F, 0x60,
                                      0x70, 0x80, 0x02, 0x00, 0xF5, 0xE5};

}  // namespace

FirmwareBuilder::FirmwareBuilder(size_t length, uint8_t fill)
    : image_(length, fill) {
  if (length >= 0x203) HeaderLength(static_cast<uint32_t>(length));
}

FirmwareBuilder& FirmwareBuilder::CodeLikeFiller(size_t offset, size_t count,
                                                 uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(0, 99);
  std::uniform_int_distribution<int> opcode(0, std::size(kCommonOpcodes) - 1);
  const size_t end = std::min(image_.size(), offset + count);
  for (size_t i = offset; i < end; ++i) {
    const int roll = pick(random);
    image_[i] = roll < 45 ? kCommonOpcodes[opcode(random)]
                          : static_cast<uint8_t>(random() & 0xFF);
  }
  return *this;
}

FirmwareBuilder& FirmwareBuilder::HeaderLength(uint32_t length) {
  return Bytes(0x200, {static_cast<uint8_t>(length & 0xFF),
                       static_cast<uint8_t>((length >> 8) & 0xFF),
                       static_cast<uint8_t>((length >> 16) & 0xFF)});
}

FirmwareBuilder& FirmwareBuilder::Bytes(size_t offset,
                                        std::initializer_list<uint8_t> bytes) {
  return Bytes(offset, std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

FirmwareBuilder& FirmwareBuilder::Bytes(size_t offset,
                                        std::span<const uint8_t> bytes) {
  if (offset > image_.size() || bytes.size() > image_.size() - offset)
    throw std::out_of_range("FirmwareBuilder: bytes past the image end");
  std::copy(bytes.begin(), bytes.end(), image_.begin() + offset);
  return *this;
}

FirmwareBuilder& FirmwareBuilder::BE16(size_t offset, uint16_t value) {
  return Bytes(offset, {static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value & 0xFF)});
}

FirmwareBuilder& FirmwareBuilder::Record(size_t offset,
                                         const WindowSpec& window, uint8_t id) {
  BE16(offset, window.left);
  BE16(offset + 2, window.top);
  BE16(offset + 4, window.right);
  BE16(offset + 6, window.bottom);
  BE16(offset + 8, window.pal_dy);
  return Bytes(offset + 10, {id, 0x00, window.blend, 0x00, window.check_byte});
}

FirmwareBuilder& FirmwareBuilder::WindowList(
    size_t list_offset, const std::vector<WindowSpec>& windows) {
  const size_t bank_base = list_offset & 0xFF0000;
  size_t entry = list_offset;
  for (size_t n = 0; n < windows.size(); ++n, entry += 3) {
    const WindowSpec& window = windows[n];
    Bytes(entry, {0xFF});
    BE16(entry + 1, window.record_offset);
    const int id = window.id < 0 ? static_cast<int>(n) : window.id;
    Record(bank_base + window.record_offset, window, static_cast<uint8_t>(id));
  }
  return Bytes(entry, {0xFF, 0xFF, 0xFF});
}

FirmwareBuilder& FirmwareBuilder::OsdPosList(
    size_t list_offset, const std::vector<OsdGroupSpec>& groups) {
  const size_t bank_base = list_offset & 0xFF0000;
  size_t ref = list_offset;
  for (const OsdGroupSpec& group : groups) {
    Bytes(ref, {static_cast<uint8_t>(group.entries.size()), 0xFF});
    BE16(ref + 2, group.entries_offset);
    size_t at = bank_base + group.entries_offset;
    for (const OsdEntrySpec& entry : group.entries) {
      Bytes(at, {entry.window_id});
      BE16(at + 1, entry.x);
      BE16(at + 3, entry.y);
      BE16(at + 5, entry.width);
      BE16(at + 7, entry.height);
      at += 9;
    }
    ref += 4;
  }
  return Bytes(ref, {0x00, 0x00, 0x00, 0x00});
}

FirmwareImage FirmwareBuilder::Build(bool fix_checksum) const {
  FirmwareImage image = image_;
  if (fix_checksum && image.size() >= 4) FixImageChecksum(image);
  return image;
}

std::vector<WindowSpec> DemoWindows(int count, uint16_t first_record_offset) {
  std::vector<WindowSpec> windows;
  for (int n = 0; n < count; ++n) {
    const auto row = static_cast<uint16_t>(n / 4);
    const auto column = static_cast<uint16_t>(n % 4);
    WindowSpec window;
    window.record_offset = static_cast<uint16_t>(first_record_offset + 16 * n);
    window.left = static_cast<uint16_t>(40 + 160 * column);
    window.top = static_cast<uint16_t>(40 + 96 * (row % 5));
    window.right = static_cast<uint16_t>(window.left + 149);
    window.bottom = static_cast<uint16_t>(window.top + 79);
    window.pal_dy = 48;
    window.blend = static_cast<uint8_t>(0x80 + n);
    windows.push_back(window);
  }
  return windows;
}

}  // namespace orlindel::testing
