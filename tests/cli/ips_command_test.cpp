#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_test_helpers.h"

namespace orlindel::cli {
namespace {

using testing::CliResult;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

class IpsCommandTest : public ::testing::Test {
 protected:
  TempPath a_{"a.bin"};
  TempPath b_{"b.bin"};
  TempPath patch_{"p.ips"};
};

TEST_F(IpsCommandTest, WritesOneRecordPerChangedRun) {
  FirmwareImage before(0x10000, 0x00);
  FirmwareImage after = before;
  after[0x2030] = 0x02, after[0x2031] = 0x0C;
  WriteBytes(a_, before);
  WriteBytes(b_, after);
  const CliResult json =
      RunCli({"ips", a_.str(), b_.str(), "-o", patch_.str(), "--json"});
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_EQ(json.out, "{\"records\":1,\"patchLength\":15}\n");
  EXPECT_EQ(ReadBytes(patch_),
            (FirmwareImage{'P', 'A', 'T', 'C', 'H', 0x00, 0x20, 0x30, 0x00,
                           0x02, 0x02, 0x0C, 'E', 'O', 'F'}));

  const CliResult text =
      RunCli({"ips", a_.str(), b_.str(), "-o", patch_.str()});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out,
            "1 IPS records, 15 bytes, written to " + patch_.str() + "\n");
}

TEST_F(IpsCommandTest, RefusesImagesOfDifferentLengths) {
  WriteBytes(a_, FirmwareImage(16, 0x00));
  WriteBytes(b_, FirmwareImage(20, 0x00));
  const CliResult result =
      RunCli({"ips", a_.str(), b_.str(), "-o", patch_.str()});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err,
            "orlindel-cli: The images differ in length (16 and 20 bytes)\n");
  EXPECT_FALSE(patch_.Exists());
}

TEST_F(IpsCommandTest, UsageAndFileErrors) {
  WriteBytes(a_, FirmwareImage(16, 0x00));
  WriteBytes(b_, FirmwareImage(16, 0x01));
  EXPECT_EQ(RunCli({"ips", a_.str(), b_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"ips", a_.str(), "-o", patch_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"ips", a_.str(), b_.str() + ".none", "-o", patch_.str()})
                .exit_code,
            3);
  EXPECT_EQ(
      RunCli({"ips", a_.str(), b_.str(), "-o", patch_.str() + ".d/none/p.ips"})
          .exit_code,
      3);
  EXPECT_FALSE(patch_.Exists());
}

}  // namespace
}  // namespace orlindel::cli
