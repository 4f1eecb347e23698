// The `set-window` command: fields of one window's record written.
#pragma once

#include "cli/command_context.h"

namespace orlindel::cli {

// `set-window FILE -o OUT --id N [--left N] [--top N] [--right N]
// [--bottom N] [--pal-dy N] [--blend N] [--json]`: writes the named fields of
// window N's record, fixes the checksum, saves the image to OUT and shows the
// window as it now stands.
int RunSetWindow(const CommandLine& line, CommandContext& context);

}  // namespace orlindel::cli
