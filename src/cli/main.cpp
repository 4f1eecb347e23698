// orlindel-cli's process: the standard streams set up for binary images and
// checked writes, then the command.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/commands.h"
#include "core/io/safe_write.h"
#include "core/io/terminal.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader that went away shows as a failed write (exit 3), not a signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
  // Images pass through the standard streams byte for byte.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // The C++ streams buffer on their own; a failed write shows in their state.
  std::ios::sync_with_stdio(false);
  // A save cut short by Ctrl+C or a kill leaves no temporary file behind.
  orlindel::io::InstallSaveCleanupOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return orlindel::cli::Run(args, std::cin, std::cout, std::cerr,
                            orlindel::io::StandardOutputIsTerminal());
}
