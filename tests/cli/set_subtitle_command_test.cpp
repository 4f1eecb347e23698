#include <gtest/gtest.h>

#include "core/subtitle/subtitle_analysis.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::kSubtitleCells;
using orlindel::testing::SubtitleCaller;
using orlindel::testing::SubtitleRoutine;
using orlindel::testing::XramLoads;
using testing::CliResult;
using testing::RunCli;
using testing::TempPath;

class SetSubtitleCommandTest : public ::testing::Test {
 protected:
  void Write(FirmwareImage image) { SaveFirmwareFile(in_, image); }
  std::vector<std::string> Args(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {
        "set-subtitle", in_,   "-o",      out_,    "--window", "3",
        "--x1",         "40",  "--y1",    "0x190", "--x2",     "680",
        "--y2",         "560", "--align", "2",     "--flags",  "1",
        "--line-space", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }

  TempPath in_file_{"in.bin"};
  TempPath out_file_{"out.bin"};
  const std::string& in_ = in_file_.str();
  const std::string& out_ = out_file_.str();
};

// The subtitle routine at 0x12340 with a caller that can be traced.
FirmwareImage PatchableFirmware() {
  return FirmwareBuilder(0x20000, 0x00)
      .Bytes(0x12340, SubtitleRoutine(XramLoads(kSubtitleCells)).bytes())
      .Bytes(0x15000,
             SubtitleCaller(kSubtitleCells,
                            {5, 0x30, 0, 0xA4, 1, 0xA0, 2, 0x1C, 2, 1, 9, 4},
                            0x2340)
                 .bytes())
      .Build();
}

TEST_F(SetSubtitleCommandTest, WritesThePatchedImageWithAFreshChecksum) {
  TraceModel model;
  Write(PatchableFirmware());
  const CliResult result = RunCli(Args({"--json"}));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "{\"updated\":true}\n");

  const FirmwareImage written = LoadFirmwareFile(out_);
  EXPECT_TRUE(IsImageChecksumValid(written));
  // The first load (WindowId) and the last (LineSpace) now load constants.
  EXPECT_EQ(std::vector<uint8_t>(written.begin() + 0x1235C,
                                 written.begin() + 0x12360),
            (std::vector<uint8_t>{0x00, 0x00, 0x74, 0x03}));
  EXPECT_EQ(std::vector<uint8_t>(written.begin() + 0x123E0,
                                 written.begin() + 0x123E4),
            (std::vector<uint8_t>{0x00, 0x00, 0x74, 0x00}));
  Mpeg4SubtitleParams params;
  EXPECT_TRUE(ReadSubtitleParams(model, written, params, nullptr));
  EXPECT_EQ(params, (Mpeg4SubtitleParams{3, 40, 400, 680, 560, 2, 1, 0}));
  // The input file is left as it was.
  EXPECT_EQ(LoadFirmwareFile(in_), PatchableFirmware());
}

TEST_F(SetSubtitleCommandTest, LogEndsWithTheTracedValues) {
  Write(PatchableFirmware());
  const CliResult result = RunCli(Args({"--log", "--json"}));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.rfind("{\"updated\":true,\"log\":[\"WList at ", 0), 0u);
  EXPECT_NE(result.out.find("\"\\tbLineSpace:    xramF873 = 0x04\"]}\n"),
            std::string::npos);
}

TEST_F(SetSubtitleCommandTest, RefusedOrFailedUpdateWritesNothing) {
  Write(PatchableFirmware());
  // 255 marks an unset line space: the update refuses the record.
  std::vector<std::string> refused = Args({"--json"});
  refused[19] = "255";
  const CliResult result = RunCli(refused);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out, "{\"updated\":false}\n");
  EXPECT_FALSE(out_file_.Exists());

  Write(FirmwareBuilder(0x20000, 0x00).Build());
  const CliResult failed = RunCli(Args());
  EXPECT_EQ(failed.exit_code, 1);
  EXPECT_EQ(failed.out, "not updated, nothing written\n");
  EXPECT_FALSE(out_file_.Exists());
}

TEST_F(SetSubtitleCommandTest, BadCommandLinesAreUsageErrors) {
  Write(PatchableFirmware());
  std::vector<std::string> missing_y2 = Args();
  missing_y2.erase(missing_y2.begin() + 12, missing_y2.begin() + 14);
  EXPECT_EQ(RunCli(missing_y2).exit_code, 2);
  std::vector<std::string> missing_out = Args();
  missing_out.erase(missing_out.begin() + 2, missing_out.begin() + 4);
  EXPECT_EQ(RunCli(missing_out).exit_code, 2);
  std::vector<std::string> wide_window = Args();
  wide_window[5] = "256";
  EXPECT_EQ(RunCli(wide_window).exit_code, 2);
  std::vector<std::string> wide_x1 = Args();
  wide_x1[7] = "0x10000";
  EXPECT_EQ(RunCli(wide_x1).exit_code, 2);
  EXPECT_FALSE(out_file_.Exists());
}

TEST_F(SetSubtitleCommandTest, MissingInputIsAFileError) {
  const CliResult result = RunCli(Args({"--json"}));
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out.rfind("{\"error\":{\"kind\":\"file\"", 0), 0u);
}

}  // namespace
}  // namespace orlindel::cli
