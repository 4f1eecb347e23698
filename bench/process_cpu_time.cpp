// Runs a program RUNS times, one child process after another, and prints
// the CPU time (user and system) the children spent in total, in seconds,
// counted two ways: from the end of each exec to the exit, as `perf stat`
// counts a program ("-" when the kernel refuses the counter), and from each
// fork to the exit, the process's whole cost.
// Usage: orlindel_process_cpu_time RUNS PROGRAM [ARGUMENT...]
// PROGRAM is a path; its standard output is discarded.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/child_process.h"

int main(int argc, char** argv) {
  int runs = 0;
  if (argc < 3 ||
      std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), runs).ec !=
          std::errc() ||
      runs <= 0) {
    std::fprintf(stderr,
                 "usage: orlindel_process_cpu_time RUNS PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  double program_seconds = 0;
  bool counted = true;
  double process_seconds = 0;
  for (int run = 0; run < runs; ++run) {
    const std::optional<orlindel::bench::ChildUsage> usage =
        orlindel::bench::RunChild(args);
    if (!usage) {
      std::fprintf(stderr, "%s could not run or failed\n", argv[2]);
      return 1;
    }
    counted = counted && usage->program_seconds.has_value();
    program_seconds += usage->program_seconds.value_or(0);
    process_seconds += usage->cpu_seconds;
  }
  if (counted)
    std::printf("%.6f %.6f\n", program_seconds, process_seconds);
  else
    std::printf("- %.6f\n", process_seconds);
  return 0;
}
