// The byte-pattern search that every subtitle search uses: matches lie wholly
// inside the search area, the first min(header length, image length) bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/firmware_image.h"

namespace orlindel {

// The searched part of `image`: a view of its first min(header length,
// length) bytes (empty when the header length is 0). No bytes are copied.
ImageView SearchArea(ImageView image);

// The smallest offset m >= `from` at which `pattern` lies wholly inside
// `area`; nullopt when there is none, when `from` lies beyond the area or
// when `pattern` is empty. A negative `from` searches from offset 0. Zero
// bytes in `pattern` match like any other byte.
std::optional<int64_t> FindBytes(ImageView area,
                                 std::span<const uint8_t> pattern,
                                 int64_t from);

}  // namespace orlindel
