// The `set-subtitle` command: new MPEG-4 subtitle parameters written.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `set-subtitle FILE -o OUT --window N --x1 N --y1 N --x2 N --y2 N --align N
// --flags N --line-space N [--log] [--json]`: patches the subtitle
// parameters and writes the image, with a fresh checksum, to OUT. Nothing is
// written when the update is refused or fails (exit 1).
int RunSetSubtitle(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
