// 10 MiB firmware images built to make the subtitle analysis work as hard as
// a hostile file can: the caller of SetMpeg4SubtitleParams leads the trace
// into a call chain that re-enters itself, 10 000 nested calls, a loop of
// calls into one long routine, or a 10 MiB run of NOPs. Every image also holds
// a window list and an OSD message position list, so the editor opens it.
#pragma once

#include <cstdint>

#include "core/firmware_image.h"

namespace orlindel::testing {

inline constexpr size_t kCraftedImageSize = 0xA00000;

// Everything the analysis finds lies in the last bank.
inline constexpr size_t kCraftedBank = 0x9F0000;
// SetMpeg4SubtitleParams, its parameter cells in a row (kSubtitleCells).
inline constexpr size_t kCraftedRoutine = kCraftedBank + 0xB000;
inline constexpr size_t kCraftedWindowList = kCraftedBank + 0xC000;
inline constexpr size_t kCraftedOsdPosList = kCraftedBank + 0xE000;

enum class CraftedCase {
  // The caller calls 0x1000, which calls 0x1100, which calls 0x1000 again.
  kReenteringChain,
  // The caller calls 0x0000; routine k at 4k calls 4(k + 1), for k up to
  // 9 999; the routine at 4 * 10 000 is a RET.
  kTenThousandNestedCalls,
  // The caller is a loop of 5 000 calls of a routine of 1 000 NOPs at 0x0000
  // and an LJMP back to its first call: 1.28 million calls before the
  // nesting bound would end it.
  kLoopOfLongCalls,
  // NOPs from 0x300 (after a RET at 0x2FF) up to the call at 0x9FA000.
  kTenMebibytesOfNops,
};

inline constexpr CraftedCase kAllCraftedCases[] = {
    CraftedCase::kReenteringChain, CraftedCase::kTenThousandNestedCalls,
    CraftedCase::kLoopOfLongCalls, CraftedCase::kTenMebibytesOfNops};

const char* CraftedCaseName(CraftedCase crafted);

// The image of `crafted`, with a valid checksum.
FirmwareImage CraftedImage(CraftedCase crafted);

}  // namespace orlindel::testing
