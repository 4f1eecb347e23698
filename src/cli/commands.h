// orlindel-cli's entry: dispatches a command line to its command and turns
// errors into exit codes, as a function that tests call without a process.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace orlindel::cli {

// `args` excludes the program name. Returns the exit code.
int Run(std::span<const std::string> args, std::ostream& out,
        std::ostream& err);

}  // namespace orlindel::cli
