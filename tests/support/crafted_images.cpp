#include "tests/support/crafted_images.h"

#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::testing {

namespace {

constexpr uint16_t kRoutineAddress = kCraftedRoutine & 0xFFFF;
// The callers of the two call chains: the RET that ends the code in front
// stands here, their first call one byte later, where the NOP run's call of
// the routine stands too.
constexpr size_t kShortCaller = kCraftedBank + 0xA000;

// The parts every crafted image shares: the routine, a window list whose
// records lie in the last bank, and four OSD message groups.
FirmwareBuilder CommonParts(uint8_t fill) {
  FirmwareBuilder builder(kCraftedImageSize, fill);
  builder.Bytes(kCraftedRoutine,
                SubtitleRoutine(XramLoads(kSubtitleCells)).bytes());
  builder.WindowList(kCraftedWindowList, DemoWindows(20, 0xD000));
  builder.OsdPosList(
      kCraftedOsdPosList,
      std::vector<OsdGroupSpec>(4, OsdGroupSpec{0xE800, {{1, 10, 10, 0, 0}}}));
  return builder;
}

// The caller's end: the call of the routine and a RET.
CodeEmitter& CallRoutine(CodeEmitter& caller) {
  return caller.Lcall(kRoutineAddress).Ret();
}

FirmwareImage ReenteringChain() {
  return CommonParts(0xFF)
      .Bytes(kCraftedBank + 0x1000, CodeEmitter().Lcall(0x1100).Ret().bytes())
      .Bytes(kCraftedBank + 0x1100, CodeEmitter().Lcall(0x1000).Ret().bytes())
      .Bytes(kShortCaller,
             CallRoutine(CodeEmitter().Ret().Lcall(0x1000)).bytes())
      .Build();
}

FirmwareImage TenThousandNestedCalls() {
  CodeEmitter chain;
  for (int k = 0; k < 10'000; ++k)
    chain.Lcall(static_cast<uint16_t>(4 * (k + 1))).Ret();
  chain.Ret();
  return CommonParts(0xFF)
      .Bytes(kCraftedBank, chain.bytes())
      .Bytes(kShortCaller,
             CallRoutine(CodeEmitter().Ret().Lcall(0x0000)).bytes())
      .Build();
}

FirmwareImage LoopOfLongCalls() {
  CodeEmitter routine;
  for (int k = 0; k < 1'000; ++k) routine.Nop();
  routine.Ret();
  // The loop's first call follows the caller's leading RET at 0x1000.
  CodeEmitter caller;
  caller.Ret();
  for (int k = 0; k < 5'000; ++k) caller.Lcall(0x0000);
  caller.Ljmp(0x1001);
  return CommonParts(0xFF)
      .Bytes(kCraftedBank, routine.bytes())
      .Bytes(kCraftedBank + 0x1000, CallRoutine(caller).bytes())
      .Build();
}

FirmwareImage TenMebibytesOfNops() {
  CodeEmitter caller;
  return CommonParts(0x00)
      .Bytes(0x2FF, CodeEmitter().Ret().bytes())
      .Bytes(kShortCaller + 1, CallRoutine(caller).bytes())
      .Build();
}

}  // namespace

const char* CraftedCaseName(CraftedCase crafted) {
  switch (crafted) {
    case CraftedCase::kReenteringChain:
      return "reentering_chain";
    case CraftedCase::kTenThousandNestedCalls:
      return "ten_thousand_nested_calls";
    case CraftedCase::kLoopOfLongCalls:
      return "loop_of_long_calls";
    case CraftedCase::kTenMebibytesOfNops:
      return "ten_mebibytes_of_nops";
  }
  return "";
}

FirmwareImage CraftedImage(CraftedCase crafted) {
  switch (crafted) {
    case CraftedCase::kReenteringChain:
      return ReenteringChain();
    case CraftedCase::kTenThousandNestedCalls:
      return TenThousandNestedCalls();
    case CraftedCase::kLoopOfLongCalls:
      return LoopOfLongCalls();
    case CraftedCase::kTenMebibytesOfNops:
      return TenMebibytesOfNops();
  }
  return {};
}

}  // namespace orlindel::testing
