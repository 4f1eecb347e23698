// The images the save worker writes: each says who wrote it and in which
// round, and every byte after that follows from those two, so a file made of
// two images or cut short is recognised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace orlindel::testing {

inline std::vector<uint8_t> WorkerImage(int writer, int round, size_t size) {
  std::vector<uint8_t> image(size);
  image[0] = static_cast<uint8_t>(writer);
  image[1] = static_cast<uint8_t>(round >> 8);
  image[2] = static_cast<uint8_t>(round);
  for (size_t i = 3; i < size; ++i)
    image[i] = static_cast<uint8_t>(i * 31 + static_cast<size_t>(writer) * 7 +
                                    static_cast<size_t>(round) + (i >> 12));
  return image;
}

// The writer and round of a whole worker image of `size` bytes, or nothing.
inline std::optional<std::pair<int, int>> IdentifyWorkerImage(
    const std::vector<uint8_t>& bytes, size_t size) {
  if (bytes.size() != size || size < 3) return std::nullopt;
  const int writer = bytes[0];
  const int round = bytes[1] << 8 | bytes[2];
  if (bytes != WorkerImage(writer, round, size)) return std::nullopt;
  return std::pair{writer, round};
}

}  // namespace orlindel::testing
