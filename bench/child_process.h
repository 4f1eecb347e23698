// Programs run as child processes, and what they used.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orlindel::bench {

struct ChildUsage {
  // The child's peak resident set in KiB.
  long peak_kib = 0;
  // The CPU time it spent, user and system, from its fork to its exit.
  double cpu_seconds = 0;
  // The CPU time from the end of its exec to its exit, as `perf stat` counts
  // a program's task clock; nothing when the kernel refused to count it.
  std::optional<double> program_seconds;
};

// Runs `args` (the program first) with standard output discarded; what the
// child used, or nothing when it could not run or failed. A forked child's
// peak counts the pages of the process it was forked from: the caller should
// hold no large buffers.
std::optional<ChildUsage> RunChild(const std::vector<std::string>& args);

// RunChild's peak resident set in KiB, or -1 when the child could not run or
// failed.
long ChildPeakKib(const std::vector<std::string>& args);

}  // namespace orlindel::bench
