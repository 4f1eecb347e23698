#include "cli/command_parser.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "orlindel/version.h"

namespace orlindel::cli {
namespace {

int Nothing(const CommandLine&, CommandContext&) { return 0; }

// Two commands shaped like the real ones: one image, or two files and an
// output.
constexpr FileSpec kTraceFiles[] = {{"FILE", "The image"}};
constexpr OptionSpec kTraceOptions[] = {
    {"--start", "OFF", "Where to start", true},
    {"--stop", "OFF", "Where to stop"},
    {"--json", "", "JSON"}};
constexpr FileSpec kIpsFiles[] = {{"A", "Before"}, {"B", "After"}};
constexpr OptionSpec kIpsOptions[] = {{"-o,--output", "OUT", "The patch", true},
                                      {"--json", "", "JSON"}};
constexpr CommandSpec kTestCommands[] = {
    {"trace", "Trace code", kTraceFiles, kTraceOptions, Nothing},
    {"ips", "Make a patch", kIpsFiles, kIpsOptions, Nothing},
};

std::span<const CommandSpec> TestCommands() { return kTestCommands; }

ParsedArguments Parse(const std::vector<std::string>& args) {
  return ParseArguments(TestCommands(), args);
}

TEST(ParseArgumentsTest, FilesFlagsAndValuesInAnyOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> files;
    std::map<std::string, std::string> values;
    bool json;
  };
  const Case cases[] = {
      {"separate value",
       {"trace", "fw.bin", "--start", "5"},
       {"fw.bin"},
       {{"--start", "5"}},
       false},
      {"value after =",
       {"trace", "--start=0x10", "fw.bin", "--json"},
       {"fw.bin"},
       {{"--start", "0x10"}},
       true},
      {"negative values",
       {"trace", "fw.bin", "--start", "1", "--stop", "-1"},
       {"fw.bin"},
       {{"--start", "1"}, {"--stop", "-1"}},
       false},
      {"negative hex after =",
       {"trace", "fw.bin", "--start=1", "--stop=-0x10"},
       {"fw.bin"},
       {{"--start", "1"}, {"--stop", "-0x10"}},
       false},
      {"the last of a repeated option",
       {"trace", "fw.bin", "--start", "1", "--start", "2"},
       {"fw.bin"},
       {{"--start", "2"}},
       false},
      {"-- ends the options",
       {"trace", "--start", "1", "--", "-x.bin"},
       {"-x.bin"},
       {{"--start", "1"}},
       false},
      {"- is a file",
       {"ips", "-", "b.bin", "-o", "-"},
       {"-", "b.bin"},
       {{"-o", "-"}},
       false},
      {"long name of -o",
       {"ips", "a", "b", "--output=p.ips", "--json"},
       {"a", "b"},
       {{"-o", "p.ips"}},
       true},
      {"value attached to -o",
       {"ips", "a", "-op.ips", "b"},
       {"a", "b"},
       {{"-o", "p.ips"}},
       false},
  };
  for (const Case& c : cases) {
    const ParsedArguments parsed = Parse(c.args);
    ASSERT_NE(parsed.command, nullptr) << c.name;
    EXPECT_EQ(parsed.command->name, c.args.front()) << c.name;
    EXPECT_EQ(parsed.line.positional, c.files) << c.name;
    EXPECT_EQ(parsed.line.values, c.values) << c.name;
    EXPECT_EQ(parsed.line.Has("--json"), c.json) << c.name;
  }
}

TEST(ParseArgumentsTest, UnusableCommandLinesAreUsageErrors) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* message;  // the start of the message; empty: not pinned
  } cases[] = {
      {"nothing", {}, "no command; the commands are trace, ips"},
      {"unknown command",
       {"frob", "x"},
       "unknown command frob; the commands are trace, ips"},
      {"unknown option",
       {"trace", "f", "--start", "1", "--log"},
       "unknown option --log"},
      {"file named like an option",
       {"trace", "-x.bin", "--start", "1"},
       "unknown option -x.bin; a file whose name starts with - goes after --: "
       "trace -- -x.bin"},
      {"option without its value",
       {"trace", "f", "--start"},
       "--start needs a value: --start OFF"},
      {"option with an empty value",
       {"trace", "f", "--start=", "--stop", "2"},
       "--start needs a value: --start OFF"},
      {"short option without its value",
       {"ips", "a", "b", "-o"},
       "-o needs a value: -o OUT"},
      {"missing required option", {"trace", "f"}, ""},
      {"missing file", {"trace", "--start", "1"}, ""},
      {"one file too many", {"ips", "a", "b", "c", "-o", "p"}, ""},
      {"option of another command",
       {"ips", "a", "b", "-o", "p", "--start=1"},
       ""},
      {"flag with a value",
       {"trace", "f", "--start", "1", "--json=false"},
       "--json takes no value"},
      {"option before the command",
       {"--json", "trace", "f", "--start", "1"},
       ""},
  };
  for (const auto& c : cases) {
    try {
      Parse(c.args);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u)
          << c.name << ": " << error.what();
    }
  }
}

TEST(ParseArgumentsTest, HelpAndVersionAreTextsToPrint) {
  const ParsedArguments program = Parse({"--help"});
  EXPECT_EQ(program.command, nullptr);
  EXPECT_NE(program.text.find("Usage: orlindel-cli [OPTIONS] COMMAND"),
            std::string::npos);
  EXPECT_NE(program.text.find("Exit status:"), std::string::npos);
  // Every command with its one-line description.
  for (const char* flag : {"--help", "-h"}) {
    const std::string text = Parse({flag}).text;
    for (const CommandSpec& command : TestCommands())
      EXPECT_NE(text.find("  " + std::string(command.name) + " "),
                std::string::npos)
          << command.name;
    EXPECT_NE(text.find("Make a patch"), std::string::npos);
  }

  // The command's help in full, whether it is named before the help option
  // or after it.
  const std::vector<std::vector<std::string>> command_helps = {
      {"ips", "--help"}, {"ips", "-h"}, {"--help", "ips"}};
  for (const std::vector<std::string>& args : command_helps) {
    const ParsedArguments command = Parse(args);
    EXPECT_EQ(command.command, nullptr);
    EXPECT_NE(command.text.find("Usage: orlindel-cli ips [OPTIONS] A B"),
              std::string::npos)
        << command.text;
    EXPECT_NE(command.text.find("-o,--output OUT REQUIRED"), std::string::npos);
    EXPECT_NE(command.text.find("The patch"), std::string::npos);
  }
  // Help wins over a command line that is otherwise incomplete.
  EXPECT_EQ(Parse({"trace", "--help"}).command, nullptr);

  for (const char* flag : {"--version", "-V"}) {
    const ParsedArguments version = Parse({flag});
    EXPECT_EQ(version.command, nullptr);
    EXPECT_EQ(version.text, std::string("orlindel-cli ") + kVersion + "\n");
  }
}

}  // namespace
}  // namespace orlindel::cli
