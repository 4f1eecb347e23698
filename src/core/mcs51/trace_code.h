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
// a default-constructed model holds the reset values. Whoever traces owns the
// model: a trace changes only the one it is given.
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
// long run of accepted bytes or a call chain that re-enters itself ends, and
// the listing of one trace stays readable (a real caller routine decodes a
// few hundred).
inline constexpr int64_t kMaxTraceSteps = 100'000;

// How a trace ended: at its end having decoded only accepted instructions,
// or stopped early (any other byte, the image end, too deep, too long).
enum class TraceResult { kCompleted = 0, kStopped = 1 };

// Decodes from image offset `start` until the next instruction would begin at
// `stop` (or, with a negative `stop`, after the first RET), following up to
// `depth` levels of LJMP/LCALL targets (negative: no limit). Appends one
// listing line per instruction to `log` (when not null), each led by
// `prefix`; nested levels add one TAB. Works on `model` and never resets it.
//
// Returns kCompleted when the trace reached its end decoding only accepted
// instructions; kStopped when it met any other byte, ran past the end of the
// image, nested deeper than kMaxTraceNesting or decoded more than
// kMaxTraceSteps instructions. The last listing line then says why. A
// negative `start`, or `start` equal to `stop`, returns kCompleted at once.
//
// Throws RangeError when an instruction's bytes reach past the analysis limit
// 0x9FFFFF, and OverflowError for INC DPTR while DPTR is 0xFFFF (DPTR does
// not wrap: the all-ones value marks a pointer nothing set).
TraceResult TraceCode(TraceModel& model, ImageView image, int64_t start,
                      int64_t stop, int depth, AnalysisLog* log,
                      const std::string& prefix);

}  // namespace orlindel
