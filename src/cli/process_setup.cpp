#include "cli/process_setup.h"

#include "core/io/safe_write.h"
#include "core/io/standard_streams.h"

namespace orlindel::cli {

void PrepareProcess() {
  // Images pass through the standard streams byte for byte.
  io::PrepareStandardStreams();
  // Also ignores SIGPIPE, so that a reader that went away shows as a failed
  // write.
  io::InstallSaveCleanupOnSignals();
}

}  // namespace orlindel::cli
