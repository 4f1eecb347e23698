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

// "PATCH", `records`, "EOF".
FirmwareImage Patch(std::initializer_list<uint8_t> records) {
  FirmwareImage patch = {'P', 'A', 'T', 'C', 'H'};
  for (const uint8_t byte : records) patch.push_back(byte);
  for (const char c : {'E', 'O', 'F'}) patch.push_back(static_cast<uint8_t>(c));
  return patch;
}

// `text` inside a JSON string: its double quotes escaped.
std::string Quoted(const std::string& text) {
  std::string quoted;
  for (const char c : text) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

class ApplyIpsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(a_, FirmwareImage(16, 0x00)); }
  CliResult Apply(const FirmwareImage& patch, bool json = false) {
    WriteBytes(patch_, patch);
    if (json)
      return RunCli(
          {"apply-ips", a_.str(), patch_.str(), "-o", b_.str(), "--json"});
    return RunCli({"apply-ips", a_.str(), patch_.str(), "-o", b_.str()});
  }
  TempPath a_{"a.bin"};
  TempPath patch_{"p.ips"};
  TempPath b_{"b.bin"};
};

TEST_F(ApplyIpsCommandTest, WritesThePatchedImageAsItIs) {
  // A data record at 2 and a run of three 0xEE at 12.
  const FirmwareImage patch =
      Patch({0x00, 0x00, 0x02, 0x00, 0x02, 0x12, 0x34,  //
             0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x03, 0xEE});
  const CliResult json = Apply(patch, true);
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_EQ(json.out,
            "{\"records\":2,\"length\":16,\"checksumValid\":false}\n");
  EXPECT_EQ(ReadBytes(b_), (FirmwareImage{0, 0, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0,
                                          0, 0xEE, 0xEE, 0xEE, 0}));

  const CliResult text = Apply(patch);
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out, "2 IPS records applied, written to " + b_.str() +
                          " (image checksum not valid)\n");
}

TEST_F(ApplyIpsCommandTest, RefusedPatchesWriteNothing) {
  const struct {
    const char* name;
    FirmwareImage patch;
    std::string error;
  } cases[] = {
      {"past the end", Patch({0x00, 0x00, 0x0F, 0x00, 0x02, 0x01, 0x02}),
       "The patch reaches past the end of the image: 2 bytes at 0x00000F, "
       "but the image is 0x10 bytes long"},
      {"truncated",
       {'P', 'A', 'T', 'C', 'H', 0x00, 0x00, 0x01, 0x00},
       "The patch is truncated: the record at patch offset 5 is incomplete"},
      {"no EOF", {'P', 'A', 'T', 'C', 'H'}, "The patch ends without \"EOF\""},
      {"empty file", {}, "Not an IPS patch: it does not begin with \"PATCH\""},
  };
  for (const auto& c : cases) {
    WriteBytes(b_, FirmwareImage(4, 0x77));  // an earlier output stays
    const CliResult result = Apply(c.patch, true);
    EXPECT_EQ(result.exit_code, 1) << c.name;
    EXPECT_EQ(result.out, "{\"error\":{\"kind\":\"patch\",\"message\":\"" +
                              Quoted(c.error) + "\"}}\n")
        << c.name;
    EXPECT_EQ(result.err, "orlindel-cli: " + c.error + "\n") << c.name;
    EXPECT_EQ(ReadBytes(b_), FirmwareImage(4, 0x77)) << c.name;
  }
}

TEST_F(ApplyIpsCommandTest, RoundTripsWhatIpsWrote) {
  FirmwareImage after(16, 0x00);
  after[0] = 1, after[15] = 2;
  TempPath after_file("after.bin");
  WriteBytes(after_file, after);
  ASSERT_EQ(
      RunCli({"ips", a_.str(), after_file.str(), "-o", patch_.str()}).exit_code,
      0);
  EXPECT_EQ(
      RunCli({"apply-ips", a_.str(), patch_.str(), "-o", b_.str()}).exit_code,
      0);
  EXPECT_EQ(ReadBytes(b_), after);
}

TEST_F(ApplyIpsCommandTest, UsageAndFileErrors) {
  WriteBytes(patch_, Patch({}));
  EXPECT_EQ(RunCli({"apply-ips", a_.str(), patch_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"apply-ips", a_.str(), "-o", b_.str()}).exit_code, 2);
  EXPECT_EQ(
      RunCli({"apply-ips", a_.str(), patch_.str() + ".none", "-o", b_.str()})
          .exit_code,
      3);
  EXPECT_FALSE(b_.Exists());
}

}  // namespace
}  // namespace orlindel::cli
