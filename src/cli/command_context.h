// What a command needs to report: the standard streams, the output form, and
// the analysis log that an error report carries along.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "core/errors.h"
#include "core/text.h"

namespace orlindel::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitNegative = 1,
  kExitUsage = 2,
  kExitFile = 3,
  kExitRunTime = 4,
};

// Standard output could not take what was written (a full disk, a closed
// pipe); the text is the message shown on standard error.
class OutputError : public OrlindelError {
 public:
  OutputError()
      : OrlindelError(ErrorKind::kOutput, "Cannot write to standard output") {}
};

// A value outside what the command can handle, found by the command itself
// (exit 4, error kind "range"); the text says why.
class CommandRangeError : public OrlindelError {
 public:
  explicit CommandRangeError(const std::string& message)
      : OrlindelError(ErrorKind::kRange, message) {}
};

struct CommandContext {
  // Read for a FILE named "-".
  std::istream& in;
  // The report: standard output, or standard error while the image itself
  // goes to standard output (`-o -`).
  std::ostream& out;
  std::ostream& err;
  // Standard output, where `-o -` writes the image.
  std::ostream& data;
  bool json = false;
  // Lines the command's analysis wrote; reported with an error when
  // `report_log` is set.
  AnalysisLog log;
  bool report_log = false;
  // The command whose --help a usage error points at; empty: the program's.
  std::string help_topic;
  // The command line; a name from it with control characters is shown
  // quoted in error messages.
  std::vector<std::string> arguments;
};

// A command's body; it may throw the core's run-time errors, UsageError and
// OutputError.
using CommandFunction = int (*)(const CommandLine&, CommandContext&);

// The single FILE argument of a command; UsageError when missing or doubled.
const std::string& FileArgument(const CommandLine& line);

// The two file arguments of a command that compares or patches; UsageError
// naming `expected` (e.g. "A and B") when there are not exactly two.
std::pair<std::string, std::string> TwoFileArguments(const CommandLine& line,
                                                     std::string_view expected);

}  // namespace orlindel::cli
