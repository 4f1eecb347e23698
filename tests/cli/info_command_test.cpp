#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::WindowSpec;
using testing::CliResult;
using testing::RunCli;
using testing::TempPath;

class InfoCommandTest : public ::testing::Test {
 protected:
  void Write(FirmwareImage image) { SaveFirmwareFile(path_, image); }

  // Named after the running test: ctest runs tests side by side.
  TempPath file_{"info.bin"};
  const std::string& path_ = file_.str();
};

// Five windows in bank 1, records at 0x10010 .. 0x10050; three OSD groups
// at 0x14000 with entries at 0x11000, 0x11100 (none) and 0x11200.
FirmwareImage SmallFirmware() {
  std::vector<WindowSpec> windows;
  for (int n = 0; n < 5; ++n)
    windows.push_back(
        {static_cast<uint16_t>(0x10 * (n + 1)), 10, 20, 300, 200, 48, 0x80});
  return FirmwareBuilder(0x20000, 0x00)
      .OsdPosList(0x14000, {{0x1000, {{0, 10, 4, 0, 0}}},
                            {0x1100, {}},
                            {0x1200, {{4, 1, 2, 3, 4}}}})
      .WindowList(0x18000, windows)
      .Build();
}

TEST_F(InfoCommandTest, JsonListsWindowsAndGroups) {
  Write(SmallFirmware());
  const CliResult result = RunCli({"info", path_, "--json"});
  EXPECT_EQ(result.exit_code, 0);
  std::string windows;
  for (int n = 0; n < 5; ++n)
    windows += std::string(n ? "," : "") + "{\"id\":" + std::to_string(n) +
               ",\"recordOffset\":" + std::to_string(65552 + 16 * n) +
               ",\"left\":10,\"top\":20,\"right\":300,\"bottom\":200,"
               "\"palDY\":48,\"blend\":128}";
  EXPECT_EQ(result.out,
            "{\"length\":131072,\"headerLength\":131072,"
            "\"checksumValid\":true,"
            "\"windowList\":{\"offset\":98304,\"bank\":1,\"count\":5,"
            "\"windows\":[" +
                windows +
                "]},"
                "\"osdPosList\":{\"offset\":81920,\"count\":3,\"groups\":["
                "{\"entryCount\":1,\"entriesOffset\":69632,\"entries\":"
                "[{\"offset\":69632,\"windowId\":0,\"x\":10,\"y\":4,"
                "\"width\":0,\"height\":0}]},"
                "{\"entryCount\":0,\"entriesOffset\":69888,\"entries\":[]},"
                "{\"entryCount\":1,\"entriesOffset\":70144,\"entries\":"
                "[{\"offset\":70144,\"windowId\":4,\"x\":1,\"y\":2,"
                "\"width\":3,\"height\":4}]}]}}\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(InfoCommandTest, TextShowsATableOfWindowsAndGroups) {
  Write(SmallFirmware());
  const CliResult result = RunCli({"info", path_});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("window list    at 0x18000, bank 1, 5 windows"),
            std::string::npos);
  EXPECT_NE(result.out.find("    4  0x10050    10    20    300    200     48"
                            "   128"),
            std::string::npos);
  EXPECT_NE(result.out.find("OSD positions  at 0x14000, 3 groups"),
            std::string::npos);
}

TEST_F(InfoCommandTest, ImageWithoutTablesIsNotAnError) {
  Write(FirmwareBuilder(0x1000).Build(false));
  const CliResult result = RunCli({"info", path_, "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "{\"length\":4096,\"headerLength\":4096,\"checksumValid\":"
            "true,\"windowList\":null,\"osdPosList\":null}\n");
}

TEST_F(InfoCommandTest, FileAndRunTimeErrorsHaveTheirExitCodes) {
  const CliResult missing = RunCli({"info", path_ + ".none", "--json"});
  EXPECT_EQ(missing.exit_code, 3);
  // The path as JSON writes it (a Windows path's backslashes escaped).
  const auto message = [](const std::string& text) {
    return "{\"error\":{\"kind\":\"file\",\"message\":" +
           nlohmann::json(text).dump() + "}}\n";
  };
  EXPECT_EQ(missing.out, message("Cannot open file \"" + path_ +
                                 ".none\". No such file or directory"));

  std::ofstream(path_, std::ios::binary).flush();  // empty file
  const CliResult empty = RunCli({"info", path_, "--json"});
  EXPECT_EQ(empty.exit_code, 3);
  EXPECT_EQ(empty.out,
            message("Cannot open file \"" + path_ + "\". The file is empty"));
}

TEST(CliUsageTest, BadCommandLinesExitWithTwo) {
  EXPECT_EQ(RunCli({}).exit_code, 2);
  EXPECT_EQ(RunCli({"frobnicate", "x"}).exit_code, 2);
  EXPECT_EQ(RunCli({"info"}).exit_code, 2);
  EXPECT_EQ(RunCli({"info", "a", "b"}).exit_code, 2);
  EXPECT_EQ(RunCli({"info", "a", "--log"}).exit_code, 2);
}

}  // namespace
}  // namespace orlindel::cli
