// The byte ranges in which two images of one firmware differ.
#pragma once

#include <cstdint>

#include "core/firmware_image.h"
#include "core/history/edit_list.h"

namespace orlindel {

// The maximal runs of differing bytes between `before` and `after`, in offset
// order, each with the bytes of both. Images of different lengths are not two
// states of one firmware (an edit never resizes the image): PatchError.
EditList DiffImages(ImageView before, ImageView after);

// The same runs between two byte strings of equal length that start at image
// offset `base`; RangeError when the lengths differ.
EditList DiffBytes(ImageView before, ImageView after, int64_t base);

}  // namespace orlindel
