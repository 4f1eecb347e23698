#include "core/subtitle/psb_routine_finder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/candidate_scanner.h"
#include "core/checks.h"
#include "core/image_scan.h"
#include "core/subtitle/find_bytes.h"

namespace orlindel {

namespace {

// Where the PS_B number stands in each order of the call pattern.
constexpr std::array<int64_t, kPsbCallPatternCount> kNumberAt = {
    1,  // 7D nn 7F E0 7E 02 12
    1,  // 7D nn 7E 02 7F E0 12
    3,  // 7F E0 7D nn 7E 02 12
    5,  // 7F E0 7E 02 7D nn 12
    5,  // 7E 02 7F E0 7D nn 12
    3,  // 7E 02 7D nn 7F E0 12
};

}  // namespace

PsbRoutineFinder::PsbRoutineFinder(ImageView image)
    : PsbRoutineFinder(image, nullptr) {}

PsbRoutineFinder::PsbRoutineFinder(ImageView image, const ImageScan& scan)
    : PsbRoutineFinder(image, &scan.psb_calls()) {}

PsbRoutineFinder::PsbRoutineFinder(ImageView image,
                                   const GatheredPositions* gathered)
    : image_(image), area_(SearchArea(image)) {
  for (auto& row : first_call_) row.fill(kNone);
  const auto size = static_cast<int64_t>(area_.size());
  // Every order ends with the LCALL opcode 12 and has a MOV opcode (7D, 7E or
  // 7F) at its bytes 0, 2 and 4.
  const int64_t last = size - kPsbCallPatternSize;
  // The candidates the shared scan gathered come first (the area is the
  // image's beginning: its positions are the image's); the scan goes on
  // where it stopped.
  int64_t first = 0;
  if (gathered != nullptr) {
    for (const int64_t at : gathered->positions) {
      if (at > last) break;
      RecordCallAt(at);
    }
    first = gathered->covered;
  }
  // A local constant, so that the scanner's tests fold into its code.
  constexpr auto kTests = kPsbCallTests;
  static_assert(kTests[0].distance == kPsbCallPatternSize - 1);
  CandidateScanner<4> calls(area_, first, last, kTests);
  for (int64_t at = calls.Next(); at >= 0; at = calls.Next()) RecordCallAt(at);
  // A routine start is tested at i, i + 1 and i + 3.
  highest_listed_start_ = std::min(size - 4, kAnalysisLimit - 3);
  FindRoutineStarts();
}

int64_t PsbRoutineFinder::WinningMatch(uint8_t n) const {
  for (const auto& row : first_call_)
    if (row[n] != kNone) return row[n];
  return kNone;
}

void PsbRoutineFinder::FindRoutineStarts() {
  std::vector<int64_t> matches;
  for (int n = 0; n < 256; ++n) {
    const int64_t match = WinningMatch(static_cast<uint8_t>(n));
    if (match != kNone && match - 1 <= highest_listed_start_)
      matches.push_back(match);
  }
  std::sort(matches.begin(), matches.end());
  matches.erase(std::unique(matches.begin(), matches.end()), matches.end());

  // Each match takes the highest start between the match below it and
  // itself, or else that match's start. A routine begins a few bytes in front
  // of its call, so the stretch is searched backwards, a slice at a time.
  int64_t start_below = -1;
  int64_t bottom = 1;
  for (const int64_t match : matches) {
    const int64_t found = HighestStartIn(bottom, match - 1);
    if (found >= 0) start_below = found;
    start_before_match_.emplace_back(match, start_below);
    bottom = match;
  }
}

int64_t PsbRoutineFinder::HighestStartIn(int64_t low, int64_t high) const {
  constexpr int64_t kSlice = 4096;
  for (int64_t top = high; top >= low; top -= kSlice) {
    const int64_t first = std::max(low, top - kSlice + 1);
    CandidateScanner<3> starts(
        area_, first, top,
        {{{0, 0x90, 0x90}, {3, 0xEB, 0xEF}, {1, 0xF0, 0xFF}}});
    int64_t highest = -1;
    for (int64_t at = starts.Next(); at >= 0; at = starts.Next()) highest = at;
    if (highest >= 0) return highest;
  }
  return -1;
}

void PsbRoutineFinder::RecordCallAt(int64_t match) {
  const uint8_t* const bytes = area_.data() + match;
  for (size_t order = 0; order < kNumberAt.size(); ++order) {
    const uint8_t n = bytes[kNumberAt[order]];
    int64_t& first = first_call_[order][n];
    if (first != kNone) continue;
    const PsbCallPattern pattern =
        MakePsbCallPattern(static_cast<int>(order), n);
    if (std::memcmp(bytes, pattern.data(), pattern.size()) == 0) first = match;
  }
}

int64_t PsbRoutineFinder::RoutineStartBefore(int64_t match) const {
  // Near the analysis limit the scan must fail exactly where the direct one
  // does.
  if (match - 1 > highest_listed_start_)
    return PsbRoutineStartBefore(image_, match);
  const auto found =
      std::lower_bound(start_before_match_.begin(), start_before_match_.end(),
                       std::pair<int64_t, int64_t>{match, INT64_MIN});
  return found->second;
}

PsbRoutineInfo PsbRoutineFinder::Find(uint8_t n) const {
  for (const auto& row : first_call_) {
    const int64_t match = row[n];
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
