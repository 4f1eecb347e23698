#include "core/subtitle/find_bytes.h"

#include <cstring>

namespace orlindel {

ImageView SearchArea(ImageView image) {
  return image.first(static_cast<size_t>(SearchAreaLength(image)));
}

std::optional<int64_t> FindBytes(ImageView area,
                                 std::span<const uint8_t> pattern,
                                 int64_t from) {
  if (pattern.empty()) return std::nullopt;
  const size_t start = from < 0 ? 0 : static_cast<size_t>(from);
  if (start > area.size() || pattern.size() > area.size() - start)
    return std::nullopt;
  // The last offset at which the whole pattern still fits.
  const size_t last = area.size() - pattern.size();
  const uint8_t* const base = area.data();
  const uint8_t first = pattern.front();
  size_t at = start;
  while (at <= last) {
    const void* hit = std::memchr(base + at, first, last - at + 1);
    if (hit == nullptr) return std::nullopt;
    at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - base);
    if (std::memcmp(base + at + 1, pattern.data() + 1, pattern.size() - 1) == 0)
      return static_cast<int64_t>(at);
    ++at;
  }
  return std::nullopt;
}

}  // namespace orlindel
