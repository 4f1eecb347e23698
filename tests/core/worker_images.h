// The images the save worker writes: each says who wrote it and in which
// round, and every byte after that follows from those two, so a file made of
// two images or cut short is recognised.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace orlindel::testing {

// Images repeat one 4 KiB block, so making and checking them stays quick in
// sanitizer builds too.
inline constexpr size_t kWorkerBlock = 4096;

inline std::vector<uint8_t> WorkerBlock(int writer, int round) {
  std::vector<uint8_t> block(kWorkerBlock);
  for (size_t i = 0; i < kWorkerBlock; ++i)
    block[i] = static_cast<uint8_t>(i * 31 + static_cast<size_t>(writer) * 7 +
                                    static_cast<size_t>(round));
  return block;
}

// The block repeated over `size` bytes (at least 3), then the writer and the
// round in the first three bytes.
inline std::vector<uint8_t> WorkerImage(int writer, int round, size_t size) {
  const std::vector<uint8_t> block = WorkerBlock(writer, round);
  std::vector<uint8_t> image(size);
  for (size_t at = 0; at < size; at += kWorkerBlock)
    std::memcpy(image.data() + at, block.data(),
                std::min(kWorkerBlock, size - at));
  image[0] = static_cast<uint8_t>(writer);
  image[1] = static_cast<uint8_t>(round >> 8);
  image[2] = static_cast<uint8_t>(round);
  return image;
}

// The writer and round of a whole worker image of `size` bytes, or nothing.
inline std::optional<std::pair<int, int>> IdentifyWorkerImage(
    const std::vector<uint8_t>& bytes, size_t size) {
  if (bytes.size() != size || size < kWorkerBlock) return std::nullopt;
  const int writer = bytes[0];
  const int round = bytes[1] << 8 | bytes[2];
  const std::vector<uint8_t> block = WorkerBlock(writer, round);
  if (std::memcmp(bytes.data() + 3, block.data() + 3, kWorkerBlock - 3) != 0)
    return std::nullopt;
  for (size_t at = kWorkerBlock; at < size; at += kWorkerBlock)
    if (std::memcmp(bytes.data() + at, block.data(),
                    std::min(kWorkerBlock, size - at)) != 0)
      return std::nullopt;
  return std::pair{writer, round};
}

}  // namespace orlindel::testing
