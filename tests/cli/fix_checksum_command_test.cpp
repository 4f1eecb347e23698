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

// 14 bytes: words 00000001 and 40302010, the checksum word at 8, and two
// trailing bytes outside any whole word.
TEST(FixChecksumCommandTest, StoresTheXorOfTheWordsBefore) {
  TempPath in("in.bin"), out("out.bin");
  WriteBytes(in, {0x01, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x40, 0xDE, 0xAD,
                  0xBE, 0xEF, 0xAA, 0xBB});
  const CliResult result =
      RunCli({"fix-checksum", in.str(), "-o", out.str(), "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "{\"checksumOffset\":8,\"checksum\":1076895761}\n");
  EXPECT_EQ(ReadBytes(out),
            (FirmwareImage{0x01, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x40, 0x11,
                           0x20, 0x30, 0x40, 0xAA, 0xBB}));
  EXPECT_EQ(ReadBytes(in)[8], 0xDE);

  const CliResult text = RunCli({"fix-checksum", in.str(), "-o", out.str()});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out,
            "checksum 0x40302011 at 0x00008, written to " + out.str() + "\n");
}

// Under 8 bytes there is no word before the checksum word, so no value of it
// makes the checksum valid: refused, nothing written, never a false success.
TEST(FixChecksumCommandTest, ImagesUnderTwoWordsAreRefused) {
  TempPath in("in.bin"), out("out.bin");
  for (const FirmwareImage& image :
       {FirmwareImage{0x01, 0x02, 0x03}, FirmwareImage{0x01, 0x00, 0x00, 0x00},
        FirmwareImage{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}}) {
    WriteBytes(in, image);
    const CliResult result =
        RunCli({"fix-checksum", in.str(), "-o", out.str(), "--json"});
    const std::string message =
        "The image is " + std::to_string(image.size()) +
        " bytes long; a checksum needs at least 8 bytes (two whole 32-bit "
        "words)";
    EXPECT_EQ(result.exit_code, 4) << image.size();
    EXPECT_EQ(result.out, "{\"error\":{\"kind\":\"range\",\"message\":\"" +
                              message + "\"}}\n");
    EXPECT_EQ(result.err, "orlindel-cli: " + message + "\n");
    EXPECT_FALSE(out.Exists()) << image.size();
  }
  // Eight bytes are enough: the second word takes the first.
  WriteBytes(in, {0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC, 0xDD});
  EXPECT_EQ(RunCli({"fix-checksum", in.str(), "-o", out.str()}).exit_code, 0);
  EXPECT_EQ(ReadBytes(out),
            (FirmwareImage{0x01, 0x02, 0x03, 0x04, 0x01, 0x02, 0x03, 0x04}));
}

TEST(FixChecksumCommandTest, UsageAndFileErrors) {
  TempPath in("in.bin"), out("out.bin");
  WriteBytes(in, FirmwareImage(16, 0x00));
  EXPECT_EQ(RunCli({"fix-checksum", in.str()}).exit_code, 2);
  EXPECT_EQ(
      RunCli({"fix-checksum", in.str() + ".none", "-o", out.str()}).exit_code,
      3);
  EXPECT_FALSE(out.Exists());
}

}  // namespace
}  // namespace orlindel::cli
