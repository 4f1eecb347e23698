// What a command-line process sets up before it runs a command.
#pragma once

namespace orlindel::cli {

// The standard streams binary and checked (a reader that went away shows as
// a failed write, exit 3, not a signal), and a save cut short by Ctrl+C or a
// kill leaves no temporary file behind.
void PrepareProcess();

}  // namespace orlindel::cli
