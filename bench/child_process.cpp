#include "bench/child_process.h"

#include <linux/perf_event.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace orlindel::bench {

namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// A task-clock counter on `child` that starts when it execs; -1 when the
// kernel refuses one.
int CountFromExec(pid_t child) {
  perf_event_attr attr{};
  attr.type = PERF_TYPE_SOFTWARE;
  attr.size = sizeof attr;
  attr.config = PERF_COUNT_SW_TASK_CLOCK;
  attr.disabled = 1;
  attr.enable_on_exec = 1;
  attr.inherit = 1;
  return static_cast<int>(syscall(SYS_perf_event_open, &attr, child, -1, -1,
                                  PERF_FLAG_FD_CLOEXEC));
}

std::optional<double> CountedSeconds(int counter) {
  std::uint64_t nanoseconds = 0;
  if (counter < 0 ||
      read(counter, &nanoseconds, sizeof nanoseconds) != sizeof nanoseconds)
    return std::nullopt;
  return static_cast<double>(nanoseconds) / 1e9;
}

}  // namespace

std::optional<ChildUsage> RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // The child waits at `go` until its counter is set up.
  int go[2];
  if (pipe(go) != 0) return std::nullopt;
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) {
    close(go[0]);
    close(go[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(go[1]);
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(127);
    close(go[0]);
    std::freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(go[0]);
  const int counter = CountFromExec(child);
  const bool started = write(go[1], "g", 1) == 1;
  close(go[1]);
  int status = 0;
  rusage usage{};
  const bool waited = wait4(child, &status, 0, &usage) == child;
  const std::optional<double> program_seconds = CountedSeconds(counter);
  if (counter >= 0) close(counter);
  if (!started || !waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return ChildUsage{usage.ru_maxrss,
                    Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
                    program_seconds};
}

long ChildPeakKib(const std::vector<std::string>& args) {
  const std::optional<ChildUsage> usage = RunChild(args);
  return usage ? usage->peak_kib : -1;
}

}  // namespace orlindel::bench
