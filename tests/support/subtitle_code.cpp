#include "tests/support/subtitle_code.h"

namespace orlindel::testing {

std::vector<SendLoad> XramLoads(const SubtitleCells& cells) {
  std::vector<SendLoad> loads;
  for (const uint16_t cell : cells) loads.push_back({false, cell});
  return loads;
}

std::vector<SendLoad> PatchedLoads(const SubtitleValues& values) {
  std::vector<SendLoad> loads;
  for (const uint8_t value : values) loads.push_back({true, value});
  return loads;
}

CodeEmitter& SendStep(CodeEmitter& code, const SendLoad& load) {
  code.MovDptr(0xF860).MovxAFromDptr();
  if (load.patched) {
    code.Nop().Nop().MovA(static_cast<uint8_t>(load.value));
  } else {
    code.MovDptr(load.value).MovxAFromDptr();
  }
  return code.MovDptr(0xF864).MovxDptrFromA();
}

CodeEmitter& PsbCall(CodeEmitter& code, uint8_t n, uint16_t put_char) {
  return code.MovR(5, n).MovR(7, 0xE0).MovR(6, 0x02).Lcall(put_char);
}

CodeEmitter SubtitleRoutine(const std::vector<SendLoad>& loads,
                            uint16_t put_char) {
  CodeEmitter code;
  code.MovDptr(0xF870).MovAFromR(7).MovxDptrFromA();
  code.MovAFromR(5).MovDptr(0xF871).MovxDptrFromA();
  code.MovAFromR(3).MovDptr(0xF872).MovxDptrFromA();
  PsbCall(code, 0x49, put_char);
  for (const SendLoad& load : loads) SendStep(code, load);
  code.Ret();
  return code;
}

CodeEmitter SubtitleCaller(const SubtitleCells& cells,
                           const SubtitleValues& values, uint16_t routine) {
  CodeEmitter code;
  code.Ret();
  for (int i = 1; i <= 8; ++i)
    code.MovDptr(cells[i]).MovA(values[i]).MovxDptrFromA();
  code.MovDptr(cells[11]).MovA(values[11]).MovxDptrFromA();
  code.MovR(7, values[0]).MovR(5, values[9]).MovR(3, values[10]);
  code.Lcall(routine).Ret();
  return code;
}

}  // namespace orlindel::testing
