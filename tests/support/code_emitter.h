// Assembles short runs of 8051 machine code for tests: each call appends one
// instruction's bytes, so a test reads like the code it places in an image
// with FirmwareBuilder::Bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace orlindel::testing {

class CodeEmitter {
 public:
  CodeEmitter& Nop();                    // 00
  CodeEmitter& Ljmp(uint16_t address);   // 02 hi lo
  CodeEmitter& Lcall(uint16_t address);  // 12 hi lo
  CodeEmitter& Ret();                    // 22
  CodeEmitter& MovA(uint8_t data);       // 74 data
  // MOV Rn,#data for n = 0..7 (R0 included, to build unaccepted code).
  CodeEmitter& MovR(int n, uint8_t data);  // 78+n data
  CodeEmitter& MovDptr(uint16_t data);     // 90 hi lo
  CodeEmitter& IncDptr();                  // A3
  CodeEmitter& MovxAFromDptr();            // E0: MOVX A,@DPTR
  CodeEmitter& ClrA();                     // E4
  CodeEmitter& MovAFromR(int n);           // E8+n: MOV A,Rn
  CodeEmitter& MovxDptrFromA();            // F0: MOVX @DPTR,A
  CodeEmitter& MovRFromA(int n);           // F8+n: MOV Rn,A
  CodeEmitter& Raw(std::initializer_list<uint8_t> bytes);

  // The number of bytes emitted so far: the offset of the next instruction
  // relative to the first.
  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  CodeEmitter& Emit(std::initializer_list<uint8_t> bytes);
  CodeEmitter& EmitWithAddress(uint8_t opcode, uint16_t value);

  std::vector<uint8_t> bytes_;
};

}  // namespace orlindel::testing
