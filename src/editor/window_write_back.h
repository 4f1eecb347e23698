// Stores the palette's values into a window's record inside the image.
#pragma once

#include <cstdint>
#include <span>

#include "editor/preview_renderer.h"

namespace orlindel::editor {

// The image offset of window `index`'s record: `window_bank` * 0x10000 plus
// the big-endian offset in bytes 1..2 of the window list entry at
// `window_list_pos` + 3 * index. The entry's tag byte is not examined.
// RangeError when the entry lies outside the image or the record would start
// at or beyond its end.
int64_t ResolveWindowRecord(ImageView image, int64_t window_list_pos,
                            uint8_t window_bank, int index);

// Resolves window `index`'s record through the window list entry at
// `window_list_pos` + 3 * index (its tag byte is not examined) in bank
// `window_bank`, then stores Left, Top, Right, Bottom and PalDY (big-endian,
// each 0..65535) and the blend byte (0..255) in that order, and fixes the
// image checksum. RangeError for an entry or record outside the image or a
// value outside its range; fields stored before the failing one stay stored
// and the checksum is then left as it was.
void WriteBackWindowValues(std::span<uint8_t> image, int64_t window_list_pos,
                           uint8_t window_bank, int index,
                           const PaletteValues& values);

}  // namespace orlindel::editor
