// orlindel-cli's manual page, written in roff from the command table that
// drives the program's help, into a template that holds the prose.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/command_parser.h"

namespace orlindel::cli {

struct ManPageFacts {
  // The page's date (YYYY-MM-DD) and the program's version.
  std::string_view date;
  std::string_view version;
  // A shell session, shown as it stands under EXAMPLES.
  std::string_view examples;
};

// The template with its lines "@SYNOPSIS@", "@OPTIONS@", "@COMMANDS@" and
// "@EXAMPLES@" replaced by what `commands`, the program's options and
// `facts` give, and "@DATE@" and "@VERSION@" replaced wherever they stand.
std::string WriteManPage(std::string_view page_template,
                         std::span<const CommandSpec> commands,
                         const ManPageFacts& facts);

// `text` as roff shows it letter for letter on a text line: backslashes and
// hyphens escaped, a leading control character neutralised.
std::string RoffText(std::string_view text);

// The first code block under the heading "## Example session" of a Markdown
// document, without its fences; empty when there is none.
std::string ExampleSession(std::string_view markdown);

}  // namespace orlindel::cli
