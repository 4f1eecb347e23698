// The `ips` command: the IPS patch between two images.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `ips A B -o PATCH [--json]`: writes the IPS patch that turns image A into
// image B. Images of different lengths, or a change above the 16 MiB an IPS
// record can reach, are refused (exit 1, error kind "patch") and nothing is
// written. JSON:
//   {"records":3,"patchLength":40}
int RunIps(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
