// The `bps` and `apply-bps` commands: BPS patches, which carry the CRC32 of
// the file they were made from and refuse any other.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `bps A B -o PATCH [--json]`: writes the BPS patch that turns image A into
// image B (of any lengths up to 64 MiB). JSON:
//   {"patchLength":120,"sourceCrc":"1A2B3C4D","targetCrc":"5E6F7A8B"}
int RunBps(const CommandLine& line, CommandContext& context);

// `apply-bps A PATCH -o B [--json]`: builds the patch's target from image A
// and writes it to B byte for byte (the patch's target CRC32 vouches for
// every byte, so the checksum is not fixed; whether it holds is reported). A
// patch made from another file (the message names both CRC32s), damaged or
// truncated is refused (exit 1, error kind "patch") and nothing is written.
// JSON:
//   {"length":1048576,"checksumValid":true}
int RunApplyBps(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
