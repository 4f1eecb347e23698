#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::DemoWindows;
using orlindel::testing::FirmwareBuilder;
using testing::CliResult;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

// Five windows listed at 0x1000, their records at 0x2000 + 16 n; window 3's
// Left (520 = 0x0208) at 0x2030.
FirmwareImage Opened() {
  return FirmwareBuilder(0x10000, 0x00)
      .WindowList(0x1000, DemoWindows(5, 0x2000))
      .Build();
}

class DiffCommandTest : public ::testing::Test {
 protected:
  void Write(const FirmwareImage& after) {
    WriteBytes(a_, Opened());
    WriteBytes(b_, after);
  }
  TempPath a_{"a.bin"};
  TempPath b_{"b.bin"};
};

TEST_F(DiffCommandTest, ListsLabelledRanges) {
  FirmwareImage after = Opened();
  after[0x2030] = 0x00, after[0x2031] = 0x0C;  // Left 12
  Write(after);
  // Images that differ: exit 1, as cmp.
  const CliResult json = RunCli({"diff", a_.str(), b_.str(), "--json"});
  EXPECT_EQ(json.exit_code, 1);
  EXPECT_EQ(json.out,
            "{\"changes\":[{\"offset\":8240,\"length\":2,\"old\":"
            "\"0208\",\"new\":\"000C\",\"labels\":[\"window 3 record: "
            "Left\"]}]}\n");

  const CliResult text = RunCli({"diff", a_.str(), b_.str()});
  EXPECT_EQ(text.exit_code, 1);
  EXPECT_EQ(text.out,
            "0x02030  len 2  0208 -> 000C  window 3 record: Left\n"
            "changed ranges: 1, changed bytes: 2\n");
}

TEST_F(DiffCommandTest, TextShowsSixteenBytesOfALongRangeAndEveryLabel) {
  FirmwareImage after = Opened();
  for (size_t at = 0x203C; at < 0x204D; ++at) after[at] = 0xAB;  // 17 bytes
  Write(after);
  const CliResult text = RunCli({"diff", a_.str(), b_.str()});
  EXPECT_EQ(text.exit_code, 1);
  // Window 3's Blend 0x83, its bytes 13 and 14, the gap byte, then window
  // 4's record: Left 40, Top 136, Right 189, Bottom 215, PalDY 48, id 4.
  EXPECT_EQ(text.out,
            "0x0203C  len 17  830000000028008800BD00D700300400... -> "
            "ABABABABABABABABABABABABABABABAB...  window 3 record: Blend, "
            "byte 13, byte 14; window 4 record: Left, Top, Right, Bottom, "
            "PalDY, byte 10, byte 11, Blend; unknown\n"
            "changed ranges: 1, changed bytes: 17\n");
}

TEST_F(DiffCommandTest, WritesEveryRangeInOffsetOrder) {
  FirmwareImage after = Opened();
  after[0x10] = 0x11, after[0x12] = 0x22;
  Write(after);
  const CliResult json = RunCli({"diff", a_.str(), b_.str(), "--json"});
  EXPECT_EQ(json.exit_code, 1);
  EXPECT_EQ(json.out,
            "{\"changes\":["
            "{\"offset\":16,\"length\":1,\"old\":\"00\",\"new\":\"11\","
            "\"labels\":[\"unknown\"]},"
            "{\"offset\":18,\"length\":1,\"old\":\"00\",\"new\":\"22\","
            "\"labels\":[\"unknown\"]}]}\n");
  const CliResult text = RunCli({"diff", a_.str(), b_.str()});
  EXPECT_EQ(text.exit_code, 1);
  EXPECT_EQ(text.out,
            "0x00010  len 1  00 -> 11  unknown\n"
            "0x00012  len 1  00 -> 22  unknown\n"
            "changed ranges: 2, changed bytes: 2\n");
}

TEST_F(DiffCommandTest, IdenticalImagesHaveNoChanges) {
  Write(Opened());
  const CliResult json = RunCli({"diff", a_.str(), b_.str(), "--json"});
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_EQ(json.out, "{\"changes\":[]}\n");
  const CliResult text = RunCli({"diff", a_.str(), b_.str()});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out, "changed ranges: 0, changed bytes: 0\n");
}

TEST_F(DiffCommandTest, ImagesOfDifferentLengthsAreRefused) {
  FirmwareImage longer = Opened();
  longer.resize(0x10004, 0x00);
  Write(longer);
  const CliResult result = RunCli({"diff", a_.str(), b_.str(), "--json"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out,
            "{\"error\":{\"kind\":\"patch\",\"message\":\"The images "
            "differ in length (65536 and 65540 bytes)\"}}\n");
  EXPECT_EQ(result.err,
            "orlindel-cli: The images differ in length (65536 and 65540 "
            "bytes)\n");
}

TEST_F(DiffCommandTest, UsageAndFileErrors) {
  Write(Opened());
  EXPECT_EQ(RunCli({"diff", a_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"diff", a_.str(), b_.str(), b_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"diff", a_.str(), b_.str(), "-o", "x"}).exit_code, 2);
  const CliResult missing =
      RunCli({"diff", a_.str(), b_.str() + ".none", "--json"});
  EXPECT_EQ(missing.exit_code, 3);
  EXPECT_EQ(missing.out.rfind("{\"error\":{\"kind\":\"file\"", 0), 0u);
}

}  // namespace
}  // namespace orlindel::cli
