// The `trace` command: the 8051 tracer run from one offset.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `trace FILE --start OFF [--stop OFF] [--depth N] [--json]`: resets the trace
// model, traces the code at OFF and shows the listing, the result and the
// model the code left.
int RunTrace(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
