// What a command needs to report: the two streams, the output form, and the
// analysis log that an error report carries along.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "cli/arguments.h"
#include "core/text.h"

namespace orlindel::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitNegative = 1,
  kExitUsage = 2,
  kExitFile = 3,
  kExitRunTime = 4,
};

struct CommandContext {
  std::ostream& out;
  std::ostream& err;
  bool json = false;
  // Lines the command's analysis wrote; reported with an error when
  // `report_log` is set.
  AnalysisLog log;
  bool report_log = false;
};

// A command's body; it may throw the core's run-time errors and UsageError.
using CommandFunction = int (*)(const CommandLine&, CommandContext&);

// The single FILE argument of a command; UsageError when missing or doubled.
const std::string& FileArgument(const CommandLine& line);

// The two file arguments of a command that compares or patches; UsageError
// naming `expected` (e.g. "A and B") when there are not exactly two.
std::pair<std::string, std::string> TwoFileArguments(const CommandLine& line,
                                                     std::string_view expected);

}  // namespace orlindel::cli
