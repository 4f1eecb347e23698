// Sending-routine lookups for many PS_B numbers over one image, as the
// candidate listing makes them, without searching the image once per number.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/firmware_image.h"
#include "core/subtitle/psb_routine.h"

namespace orlindel {

class ImageScan;
struct GatheredPositions;

class PsbRoutineFinder {
 public:
  // One pass over the search area records the first occurrence of every call
  // pattern for every PS_B number; then the routine start in front of each
  // is searched for backwards from it, down to the next lower occurrence.
  // `image` must outlive the finder.
  explicit PsbRoutineFinder(ImageView image);
  // The same, taking the call patterns' candidates from `scan` (made of the
  // same image) as far as it gathered them.
  PsbRoutineFinder(ImageView image, const ImageScan& scan);

  // Exactly FindOsdPsbRoutine(image, n), errors included.
  PsbRoutineInfo Find(uint8_t n) const;

 private:
  static constexpr int64_t kNone = -1;

  PsbRoutineFinder(ImageView image, const GatheredPositions* gathered);

  // Records the call pattern at `match`, which lies inside the area.
  void RecordCallAt(int64_t match);
  // The first call pattern, in pattern order, for PS_B number n, or kNone.
  int64_t WinningMatch(uint8_t n) const;
  void FindRoutineStarts();
  // The highest routine start in [low, high], or -1.
  int64_t HighestStartIn(int64_t low, int64_t high) const;
  int64_t RoutineStartBefore(int64_t match) const;

  ImageView image_;
  ImageView area_;
  // first_call_[order][n]: the lowest offset of call pattern `order` for
  // PS_B number n, or kNone.
  std::array<std::array<int64_t, 256>, kPsbCallPatternCount> first_call_;
  // For every winning match up to highest_listed_start_ + 1, ascending: the
  // highest routine start below it (-1 for none). Above that offset a tested
  // byte would lie outside the search area or the analysis limit, and the
  // start is looked for directly.
  std::vector<std::pair<int64_t, int64_t>> start_before_match_;
  int64_t highest_listed_start_ = 0;
};

}  // namespace orlindel
