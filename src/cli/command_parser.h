// The commands orlindel-cli knows, as declarations, and the parsing of a
// command line against them (help and version included).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/command_context.h"

namespace orlindel::cli {

// The command table is constant data: texts are string views of literals and
// a command's files and options are spans over constant arrays, so the
// compiler lays the whole table out and a start builds nothing on the heap.

// One option of a command. The first of `names` ("-o" of "-o,--output") is
// the name the command looks the option up by.
struct OptionSpec {
  std::string_view names;
  // "N", "OFF", "OUT"; empty for a flag.
  std::string_view value_name;
  std::string_view description;
  bool required = false;
};

// A FILE argument of a command, in the order given.
struct FileSpec {
  std::string_view name;
  std::string_view description;
};

struct CommandSpec {
  std::string_view name;
  std::string_view description;
  std::span<const FileSpec> files;
  std::span<const OptionSpec> options;
  CommandFunction run = nullptr;
  // The file that `-o` may name, so the command edits it in place; -1 when
  // the output must be a file of its own.
  int in_place_file = -1;
};

// The outcome of parsing: a command to run with its arguments, or a text
// (help or version) to print on standard output before exiting with 0.
struct ParsedArguments {
  const CommandSpec* command = nullptr;
  CommandLine line;
  std::string text;
};

// Parses `args` (without the program name): a command, then its files and
// options in any order; `--opt=value` and `--opt value` alike; `--` ends the
// options. UsageError naming the problem.
ParsedArguments ParseArguments(std::span<const CommandSpec> commands,
                               std::span<const std::string> args);

// The options of the program itself and the help option of every command.
extern const OptionSpec kHelpOption;
extern const OptionSpec kVersionOption;
extern const OptionSpec kCommandHelpOption;

// The program's one-line description and the exit status summary shown in
// its help.
extern const char kProgramDescription[];
extern const char kExitStatusSummary[];

}  // namespace orlindel::cli
