#include "cli/process_setup.h"

#include <csignal>

#include "core/io/safe_write.h"
#include "core/io/standard_streams.h"

namespace orlindel::cli {

void PrepareProcess() {
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
  // Images pass through the standard streams byte for byte.
  io::PrepareStandardStreams();
  io::InstallSaveCleanupOnSignals();
}

}  // namespace orlindel::cli
