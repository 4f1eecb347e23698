#include "core/errors.h"
#include "core/patch/bps.h"
#include "core/text.h"

namespace orlindel {

std::vector<uint8_t> EncodeBpsNumber(uint64_t value) {
  std::vector<uint8_t> bytes;
  for (;;) {
    const auto low = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
    if (value == 0) {
      bytes.push_back(static_cast<uint8_t>(0x80 | low));
      return bytes;
    }
    bytes.push_back(low);
    // Every further byte stands for one more than its bits.
    --value;
  }
}

uint64_t DecodeBpsNumber(std::span<const uint8_t> bytes, int64_t& position) {
  const int64_t start = position;
  uint64_t value = 0;
  uint64_t shift = 1;
  for (;;) {
    if (position < 0 || position >= std::ssize(bytes))
      throw PatchError(
          Format("The patch is truncated: the number at patch offset %lld is "
                 "incomplete",
                 static_cast<long long>(start)));
    const uint8_t byte = bytes[static_cast<size_t>(position++)];
    uint64_t bits = 0;
    bool overflow =
        __builtin_mul_overflow(uint64_t{byte & 0x7Fu}, shift, &bits);
    overflow = overflow || __builtin_add_overflow(value, bits, &value);
    if (!overflow && (byte & 0x80) != 0) return value;
    overflow = overflow || __builtin_mul_overflow(shift, uint64_t{128}, &shift);
    overflow = overflow || __builtin_add_overflow(value, shift, &value);
    if (overflow)
      throw PatchError(Format(
          "The patch is damaged: the number at patch offset %lld is too large",
          static_cast<long long>(start)));
  }
}

}  // namespace orlindel
