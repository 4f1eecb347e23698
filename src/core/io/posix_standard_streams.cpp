#include "core/io/standard_streams.h"

#include <unistd.h>

namespace orlindel::io {

// POSIX systems hand the arguments over as the bytes they were typed in.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// Streams are binary and terminals take UTF-8 as it comes.
void PrepareStandardStreams() {}

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

}  // namespace orlindel::io
