#include "cli/process_setup.h"

#include <csignal>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "core/io/safe_write.h"

namespace orlindel::cli {

void PrepareProcess() {
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
  // Images pass through the standard streams byte for byte.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  // The C++ streams buffer on their own; a failed write shows in their state.
  std::ios::sync_with_stdio(false);
  io::InstallSaveCleanupOnSignals();
}

}  // namespace orlindel::cli
