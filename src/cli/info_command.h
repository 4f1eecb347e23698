// The `info` command: what opening the image in the editor finds.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `info FILE [--json]`: the image's header length, checksum state, window
// list and OSD message position list, found as the editor finds them.
int RunInfo(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
