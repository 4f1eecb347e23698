// orlindel-cli's render command hands the command line over to
// orlindel-render: the same output and exit status as running that program
// directly, a clear error when it is missing, and the lookup order.
#include "cli/render_program.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/layout_firmware.h"

namespace orlindel::cli {
namespace {

namespace fs = std::filesystem;
using testing::TempPath;

TEST(RenderProgramCandidatesTest, BesideTheProgramThenInstalledPlaces) {
  EXPECT_EQ(
      RenderProgramCandidates("/opt/o/bin/orlindel-cli",
                              "../libexec/orlindel/orlindel-render",
                              "/usr/libexec/orlindel/orlindel-render"),
      (std::vector<std::string>{"/opt/o/bin/orlindel-render",
                                "/opt/o/libexec/orlindel/orlindel-render",
                                "/usr/libexec/orlindel/orlindel-render"}));
  // Where the system does not tell the program's path, only the installed
  // place is left; nothing is looked for in the working folder.
  EXPECT_EQ(RenderProgramCandidates("", "../libexec/x", "/usr/lib/x"),
            (std::vector<std::string>{"/usr/lib/x"}));
  EXPECT_EQ(RenderProgramCandidates("/b/orlindel-cli", "", ""),
            (std::vector<std::string>{"/b/orlindel-render"}));
}

struct ProcessResult {
  int exit_code;
  std::string out;
  std::string err;
};

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Runs `program` with `args` through the shell, standard input from
// /dev/null; the paths the tests pass hold no characters the shell treats
// specially.
ProcessResult RunProgram(const std::string& program,
                         const std::vector<std::string>& args) {
  const TempPath out("stdout"), err("stderr");
  std::string command = program;
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " </dev/null >" + out.str() + " 2>" + err.str();
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out.str()),
          ReadText(err.str())};
}

void WriteImage(const std::string& path, const FirmwareImage& image) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
}

#ifdef ORLINDEL_RENDER_PROGRAM_PATH
TEST(RenderProgramTest, TheCommandLineRunsTheDrawingProgramUnchanged) {
  const TempPath firmware("fw.bin"), picture("preview.png");
  WriteImage(firmware.str(),
             orlindel::testing::LayoutFirmware(
                 orlindel::testing::kLayoutPlacementA,
                 orlindel::testing::LayoutWindowsA(),
                 orlindel::testing::LayoutGroupsA(), std::nullopt));
  const struct {
    const char* name;
    std::vector<std::string> args;
    int exit_code;
  } cases[] = {
      {"drawn", {"render", firmware.str(), "-o", picture.str(), "--json"}, 0},
      {"a window the image lacks",
       {"render", firmware.str(), "-o", picture.str(), "--window", "200",
        "--json"},
       4},
      {"a word outside the option's",
       {"render", firmware.str(), "-o", picture.str(), "--tv", "secam"},
       2},
      {"a missing image",
       {"render", firmware.str() + ".none", "-o", picture.str()},
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessResult through_cli = RunProgram(ORLINDEL_CLI_PATH, c.args);
    const std::string drawn = ReadText(picture.str());
    fs::remove(picture.str());
    const ProcessResult direct =
        RunProgram(ORLINDEL_RENDER_PROGRAM_PATH, c.args);
    EXPECT_EQ(through_cli.exit_code, c.exit_code) << through_cli.err;
    EXPECT_EQ(direct.exit_code, c.exit_code);
    EXPECT_EQ(through_cli.out, direct.out);
    EXPECT_EQ(through_cli.err, direct.err);
    if (c.exit_code == 0) {
      EXPECT_EQ(through_cli.out,
                "{\"width\":720,\"height\":576,\"format\":\"png\"}\n");
      EXPECT_EQ(drawn.substr(0, 4), "\x89PNG");
      EXPECT_EQ(drawn, ReadText(picture.str()));
    }
  }
}
#endif

TEST(RenderProgramTest, AMissingDrawingProgramIsAFileErrorNamingIt) {
  // A copy of orlindel-cli in a folder of its own finds no orlindel-render
  // beside it.
  const TempPath folder("folder");
  fs::create_directories(folder.str());
  const std::string cli = folder.str() + "/orlindel-cli";
  fs::copy_file(ORLINDEL_CLI_PATH, cli);
  const TempPath firmware("fw.bin");
  WriteImage(firmware.str(), FirmwareImage(0x20000, 0xFF));

  const ProcessResult text =
      RunProgram(cli, {"render", firmware.str(), "-o", "-"});
  const ProcessResult json =
      RunProgram(cli, {"render", firmware.str(), "-o", "x.png", "--json"});
  // The command's help needs no drawing program.
  const ProcessResult help = RunProgram(cli, {"render", "--help"});
  fs::remove_all(folder.str());
  EXPECT_EQ(text.exit_code, 3);
  EXPECT_NE(text.err.find("orlindel-render"), std::string::npos) << text.err;
  EXPECT_NE(text.err.find("it is not installed"), std::string::npos);
  EXPECT_EQ(json.exit_code, 3);
  EXPECT_EQ(json.out.rfind("{\"error\":{\"kind\":\"file\"", 0), 0) << json.out;
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--background-mode"), std::string::npos);
}

}  // namespace
}  // namespace orlindel::cli
