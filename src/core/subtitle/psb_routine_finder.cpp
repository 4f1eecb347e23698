#include "core/subtitle/psb_routine_finder.h"

#include <algorithm>
#include <cstring>

#include "core/checks.h"
#include "core/subtitle/find_bytes.h"

namespace orlindel {

namespace {

// Every call pattern holds MOV R7,#0E0h (7F E0); where it stands in each
// order, and where the PS_B number stands.
struct PatternShape {
  int64_t pair_at;
  int64_t number_at;
};
constexpr std::array<PatternShape, kPsbCallPatternCount> kShapes = {{
    {2, 1},  // 7D nn 7F E0 7E 02 12
    {4, 1},  // 7D nn 7E 02 7F E0 12
    {0, 3},  // 7F E0 7D nn 7E 02 12
    {0, 5},  // 7F E0 7E 02 7D nn 12
    {2, 5},  // 7E 02 7F E0 7D nn 12
    {4, 3},  // 7E 02 7D nn 7F E0 12
}};

}  // namespace

PsbRoutineFinder::PsbRoutineFinder(ImageView image)
    : image_(image), area_(SearchArea(image)) {
  for (auto& row : first_call_) row.fill(kNone);

  const uint8_t* const base = area_.data();
  const auto size = static_cast<int64_t>(area_.size());
  for (int64_t at = 0; at + 1 < size;) {
    const void* hit =
        std::memchr(base + at, 0x7F, static_cast<size_t>(size - at - 1));
    if (hit == nullptr) break;
    at = static_cast<const uint8_t*>(hit) - base;
    if (base[at + 1] == 0xE0) RecordCallsAround(at);
    ++at;
  }

  // A routine start is tested at i, i + 1 and i + 3.
  highest_listed_start_ = std::min(size - 4, kAnalysisLimit - 3);
  for (int64_t at = 1; at <= highest_listed_start_;) {
    const void* hit = std::memchr(
        base + at, 0x90, static_cast<size_t>(highest_listed_start_ - at + 1));
    if (hit == nullptr) break;
    at = static_cast<const uint8_t*>(hit) - base;
    if (IsPsbRoutineStart(area_, at)) routine_starts_.push_back(at);
    ++at;
  }
}

void PsbRoutineFinder::RecordCallsAround(int64_t pair) {
  const auto size = static_cast<int64_t>(area_.size());
  for (int order = 0; order < kPsbCallPatternCount; ++order) {
    const int64_t match = pair - kShapes[order].pair_at;
    if (match < 0 || match + kPsbCallPatternSize > size) continue;
    const uint8_t n =
        area_[static_cast<size_t>(match + kShapes[order].number_at)];
    int64_t& first = first_call_[order][n];
    if (first != kNone) continue;
    const PsbCallPattern pattern = MakePsbCallPattern(order, n);
    if (std::memcmp(area_.data() + match, pattern.data(), pattern.size()) == 0)
      first = match;
  }
}

int64_t PsbRoutineFinder::RoutineStartBefore(int64_t match) const {
  // Near the analysis limit the scan must fail exactly where the direct one
  // does.
  if (match - 1 > highest_listed_start_)
    return PsbRoutineStartBefore(image_, match);
  // The highest recorded start below `match`.
  const auto above =
      std::lower_bound(routine_starts_.begin(), routine_starts_.end(), match);
  return above == routine_starts_.begin() ? -1 : *std::prev(above);
}

PsbRoutineInfo PsbRoutineFinder::Find(uint8_t n) const {
  for (int order = 0; order < kPsbCallPatternCount; ++order) {
    const int64_t match = first_call_[order][n];
    if (match == kNone) continue;
    PsbRoutineInfo info;
    info.found = true;
    info.put_char_address = PutCharAddressAt(image_, match);
    info.routine_start = RoutineStartBefore(match);
    return info;
  }
  return {};
}

}  // namespace orlindel
