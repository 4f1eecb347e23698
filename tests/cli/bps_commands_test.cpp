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

FirmwareImage Text(const std::string& text) {
  return FirmwareImage(text.begin(), text.end());
}

// CRC32 check values: "123456789" CBF43926, "abc" 352441C2, "a" E8B7BE43.
const char kWrongSourceA[] =
    "The patch was made for a file of 9 bytes; this file has 1 bytes";

class BpsCommandsTest : public ::testing::Test {
 protected:
  CliResult MakePatch(const FirmwareImage& a, const FirmwareImage& b,
                      bool json = false) {
    WriteBytes(a_, a);
    WriteBytes(b_, b);
    std::vector<std::string> args = {"bps", a_.str(), b_.str(), "-o",
                                     patch_.str()};
    if (json) args.push_back("--json");
    return RunCli(args);
  }
  CliResult Apply(const FirmwareImage& image, bool json = false) {
    WriteBytes(image_, image);
    std::vector<std::string> args = {"apply-bps", image_.str(), patch_.str(),
                                     "-o", out_.str()};
    if (json) args.push_back("--json");
    return RunCli(args);
  }
  TempPath a_{"a.bin"};
  TempPath b_{"b.bin"};
  TempPath patch_{"p.bps"};
  TempPath image_{"image.bin"};
  TempPath out_{"out.bin"};
};

TEST_F(BpsCommandsTest, ReportsThePatchAndItsCrcs) {
  // "BPS1", sizes 9 and 3, no metadata (7 bytes); one TargetRead of "abc"
  // (4); three CRCs (12).
  const CliResult json = MakePatch(Text("123456789"), Text("abc"), true);
  EXPECT_EQ(json.exit_code, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"patchLength\":23,\"sourceCrc\":\"CBF43926\",\"targetCrc\":"
            "\"352441C2\"}\n");
  const CliResult text = MakePatch(Text("123456789"), Text("abc"));
  EXPECT_EQ(text.out,
            "BPS patch of 23 bytes from CRC32 CBF43926 to CRC32 352441C2, "
            "written to " +
                patch_.str() + "\n");
}

TEST_F(BpsCommandsTest, RoundTrips) {
  FirmwareImage ten_mib(size_t{10} << 20, 0);
  for (size_t k = 0; k < ten_mib.size(); ++k)
    ten_mib[k] = static_cast<uint8_t>(k * 7 + (k >> 12));
  FirmwareImage last_byte = ten_mib;
  last_byte.back() ^= 0xFF;
  FirmwareImage first_byte = ten_mib;
  first_byte.front() ^= 0x01;
  const struct {
    const char* name;
    FirmwareImage a, b;
  } cases[] = {
      {"shorter target", Text("123456789"), Text("abc")},
      {"longer target", Text("abc"), Text("abc123456789")},
      {"equal images", Text("abcdef"), Text("abcdef")},
      {"last byte of 10 MiB", ten_mib, last_byte},
      {"first byte of 10 MiB", ten_mib, first_byte},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(MakePatch(c.a, c.b).exit_code, 0);
    const CliResult applied = Apply(c.a);
    EXPECT_EQ(applied.exit_code, 0) << applied.err;
    EXPECT_TRUE(ReadBytes(out_) == c.b);
  }
}

TEST_F(BpsCommandsTest, ReportsTheResult) {
  ASSERT_EQ(MakePatch(Text("123456789"), Text("abc")).exit_code, 0);
  // Three bytes hold no checksum word that could be valid.
  EXPECT_EQ(Apply(Text("123456789"), true).out,
            "{\"length\":3,\"checksumValid\":false}\n");
  EXPECT_EQ(Apply(Text("123456789")).out,
            "BPS patch applied, 3 bytes, written to " + out_.str() +
                " (image checksum not valid)\n");
}

TEST_F(BpsCommandsTest, RefusedPatchesWriteNothing) {
  ASSERT_EQ(MakePatch(Text("123456789"), Text("abc")).exit_code, 0);
  const FirmwareImage good = ReadBytes(patch_);
  FirmwareImage damaged = good;
  damaged[8] ^= 0x40;  // a byte of "abc"

  const struct {
    const char* name;
    FirmwareImage image;
    FirmwareImage patch;
    std::string error;  // the message, or its beginning
  } cases[] = {
      {"another, shorter file", Text("a"), good, kWrongSourceA},
      {"the target itself", Text("abc"), good,
       "The patch was made for a file of 9 bytes; this file has 3 bytes"},
      {"another file of the size", Text("987654321"), good,
       "The patch was made for a file with CRC32 CBF43926; this file has "
       "CRC32 "},
      {"truncated below its footer", Text("123456789"),
       FirmwareImage(good.begin(), good.begin() + 10),
       "The patch is truncated: 10 bytes cannot hold its header and footer"},
      {"cut short", Text("123456789"),
       FirmwareImage(good.begin(), good.end() - 1),
       "The patch is damaged or incomplete: it records CRC32 "},
      {"bad patch CRC", Text("123456789"), damaged,
       "The patch is damaged or incomplete: it records CRC32 "},
      {"an IPS patch", Text("123456789"), Text("PATCHEOF"),
       "Not a BPS patch: it does not begin with \"BPS1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(patch_, c.patch);
    WriteBytes(out_, Text("earlier"));
    const CliResult result = Apply(c.image, true);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_TRUE(result.out.starts_with(
        "{\"error\":{\"kind\":\"patch\",\"message\":\"" +
        std::string(c.error.substr(0, c.error.find('"')))))
        << result.out;
    EXPECT_TRUE(result.err.starts_with("orlindel-cli: " + c.error))
        << result.err;
    EXPECT_EQ(ReadBytes(out_), Text("earlier"));
  }
}

TEST_F(BpsCommandsTest, ALastByteChangeIsRefusedOnAnotherVersion) {
  // The patch made for one 10 MiB image refuses the same image with only its
  // last byte different.
  FirmwareImage a(size_t{10} << 20, 0x5A);
  FirmwareImage b = a;
  b.back() = 0x00;
  ASSERT_EQ(MakePatch(a, b).exit_code, 0);
  const CliResult result = Apply(b);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("The patch was made for a file with CRC32 "),
            std::string::npos);
  EXPECT_FALSE(out_.Exists());
}

TEST_F(BpsCommandsTest, FilesAndStreams) {
  ASSERT_EQ(MakePatch(Text("123456789"), Text("abc")).exit_code, 0);
  // The patch from standard input, the image to standard output.
  WriteBytes(image_, Text("123456789"));
  const CliResult piped = RunCli({"apply-bps", image_.str(), "-", "-o", "-"},
                                 testing::AsText(ReadBytes(patch_)));
  EXPECT_EQ(piped.exit_code, 0) << piped.err;
  EXPECT_EQ(piped.out, "abc");
  // In place over the image is allowed; over the patch, or for bps over
  // either image, it is not.
  EXPECT_EQ(
      RunCli({"apply-bps", image_.str(), patch_.str(), "-o", image_.str()})
          .exit_code,
      0);
  EXPECT_EQ(ReadBytes(image_), Text("abc"));
  EXPECT_EQ(
      RunCli({"apply-bps", image_.str(), patch_.str(), "-o", patch_.str()})
          .exit_code,
      2);
  EXPECT_EQ(RunCli({"bps", a_.str(), b_.str(), "-o", b_.str()}).exit_code, 2);
  EXPECT_EQ(RunCli({"bps", a_.str(), b_.str()}).exit_code, 2);
  EXPECT_EQ(
      RunCli({"bps", a_.str() + ".none", b_.str(), "-o", out_.str()}).exit_code,
      3);
  EXPECT_FALSE(out_.Exists());
}

}  // namespace
}  // namespace orlindel::cli
