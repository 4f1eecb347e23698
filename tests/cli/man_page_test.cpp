#include "cli/man_page.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace orlindel::cli {
namespace {

int Nothing(const CommandLine&, CommandContext&) { return 0; }

const char kTemplate[] =
    ".TH T 1 \"@DATE@\" \"T @VERSION@\"\n"
    ".SH SYNOPSIS\n@SYNOPSIS@\n"
    ".SH OPTIONS\n@OPTIONS@\n"
    ".SH COMMANDS\n@COMMANDS@\n"
    ".SH EXAMPLES\n@EXAMPLES@\n"
    ".SH SEE ALSO\nplain text stays\n";

std::string Page(std::span<const CommandSpec> commands,
                 std::string_view examples = "$ x\n") {
  return WriteManPage(kTemplate, commands, {"2026-01-02", "9.8", examples});
}

// The part of the page from ".SS name" up to the next heading.
std::string Section(const std::string& page, const std::string& name) {
  const size_t start = page.find(".SS " + RoffText(name) + "\n");
  if (start == std::string::npos) return {};
  const size_t end = page.find("\n.S", start + 1);
  return page.substr(start, end - start);
}

std::vector<std::string> Names(std::string_view names) {
  std::vector<std::string> parts;
  std::istringstream stream{std::string(names)};
  for (std::string part; std::getline(stream, part, ',');)
    parts.push_back(part);
  return parts;
}

TEST(ManPageTest, DocumentsEveryCommandFileAndOptionOfTheTable) {
  const std::string page = Page(Commands());
  for (const OptionSpec* option : {&kHelpOption, &kVersionOption})
    for (const std::string& name : Names(option->names))
      EXPECT_NE(page.find("\\fB" + RoffText(name) + "\\fR"), std::string::npos)
          << name;
  for (const CommandSpec& command : Commands()) {
    const std::string section = Section(page, std::string(command.name));
    ASSERT_FALSE(section.empty()) << command.name;
    EXPECT_NE(section.find(RoffText(command.description)), std::string::npos)
        << command.name;
    for (const FileSpec& file : command.files) {
      EXPECT_NE(section.find("\\fI" + std::string(file.name) + "\\fR"),
                std::string::npos)
          << command.name << " " << file.name;
      EXPECT_NE(section.find(RoffText(file.description)), std::string::npos);
    }
    for (const OptionSpec& option : command.options) {
      for (const std::string& name : Names(option.names))
        EXPECT_NE(section.find("\\fB" + RoffText(name) + "\\fR"),
                  std::string::npos)
            << command.name << " " << name;
      EXPECT_NE(section.find(RoffText(option.description)), std::string::npos)
          << command.name << " " << option.names;
    }
    EXPECT_NE(section.find(RoffText(kCommandHelpOption.description)),
              std::string::npos);
  }
}

TEST(ManPageTest, EveryOptionTheHelpShowsIsOnThePage) {
  const std::string page = Page(Commands());
  const std::regex option(R"((^|[ ,])(--?[a-z][a-z0-9-]*))");
  for (const CommandSpec& command : Commands()) {
    const std::vector<std::string> args = {std::string(command.name), "--help"};
    const ParsedArguments help = ParseArguments(Commands(), args);
    const std::string section = Section(page, std::string(command.name));
    std::istringstream lines(help.text);
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with("  -")) continue;
      for (std::sregex_iterator it(line.begin(), line.end(), option), end;
           it != end; ++it)
        EXPECT_NE(section.find("\\fB" + RoffText((*it)[2].str()) + "\\fR"),
                  std::string::npos)
            << command.name << ": " << (*it)[2].str();
    }
  }
}

TEST(ManPageTest, SynopsisMarksOptionalOptionsAndFillsTheTemplate) {
  static constexpr FileSpec kFiles[] = {{"A", "Before"}};
  static constexpr OptionSpec kOptions[] = {
      {"-o,--output", "OUT", "The patch", true},
      {"--stop", "OFF", "Where to stop."},
      {"--json", "", ".json first"}};
  static constexpr CommandSpec kCommands[] = {
      {"ips", "Make a patch", kFiles, kOptions, Nothing}};
  const std::string page = Page(kCommands, "$ orlindel-cli info fw.bin\n.x\n");
  EXPECT_NE(page.find(".TH T 1 \"2026-01-02\" \"T 9.8\"\n"), std::string::npos);
  EXPECT_NE(page.find("\\fBorlindel\\-cli ips\\fR \\fIA\\fR \\fB\\-o\\fR "
                      "\\fIOUT\\fR [\\fB\\-\\-stop\\fR \\fIOFF\\fR] "
                      "[\\fB\\-\\-json\\fR]\n"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(".TP\n\\fB\\-o\\fR, \\fB\\-\\-output\\fR \\fIOUT\\fR\n"
                      "The patch.\n"),
            std::string::npos);
  // A full stop is not doubled; a description must not become a request.
  EXPECT_NE(page.find("\nWhere to stop.\n"), std::string::npos);
  EXPECT_NE(page.find("\n\\&.json first.\n"), std::string::npos);
  EXPECT_NE(page.find(".nf\n$ orlindel\\-cli info fw.bin\n\\&.x\n.fi\n"),
            std::string::npos);
  EXPECT_NE(page.find("\nplain text stays\n"), std::string::npos);
  for (const char* placeholder : {"@DATE@", "@VERSION@", "@SYNOPSIS@",
                                  "@OPTIONS@", "@COMMANDS@", "@EXAMPLES@"})
    EXPECT_EQ(page.find(placeholder), std::string::npos) << placeholder;
}

TEST(ManPageTest, RoffTextShowsEveryCharacterAsItIs) {
  EXPECT_EQ(RoffText("--view"), "\\-\\-view");
  EXPECT_EQ(RoffText("C:\\fw\\n.bin"), "C:\\efw\\en.bin");
  EXPECT_EQ(RoffText(".SH x"), "\\&.SH x");
  EXPECT_EQ(RoffText("'quoted'"), "\\&'quoted'");
  EXPECT_EQ(RoffText("a.b 'c'"), "a.b 'c'");
  EXPECT_EQ(RoffText(""), "");
}

TEST(ManPageTest, ExampleSessionIsTheFirstBlockUnderItsHeading) {
  EXPECT_EQ(ExampleSession("# T\n```\nnot this\n```\n## Example session\n"
                           "Text.\n\n```\n$ one\nout\n```\n```\nnor this\n"
                           "```\n"),
            "$ one\nout\n");
  EXPECT_EQ(ExampleSession("## Example sessions\n```\nx\n```\n"), "");
  EXPECT_EQ(ExampleSession("# T\n## Example session\n```\n$ open\n"), "");
  EXPECT_EQ(ExampleSession("# T\n## Example session\nno block\n"), "");
}

}  // namespace
}  // namespace orlindel::cli
