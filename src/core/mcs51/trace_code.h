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

// The 8051 state a traced run builds up. All-ones marks a value nothing set.
struct TraceModel {
  uint8_t A = 0xFF;
  std::array<uint8_t, 8> R{};  // R[1]..R[7]; R[0] has no place in the model
  uint16_t DPTR = 0xFFFF;
  std::array<uint8_t, 0x10000> Xram{};
};

// The one program-wide model that traces write and the subtitle analysis
// reads.
TraceModel& ProgramTraceModel();

// Sets the program-wide model to its reset values (all ones).
void ResetTraceModel();

// Decodes from image offset `start` until the next instruction would begin at
// `stop` (or, with a negative `stop`, after the first RET), following up to
// `depth` levels of LJMP/LCALL targets (negative: no limit). Appends one
// listing line per instruction to `log` (when not null), each led by
// `prefix`. Returns 0 when the trace reached its end decoding only accepted
// instructions, 1 when it met any other byte.
int TraceCode(ImageView image, int64_t start, int64_t stop, int depth,
              AnalysisLog* log, const std::string& prefix);

}  // namespace orlindel
