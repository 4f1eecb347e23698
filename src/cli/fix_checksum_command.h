#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `fix-checksum FILE -o OUT [--json]`: stores the image checksum in the last
// whole word and writes the image to OUT.
int RunFixChecksum(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
