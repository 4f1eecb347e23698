#include "core/subtitle/subtitle_locator.h"

#include <gtest/gtest.h>

#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;
using testing::kSubtitleCells;
using testing::SubtitleRoutine;
using testing::WindowSpec;
using testing::XramLoads;

// The routine SubtitleRoutine lays out starts at 0x12340 (code address
// 0x2340) and calls ARM_PutChar at 0x4A10.
constexpr size_t kRoutineAt = 0x12340;

FirmwareBuilder WithSubtitleRoutine(size_t length = 0x40000) {
  FirmwareBuilder builder(length, 0x00);
  builder.Bytes(kRoutineAt, SubtitleRoutine(XramLoads(kSubtitleCells)).bytes());
  return builder;
}

// Five windows listed at 0x38000 with their records at 0x30010..0x30050; an
// OSD position list of three groups at 0x34000.
FirmwareBuilder& AddStructures(FirmwareBuilder& builder) {
  std::vector<WindowSpec> windows;
  for (int n = 0; n < 5; ++n)
    windows.push_back(
        {static_cast<uint16_t>(0x10 * (n + 1)), 10, 20, 300, 200, 48, 0x80});
  return builder
      .OsdPosList(0x34000, {{0x1000, {{0, 10, 4, 0, 0}}},
                            {0x1100, {}},
                            {0x1200, {{4, 1, 2, 3, 4}}}})
      .WindowList(0x38000, windows);
}

TEST(LocateSubtitleRoutineTest, LogsStructuresCandidatesAndTheLoneCaller) {
  FirmwareBuilder builder = WithSubtitleRoutine();
  AddStructures(builder)
      // PS_B 0x09: start 0x11000, loads in the order R7, R5, R6.
      .Bytes(0x11000, {0x90, 0xF0, 0x10, 0xEB})
      .Bytes(0x11010, {0x7F, 0xE0, 0x7D, 0x09, 0x7E, 0x02, 0x12, 0x4A, 0x10})
      // PS_B 0x20, which has no name.
      .Bytes(0x11100, {0x90, 0xF1, 0x00, 0xEC})
      .Bytes(0x11110, {0x7D, 0x20, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x4A, 0x12})
      // PS_B 0x64 (100) with no routine start in front of it.
      .Bytes(0x10, {0x7E, 0x02, 0x7D, 0x64, 0x7F, 0xE0, 0x12, 0x4A, 0x10})
      // PS_B 0x65 lies beyond the listed numbers.
      .Bytes(0x13100, {0x90, 0xF1, 0x00, 0xEC})
      .Bytes(0x13110, {0x7D, 0x65, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x4A, 0x10})
      // The one caller.
      .Bytes(0x15000, {0x12, 0x23, 0x40});
  const FirmwareImage image = builder.Build();

  AnalysisLog log;
  const SubtitleRoutineLocation location = LocateSubtitleRoutine(image, &log);
  EXPECT_EQ(location.outcome, SubtitleRoutineOutcome::kLocated);
  EXPECT_EQ(location.routine_start, 0x12340);
  EXPECT_EQ(location.xrefs, (XrefList{0x15000}));
  EXPECT_EQ(log, (AnalysisLog{
                     "WList at 0x38000 - Count = 5 (0x05)",
                     "OsdPosList at 0x34000 - Count = 3 (0x03)",
                     "",
                     "Possible OSD_PS_B functions (found first)...",
                     "ARM_PutChar at 0x4A10  -  PS_B_0x09 at 0x11000    "
                     "SetColor2 or SetColor4",
                     "ARM_PutChar at 0x4A12  -  PS_B_0x20 at 0x11100",
                     "ARM_PutChar at 0x4A10  -  PS_B_0x49 at 0x12340    "
                     "SetMpeg4SubtitleParams",
                     "ARM_PutChar at 0x4A10  -  PS_B_0x64 at 0xFFFFFFFF",
                     "",
                     "Possible 'SetMpeg4SubtitleParams' function found!",
                     "Checking for XREFs in current bank...",
                     "XREF(s):",
                     "    0x15000",
                 }));

  const SubtitleRoutineLocation silent = LocateSubtitleRoutine(image, nullptr);
  EXPECT_EQ(silent.outcome, location.outcome);
  EXPECT_EQ(silent.routine_start, location.routine_start);
  EXPECT_EQ(silent.xrefs, location.xrefs);
}

// A call pattern of another number at the very end of the image, its LCALL
// operands past the end: the listing skips it with a line, and the routine
// is located as it is without a log.
TEST(LocateSubtitleRoutineTest, CallAtTheImageEndIsSkippedInTheListing) {
  const FirmwareImage image =
      WithSubtitleRoutine(0x20000)
          .Bytes(0x15000, {0x12, 0x23, 0x40})
          .Bytes(0x1FFF9, {0x7D, 0x31, 0x7F, 0xE0, 0x7E, 0x02, 0x12})
          .Build(false);
  AnalysisLog log;
  const SubtitleRoutineLocation location = LocateSubtitleRoutine(image, &log);
  EXPECT_EQ(location.outcome, SubtitleRoutineOutcome::kLocated);
  EXPECT_EQ(location.routine_start, 0x12340);
  EXPECT_EQ(AnalysisLog(log.begin() + 3, log.begin() + 7),
            (AnalysisLog{"Possible OSD_PS_B functions (found first)...",
                         "PS_B_0x31 call at the image end skipped",
                         "ARM_PutChar at 0x4A10  -  PS_B_0x49 at 0x12340    "
                         "SetMpeg4SubtitleParams",
                         ""}));

  const SubtitleRoutineLocation silent = LocateSubtitleRoutine(image, nullptr);
  EXPECT_EQ(silent.outcome, location.outcome);
  EXPECT_EQ(silent.routine_start, location.routine_start);
  EXPECT_EQ(silent.xrefs, location.xrefs);
}

TEST(LocateSubtitleRoutineTest, NoCallerIsStillLocated) {
  const FirmwareImage image = WithSubtitleRoutine().Build();
  AnalysisLog log;
  const SubtitleRoutineLocation location = LocateSubtitleRoutine(image, &log);
  EXPECT_EQ(location.outcome, SubtitleRoutineOutcome::kLocated);
  EXPECT_EQ(location.xrefs, XrefList{});
  EXPECT_EQ(AnalysisLog(log.begin(), log.begin() + 3),
            (AnalysisLog{"WList at 0x00000 - Count = 0 (0x00)",
                         "OsdPosList NOT found!", ""}));
  EXPECT_EQ(log.back(), "No xref found!");
}

TEST(LocateSubtitleRoutineTest, TwoCallersAreTooMany) {
  const FirmwareImage image = WithSubtitleRoutine()
                                  .Bytes(0x1F000, {0x12, 0x23, 0x40})
                                  .Bytes(0x15000, {0x12, 0x23, 0x40})
                                  .Bytes(0x25000, {0x12, 0x23, 0x40})
                                  .Build();
  AnalysisLog log;
  const SubtitleRoutineLocation location = LocateSubtitleRoutine(image, &log);
  EXPECT_EQ(location.outcome, SubtitleRoutineOutcome::kTooManyXrefs);
  EXPECT_EQ(location.routine_start, 0x12340);
  EXPECT_EQ(location.xrefs, (XrefList{0x15000, 0x1F000}));
  EXPECT_EQ(AnalysisLog(log.end() - 5, log.end()),
            (AnalysisLog{"Checking for XREFs in current bank...",
                         "XREF(s):", "    0x15000", "    0x1F000",
                         "Too many XREFs! Maybe this is not the "
                         "'SetMpeg4SubtitleParams' function!"}));
  EXPECT_EQ(LocateSubtitleRoutine(image, nullptr).outcome,
            SubtitleRoutineOutcome::kTooManyXrefs);
}

TEST(LocateSubtitleRoutineTest, CallWithoutRoutineStartIsNotFound) {
  const FirmwareImage image = FirmwareBuilder(0x20000, 0x00)
                                  .Bytes(0x12380, {0x7D, 0x49, 0x7F, 0xE0, 0x7E,
                                                   0x02, 0x12, 0x4A, 0x10})
                                  .Build();
  AnalysisLog log;
  EXPECT_EQ(LocateSubtitleRoutine(image, &log).outcome,
            SubtitleRoutineOutcome::kNotFound);
  EXPECT_EQ(AnalysisLog(log.begin() + 3, log.end()),
            (AnalysisLog{"Possible OSD_PS_B functions (found first)...",
                         "ARM_PutChar at 0x4A10  -  PS_B_0x49 at 0xFFFFFFFF"
                         "    SetMpeg4SubtitleParams",
                         "",
                         "Possible 'SetMpeg4SubtitleParams' function not "
                         "found!"}));
  EXPECT_EQ(LocateSubtitleRoutine(image, nullptr).outcome,
            SubtitleRoutineOutcome::kNotFound);
}

TEST(LocateSubtitleRoutineTest, EmptySearchAreaFindsNothing) {
  const FirmwareImage image = WithSubtitleRoutine().HeaderLength(0).Build();
  AnalysisLog log;
  EXPECT_EQ(LocateSubtitleRoutine(image, &log).outcome,
            SubtitleRoutineOutcome::kNotFound);
  EXPECT_EQ(log,
            (AnalysisLog{"WList at 0x00000 - Count = 0 (0x00)",
                         "OsdPosList NOT found!", "",
                         "Possible OSD_PS_B functions (found first)...", "",
                         "Possible 'SetMpeg4SubtitleParams' function not "
                         "found!"}));
}

}  // namespace
}  // namespace orlindel
