// Sending-routine lookups for many PS_B numbers over one image, as the
// candidate listing makes them, without searching the image once per number.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/firmware_image.h"
#include "core/subtitle/psb_routine.h"

namespace orlindel {

class PsbRoutineFinder {
 public:
  // One pass over the search area records the first occurrence of every call
  // pattern for every PS_B number, another every possible routine start.
  // `image` must outlive the finder.
  explicit PsbRoutineFinder(ImageView image);

  // Exactly FindOsdPsbRoutine(image, n), errors included.
  PsbRoutineInfo Find(uint8_t n) const;

 private:
  static constexpr int64_t kNone = -1;

  void RecordCallsAround(int64_t pair);
  int64_t RoutineStartBefore(int64_t match) const;

  ImageView image_;
  ImageView area_;
  // first_call_[order][n]: the lowest offset of call pattern `order` for
  // PS_B number n, or kNone.
  std::array<std::array<int64_t, 256>, kPsbCallPatternCount> first_call_;
  // Every offset 1..highest_listed_start_ where IsPsbRoutineStart holds,
  // ascending; above that offset a tested byte would lie outside the search
  // area or the analysis limit.
  std::vector<int64_t> routine_starts_;
  int64_t highest_listed_start_ = 0;
};

}  // namespace orlindel
