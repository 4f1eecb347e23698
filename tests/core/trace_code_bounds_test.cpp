// How a trace ends when the code would lead it outside the image, too deep
// or too far, and that the listing never changes the outcome.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/mcs51/trace_code.h"
#include "tests/core/trace_fixture.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::CodeEmitter;
using testing::FirmwareBuilder;

using TraceBoundsTest = testing::TraceFixture;

TEST_F(TraceBoundsTest, InstructionCutByTheImageEndFails) {
  // MOV DPTR whose second operand byte would be at 0x1000.
  const FirmwareImage image =
      FirmwareBuilder(0x1000, 0x00).Bytes(0xFFE, {0x90, 0x12}).Build(false);
  EXPECT_EQ(Trace(image, 0xFF0, -1, -1, &log_, ""), 1);
  ASSERT_EQ(log_.size(), 15u);
  EXPECT_EQ(log_.back(),
            "0x00FFE  (image ends)          ; PAST IMAGE END -> ERROR");
  EXPECT_EQ(model_.DPTR, 0xFFFF);
}

TEST_F(TraceBoundsTest, RunOfAcceptedBytesToTheImageEndFails) {
  const FirmwareImage image = FirmwareBuilder(0x1000, 0x00).Build(false);
  EXPECT_EQ(Trace(image, 0xF00, -1, -1, &log_, "\t"), 1);
  ASSERT_EQ(log_.size(), 0x101u);
  EXPECT_EQ(log_[0xFF], "\t0x00FFF  NOP                   ; ");
  EXPECT_EQ(log_.back(),
            "\t0x01000  (image ends)          ; PAST IMAGE END -> ERROR");
}

TEST_F(TraceBoundsTest, CallTargetBeyondTheImageEndFails) {
  const FirmwareImage image =
      FirmwareBuilder(0x21000, 0xA5)
          .Bytes(0x20000, CodeEmitter().Lcall(0x8000).Ret().bytes())
          .Build(false);
  EXPECT_EQ(Trace(image, 0x20000, -1, -1, &log_, ""), 1);
  EXPECT_EQ(log_,
            (AnalysisLog{
                "0x20000  LCALL  0x8000         ; ",
                "\t0x28000  (image ends)          ; PAST IMAGE END -> ERROR",
            }));
}

// An LCALL that calls itself: 257 levels of LCALL lines (the trace and 256
// nested levels), then the refusal one level deeper.
TEST_F(TraceBoundsTest, CallThatReentersItselfStopsAtTheNestingBound) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000, 0xA5)
          .Bytes(0x20000, CodeEmitter().Lcall(0x0000).bytes())
          .Build(false);
  EXPECT_EQ(Trace(image, 0x20000, -1, -1, &log_, ""), 1);
  ASSERT_EQ(log_.size(), 258u);
  EXPECT_EQ(log_[256],
            std::string(256, '\t') + "0x20000  LCALL  0x0000         ; ");
  EXPECT_EQ(log_[257], std::string(257, '\t') +
                           "0x20000  (not followed)        ; "
                           "NESTED DEEPER THAN 256 -> ERROR");
}

// 10 000 routines in bank 1, each an LCALL of the next and a RET; with no
// depth limit, and with a depth argument beyond the bound, the nesting bound
// ends the trace.
TEST_F(TraceBoundsTest, LongCallChainStopsAtTheNestingBound) {
  CodeEmitter chain;
  for (int k = 1; k <= 10000; ++k)
    chain.Lcall(static_cast<uint16_t>(4 * k)).Ret();
  const FirmwareImage image =
      FirmwareBuilder(0x20000, 0x22).Bytes(0x10000, chain.bytes()).Build(false);
  for (const int depth : {-1, 10000}) {
    log_.clear();
    EXPECT_EQ(Trace(image, 0x10000, -1, depth, &log_, ""), 1);
    ASSERT_EQ(log_.size(), 258u);
    // Level 256 is the routine at 0x10000 + 4 * 256 = 0x10400.
    EXPECT_EQ(log_[256],
              std::string(256, '\t') + "0x10400  LCALL  0x0404         ; ");
    EXPECT_EQ(log_.back(), std::string(257, '\t') +
                               "0x10404  (not followed)        ; "
                               "NESTED DEEPER THAN 256 -> ERROR");
  }
  // A depth within the bound is honoured as given: levels 0..200 each list
  // their LCALL and RET.
  log_.clear();
  EXPECT_EQ(Trace(image, 0x10000, -1, 200, &log_, ""), 0);
  EXPECT_EQ(log_.size(), 402u);
}

// 300 calls of a routine of 4000 NOPs: each call costs 4002 instructions, so
// the budget of 100 000 runs out inside the 25th call (instruction 96 049, at
// 0x10000 + 3 * 24): its NOPs are instructions 96 050 onwards, so the one at
// 0x18000 + 3951 = 0x18F6F is refused.
TEST_F(TraceBoundsTest, StepBudgetCountsEveryLevel) {
  CodeEmitter calls;
  for (int k = 0; k < 300; ++k) calls.Lcall(0x8000);
  calls.Ret();
  CodeEmitter routine;
  for (int k = 0; k < 4000; ++k) routine.Nop();
  routine.Ret();
  const FirmwareImage image = FirmwareBuilder(0x20000, 0xA5)
                                  .Bytes(0x10000, calls.bytes())
                                  .Bytes(0x18000, routine.bytes())
                                  .Build(false);
  EXPECT_EQ(Trace(image, 0x10000, -1, -1, &log_, ""), 1);
  ASSERT_EQ(log_.size(), 100'001u);
  EXPECT_EQ(log_[96'048], "0x10048  LCALL  0x8000         ; ");
  EXPECT_EQ(log_.back(),
            "\t0x18F6F  (not decoded)         ; "
            "OVER 100000 INSTRUCTIONS -> ERROR");
}

// A whole 10 MiB image of MOV R7,A ends on the budget long before the
// analysis limit.
TEST_F(TraceBoundsTest, TenMebibytesOfAcceptedBytesEndOnTheBudget) {
  const FirmwareImage image = FirmwareBuilder(0xA00000, 0xFF).Build(false);
  EXPECT_EQ(Trace(image, 0, -1, -1, nullptr, ""), 1);
  EXPECT_EQ(Trace(image, 0x900000, -1, -1, &log_, ""), 1);
  EXPECT_EQ(log_.back(),
            "0x9186A0  (not decoded)         ; "
            "OVER 100000 INSTRUCTIONS -> ERROR");
}

TEST_F(TraceBoundsTest, BytesPastTheAnalysisLimitAreARangeError) {
  const FirmwareImage image = FirmwareBuilder(0xA00010, 0x00)
                                  .Bytes(0x9FFFF0, {0x90, 0x12})
                                  .Build(false);
  // MOV DPTR at 0x9FFFFE: its last operand byte is at 0xA00000.
  EXPECT_THROW(Trace(image, 0x9FFFFE, -1, -1, nullptr, ""), RangeError);
  // A NOP at 0x9FFFFF decodes; the next instruction would start past it.
  EXPECT_THROW(Trace(image, 0x9FFFFF, -1, -1, &log_, ""), RangeError);
  EXPECT_EQ(log_, AnalysisLog{"0x9FFFFF  NOP                   ; "});
  // A start beyond the limit is a range error even on a short image.
  const FirmwareImage small = FirmwareBuilder(0x1000).Build(false);
  EXPECT_THROW(Trace(small, 0xA00000, -1, -1, nullptr, ""), RangeError);
}

// The same traces with and without a log: same results, same model.
TEST_F(TraceBoundsTest, LogDoesNotChangeResultOrModel) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000, 0xA5)
          .Bytes(0x20100, CodeEmitter()
                              .MovDptr(0x4321)
                              .MovA(0x5A)
                              .Lcall(0x4000)
                              .MovxDptrFromA()
                              .MovRFromA(7)
                              .Lcall(0x4010)
                              .bytes())
          .Bytes(0x24000, CodeEmitter().MovR(3, 0x33).IncDptr().Ret().bytes())
          .Bytes(0x24010, CodeEmitter().MovR(4, 0x44).Raw({0x78}).bytes())
          .Bytes(0x25000, CodeEmitter().Ljmp(0x5000).bytes())
          .Build(false);
  struct Run {
    int64_t start, stop;
    int depth;
  };
  for (const Run run : {Run{0x20100, 0x2010C, -1}, Run{0x20100, -1, -1},
                        Run{0x20100, 0x2010C, 0}, Run{0x25000, -1, -1}}) {
    TraceModel logged, unlogged;
    const TraceResult with_log =
        TraceCode(logged, image, run.start, run.stop, run.depth, &log_, "\t\t");
    const TraceResult without_log = TraceCode(
        unlogged, image, run.start, run.stop, run.depth, nullptr, "\t\t");
    EXPECT_EQ(with_log, without_log) << "start " << run.start;
    EXPECT_EQ(logged.A, unlogged.A);
    EXPECT_EQ(logged.R, unlogged.R);
    EXPECT_EQ(logged.DPTR, unlogged.DPTR);
    EXPECT_EQ(logged.Xram, unlogged.Xram);
  }
  EXPECT_FALSE(log_.empty());
}

}  // namespace
}  // namespace orlindel
