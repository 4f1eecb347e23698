// The `apply-ips` command: an IPS patch applied to an image.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `apply-ips A PATCH -o B [--json]`: applies the IPS patch to image A and
// writes the result to B byte for byte (the checksum is not fixed; whether it
// holds is reported). A patch that is malformed or reaches past the end of A
// is refused (exit 1, error kind "patch") and nothing is written. JSON:
//   {"records":3,"length":1048576,"checksumValid":true}
int RunApplyIps(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
