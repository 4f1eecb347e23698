// The subtitle analysis on hostile 10 MiB images: each trace ends as failed
// with the line that says why, the analysis still ends (falling back to the
// known cell layout), and the Debug log stays bounded by the step budget.
#include "tests/support/crafted_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/osd_pos_list.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/window_list.h"

namespace orlindel {
namespace {

using testing::CraftedCase;
using testing::CraftedImage;

// The cells of the crafted routine lie in a row, so a failed trace falls
// back to the known layout.
constexpr Mpeg4SubtitleParams kFallback = {0, 0, 0, 720, 576, 1, 8, 0};
// The step budget bounds the trace's part of the log; the structure summary
// and the candidate listing add a few hundred lines at most.
constexpr size_t kMaxLogLines = 200'000;

struct Row {
  CraftedCase crafted;
  std::string failure;  // the trace's last line
};

// The trace runs with the prefix of two TABs; nested level L adds L. The
// nesting bound refuses the call made at level 256 (prefix 258 TABs) one
// level deeper. The loop's 100th call (steps 99 199 onwards, 1 002 steps per
// call) decodes NOPs 0..800 of the long routine; the NOP run decodes 0x300 up
// to 0x300 + 99 999.
const Row kRows[] = {
    {CraftedCase::kReenteringChain,
     std::string(259, '\t') +
         "0x9F1000  (not followed)        ; NESTED DEEPER THAN 256 -> ERROR"},
    {CraftedCase::kTenThousandNestedCalls,
     std::string(259, '\t') +
         "0x9F0400  (not followed)        ; NESTED DEEPER THAN 256 -> ERROR"},
    {CraftedCase::kLoopOfLongCalls,
     "\t\t\t0x9F0321  (not decoded)         ; "
     "OVER 100000 INSTRUCTIONS -> ERROR"},
    {CraftedCase::kTenMebibytesOfNops,
     "\t\t0x189A0  (not decoded)         ; OVER 100000 INSTRUCTIONS -> ERROR"},
};

// The failure line is the last line of the trace: the fallback follows it.
void ExpectFailedTrace(const AnalysisLog& log, const std::string& failure) {
  const auto found = std::find(log.begin(), log.end(), failure);
  ASSERT_NE(found, log.end());
  EXPECT_EQ(std::count(log.begin(), log.end(), failure), 1);
  ASSERT_LT(found + 2, log.end());
  EXPECT_EQ(found[1], "");
  EXPECT_EQ(found[2], "\t!!! WARNING: Unknown code was found !!!");
  EXPECT_LT(log.size(), kMaxLogLines);
}

class CraftedImageTest : public ::testing::TestWithParam<Row> {};

TEST_P(CraftedImageTest, OpensAndItsTraceEndsAsFailedWithABoundedLog) {
  TraceModel model;
  FirmwareImage image = CraftedImage(GetParam().crafted);
  const WindowListInfo windows = FindWindowList(image);
  EXPECT_EQ(windows.offset, static_cast<int64_t>(testing::kCraftedWindowList));
  EXPECT_EQ(windows.count, 20);
  EXPECT_EQ(FindOsdPosList(image, windows.count - 1).count, 4);

  AnalysisLog read_log;
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, &read_log));
  EXPECT_EQ(params, kFallback);
  ExpectFailedTrace(read_log, GetParam().failure);
  Mpeg4SubtitleParams unlogged;
  EXPECT_TRUE(ReadSubtitleParams(model, image, unlogged, nullptr));
  EXPECT_EQ(unlogged, kFallback);

  const Mpeg4SubtitleParams chosen = {3, 16, 400, 700, 560, 2, 1, 0};
  AnalysisLog update_log;
  EXPECT_TRUE(UpdateSubtitleParams(model, image, chosen, &update_log));
  ExpectFailedTrace(update_log, GetParam().failure);
  // The loads now send constants: nothing is traced any more.
  EXPECT_TRUE(ReadSubtitleParams(model, image, params, nullptr));
  EXPECT_EQ(params, chosen);
}

INSTANTIATE_TEST_SUITE_P(Cases, CraftedImageTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row_info) {
                           return std::string(testing::CraftedCaseName(
                               row_info.param.crafted));
                         });

}  // namespace
}  // namespace orlindel
