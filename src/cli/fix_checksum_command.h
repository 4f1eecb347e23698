// The `fix-checksum` command: the image checksum stored afresh.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `fix-checksum FILE -o OUT [--json]`: stores the image checksum in the last
// whole word and writes the image to OUT. An image under 8 bytes has no word
// before its checksum word, so its checksum cannot be made valid: refused
// (exit 4, error kind "range") and nothing is written. JSON:
//   {"checksumOffset":8,"checksum":1076895761}
int RunFixChecksum(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
