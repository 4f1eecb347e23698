// orlindel-cli's entry: dispatches a command line to its command and turns
// errors into exit codes, as a function that tests call without a process.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <span>
#include <string>

#include "cli/command_context.h"
#include "cli/command_parser.h"

namespace orlindel::cli {

// Every command the program knows, in the order its help lists them; the
// manual page is written from the same table.
std::span<const CommandSpec> Commands();

// `args` excludes the program name; `in` is read for a FILE named "-", and
// `out` takes the report, or the image for `-o -`. Returns the exit code;
// exit 3 when `out` fails to take what was written. When `out` is a terminal,
// `-o -` is refused unless --force is given.
int Run(std::span<const std::string> args, std::istream& in, std::ostream& out,
        std::ostream& err, bool out_is_terminal = false);
// The same for a program that knows only `commands`.
int Run(std::span<const CommandSpec> commands,
        std::span<const std::string> args, std::istream& in, std::ostream& out,
        std::ostream& err, bool out_is_terminal = false);
// The same with standard input as `in`.
int Run(std::span<const std::string> args, std::ostream& out,
        std::ostream& err);

// The render command's name, files and options, run by `run`: orlindel-cli
// hands it to the program that draws, which runs it with the same table
// entry.
CommandSpec RenderCommand(CommandFunction run);

// Runs `body` and turns what it throws into the exit code and error report,
// decided by the error's ErrorKind alone: file 3, range, overflow and memory
// 4 (std::bad_alloc as memory), patch and layout 1 (a refusal), usage 2,
// output 3. With --json the report goes to context.out as a JSON object; the
// message goes to context.err unless context.out is that same stream.
int RunReportingErrors(CommandContext& context,
                       const std::function<int()>& body);

}  // namespace orlindel::cli
