// The 8051 instructions the code tracer accepts, as data: one row per opcode,
// checked at compile time and spread into a 256-entry lookup table. Every
// opcode without a row is unknown and ends a trace.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orlindel::mcs51 {

// What an accepted opcode does. The tracer gives each one its effect and its
// listing text in a single switch, so a new member without both fails the
// build (-Wswitch).
enum class Instruction : uint8_t {
  kUnknown,
  kNop,               // NOP
  kLjmp,              // LJMP addr16
  kLcall,             // LCALL addr16
  kRet,               // RET
  kMovAImmediate,     // MOV A,#data
  kMovRImmediate,     // MOV Rn,#data
  kMovDptrImmediate,  // MOV DPTR,#data16
  kIncDptr,           // INC DPTR
  kMovxAFromDptr,     // MOVX A,@DPTR
  kClrA,              // CLR A
  kMovAFromR,         // MOV A,Rn
  kMovxDptrFromA,     // MOVX @DPTR,A
  kMovRFromA,         // MOV Rn,A
};

// Instruction length in bytes, opcode included.
constexpr int LengthOf(Instruction instruction) {
  switch (instruction) {
    case Instruction::kLjmp:
    case Instruction::kLcall:
    case Instruction::kMovDptrImmediate:
      return 3;
    case Instruction::kMovAImmediate:
    case Instruction::kMovRImmediate:
      return 2;
    case Instruction::kUnknown:
    case Instruction::kNop:
    case Instruction::kRet:
    case Instruction::kIncDptr:
    case Instruction::kMovxAFromDptr:
    case Instruction::kClrA:
    case Instruction::kMovAFromR:
    case Instruction::kMovxDptrFromA:
    case Instruction::kMovRFromA:
      return 1;
  }
  return 1;
}

// True for the forms that name a working register R1..R7.
constexpr bool NamesRegister(Instruction instruction) {
  return instruction == Instruction::kMovRImmediate ||
         instruction == Instruction::kMovAFromR ||
         instruction == Instruction::kMovRFromA;
}

// One entry of the lookup table.
struct Opcode {
  Instruction instruction = Instruction::kUnknown;
  uint8_t length = 1;
  uint8_t reg = 0;  // n of Rn for the register forms, else 0
};

struct AcceptedOpcode {
  uint8_t opcode;
  Instruction instruction;
  uint8_t reg;
};

inline constexpr size_t kAcceptedOpcodeCount = 31;

// R0 has no place in the model, so its forms (0x78, 0xE8, 0xF8) are unknown.
inline constexpr AcceptedOpcode kAcceptedOpcodes[] = {
    {0x00, Instruction::kNop, 0},
    {0x02, Instruction::kLjmp, 0},
    {0x12, Instruction::kLcall, 0},
    {0x22, Instruction::kRet, 0},
    {0x74, Instruction::kMovAImmediate, 0},
    {0x79, Instruction::kMovRImmediate, 1},
    {0x7A, Instruction::kMovRImmediate, 2},
    {0x7B, Instruction::kMovRImmediate, 3},
    {0x7C, Instruction::kMovRImmediate, 4},
    {0x7D, Instruction::kMovRImmediate, 5},
    {0x7E, Instruction::kMovRImmediate, 6},
    {0x7F, Instruction::kMovRImmediate, 7},
    {0x90, Instruction::kMovDptrImmediate, 0},
    {0xA3, Instruction::kIncDptr, 0},
    {0xE0, Instruction::kMovxAFromDptr, 0},
    {0xE4, Instruction::kClrA, 0},
    {0xE9, Instruction::kMovAFromR, 1},
    {0xEA, Instruction::kMovAFromR, 2},
    {0xEB, Instruction::kMovAFromR, 3},
    {0xEC, Instruction::kMovAFromR, 4},
    {0xED, Instruction::kMovAFromR, 5},
    {0xEE, Instruction::kMovAFromR, 6},
    {0xEF, Instruction::kMovAFromR, 7},
    {0xF0, Instruction::kMovxDptrFromA, 0},
    {0xF9, Instruction::kMovRFromA, 1},
    {0xFA, Instruction::kMovRFromA, 2},
    {0xFB, Instruction::kMovRFromA, 3},
    {0xFC, Instruction::kMovRFromA, 4},
    {0xFD, Instruction::kMovRFromA, 5},
    {0xFE, Instruction::kMovRFromA, 6},
    {0xFF, Instruction::kMovRFromA, 7},
};

// Spreads the rows into a table indexed by opcode. A doubled opcode, a row
// for "unknown", a register outside R1..R7 or in the wrong opcode bits, or a
// row count other than kAcceptedOpcodeCount is not a constant expression, so
// the build fails.
consteval std::array<Opcode, 256> BuildOpcodeTable() {
  std::array<Opcode, 256> table{};
  size_t count = 0;
  for (const AcceptedOpcode& row : kAcceptedOpcodes) {
    Opcode& slot = table[row.opcode];
    if (slot.instruction != Instruction::kUnknown)
      throw "8051 opcode listed twice";
    if (row.instruction == Instruction::kUnknown)
      throw "an accepted opcode needs an instruction";
    if (NamesRegister(row.instruction) !=
        (row.reg >= 1 && row.reg <= 7 && (row.opcode & 0x07) == row.reg))
      throw "register field does not match the opcode";
    slot = {row.instruction, static_cast<uint8_t>(LengthOf(row.instruction)),
            row.reg};
    ++count;
  }
  if (count != kAcceptedOpcodeCount) throw "wrong number of accepted opcodes";
  return table;
}

inline constexpr std::array<Opcode, 256> kOpcodeTable = BuildOpcodeTable();

}  // namespace orlindel::mcs51
