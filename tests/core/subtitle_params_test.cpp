#include "core/subtitle/subtitle_params.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::CodeEmitter;
using testing::FirmwareBuilder;

TEST(SubtitleParamBytesTest, CoordinatesAreSentLowByteFirst) {
  const Mpeg4SubtitleParams params{3, 0x0100, 400, 680, 560, 2, 1, 0};
  const SubtitleParamBytes bytes = {0x03, 0x00, 0x01, 0x90, 0x01, 0xA8,
                                    0x02, 0x30, 0x02, 0x02, 0x01, 0x00};
  EXPECT_EQ(SubtitleParamsToBytes(params), bytes);
  EXPECT_EQ(SubtitleParamsFromBytes(bytes), params);
}

TEST(IsValidSubtitleParamsTest, RejectsAnyFieldThatIsAllOnes) {
  const Mpeg4SubtitleParams valid{0, 0, 0, 720, 576, 1, 8, 0};
  EXPECT_TRUE(IsValidSubtitleParams(valid));
  EXPECT_FALSE(IsValidSubtitleParams(Mpeg4SubtitleParams{}));
  const std::vector<void (*)(Mpeg4SubtitleParams&)> unset = {
      [](Mpeg4SubtitleParams& p) { p.window_id = 0xFF; },
      [](Mpeg4SubtitleParams& p) { p.x1 = 0xFFFF; },
      [](Mpeg4SubtitleParams& p) { p.y1 = 0xFFFF; },
      [](Mpeg4SubtitleParams& p) { p.x2 = 0xFFFF; },
      [](Mpeg4SubtitleParams& p) { p.y2 = 0xFFFF; },
      [](Mpeg4SubtitleParams& p) { p.align = 0xFF; },
      [](Mpeg4SubtitleParams& p) { p.flags = 0xFF; },
      [](Mpeg4SubtitleParams& p) { p.line_space = 0xFF; },
  };
  for (size_t field = 0; field < unset.size(); ++field) {
    Mpeg4SubtitleParams params = valid;
    unset[field](params);
    EXPECT_FALSE(IsValidSubtitleParams(params)) << "field " << field;
  }
  // 0xFF in the low byte of a coordinate is an ordinary value.
  EXPECT_TRUE(IsValidSubtitleParams({0, 0x00FF, 0xFF00, 0, 0, 0, 0, 0}));
}

struct LoadCase {
  const char* name;
  std::vector<uint8_t> step;  // placed at 0x1000
  std::optional<ParamLoad> expected;
};

class FindNextParamLoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(FindNextParamLoadTest, ReadsTheLoadBetweenHeadAndTail) {
  const LoadCase& c = GetParam();
  const FirmwareImage image =
      FirmwareBuilder(0x2000, 0x00).Bytes(0x1000, c.step).Build();
  EXPECT_EQ(FindNextParamLoad(image, 0x800), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FindNextParamLoadTest,
    ::testing::Values(LoadCase{"XramForm",
                               {0x90, 0xF8, 0x60, 0xE0, 0x90, 0x5A, 0x10, 0xE0,
                                0x90, 0xF8, 0x64, 0xF0},
                               ParamLoad{0x5A10, 0x1004}},
                      LoadCase{"PatchedForm",
                               {0x90, 0xF8, 0x60, 0xE0, 0x00, 0x00, 0x74, 0x28,
                                0x90, 0xF8, 0x64, 0xF0},
                               ParamLoad{0x28, 0x1004}},
                      LoadCase{"PatchedConstantThatLooksLikeMovDptr",
                               {0x90, 0xF8, 0x60, 0xE0, 0x00, 0x00, 0x74, 0x90,
                                0x90, 0xF8, 0x64, 0xF0},
                               ParamLoad{0x90, 0x1004}},
                      LoadCase{"OtherMovDptrInFrontOfAPatchedLoad",
                               {0x90, 0xF8, 0x60, 0xE0, 0x90, 0x12, 0x34, 0xA3,
                                0x00, 0x00, 0x74, 0x05, 0x90, 0xF8, 0x64, 0xF0},
                               ParamLoad{0x05, 0x1008}},
                      LoadCase{"OtherMovDptrInFrontOfAnXramLoad",
                               {0x90, 0xF8, 0x60, 0xE0, 0x90, 0x12, 0x34, 0xA3,
                                0x90, 0x5A, 0x10, 0xE0, 0x90, 0xF8, 0x64, 0xF0},
                               std::nullopt},
                      LoadCase{"NoLoadBeforeTheTail",
                               {0x90, 0xF8, 0x60, 0xE0, 0x90, 0xF8, 0x64, 0xF0,
                                0x00, 0x00, 0x74, 0x05},
                               std::nullopt},
                      LoadCase{"NoTail",
                               {0x90, 0xF8, 0x60, 0xE0, 0x90, 0x5A, 0x10, 0xE0},
                               std::nullopt},
                      LoadCase{"NoHead",
                               {0x90, 0x5A, 0x10, 0xE0, 0x90, 0xF8, 0x64, 0xF0},
                               std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FindNextParamLoadTest, HeadMayStartOneByteBeforeThePosition) {
  CodeEmitter step;
  step.MovDptr(0xF860)
      .MovxAFromDptr()
      .MovDptr(0x5A10)
      .MovxAFromDptr()
      .MovDptr(0xF864)
      .MovxDptrFromA();
  const FirmwareImage image =
      FirmwareBuilder(0x2000, 0x00).Bytes(0x1000, step.bytes()).Build();
  EXPECT_EQ(FindNextParamLoad(image, 0x1001), (ParamLoad{0x5A10, 0x1004}));
  EXPECT_EQ(FindNextParamLoad(image, 0x1002), std::nullopt);
}

TEST(PatchNextParamLoadTest, WritesNopNopMovAInPlace) {
  FirmwareImage image = FirmwareBuilder(0x100, 0xEE).Build(false);
  PatchNextParamLoad(image, 0xFC, 0x42);
  EXPECT_EQ(image[0xFB], 0xEE);
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0xFC, image.end()),
            (std::vector<uint8_t>{0x00, 0x00, 0x74, 0x42}));
  EXPECT_THROW(PatchNextParamLoad(image, 0xFD, 0x42), RangeError);
}

}  // namespace
}  // namespace orlindel
