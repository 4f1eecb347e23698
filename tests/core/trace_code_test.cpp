#include "core/mcs51/trace_code.h"

#include <gtest/gtest.h>

#include <set>

#include "core/errors.h"
#include "tests/core/trace_fixture.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::CodeEmitter;
using testing::FirmwareBuilder;

// 0xA5, the one opcode the 8051 leaves undefined, is not accepted: a trace
// that runs off the placed code stops at once.
constexpr uint8_t kUnknownFill = 0xA5;

FirmwareImage ImageWith(size_t length, size_t offset,
                        const std::vector<uint8_t>& code) {
  return FirmwareBuilder(length, kUnknownFill).Bytes(offset, code).Build(false);
}

using TraceCodeTest = testing::TraceFixture;

TEST_F(TraceCodeTest, AResetModelHoldsAllOnes) {
  model().A = 1;
  model().R[3] = 2;
  model().DPTR = 3;
  model().Xram[0x1234] = 4;
  model() = TraceModel{};
  EXPECT_EQ(model().A, 0xFF);
  for (int n = 1; n <= 7; ++n) EXPECT_EQ(model().R[n], 0xFF) << "R" << n;
  EXPECT_EQ(model().DPTR, 0xFFFF);
  EXPECT_EQ(model().Xram[0x1234], 0xFF);
  EXPECT_EQ(model().Xram[0x0000], 0xFF);
  EXPECT_EQ(model().Xram[0xFFFF], 0xFF);
}

// The worked example: 90 F8 60 at 0x24000, then F0 with A holding 0x05.
TEST_F(TraceCodeTest, ListsTheDptrStoreExample) {
  const FirmwareImage image =
      ImageWith(0x30000, 0x24000, {0x90, 0xF8, 0x60, 0xF0, 0x22});
  model().A = 0x05;
  EXPECT_EQ(Trace(image, 0x24000, -1, -1, &log_, "\t\t"), 0);
  EXPECT_EQ(log_, (AnalysisLog{
                      "\t\t0x24000  MOV   DPTR, #0xF860   ; DPTR := 0xF860",
                      "\t\t0x24003  MOVX  @DPTR, A        ; xram0xF860 := 0x05",
                      "\t\t0x24004  RET                   ; ",
                  }));
  EXPECT_EQ(model().DPTR, 0xF860);
  EXPECT_EQ(model().Xram[0xF860], 0x05);
}

// One instruction at 0x00100, traced up to the byte after it, with A = 0x05,
// R1 = 0x11, R7 = 0x77, DPTR = 0x12FF and XRAM 0x12FF = 0x42 beforehand.
TEST_F(TraceCodeTest, EachFormWritesItsLine) {
  const struct {
    std::vector<uint8_t> bytes;
    const char* line;
    int result;
  } kCases[] = {
      // clang-format off
      {{0x00}, "0x00100  NOP                   ; ", 0},
      {{0x02, 0xAB, 0xCD}, "0x00100  LJMP  0xABCD          ; ", 0},
      {{0x12, 0x0B, 0xCD}, "0x00100  LCALL  0x0BCD         ; ", 0},
      {{0x22}, "0x00100  RET                   ; ", 0},
      {{0x74, 0x3C}, "0x00100  MOV   A, #0x3C        ; A := 0x3C", 0},
      {{0x79, 0x00}, "0x00100  MOV   R1, #0x00       ; R1 := 0x00", 0},
      {{0x7F, 0x80}, "0x00100  MOV   R7, #0x80       ; R7 := 0x80", 0},
      {{0x90, 0x00, 0x0A}, "0x00100  MOV   DPTR, #0x000A   ; DPTR := 0x000A", 0},
      {{0xA3}, "0x00100  INC   DPTR            ; DPTR := 0x1300", 0},
      {{0xE0}, "0x00100  MOVX  A, @DPTR        ; A := 0x42", 0},
      {{0xE4}, "0x00100  CLR   A               ; A := 0x00", 0},
      {{0xE9}, "0x00100  MOV   A, R1           ; A := 0x11", 0},
      {{0xEF}, "0x00100  MOV   A, R7           ; A := 0x77", 0},
      {{0xF0}, "0x00100  MOVX  @DPTR, A        ; xram0x12FF := 0x05", 0},
      {{0xFA}, "0x00100  MOV   R2, A           ; R2 := 0x05", 0},
      {{0xFF}, "0x00100  MOV   R7, A           ; R7 := 0x05", 0},
      // The R0 forms, a short jump and MOV A,direct are not accepted.
      {{0x78, 0x01}, "0x00100  .byte 0x78            ; UNKNOWN -> ERROR", 1},
      {{0xE8}, "0x00100  .byte 0xE8            ; UNKNOWN -> ERROR", 1},
      {{0xF8}, "0x00100  .byte 0xF8            ; UNKNOWN -> ERROR", 1},
      {{0x80, 0xFE}, "0x00100  .byte 0x80            ; UNKNOWN -> ERROR", 1},
      {{0xE5, 0x30}, "0x00100  .byte 0xE5            ; UNKNOWN -> ERROR", 1},
      // clang-format on
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    const FirmwareImage image = ImageWith(0x1000, 0x100, c.bytes);
    model() = TraceModel{};
    model().A = 0x05;
    model().R[1] = 0x11;
    model().R[7] = 0x77;
    model().DPTR = 0x12FF;
    model().Xram[0x12FF] = 0x42;
    log_.clear();
    const int64_t stop = 0x100 + static_cast<int64_t>(c.bytes.size());
    EXPECT_EQ(Trace(image, 0x100, stop, 0, &log_, ""), c.result);
    EXPECT_EQ(log_, AnalysisLog{c.line});
  }
}

// Exactly these 31 opcodes are accepted; every other byte ends the trace.
TEST_F(TraceCodeTest, AcceptsExactlyTheListedOpcodes) {
  const std::set<int> accepted = {
      0x00, 0x02, 0x12, 0x22, 0x74, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E,
      0x7F, 0x90, 0xA3, 0xE0, 0xE4, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
      0xEF, 0xF0, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
  ASSERT_EQ(accepted.size(), 31u);
  for (int op = 0; op < 256; ++op) {
    // op, then NOPs that a 1- or 2-byte instruction decodes, then RET.
    const FirmwareImage image =
        ImageWith(0x1000, 0x100, {static_cast<uint8_t>(op), 0x00, 0x00, 0x22});
    model() = TraceModel{};
    model().DPTR = 0;
    EXPECT_EQ(Trace(image, 0x100, -1, 0, nullptr, ""),
              accepted.contains(op) ? 0 : 1)
        << "opcode " << op;
  }
}

TEST_F(TraceCodeTest, NegativeStartOrStartAtStopDoesNothing) {
  const FirmwareImage image = ImageWith(0x1000, 0x100, {0x74, 0x01, 0x22});
  EXPECT_EQ(Trace(image, -1, -1, -1, &log_, ""), 0);
  EXPECT_EQ(Trace(image, 0x100, 0x100, -1, &log_, ""), 0);
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(model().A, 0xFF);
}

TEST_F(TraceCodeTest, RetEndsTheTraceOnlyWithoutStop) {
  const auto code = CodeEmitter().MovA(1).Ret().MovA(2).bytes();
  const FirmwareImage image = ImageWith(0x1000, 0x100, code);

  EXPECT_EQ(Trace(image, 0x100, -1, -1, &log_, ""), 0);
  EXPECT_EQ(log_.size(), 2u);
  EXPECT_EQ(model().A, 0x01);

  log_.clear();
  EXPECT_EQ(Trace(image, 0x100, 0x105, -1, &log_, ""), 0);
  EXPECT_EQ(log_, (AnalysisLog{
                      "0x00100  MOV   A, #0x01        ; A := 0x01",
                      "0x00102  RET                   ; ",
                      "0x00103  MOV   A, #0x02        ; A := 0x02",
                  }));
  EXPECT_EQ(model().A, 0x02);
}

// A stop offset inside an instruction, or below the start, is never met
// exactly; the trace runs on to the next unknown byte.
TEST_F(TraceCodeTest, StopThatIsNeverMetRunsToTheNextUnknownByte) {
  const auto code = CodeEmitter().MovDptr(0x1234).MovA(7).Raw({0xE8}).bytes();
  const FirmwareImage image = ImageWith(0x1000, 0x100, code);
  for (const int64_t stop : {0x101, 0x102, 0x104, 0x0FF}) {
    model() = TraceModel{};
    log_.clear();
    EXPECT_EQ(Trace(image, 0x100, stop, -1, &log_, ""), 1);
    ASSERT_EQ(log_.size(), 3u) << "stop " << stop;
    EXPECT_EQ(log_[2], "0x00105  .byte 0xE8            ; UNKNOWN -> ERROR");
    EXPECT_EQ(model().A, 0x07);
  }
}

// LCALL 0x4000 in bank 2 follows into 0x24000, one TAB deeper.
TEST_F(TraceCodeTest, LcallNestsIntoItsBank) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000, kUnknownFill)
          .Bytes(0x20100, CodeEmitter().Lcall(0x4000).MovA(1).bytes())
          .Bytes(0x24000, CodeEmitter().MovR(5, 0x49).Ret().bytes())
          .Build(false);
  EXPECT_EQ(Trace(image, 0x20100, 0x20105, -1, &log_, "\t\t"), 0);
  EXPECT_EQ(log_, (AnalysisLog{
                      "\t\t0x20100  LCALL  0x4000         ; ",
                      "\t\t\t0x24000  MOV   R5, #0x49       ; R5 := 0x49",
                      "\t\t\t0x24002  RET                   ; ",
                      "\t\t0x20103  MOV   A, #0x01        ; A := 0x01",
                  }));
  EXPECT_EQ(model().R[5], 0x49);
  EXPECT_EQ(model().A, 0x01);
}

// LJMP is followed like LCALL; the outer trace then goes on after it. Depth
// counts the levels followed.
TEST_F(TraceCodeTest, DepthLimitsTheLevelsFollowed) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000, kUnknownFill)
          .Bytes(0x20100, CodeEmitter().Ljmp(0x4000).MovA(1).bytes())
          .Bytes(0x24000,
                 CodeEmitter().MovR(5, 0x49).Lcall(0x5000).Ret().bytes())
          .Bytes(0x25000, CodeEmitter().MovR(6, 0x66).Ret().bytes())
          .Build(false);

  EXPECT_EQ(Trace(image, 0x20100, 0x20105, 0, &log_, ""), 0);
  EXPECT_EQ(log_, (AnalysisLog{
                      "0x20100  LJMP  0x4000          ; ",
                      "0x20103  MOV   A, #0x01        ; A := 0x01",
                  }));
  EXPECT_EQ(model().R[5], 0xFF);

  model() = TraceModel{};
  log_.clear();
  EXPECT_EQ(Trace(image, 0x20100, 0x20105, 1, &log_, ""), 0);
  EXPECT_EQ(log_.size(), 5u);
  EXPECT_EQ(log_[2], "\t0x24002  LCALL  0x5000         ; ");
  EXPECT_EQ(log_[3], "\t0x24005  RET                   ; ");
  EXPECT_EQ(model().R[5], 0x49);
  EXPECT_EQ(model().R[6], 0xFF);

  model() = TraceModel{};
  EXPECT_EQ(Trace(image, 0x20100, 0x20105, -1, nullptr, ""), 0);
  EXPECT_EQ(model().R[6], 0x66);
}

TEST_F(TraceCodeTest, UnknownByteInANestedTraceEndsEveryLevel) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000, kUnknownFill)
          .Bytes(0x20100, CodeEmitter().Lcall(0x4000).MovA(1).bytes())
          .Bytes(0x24000, CodeEmitter().MovR(5, 0x01).Raw({0xE8}).bytes())
          .Build(false);
  EXPECT_EQ(Trace(image, 0x20100, 0x20105, -1, &log_, "\t\t"), 1);
  EXPECT_EQ(log_, (AnalysisLog{
                      "\t\t0x20100  LCALL  0x4000         ; ",
                      "\t\t\t0x24000  MOV   R5, #0x01       ; R5 := 0x01",
                      "\t\t\t0x24002  .byte 0xE8            ; UNKNOWN -> ERROR",
                  }));
  EXPECT_EQ(model().R[5], 0x01);
  EXPECT_EQ(model().A, 0xFF);
}

TEST_F(TraceCodeTest, XramKeepsTheLastStoreAndUnsetCellsReadAllOnes) {
  const auto code = CodeEmitter()
                        .MovDptr(0x8000)
                        .MovA(0x11)
                        .MovxDptrFromA()
                        .MovA(0x22)
                        .MovxDptrFromA()
                        .IncDptr()
                        .MovxAFromDptr()
                        .MovRFromA(3)
                        .MovDptr(0x8000)
                        .MovxAFromDptr()
                        .Ret()
                        .bytes();
  const FirmwareImage image = ImageWith(0x1000, 0x100, code);
  EXPECT_EQ(Trace(image, 0x100, -1, -1, nullptr, ""), 0);
  EXPECT_EQ(model().R[3], 0xFF);
  EXPECT_EQ(model().A, 0x22);
  EXPECT_EQ(model().Xram[0x8000], 0x22);
  EXPECT_EQ(model().Xram[0x8001], 0xFF);
}

TEST_F(TraceCodeTest, SuccessiveTracesAddUp) {
  const FirmwareImage image = ImageWith(
      0x1000, 0x100, CodeEmitter().MovR(3, 3).Ret().MovR(4, 4).Ret().bytes());
  EXPECT_EQ(Trace(image, 0x100, -1, -1, nullptr, ""), 0);
  EXPECT_EQ(Trace(image, 0x103, -1, -1, nullptr, ""), 0);
  EXPECT_EQ(model().R[3], 0x03);
  EXPECT_EQ(model().R[4], 0x04);
}

// DPTR does not wrap: INC DPTR at 0xFFFF (here the reset value) is an
// overflow, and the lines decoded before it stay in the log.
// Each trace changes only the model it is given: two traces in one process,
// each on a model of its own, see nothing of each other.
TEST_F(TraceCodeTest, TwoModelsDoNotInterfere) {
  const FirmwareImage image =
      ImageWith(0x30000, 0x24000, {0x90, 0xF8, 0x60, 0xF0, 0x22});
  TraceModel first, second;
  first.A = 0x05;
  second.A = 0x07;
  EXPECT_EQ(TraceCode(first, image, 0x24000, -1, -1, nullptr, ""),
            TraceResult::kCompleted);
  EXPECT_EQ(second.DPTR, 0xFFFF);
  EXPECT_EQ(second.Xram[0xF860], 0xFF);
  EXPECT_EQ(TraceCode(second, image, 0x24000, -1, -1, nullptr, ""),
            TraceResult::kCompleted);
  EXPECT_EQ(first.Xram[0xF860], 0x05);
  EXPECT_EQ(second.Xram[0xF860], 0x07);
  EXPECT_EQ(model().DPTR, 0xFFFF);  // the fixture's model was never used
}

TEST_F(TraceCodeTest, IncDptrAtTheTopOverflows) {
  const FirmwareImage image =
      ImageWith(0x1000, 0x100, CodeEmitter().MovA(1).IncDptr().Ret().bytes());
  EXPECT_THROW(Trace(image, 0x100, -1, -1, &log_, ""), OverflowError);
  EXPECT_EQ(log_, AnalysisLog{"0x00100  MOV   A, #0x01        ; A := 0x01"});
  EXPECT_EQ(model().DPTR, 0xFFFF);
  EXPECT_EQ(model().A, 0x01);
}

}  // namespace
}  // namespace orlindel
