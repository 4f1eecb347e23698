// Code around SetMpeg4SubtitleParams for tests and benchmarks: the routine
// with its send steps, and a caller that passes the parameters.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tests/support/code_emitter.h"

namespace orlindel::testing {

// One send step's parameter load: from an XRAM cell, or (patched) a constant.
struct SendLoad {
  bool patched = false;
  uint16_t value = 0;  // the cell address, or the constant
};

using SubtitleCells = std::array<uint16_t, 12>;
using SubtitleValues = std::array<uint8_t, 12>;

// WindowId, Align, Flags and LineSpace at 0xF870..0xF873 (in a row), the
// coordinates at 0x5A10..0x5A17.
inline constexpr SubtitleCells kSubtitleCells = {
    0xF870, 0x5A10, 0x5A11, 0x5A12, 0x5A13, 0x5A14,
    0x5A15, 0x5A16, 0x5A17, 0xF871, 0xF872, 0xF873};

std::vector<SendLoad> XramLoads(const SubtitleCells& cells);
std::vector<SendLoad> PatchedLoads(const SubtitleValues& values);

// 90 F8 60 E0, the load (90 hh ll E0 or 00 00 74 vv), 90 F8 64 F0.
CodeEmitter& SendStep(CodeEmitter& code, const SendLoad& load);

// MOV R5,#n; MOV R7,#0E0h; MOV R6,#02h; LCALL put_char.
CodeEmitter& PsbCall(CodeEmitter& code, uint8_t n, uint16_t put_char);

// The routine: MOV DPTR,#0F870h; MOV A,R7 (its start), MOVX @DPTR,A; the
// same stores of R5 and R3 written so that they do not look like a start;
// the PS_B 0x49 call to `put_char`; one send step per load; RET.
CodeEmitter SubtitleRoutine(const std::vector<SendLoad>& loads,
                            uint16_t put_char = 0x4A10);

// A caller routine: RET (the end of the routine in front), then for each of
// the nine XRAM parameters MOV DPTR,#cell; MOV A,#value; MOVX @DPTR,A; then
// MOV R7/R5/R3,#value; LCALL `routine`; RET. The offset of the LCALL inside
// the returned code is size() - 4.
CodeEmitter SubtitleCaller(const SubtitleCells& cells,
                           const SubtitleValues& values, uint16_t routine);

}  // namespace orlindel::testing
