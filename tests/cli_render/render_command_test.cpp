// The render command's options as the preview's control settings; the
// drawing itself is compared with the editor's preview in the editor tests.
#include "cli_render/render_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_context.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

CommandLine Line(const std::vector<std::pair<std::string, std::string>>& values,
                 const std::vector<std::string>& flags = {}) {
  CommandLine line;
  for (const auto& [option, value] : values) line.values[option] = value;
  for (const std::string& flag : flags) line.flags.insert(flag);
  return line;
}

TEST(RenderSettingsTest, OptionsMapToTheControls) {
  const struct {
    const char* name;
    CommandLine line;
    int window, second, tv, rects, background_mode;  // second -1: none
  } cases[] = {
      {"defaults: after opening, PAL", Line({}), 0, -1, 0, 1, 1},
      {"NTSC shows NTSC windows", Line({{"--tv", "ntsc"}}), 0, -1, 1, 0, 1},
      {"a view given wins", Line({{"--tv", "ntsc"}, {"--view", "both"}}), 0, -1,
       1, 2, 1},
      {"PAL TV, NTSC windows", Line({{"--view", "ntsc"}}), 0, -1, 0, 0, 1},
      {"windows", Line({{"--window", "0x0B"}, {"--second", "7"}}), 11, 7, 0, 1,
       1},
      {"background on top",
       Line({{"--background", "bg.bmp"}, {"--background-mode", "top"}}), 0, -1,
       0, 1, 0},
      {"background stretched",
       Line({{"--background", "bg.bmp"}, {"--background-mode", "stretch"}}), 0,
       -1, 0, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RenderSettings settings = ParseRenderSettings(c.line);
    EXPECT_EQ(settings.window, c.window);
    EXPECT_EQ(settings.second.value_or(-1), c.second);
    EXPECT_EQ(settings.tv_index, c.tv);
    EXPECT_EQ(settings.rects_mode, c.rects);
    EXPECT_EQ(settings.background_mode, c.background_mode);
  }
  const RenderSettings flags =
      ParseRenderSettings(Line({}, {"--safe-title", "--safe-action"}));
  EXPECT_TRUE(flags.safe_title);
  EXPECT_TRUE(flags.safe_action);
}

TEST(RenderSettingsTest, RefusesWordsAndNumbersOutsideTheControls) {
  const struct {
    const char* name;
    CommandLine line;
  } cases[] = {
      {"TV", Line({{"--tv", "secam"}})},
      {"view", Line({{"--view", "PAL"}})},
      {"background mode",
       Line({{"--background", "b.bmp"}, {"--background-mode", "tile"}})},
      {"mode without a picture", Line({{"--background-mode", "top"}})},
      {"window above 255", Line({{"--window", "256"}})},
      {"negative second", Line({{"--second", "-1"}})},
  };
  for (const auto& c : cases)
    EXPECT_THROW(ParseRenderSettings(c.line), UsageError) << c.name;
}

// An image without a window list has nothing to draw, and a background that
// cannot be read is named with the system's reason.
TEST(RenderCommandTest, RefusesWhatItCannotDraw) {
  testing::TempPath bare("bare.bin"), listed("listed.bin"), out("out.png");
  testing::WriteBytes(bare, orlindel::testing::FirmwareBuilder(0x1000).Build());
  const testing::CliResult no_list =
      testing::RunCliWith(RenderCommands(), {"render", bare.str(), "-o", out.str()});
  EXPECT_EQ(no_list.exit_code, 4);
  EXPECT_EQ(no_list.err, "orlindel-cli: The image has no window list\n");

  std::vector<orlindel::testing::WindowSpec> five;
  for (int n = 0; n < 5; ++n)
    five.push_back({static_cast<uint16_t>(0x10 * (n + 1)), 0, 0, 100, 100});
  testing::WriteBytes(listed, orlindel::testing::FirmwareBuilder(0x20000, 0x00)
                                  .WindowList(0x18000, five)
                                  .Build());
  const testing::CliResult beyond = testing::RunCliWith(
      RenderCommands(), {"render", listed.str(), "-o", out.str(), "--window", "5"});
  EXPECT_EQ(beyond.exit_code, 4);
  EXPECT_EQ(beyond.err,
            "orlindel-cli: The image has no window 5; its windows are 0..4\n");

  const testing::CliResult missing =
      testing::RunCliWith(RenderCommands(), {"render", listed.str(), "-o", out.str(), "--background",
                       "orlindel_missing.bmp"});
  EXPECT_EQ(missing.exit_code, 3);
  EXPECT_EQ(missing.err,
            "orlindel-cli: Cannot open file \"orlindel_missing.bmp\". No such "
            "file or directory\n");
  EXPECT_FALSE(out.Exists());
}

}  // namespace
}  // namespace orlindel::cli
