// The peak resident memory of a program run as a child process.
#pragma once

#include <string>
#include <vector>

namespace orlindel::bench {

// Runs `args` (the program first) with standard output discarded; the
// child's peak resident set in KiB, or -1 when it could not run or failed.
// A forked child's peak counts the pages of the process it was forked from:
// the caller should hold no large buffers.
long ChildPeakKib(const std::vector<std::string>& args);

}  // namespace orlindel::bench
