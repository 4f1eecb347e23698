// The `subtitle` command: the MPEG-4 subtitle parameters read.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `subtitle FILE [--log] [--json]`: reads the subtitle parameters as the
// editor's subtitle page does, optionally with the analysis log.
int RunSubtitle(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
