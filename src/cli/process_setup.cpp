#include "cli/process_setup.h"

#include <csignal>
#include <iostream>

#include "core/io/safe_write.h"
#include "core/io/standard_streams.h"

namespace orlindel::cli {

void PrepareProcess() {
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
  // Images pass through the standard streams byte for byte.
  io::PrepareStandardStreams();
  // The C++ streams buffer on their own; a failed write shows in their state.
  std::ios::sync_with_stdio(false);
  io::InstallSaveCleanupOnSignals();
}

}  // namespace orlindel::cli
