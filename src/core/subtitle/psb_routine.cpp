#include "core/subtitle/psb_routine.h"

#include <algorithm>

#include "core/checks.h"
#include "core/subtitle/find_bytes.h"

namespace orlindel {

namespace {

// A byte the searches take from the image: inside it and the analysis limit.
uint8_t AnalysisByteAt(ImageView image, int64_t offset) {
  CheckAnalysisOffset(offset);
  return ByteAt(image, offset);
}

}  // namespace

PsbCallPattern MakePsbCallPattern(int order, uint8_t n) {
  switch (order) {
    case 0:
      return {0x7D, n, 0x7F, 0xE0, 0x7E, 0x02, 0x12};
    case 1:
      return {0x7D, n, 0x7E, 0x02, 0x7F, 0xE0, 0x12};
    case 2:
      return {0x7F, 0xE0, 0x7D, n, 0x7E, 0x02, 0x12};
    case 3:
      return {0x7F, 0xE0, 0x7E, 0x02, 0x7D, n, 0x12};
    case 4:
      return {0x7E, 0x02, 0x7F, 0xE0, 0x7D, n, 0x12};
    case 5:
      return {0x7E, 0x02, 0x7D, n, 0x7F, 0xE0, 0x12};
    default:
      throw RangeError();
  }
}

uint16_t PutCharAddressAt(ImageView image, int64_t match) {
  const int64_t operand = CheckedAdd<int64_t>(match, kPsbCallPatternSize);
  const uint8_t high = AnalysisByteAt(image, operand);
  const uint8_t low = AnalysisByteAt(image, operand + 1);
  return static_cast<uint16_t>(high << 8 | low);
}

bool IsPsbRoutineStart(ImageView image, int64_t offset) {
  const uint8_t* at = image.data() + offset;
  return at[0] == 0x90 && at[1] >= 0xF0 && at[3] >= 0xEB && at[3] <= 0xEF;
}

int64_t PsbRoutineStartBefore(ImageView image, int64_t match) {
  // Below this offset every tested byte lies inside the image and the limit,
  // so the bytes are read directly.
  const int64_t size = static_cast<int64_t>(image.size());
  const int64_t safe_top = std::min(kAnalysisLimit, size - 1) - 3;
  int64_t i = match - 1;
  for (; i >= 1 && i > safe_top; --i) {
    if (AnalysisByteAt(image, i) != 0x90) continue;
    if (AnalysisByteAt(image, i + 1) < 0xF0) continue;
    const uint8_t next = AnalysisByteAt(image, i + 3);
    if (next >= 0xEB && next <= 0xEF) return i;
  }
  for (; i >= 1; --i)
    if (IsPsbRoutineStart(image, i)) return i;
  return -1;
}

PsbRoutineInfo FindOsdPsbRoutine(ImageView image, uint8_t n) {
  const ImageView area = SearchArea(image);
  for (int order = 0; order < kPsbCallPatternCount; ++order) {
    const PsbCallPattern pattern = MakePsbCallPattern(order, n);
    const std::optional<int64_t> match = FindBytes(area, pattern, 0);
    if (!match) continue;
    PsbRoutineInfo info;
    info.found = true;
    info.put_char_address = PutCharAddressAt(image, *match);
    info.routine_start = PsbRoutineStartBefore(image, *match);
    return info;
  }
  return {};
}

}  // namespace orlindel
