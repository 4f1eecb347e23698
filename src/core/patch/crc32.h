// The CRC-32 of zlib and of the common patch formats (polynomial 0xEDB88320).
#pragma once

#include <cstdint>
#include <span>

namespace orlindel {

// The CRC-32 of `bytes`, of any length.
uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace orlindel
