#include "core/patch/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <limits>

namespace orlindel {

uint32_t Crc32(std::span<const uint8_t> bytes) {
  // zlib takes a 32-bit length: longer inputs go in pieces.
  constexpr size_t kPiece = std::numeric_limits<uInt>::max();
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const size_t piece = std::min(bytes.size(), kPiece);
    crc = crc32(crc, bytes.data(), static_cast<uInt>(piece));
    bytes = bytes.subspan(piece);
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace orlindel
