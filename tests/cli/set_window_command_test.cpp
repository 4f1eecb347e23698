#include <gtest/gtest.h>

#include "core/window_list.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::WindowSpec;
using testing::CliResult;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

// Five windows listed at 0x18000; records at 0x10010, 0x10020, ... 0x10050,
// each Left 10, Top 20, Right 300, Bottom 200, PalDY 48, blend 0x80.
FirmwareImage FiveWindows() {
  std::vector<WindowSpec> windows;
  for (int n = 0; n < 5; ++n)
    windows.push_back(
        {static_cast<uint16_t>(0x10 * (n + 1)), 10, 20, 300, 200, 48, 0x80});
  return FirmwareBuilder(0x20000, 0x00).WindowList(0x18000, windows).Build();
}

class SetWindowCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(in_, FiveWindows()); }
  CliResult SetWindow(std::vector<std::string> options) {
    options.insert(options.begin(),
                   {"set-window", in_.str(), "-o", out_.str()});
    return RunCli(options);
  }

  TempPath in_{"in.bin"};
  TempPath out_{"out.bin"};
};

TEST_F(SetWindowCommandTest, WritesTheNamedFieldsOnly) {
  const CliResult result = SetWindow({"--id", "2", "--left", "0x20", "--bottom",
                                      "500", "--blend", "7", "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "{\"window\":{\"id\":2,\"recordOffset\":65584,\"left\":32,"
            "\"top\":20,\"right\":300,\"bottom\":500,\"palDY\":48,"
            "\"blend\":7}}\n");

  const FirmwareImage before = FiveWindows();
  const FirmwareImage after = ReadBytes(out_);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(IsImageChecksumValid(after));
  // Record of window 2 at 0x10030: Left 00 20, Bottom 01 F4, blend 07.
  const FirmwareImage record(after.begin() + 0x10030,
                             after.begin() + 0x10030 + 15);
  EXPECT_EQ(record,
            (FirmwareImage{0x00, 0x20, 0x00, 0x14, 0x01, 0x2C, 0x01, 0xF4, 0x00,
                           0x30, 0x02, 0x00, 0x07, 0x00, 0x00}));
  for (size_t at = 0; at < before.size() - 4; ++at) {
    if (at >= 0x10030 && at < 0x1003F) continue;
    ASSERT_EQ(after[at], before[at]) << "offset " << at;
  }
}

TEST_F(SetWindowCommandTest, TextShowsTheWindowRow) {
  const CliResult result = SetWindow({"--id", "4", "--pal-dy", "0"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "   id   record   left   top  right bottom  palDY blend\n"
            "    4  0x10050    10    20    300    200      0   128\n"
            "written to " +
                out_.str() + "\n");
}

TEST_F(SetWindowCommandTest, ValuesOutsideTheirFieldAreUsageErrors) {
  for (const auto& option :
       std::vector<std::vector<std::string>>{{"--left", "65536"},
                                             {"--top", "-1"},
                                             {"--pal-dy", "0x10000"},
                                             {"--blend", "256"},
                                             {"--right", "ten"}}) {
    std::vector<std::string> args = {"--id", "1"};
    args.insert(args.end(), option.begin(), option.end());
    EXPECT_EQ(SetWindow(args).exit_code, 2) << option[0];
  }
  EXPECT_EQ(SetWindow({"--left", "1"}).exit_code, 2);
  EXPECT_EQ(RunCli({"set-window", in_.str(), "--id", "1"}).exit_code, 2);
  EXPECT_FALSE(out_.Exists());
}

TEST_F(SetWindowCommandTest, MissingWindowIsARangeErrorAndWritesNothing) {
  const CliResult beyond = SetWindow({"--id", "99", "--left", "1", "--json"});
  EXPECT_EQ(beyond.exit_code, 4);
  EXPECT_EQ(beyond.out,
            "{\"error\":{\"kind\":\"range\",\"message\":"
            "\"The image has no window 99; its windows are 0..4\"}}\n");
  EXPECT_FALSE(out_.Exists());

  WriteBytes(in_, FirmwareBuilder(0x1000).Build());
  const CliResult no_list = SetWindow({"--id", "0", "--left", "1"});
  EXPECT_EQ(no_list.exit_code, 4);
  EXPECT_EQ(no_list.err, "orlindel-cli: The image has no window list\n");
  EXPECT_FALSE(out_.Exists());
}

TEST_F(SetWindowCommandTest, OutputThatCannotBeCreatedIsAFileError) {
  const CliResult result =
      RunCli({"set-window", in_.str(), "-o", out_.str() + "/none/x.bin", "--id",
              "0", "--json"});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_NE(result.out.find("\"kind\":\"file\""), std::string::npos);
}

}  // namespace
}  // namespace orlindel::cli
