#include "core/history/image_diff.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/errors.h"
#include "core/text.h"

namespace orlindel {

namespace {

// Most of two large images is equal: equal blocks are skipped with memcmp.
constexpr size_t kBlock = 4096;

// The first index at or after `from` where the two strings differ, or their
// length.
size_t NextDifference(ImageView before, ImageView after, size_t from) {
  const size_t size = before.size();
  while (from + kBlock <= size &&
         std::memcmp(before.data() + from, after.data() + from, kBlock) == 0)
    from += kBlock;
  while (from < size && before[from] == after[from]) ++from;
  return from;
}

// Calls `visit` for each maximal run of differing bytes of two strings of
// equal length, the run's offset counted from `base`.
void VisitRuns(ImageView before, ImageView after, int64_t base,
               const std::function<void(const DiffRun&)>& visit) {
  const size_t size = before.size();
  for (size_t start = NextDifference(before, after, 0); start < size;
       start = NextDifference(before, after, start)) {
    size_t end = start;
    while (end < size && before[end] != after[end]) ++end;
    visit({base + static_cast<int64_t>(start),
           before.subspan(start, end - start),
           after.subspan(start, end - start)});
    start = end;
  }
}

// Images of different lengths are not two states of one firmware.
void CheckSameLength(ImageView before, ImageView after) {
  if (before.size() != after.size())
    throw PatchError(Format("The images differ in length (%zu and %zu bytes)",
                            before.size(), after.size()));
}

}  // namespace

void VisitImageDifferences(ImageView before, ImageView after,
                           const std::function<void(const DiffRun&)>& visit) {
  CheckSameLength(before, after);
  VisitRuns(before, after, 0, visit);
}

EditList DiffBytes(ImageView before, ImageView after, int64_t base) {
  if (before.size() != after.size()) throw RangeError();
  EditList edits;
  VisitRuns(before, after, base, [&edits](const DiffRun& run) {
    edits.push_back({run.offset,
                     {run.before.begin(), run.before.end()},
                     {run.after.begin(), run.after.end()}});
  });
  return edits;
}

EditList DiffImages(ImageView before, ImageView after) {
  CheckSameLength(before, after);
  return DiffBytes(before, after, 0);
}

EditList DiffImagesJoined(ImageView before, ImageView after) {
  CheckSameLength(before, after);
  // The runs are gathered as ranges first, so each edit's bytes are copied
  // once, at their final size.
  EditList edits;
  int64_t start = -1;
  int64_t end = -1;
  const auto add = [&] {
    if (start < 0) return;
    const auto first = static_cast<size_t>(start);
    const auto count = static_cast<size_t>(end - start);
    const ImageView old_bytes = before.subspan(first, count);
    const ImageView new_bytes = after.subspan(first, count);
    edits.push_back({start,
                     {old_bytes.begin(), old_bytes.end()},
                     {new_bytes.begin(), new_bytes.end()}});
  };
  VisitRuns(before, after, 0, [&](const DiffRun& run) {
    const int64_t run_end = run.offset + std::ssize(run.before);
    if (start >= 0 && run.offset - end < kJoinedGap) {
      end = run_end;
      return;
    }
    add();
    start = run.offset;
    end = run_end;
  });
  add();
  return edits;
}

}  // namespace orlindel
