// OSD_PS_B sending routines: code that loads a PS_B command number into R5,
// 0xE0 into R7 and 0x02 into R6 (in any order) and then calls ARM_PutChar.
#pragma once

#include <array>
#include <cstdint>

#include "core/firmware_image.h"

namespace orlindel {

struct PsbRoutineInfo {
  // A call pattern for the PS_B number was found.
  bool found = false;
  // The 16-bit code address of ARM_PutChar that the found LCALL calls; 0 when
  // not found.
  uint16_t put_char_address = 0;
  // The image offset of the sending routine's first instruction; -1 when no
  // start qualifies, 0 when not found.
  int64_t routine_start = 0;

  bool operator==(const PsbRoutineInfo&) const = default;
};

inline constexpr int kPsbCallPatternCount = 6;
inline constexpr int64_t kPsbCallPatternSize = 7;
using PsbCallPattern = std::array<uint8_t, kPsbCallPatternSize>;

// Call pattern `order` (0..5) for PS_B number `n`: MOV R5,#n, MOV R7,#0E0h
// and MOV R6,#02h in one of their six orders, then the LCALL opcode. The
// orders are tried in index order.
PsbCallPattern MakePsbCallPattern(int order, uint8_t n);

// The code address that the LCALL ending the call pattern at `match` calls.
// RangeError when its operand bytes lie outside the image or past the analysis
// limit.
uint16_t PutCharAddressAt(ImageView image, int64_t match);

// True when a sending routine may start at `offset`: MOV DPTR,#(0xF000 or
// above) directly followed by MOV A,R3 .. MOV A,R7. The caller guarantees
// that offset + 3 lies inside the image and the analysis limit.
bool IsPsbRoutineStart(ImageView image, int64_t offset);

// The highest offset 1 <= i < `match` at which a sending routine starts; -1
// when there is none. RangeError when a tested byte lies past the analysis
// limit.
int64_t PsbRoutineStartBefore(ImageView image, int64_t match);

// Finds the routine that sends PS_B number `n`: the first call pattern (in
// order) that occurs anywhere in the search area, at its first occurrence.
// RangeError as for PutCharAddressAt and PsbRoutineStartBefore.
PsbRoutineInfo FindOsdPsbRoutine(ImageView image, uint8_t n);

}  // namespace orlindel
