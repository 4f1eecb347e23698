#include "cli/layout_commands.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/layout_firmware.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::OsdGroupSpec;
using orlindel::testing::SubtitleValues;
using orlindel::testing::WindowSpec;
using testing::CliResult;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

constexpr const SubtitleValues& kSubtitleOld =
    orlindel::testing::kLayoutSubtitleA;
constexpr const SubtitleValues& kSubtitleNew =
    orlindel::testing::kLayoutSubtitleB;
constexpr auto* OldWindows = &orlindel::testing::LayoutWindowsA;
constexpr auto* OldGroups = &orlindel::testing::LayoutGroupsA;

// The tables in bank 1, the subtitle routine at 0x12340; the checksum fixed.
FirmwareImage Firmware(const std::vector<WindowSpec>& windows,
                       const std::vector<OsdGroupSpec>& groups,
                       const SubtitleValues& subtitle) {
  return orlindel::testing::LayoutFirmware(orlindel::testing::kLayoutPlacementA,
                                           windows, groups, subtitle);
}

FirmwareImage OldImage() {
  return Firmware(OldWindows(), OldGroups(), kSubtitleOld);
}

// The layout moved: window 1 and group 0's entry 1 changed, another
// subtitle area.
FirmwareImage NewImage() {
  std::vector<WindowSpec> windows = OldWindows();
  windows[1] = {0x0020, 44, 66, 210, 130, 24, 0x70};
  std::vector<OsdGroupSpec> groups = OldGroups();
  groups[0].entries[1] = {1, 30, 12, 90, 10};
  return Firmware(windows, groups, kSubtitleNew);
}

// A version with windows 0..4 only, window 1 moved when `moved`; its group 1
// names window 4 where the old layout names window 5.
FirmwareImage FiveWindowImage(bool moved) {
  std::vector<WindowSpec> windows = OldWindows();
  windows.pop_back();
  if (moved) windows[1] = {0x0020, 44, 66, 210, 130, 24, 0x70};
  std::vector<OsdGroupSpec> groups = OldGroups();
  groups[1].entries[0].window_id = 4;
  return Firmware(windows, groups, kSubtitleNew);
}

class LayoutCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(old_, OldImage());
    WriteBytes(new_, NewImage());
    ASSERT_EQ(
        RunCli({"export-layout", old_.str(), "-o", layout_.str()}).exit_code,
        0);
  }
  TempPath old_{"old.bin"};
  TempPath new_{"new.bin"};
  TempPath layout_{"layout.json"};
  TempPath out_{"out.bin"};
};

TEST_F(LayoutCommandsTest, ExportImportRoundTripIsByteExact) {
  const CliResult result =
      RunCli({"import-layout", new_.str(), layout_.str(), "-o", out_.str()});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  // Windows, their checksum and the subtitle loads all back as they were.
  EXPECT_TRUE(ReadBytes(out_) == OldImage());
  EXPECT_EQ(result.out,
            "window 0: identical\n"
            "window 1: changed\n"
            "window 2: identical\n"
            "window 3: identical\n"
            "window 4: identical\n"
            "window 5: identical\n"
            "subtitle parameters: changed\n"
            "group 0 entry 0: identical\n"
            "group 0 entry 1: changed\n"
            "group 1 entry 0: identical\n"
            "group 2 entry 0: identical\n"
            "group 2 entry 1: identical\n"
            "group 2 entry 2: identical\n"
            "3 changed, 10 identical, 0 not applied, 0 skipped; written to " +
                out_.str() + "\n");
}

TEST_F(LayoutCommandsTest, ExportGoesToStandardOutputWithoutOutput) {
  const CliResult to_stdout = RunCli({"export-layout", old_.str()});
  EXPECT_EQ(to_stdout.exit_code, 0);
  EXPECT_EQ(testing::AsText(ReadBytes(layout_)), to_stdout.out);
  EXPECT_TRUE(to_stdout.out.starts_with(
      "{\n  \"format\": \"orlindel-layout\",\n  \"version\": 1,"));
  const CliResult report =
      RunCli({"export-layout", old_.str(), "-o", out_.str(), "--json"});
  EXPECT_EQ(report.out, "{\"windows\":6,\"subtitle\":true,\"groups\":3}\n");
}

TEST_F(LayoutCommandsTest, DryRunWritesNothing) {
  const CliResult without_output =
      RunCli({"import-layout", new_.str(), layout_.str(), "--dry-run", "--json",
              "--only", "windows"});
  EXPECT_EQ(without_output.exit_code, 0) << without_output.err;
  EXPECT_EQ(without_output.out,
            "{\"dryRun\":true,\"changed\":[\"window 1\"],\"identical\":["
            "\"window 0\",\"window 2\",\"window 3\",\"window 4\",\"window 5\"],"
            "\"notApplied\":[],"
            "\"skipped\":[\"subtitle parameters\",\"group 0\",\"group 1\","
            "\"group 2\"]}\n");
  const CliResult with_output =
      RunCli({"import-layout", new_.str(), layout_.str(), "-o", out_.str(),
              "--dry-run"});
  EXPECT_EQ(with_output.exit_code, 0);
  EXPECT_TRUE(with_output.out.ends_with("; dry run, nothing written\n"));
  EXPECT_FALSE(out_.Exists());
  EXPECT_TRUE(ReadBytes(new_) == NewImage());
}

TEST_F(LayoutCommandsTest, OnlyAppliesThePartsThatFit) {
  WriteBytes(new_, FiveWindowImage(true));
  const char kRefusal[] =
      "The layout does not fit this firmware:\n"
      "window 5: this firmware has no window 5 (its windows are 0..4)\n"
      "group 1 entry 0: this firmware has no window 5\n"
      "Use --only to apply the parts that fit (windows, subtitle, "
      "positions).";
  const CliResult refused =
      RunCli({"import-layout", new_.str(), layout_.str(), "-o", out_.str()});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.err, std::string("orlindel-cli: ") + kRefusal + "\n");
  EXPECT_FALSE(out_.Exists());

  const CliResult applied =
      RunCli({"import-layout", new_.str(), layout_.str(), "-o", out_.str(),
              "--only", "positions,windows", "--json"});
  EXPECT_EQ(applied.exit_code, 0) << applied.err;
  EXPECT_EQ(
      applied.out,
      "{\"dryRun\":false,\"changed\":[\"window 1\"],"
      "\"identical\":[\"window 0\",\"window 2\",\"window 3\","
      "\"window 4\",\"group 0 entry 0\",\"group 0 entry 1\","
      "\"group 2 entry 0\",\"group 2 entry 1\",\"group 2 entry 2\"],"
      "\"notApplied\":[{\"item\":\"window 5\",\"reason\":\"this "
      "firmware has no window 5 (its windows are 0..4)\"},{\"item\":"
      "\"group 1 entry 0\",\"reason\":\"this firmware has no window 5\"}],"
      "\"skipped\":[\"subtitle parameters\"]}\n");
  // Window 1 back where it was, the checksum fixed; nothing else touched.
  EXPECT_TRUE(ReadBytes(out_) == FiveWindowImage(false));
}

TEST(ParseLayoutPartsTest, NamesAndRefusals) {
  const struct {
    const char* list;
    bool windows, subtitle, positions;
  } kGood[] = {
      {"windows", true, false, false},
      {"subtitle,positions", false, true, true},
      {"positions,windows,subtitle", true, true, true},
  };
  for (const auto& c : kGood) {
    const LayoutParts parts = ParseLayoutParts(c.list);
    EXPECT_EQ(parts.windows, c.windows) << c.list;
    EXPECT_EQ(parts.subtitle, c.subtitle) << c.list;
    EXPECT_EQ(parts.positions, c.positions) << c.list;
  }
  for (const char* bad : {"", "window", "windows,", "windows,,subtitle"})
    EXPECT_THROW(ParseLayoutParts(bad), UsageError) << bad;
}

TEST_F(LayoutCommandsTest, UsageAndDocumentErrors) {
  EXPECT_EQ(RunCli({"import-layout", new_.str(), layout_.str()}).exit_code, 2);
  EXPECT_EQ(
      RunCli({"import-layout", new_.str(), layout_.str(), "-o", layout_.str()})
          .exit_code,
      2);
  EXPECT_EQ(RunCli({"import-layout", new_.str(), layout_.str(), "--dry-run",
                    "--only", "everything"})
                .exit_code,
            2);
  WriteBytes(layout_, FirmwareImage{'{', '}'});
  const CliResult malformed = RunCli(
      {"import-layout", new_.str(), layout_.str(), "-o", out_.str(), "--json"});
  EXPECT_EQ(malformed.exit_code, 1);
  EXPECT_TRUE(malformed.out.starts_with("{\"error\":{\"kind\":\"layout\","))
      << malformed.out;
  EXPECT_FALSE(out_.Exists());
}

}  // namespace
}  // namespace orlindel::cli
