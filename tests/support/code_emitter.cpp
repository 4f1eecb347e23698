#include "tests/support/code_emitter.h"

#include <stdexcept>

namespace orlindel::testing {

namespace {

// The register field of the Rn forms; a test asking for R8 is a test bug.
uint8_t Register(int n) {
  if (n < 0 || n > 7) throw std::out_of_range("8051 register R0..R7");
  return static_cast<uint8_t>(n);
}

}  // namespace

CodeEmitter& CodeEmitter::Emit(std::initializer_list<uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

CodeEmitter& CodeEmitter::EmitWithAddress(uint8_t opcode, uint16_t value) {
  return Emit({opcode, static_cast<uint8_t>(value >> 8),
               static_cast<uint8_t>(value & 0xFF)});
}

CodeEmitter& CodeEmitter::Nop() { return Emit({0x00}); }
CodeEmitter& CodeEmitter::Ljmp(uint16_t address) {
  return EmitWithAddress(0x02, address);
}
CodeEmitter& CodeEmitter::Lcall(uint16_t address) {
  return EmitWithAddress(0x12, address);
}
CodeEmitter& CodeEmitter::Ret() { return Emit({0x22}); }
CodeEmitter& CodeEmitter::MovA(uint8_t data) { return Emit({0x74, data}); }
CodeEmitter& CodeEmitter::MovR(int n, uint8_t data) {
  return Emit({static_cast<uint8_t>(0x78 + Register(n)), data});
}
CodeEmitter& CodeEmitter::MovDptr(uint16_t data) {
  return EmitWithAddress(0x90, data);
}
CodeEmitter& CodeEmitter::IncDptr() { return Emit({0xA3}); }
CodeEmitter& CodeEmitter::MovxAFromDptr() { return Emit({0xE0}); }
CodeEmitter& CodeEmitter::ClrA() { return Emit({0xE4}); }
CodeEmitter& CodeEmitter::MovAFromR(int n) {
  return Emit({static_cast<uint8_t>(0xE8 + Register(n))});
}
CodeEmitter& CodeEmitter::MovxDptrFromA() { return Emit({0xF0}); }
CodeEmitter& CodeEmitter::MovRFromA(int n) {
  return Emit({static_cast<uint8_t>(0xF8 + Register(n))});
}
CodeEmitter& CodeEmitter::Raw(std::initializer_list<uint8_t> bytes) {
  return Emit(bytes);
}

}  // namespace orlindel::testing
