// A tracer for straight runs of 8051 code: decodes a small instruction subset
// in address order, follows LJMP/LCALL targets as nested routines, and keeps a
// model of the registers and external data memory the code sets up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/firmware_image.h"
#include "core/text.h"

namespace orlindel {

// The 8051 state a traced run builds up. All-ones marks a value nothing set;
// a default-constructed model holds the reset values.
struct TraceModel {
  uint8_t A = 0xFF;
  std::array<uint8_t, 8> R = AllOnes<8>();  // R[1]..R[7]; R[0] is not used
  uint16_t DPTR = 0xFFFF;
  std::array<uint8_t, 0x10000> Xram = AllOnes<0x10000>();

 private:
  template <size_t N>
  static constexpr std::array<uint8_t, N> AllOnes() {
    std::array<uint8_t, N> bytes;
    bytes.fill(0xFF);
    return bytes;
  }
};

// A trace follows at most this many levels of nested LJMP/LCALL targets,
// whatever its depth argument: the 8051 stack (256 bytes of internal RAM)
// holds at most 128 return addresses, and LJMP chains nest here too.
inline constexpr int kMaxTraceNesting = 256;
// One trace decodes at most this many instructions over all its levels, so a
// long run of accepted bytes or a call chain that re-enters itself ends.
inline constexpr int64_t kMaxTraceSteps = 1'000'000;

// The one program-wide model that traces write and the subtitle analysis
// reads.
TraceModel& ProgramTraceModel();

// Sets the program-wide model to its reset values (all ones).
void ResetTraceModel();

// Decodes from image offset `start` until the next instruction would begin at
// `stop` (or, with a negative `stop`, after the first RET), following up to
// `depth` levels of LJMP/LCALL targets (negative: no limit). Appends one
// listing line per instruction to `log` (when not null), each led by
// `prefix`; nested levels add one TAB. Works on ProgramTraceModel() and never
// resets it.
//
// Returns 0 when the trace reached its end decoding only accepted
// instructions; 1 when it met any other byte, ran past the end of the image,
// nested deeper than kMaxTraceNesting or decoded more than kMaxTraceSteps
// instructions. The last listing line then says why. A negative `start`, or
// `start` equal to `stop`, returns 0 at once.
//
// Throws RangeError when an instruction's bytes reach past the analysis limit
// 0x9FFFFF, and OverflowError for INC DPTR while DPTR is 0xFFFF (DPTR does
// not wrap: the all-ones value marks a pointer nothing set).
int TraceCode(ImageView image, int64_t start, int64_t stop, int depth,
              AnalysisLog* log, const std::string& prefix);

}  // namespace orlindel
