#include "core/subtitle/subtitle_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/mcs51/trace_code.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel {
namespace {

using testing::CodeEmitter;
using testing::FirmwareBuilder;
using testing::kSubtitleCells;
using testing::PatchedLoads;
using testing::SendLoad;
using testing::SubtitleCaller;
using testing::SubtitleCells;
using testing::SubtitleRoutine;
using testing::SubtitleValues;
using testing::XramLoads;

// SubtitleRoutine at 0x12340 (code address 0x2340): its twelve loads lie at
// 0x1235C + 12 i. The caller's RET stands at 0x15000, so the caller starts
// at 0x15001 and calls the routine from 0x1503D.
constexpr size_t kRoutineAt = 0x12340;
constexpr size_t kCallerAt = 0x15000;
constexpr int64_t kFirstLoad = 0x1235C;

// Window 5, X1 48, Y1 420, X2 672, Y2 540, Center, Flags 9, LineSpace 4.
constexpr SubtitleValues kCallerValues = {0x05, 0x30, 0x00, 0xA4, 0x01, 0xA0,
                                          0x02, 0x1C, 0x02, 0x01, 0x09, 0x04};

FirmwareBuilder Routine(const std::vector<SendLoad>& loads) {
  FirmwareBuilder builder(0x20000, 0x00);
  builder.Bytes(kRoutineAt, SubtitleRoutine(loads).bytes());
  return builder;
}

FirmwareImage WithCaller(const SubtitleCells& cells = kSubtitleCells) {
  return Routine(XramLoads(cells))
      .Bytes(kCallerAt, SubtitleCaller(cells, kCallerValues, 0x2340).bytes())
      .Build();
}

// The lines after the locator's, which other tests check.
AnalysisLog AnalysisLines(const AnalysisLog& log) {
  const auto start =
      std::find(log.begin(), log.end(), "'SetMpeg4SubtitleParams' analyze...");
  EXPECT_NE(start, log.end());
  return AnalysisLog(start == log.end() ? start : start + 1, log.end());
}

AnalysisLog Tail(const AnalysisLog& log, size_t count) {
  return AnalysisLog(log.end() - static_cast<std::ptrdiff_t>(count), log.end());
}

const AnalysisLog kUnsetSummary = {
    "",
    "\tWindow ID  = 0xFF",
    "\t(X1; Y1)   = (65535; 65535)",
    "\t(X2; Y2)   = (65535; 65535)",
    "\tAlign      = 0xFF = Unknown",
    "\tUnknown    = 0xFF = Unknown",
    "\tLine Space = 0xFF = 255",
};

const AnalysisLog kXramSourceLines = {
    "\twWindow ID: R7 xramF870", "\twX1.Low:       xram5A10",
    "\twX1.High:      xram5A11", "\twY1.Low:       xram5A12",
    "\twY1.High:      xram5A13", "\twX2.Low:       xram5A14",
    "\twX2.High:      xram5A15", "\twY2.Low:       xram5A16",
    "\twY2.High:      xram5A17", "\tbAlign:     R5 xramF871",
    "\tbUnknown:   R3 xramF872", "\tbLineSpace:    xramF873",
};

TEST(ReadSubtitleParamsTest, TracesTheCallerOfAnUnpatchedRoutine) {
  const FirmwareImage image = WithCaller();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  // The analysis traces on the caller's model, which shows what it left.
  TraceModel model;
  EXPECT_TRUE(AnalyzeSubtitleParams(model, image, params,
                                    SubtitleAnalysisMode::kRead, &log)
                  .ok);
  EXPECT_EQ(params, (Mpeg4SubtitleParams{5, 48, 420, 672, 540, 1, 9, 4}));

  AnalysisLog expected = {
      "WList at 0x00000 - Count = 0 (0x00)",
      "OsdPosList NOT found!",
      "",
      "Possible OSD_PS_B functions (found first)...",
      "ARM_PutChar at 0x4A10  -  PS_B_0x49 at 0x12340    "
      "SetMpeg4SubtitleParams",
      "",
      "Possible 'SetMpeg4SubtitleParams' function found!",
      "Checking for XREFs in current bank...",
      "XREF(s):",
      "    0x1503D",
      "",
      "'SetMpeg4SubtitleParams' analyze...",
  };
  expected.insert(expected.end(), kXramSourceLines.begin(),
                  kXramSourceLines.end());
  const AnalysisLog rest = {
      "",
      "Not yet patched. Trying to analyze XREF...",
      "\tXREF function start at 0x15001",
      "\tDisassembly:",
      "\t\t0x15001  MOV   DPTR, #0x5A10   ; DPTR := 0x5A10",
      "\t\t0x15004  MOV   A, #0x30        ; A := 0x30",
      "\t\t0x15006  MOVX  @DPTR, A        ; xram0x5A10 := 0x30",
      "\t\t0x15007  MOV   DPTR, #0x5A11   ; DPTR := 0x5A11",
      "\t\t0x1500A  MOV   A, #0x00        ; A := 0x00",
      "\t\t0x1500C  MOVX  @DPTR, A        ; xram0x5A11 := 0x00",
      "\t\t0x1500D  MOV   DPTR, #0x5A12   ; DPTR := 0x5A12",
      "\t\t0x15010  MOV   A, #0xA4        ; A := 0xA4",
      "\t\t0x15012  MOVX  @DPTR, A        ; xram0x5A12 := 0xA4",
      "\t\t0x15013  MOV   DPTR, #0x5A13   ; DPTR := 0x5A13",
      "\t\t0x15016  MOV   A, #0x01        ; A := 0x01",
      "\t\t0x15018  MOVX  @DPTR, A        ; xram0x5A13 := 0x01",
      "\t\t0x15019  MOV   DPTR, #0x5A14   ; DPTR := 0x5A14",
      "\t\t0x1501C  MOV   A, #0xA0        ; A := 0xA0",
      "\t\t0x1501E  MOVX  @DPTR, A        ; xram0x5A14 := 0xA0",
      "\t\t0x1501F  MOV   DPTR, #0x5A15   ; DPTR := 0x5A15",
      "\t\t0x15022  MOV   A, #0x02        ; A := 0x02",
      "\t\t0x15024  MOVX  @DPTR, A        ; xram0x5A15 := 0x02",
      "\t\t0x15025  MOV   DPTR, #0x5A16   ; DPTR := 0x5A16",
      "\t\t0x15028  MOV   A, #0x1C        ; A := 0x1C",
      "\t\t0x1502A  MOVX  @DPTR, A        ; xram0x5A16 := 0x1C",
      "\t\t0x1502B  MOV   DPTR, #0x5A17   ; DPTR := 0x5A17",
      "\t\t0x1502E  MOV   A, #0x02        ; A := 0x02",
      "\t\t0x15030  MOVX  @DPTR, A        ; xram0x5A17 := 0x02",
      "\t\t0x15031  MOV   DPTR, #0xF873   ; DPTR := 0xF873",
      "\t\t0x15034  MOV   A, #0x04        ; A := 0x04",
      "\t\t0x15036  MOVX  @DPTR, A        ; xram0xF873 := 0x04",
      "\t\t0x15037  MOV   R7, #0x05       ; R7 := 0x05",
      "\t\t0x15039  MOV   R5, #0x01       ; R5 := 0x01",
      "\t\t0x1503B  MOV   R3, #0x09       ; R3 := 0x09",
      "",
      "\twWindow ID: R7 xramF870 = 0x05",
      "\twX1.Low:       xram5A10 = 0x30",
      "\twX1.High:      xram5A11 = 0x00",
      "\twY1.Low:       xram5A12 = 0xA4",
      "\twY1.High:      xram5A13 = 0x01",
      "\twX2.Low:       xram5A14 = 0xA0",
      "\twX2.High:      xram5A15 = 0x02",
      "\twY2.Low:       xram5A16 = 0x1C",
      "\twY2.High:      xram5A17 = 0x02",
      "\tbAlign:     R5 xramF871 = 0x01",
      "\tbUnknown:   R3 xramF872 = 0x09",
      "\tbLineSpace:    xramF873 = 0x04",
      "",
      "\tWindow ID  = 0x05",
      "\t(X1; Y1)   = ( 48; 420)",
      "\t(X2; Y2)   = (672; 540)",
      "\tAlign      = 0x01 = Center",
      "\tUnknown    = 0x09 = Unknown",
      "\tLine Space = 0x04 = 4",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(log, expected);

  // The register arguments were copied into their cells of the model.
  EXPECT_EQ(model.Xram[0xF870], 0x05);
  EXPECT_EQ(model.Xram[0xF871], 0x01);
  EXPECT_EQ(model.Xram[0xF872], 0x09);
}

TEST(UpdateSubtitleParamsTest, PatchesTheLoadsAndAReadThenFindsThem) {
  TraceModel model;
  FirmwareImage image = WithCaller();
  const FirmwareImage before = image;
  const Mpeg4SubtitleParams wanted{3, 40, 400, 680, 560, 2, 1, 0};
  AnalysisLog update_log;
  EXPECT_TRUE(UpdateSubtitleParams(model, image, wanted, &update_log));
  // The update traces like a read but writes no summary.
  EXPECT_EQ(Tail(update_log, 13),
            (AnalysisLog{"", "\twWindow ID: R7 xramF870 = 0x05",
                         "\twX1.Low:       xram5A10 = 0x30",
                         "\twX1.High:      xram5A11 = 0x00",
                         "\twY1.Low:       xram5A12 = 0xA4",
                         "\twY1.High:      xram5A13 = 0x01",
                         "\twX2.Low:       xram5A14 = 0xA0",
                         "\twX2.High:      xram5A15 = 0x02",
                         "\twY2.Low:       xram5A16 = 0x1C",
                         "\twY2.High:      xram5A17 = 0x02",
                         "\tbAlign:     R5 xramF871 = 0x01",
                         "\tbUnknown:   R3 xramF872 = 0x09",
                         "\tbLineSpace:    xramF873 = 0x04"}));

  const std::vector<uint8_t> constants = {0x03, 0x28, 0x00, 0x90, 0x01, 0xA8,
                                          0x02, 0x30, 0x02, 0x02, 0x01, 0x00};
  FirmwareImage expected = before;
  for (size_t i = 0; i < 12; ++i) {
    const size_t at = static_cast<size_t>(kFirstLoad) + 12 * i;
    expected[at] = 0x00;
    expected[at + 1] = 0x00;
    expected[at + 2] = 0x74;
    expected[at + 3] = constants[i];
  }
  EXPECT_EQ(image, expected);

  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, wanted);
  EXPECT_EQ(AnalysisLines(log), (AnalysisLog{
                                    "\twWindow ID: R7 = 0x03",
                                    "\twX1.Low:       = 0x28",
                                    "\twX1.High:      = 0x00",
                                    "\twY1.Low:       = 0x90",
                                    "\twY1.High:      = 0x01",
                                    "\twX2.Low:       = 0xA8",
                                    "\twX2.High:      = 0x02",
                                    "\twY2.Low:       = 0x30",
                                    "\twY2.High:      = 0x02",
                                    "\tbAlign:     R5 = 0x02",
                                    "\tbUnknown:   R3 = 0x01",
                                    "\tbLineSpace:    = 0x00",
                                    "",
                                    "Already patched.",
                                    "",
                                    "\tWindow ID  = 0x03",
                                    "\t(X1; Y1)   = ( 40; 400)",
                                    "\t(X2; Y2)   = (680; 560)",
                                    "\tAlign      = 0x02 = Right",
                                    "\tUnknown    = 0x01 = Bottom",
                                    "\tLine Space = 0x00 = 0",
                                }));
}

TEST(UpdateSubtitleParamsTest, RepatchingChangesOnlyTheConstants) {
  TraceModel model;
  FirmwareImage image =
      Routine(PatchedLoads({3, 0x28, 0, 0x90, 1, 0xA8, 2, 0x30, 2, 2, 1, 0}))
          .Build();
  FirmwareImage expected = image;
  const Mpeg4SubtitleParams wanted{7, 0x0100, 0x0203, 0x0405, 0x0607, 0, 8, 9};
  const std::vector<uint8_t> constants = {7,    0x00, 0x01, 0x03, 0x02, 0x05,
                                          0x04, 0x07, 0x06, 0,    8,    9};
  for (size_t i = 0; i < 12; ++i)
    expected[static_cast<size_t>(kFirstLoad) + 12 * i + 3] = constants[i];
  EXPECT_TRUE(UpdateSubtitleParams(model, image, wanted, nullptr));
  EXPECT_EQ(image, expected);
}

// A caller that opens with an instruction the tracer does not know.
FirmwareImage WithUntraceableCaller(const SubtitleCells& cells) {
  CodeEmitter caller;
  caller.Ret().MovR(0, 0x10).MovR(7, 1).Lcall(0x2340).Ret();
  return Routine(XramLoads(cells)).Bytes(kCallerAt, caller.bytes()).Build();
}

TEST(ReadSubtitleParamsTest, UntraceableCallerWithCellsInARowFallsBack) {
  TraceModel model;
  const FirmwareImage image = WithUntraceableCaller(kSubtitleCells);
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, (Mpeg4SubtitleParams{0, 0, 0, 720, 576, 1, 8, 0}));
  EXPECT_EQ(Tail(log, 15),
            (AnalysisLog{
                "",
                "Not yet patched. Trying to analyze XREF...",
                "\tXREF function start at 0x15001",
                "\tDisassembly:",
                "\t\t0x15001  .byte 0x78            ; UNKNOWN -> ERROR",
                "",
                "\t!!! WARNING: Unknown code was found !!!",
                "\t!!! XRAM addresses match -> Find Subtitle Window "
                "Manually !!!",
                "",
                "\tWindow ID  = 0x00",
                "\t(X1; Y1)   = (  0;   0)",
                "\t(X2; Y2)   = (720; 576)",
                "\tAlign      = 0x01 = Center",
                "\tUnknown    = 0x08 = Top + All 256 chars display",
                "\tLine Space = 0x00 = 0",
            }));
}

TEST(ReadSubtitleParamsTest, UntraceableCallerWithScatteredCellsFails) {
  TraceModel model;
  SubtitleCells cells = kSubtitleCells;
  cells[11] = 0xF874;  // LineSpace no longer follows Flags
  const FirmwareImage image = WithUntraceableCaller(cells);
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, Mpeg4SubtitleParams{});
  AnalysisLog expected = {"", "\tERROR: Unknown code was found!",
                          "\tERROR: XRAM addresses don't match!"};
  expected.insert(expected.end(), kUnsetSummary.begin(), kUnsetSummary.end());
  EXPECT_EQ(Tail(log, expected.size()), expected);
}

TEST(ReadSubtitleParamsTest, CallThatOpensTheCallerIsTakenAsUntraceable) {
  TraceModel model;
  CodeEmitter caller;
  caller.Ret().Lcall(0x2340).Ret();
  const FirmwareImage image = Routine(XramLoads(kSubtitleCells))
                                  .Bytes(kCallerAt, caller.bytes())
                                  .Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, (Mpeg4SubtitleParams{0, 0, 0, 720, 576, 1, 8, 0}));
  EXPECT_EQ(
      Tail(log, 12),
      (AnalysisLog{"\tXREF function start at 0x15001", "\tDisassembly:", "",
                   "\t!!! WARNING: Unknown code was found !!!",
                   "\t!!! XRAM addresses match -> Find Subtitle Window "
                   "Manually !!!",
                   "", "\tWindow ID  = 0x00", "\t(X1; Y1)   = (  0;   0)",
                   "\t(X2; Y2)   = (720; 576)", "\tAlign      = 0x01 = Center",
                   "\tUnknown    = 0x08 = Top + All 256 chars display",
                   "\tLine Space = 0x00 = 0"}));
}

TEST(ReadSubtitleParamsTest, CellTheCallerNeverWritesStaysUnset) {
  TraceModel model;
  // The caller leaves out both Y2 bytes.
  CodeEmitter caller;
  caller.Ret();
  for (int i = 1; i <= 6; ++i)
    caller.MovDptr(kSubtitleCells[i]).MovA(kCallerValues[i]).MovxDptrFromA();
  caller.MovDptr(0xF873).MovA(4).MovxDptrFromA();
  caller.MovR(7, 5).MovR(5, 1).MovR(3, 9).Lcall(0x2340).Ret();
  const FirmwareImage image = Routine(XramLoads(kSubtitleCells))
                                  .Bytes(kCallerAt, caller.bytes())
                                  .Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, (Mpeg4SubtitleParams{5, 48, 420, 672, 0xFFFF, 1, 9, 4}));
  EXPECT_FALSE(IsValidSubtitleParams(params));
  EXPECT_EQ(Tail(log, 12)[0], "\twY2.Low:       xram5A16 = 0xFF");
  EXPECT_EQ(Tail(log, 4)[0], "\t(X2; Y2)   = (672; 65535)");
}

TEST(SubtitleAnalysisTest, ElevenSendStepsAreAMiss) {
  TraceModel model;
  std::vector<SendLoad> loads = XramLoads(kSubtitleCells);
  loads.pop_back();
  FirmwareImage image =
      Routine(loads)
          .Bytes(kCallerAt,
                 SubtitleCaller(kSubtitleCells, kCallerValues, 0x2340).bytes())
          .Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, Mpeg4SubtitleParams{});
  AnalysisLog expected(kXramSourceLines.begin(), kXramSourceLines.end() - 1);
  expected.push_back("\tbLineSpace:    = 0x00");
  expected.push_back("");
  expected.insert(expected.end(), kUnsetSummary.begin(), kUnsetSummary.end());
  EXPECT_EQ(AnalysisLines(log), expected);

  const FirmwareImage before = image;
  AnalysisLog update_log;
  EXPECT_FALSE(UpdateSubtitleParams(
      model, image, {3, 40, 400, 680, 560, 2, 1, 0}, &update_log));
  EXPECT_EQ(image, before);
  EXPECT_EQ(update_log.back(), "");
}

TEST(SubtitleAnalysisTest, MissAfterTheFirstLoadShowsZeroForTheRest) {
  TraceModel model;
  std::vector<SendLoad> loads = XramLoads(kSubtitleCells);
  loads.resize(2);
  const FirmwareImage image = Routine(loads).Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  const AnalysisLog lines = AnalysisLines(log);
  EXPECT_EQ(
      AnalysisLog(lines.begin(), lines.begin() + 4),
      (AnalysisLog{"\twWindow ID: R7 xramF870", "\twX1.Low:       xram5A10",
                   "\twX1.High:      = 0x00", "\twY1.Low:       = 0x00"}));
}

TEST(UpdateSubtitleParamsTest, RecordWithAnUnsetFieldIsRefusedUntouched) {
  TraceModel model;
  FirmwareImage image = WithCaller();
  const FirmwareImage before = image;
  const Mpeg4SubtitleParams refused[] = {
      {0xFF, 40, 400, 680, 560, 2, 1, 0}, {3, 0xFFFF, 400, 680, 560, 2, 1, 0},
      {3, 40, 0xFFFF, 680, 560, 2, 1, 0}, {3, 40, 400, 0xFFFF, 560, 2, 1, 0},
      {3, 40, 400, 680, 0xFFFF, 2, 1, 0}, {3, 40, 400, 680, 560, 0xFF, 1, 0},
      {3, 40, 400, 680, 560, 2, 0xFF, 0}, {3, 40, 400, 680, 560, 2, 1, 0xFF},
  };
  for (const Mpeg4SubtitleParams& params : refused) {
    AnalysisLog log;
    EXPECT_FALSE(UpdateSubtitleParams(model, image, params, &log));
    EXPECT_EQ(log, AnalysisLog{});
  }
  EXPECT_EQ(image, before);
}

TEST(SubtitleAnalysisTest, MixedLoadFormsCannotBeReadButCanBeUpdated) {
  TraceModel model;
  std::vector<SendLoad> loads =
      PatchedLoads({3, 0x28, 0, 0x90, 1, 0xA8, 2, 0x30, 2, 2, 1, 0});
  loads[11] = {false, 0xF873};
  FirmwareImage image = Routine(loads).Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  EXPECT_EQ(params, Mpeg4SubtitleParams{});
  AnalysisLog expected = {
      "\tbLineSpace:    xramF873", "", "Already patched.",
      "\tERROR: Patched and XRAM parameter loads are mixed!"};
  expected.insert(expected.end(), kUnsetSummary.begin(), kUnsetSummary.end());
  EXPECT_EQ(Tail(log, expected.size()), expected);

  EXPECT_TRUE(
      UpdateSubtitleParams(model, image, {1, 2, 3, 4, 5, 0, 0, 6}, nullptr));
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, nullptr));
  EXPECT_EQ(params, (Mpeg4SubtitleParams{1, 2, 3, 4, 5, 0, 0, 6}));
}

TEST(SubtitleAnalysisTest, UnpatchedRoutineWithoutCallerFails) {
  TraceModel model;
  FirmwareImage image = Routine(XramLoads(kSubtitleCells)).Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  AnalysisLog expected = {"", "Not yet patched. Trying to analyze XREF...",
                          "\tERROR: No XREF to analyze!"};
  expected.insert(expected.end(), kUnsetSummary.begin(), kUnsetSummary.end());
  EXPECT_EQ(Tail(log, expected.size()), expected);

  const FirmwareImage before = image;
  AnalysisLog update_log;
  EXPECT_FALSE(UpdateSubtitleParams(
      model, image, {3, 40, 400, 680, 560, 2, 1, 0}, &update_log));
  EXPECT_EQ(update_log.back(), "\tERROR: No XREF to analyze!");
  EXPECT_EQ(image, before);
}

TEST(SubtitleAnalysisTest, CallerWithoutRetInFrontFails) {
  TraceModel model;
  // Nothing in front of the caller at 0x10100 is a RET.
  CodeEmitter caller;
  caller.MovR(7, 1).Lcall(0x2340);
  FirmwareImage image =
      Routine(XramLoads(kSubtitleCells)).Bytes(0x10100, caller.bytes()).Build();
  AnalysisLog log;
  Mpeg4SubtitleParams params;
  EXPECT_FALSE(ReadSubtitleParams(model, image, params, &log));
  AnalysisLog expected = {"", "Not yet patched. Trying to analyze XREF..."};
  expected.insert(expected.end(), kUnsetSummary.begin(), kUnsetSummary.end());
  EXPECT_EQ(Tail(log, expected.size()), expected);
  const FirmwareImage before = image;
  EXPECT_FALSE(UpdateSubtitleParams(model, image,
                                    {3, 40, 400, 680, 560, 2, 1, 0}, nullptr));
  EXPECT_EQ(image, before);
}

TEST(SubtitleAnalysisTest, LocatorFailuresEndTheAnalysisWithoutSummary) {
  TraceModel model;
  const FirmwareImage not_found = FirmwareBuilder(0x20000, 0x00).Build();
  const FirmwareImage two_callers = Routine(XramLoads(kSubtitleCells))
                                        .Bytes(0x15000, {0x12, 0x23, 0x40})
                                        .Bytes(0x16000, {0x12, 0x23, 0x40})
                                        .Build();
  for (const FirmwareImage* image : {&not_found, &two_callers}) {
    AnalysisLog log;
    Mpeg4SubtitleParams params;
    EXPECT_FALSE(ReadSubtitleParams(model, *image, params, &log));
    EXPECT_EQ(params, Mpeg4SubtitleParams{});
    EXPECT_NE(log.back().find("'SetMpeg4SubtitleParams' function"),
              std::string::npos);
  }
}

TEST(SubtitleAnalysisTest, ResultsAreTheSameWithoutALog) {
  TraceModel model;
  SubtitleCells scattered = kSubtitleCells;
  scattered[11] = 0xF874;
  std::vector<SendLoad> eleven = XramLoads(kSubtitleCells);
  eleven.pop_back();
  std::vector<SendLoad> mixed =
      PatchedLoads({3, 0x28, 0, 0x90, 1, 0xA8, 2, 0x30, 2, 2, 1, 0});
  mixed[0] = {false, 0xF870};
  const std::vector<FirmwareImage> images = {
      WithCaller(),
      WithUntraceableCaller(kSubtitleCells),
      WithUntraceableCaller(scattered),
      Routine(eleven).Build(),
      Routine(mixed).Build(),
      Routine(XramLoads(kSubtitleCells)).Build(),
      Routine(PatchedLoads({3, 0x28, 0, 0x90, 1, 0xA8, 2, 0x30, 2, 2, 1, 0}))
          .Build(),
  };
  for (size_t i = 0; i < images.size(); ++i) {
    AnalysisLog log;
    Mpeg4SubtitleParams logged, silent;
    const bool with_log = ReadSubtitleParams(model, images[i], logged, &log);
    EXPECT_EQ(ReadSubtitleParams(model, images[i], silent, nullptr), with_log)
        << "image " << i;
    EXPECT_EQ(silent, logged) << "image " << i;

    FirmwareImage updated_with_log = images[i], updated_silently = images[i];
    const Mpeg4SubtitleParams wanted{3, 40, 400, 680, 560, 2, 1, 0};
    EXPECT_EQ(UpdateSubtitleParams(model, updated_with_log, wanted, &log),
              UpdateSubtitleParams(model, updated_silently, wanted, nullptr))
        << "image " << i;
    EXPECT_EQ(updated_silently, updated_with_log) << "image " << i;
  }
}

}  // namespace
}  // namespace orlindel
