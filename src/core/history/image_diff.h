// The byte ranges in which two images of one firmware differ.
#pragma once

#include <cstdint>
#include <functional>

#include "core/firmware_image.h"
#include "core/history/edit_list.h"

namespace orlindel {

// One maximal run of differing bytes: where it starts in the image and the
// bytes of both images there (views into the compared images).
struct DiffRun {
  int64_t offset = 0;
  ImageView before;
  ImageView after;
};

// Calls `visit` for each maximal run of differing bytes between `before` and
// `after`, in offset order, as soon as the run is found; nothing is
// collected, so the memory used does not grow with the number of runs.
// Images of different lengths: PatchError, before any call.
void VisitImageDifferences(ImageView before, ImageView after,
                           const std::function<void(const DiffRun&)>& visit);

// The maximal runs of differing bytes between `before` and `after`, in offset
// order, each with the bytes of both. Images of different lengths are not two
// states of one firmware (an edit never resizes the image): PatchError.
EditList DiffImages(ImageView before, ImageView after);

// The changes from `before` to `after` held compactly, for an action that
// may change millions of scattered bytes (a patch): runs of differing bytes
// fewer than kJoinedGap equal bytes apart become one edit that carries the
// equal bytes between them as well. Undone or redone, the edits write the
// same bytes as the runs would; there is at most one edit per kJoinedGap
// bytes of image, so the list takes at most about three times the bytes of
// the range it covers, whatever the number of runs. PatchError as DiffImages.
inline constexpr int64_t kJoinedGap = 256;
EditList DiffImagesJoined(ImageView before, ImageView after);

// The same runs between two byte strings of equal length that start at image
// offset `base`; RangeError when the lengths differ.
EditList DiffBytes(ImageView before, ImageView after, int64_t base);

}  // namespace orlindel
