// The editor's start on a firmware file, as a user meets it: from the moment
// the program is started with FILE until the preview has painted its first
// frame of that file. Each run starts the editor afresh in a child process
// (this program again, with --child, which runs the editor program as its
// main() does), offscreen, so that loading the libraries, Qt's start, the windows,
// the open and the first paint all count. At that paint the child reads the
// system-wide monotonic clock, which the parent read before starting it, and
// its own CPU time (all its threads, from its start): on a shared machine the
// CPU time is the time the work itself takes, the wall time also holds the
// waits for a busy processor.
//
// Prints one line, the times in ms:
//   first_frame <image KiB> <median CPU> <fastest CPU> <slowest CPU>
//               <median wall> <runs>
// Usage: orlindel_first_frame FILE [RUNS]
//        orlindel_first_frame --child FILE   (one run; prints both clocks)
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_program.h"
#include "editor/main_window.h"
#include "editor/preview_widget.h"

extern char** environ;

namespace orlindel::bench {
namespace {

int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Clocks {
  int64_t monotonic_ns = 0;
  double cpu_ms = 0;
};

// Watches the preview once the firmware is open: the first paint of it that
// is done ends the event loop, and its clocks are kept. The paint is
// delivered from inside the filter, so the clocks are read after it.
class FirstFrameWatch : public QObject {
 public:
  std::optional<Clocks> PaintedAt() const { return painted_at_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    watched->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    painted_at_ =
        Clocks{MonotonicNanoseconds(),
               1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC};
    QApplication::exit(0);
    return true;
  }

 private:
  std::optional<Clocks> painted_at_;
};

int RunChild(char* program, char* file) {
  FirstFrameWatch watch;
  editor::ProgramSeams seams;
  seams.started = [&watch](editor::TfrmMain& main_window) {
    if (main_window.Document().image().empty()) {
      QApplication::exit(1);  // the file did not open
      return;
    }
    for (editor::PreviewWidget* preview :
         main_window.findChildren<editor::PreviewWidget*>())
      preview->installEventFilter(&watch);
  };
  // The editor's own command line: the program and the file.
  char* editor_argv[] = {program, file, nullptr};
  int editor_argc = 2;
  if (editor::RunEditorProgram(editor_argc, editor_argv, seams) != 0 ||
      !watch.PaintedAt())
    return 1;
  std::printf("%lld %.3f\n",
              static_cast<long long>(watch.PaintedAt()->monotonic_ns),
              watch.PaintedAt()->cpu_ms);
  return 0;
}

// One run: the child's CPU time and the wall time from its start to its
// first frame, or none when the child failed.
std::optional<Clocks> TimeOneStart(const char* self, const char* file) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  // Qt's notes on the offscreen platform are not the benchmark's output.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  std::string self_arg = self, child_arg = "--child", file_arg = file;
  char* const child_argv[] = {self_arg.data(), child_arg.data(),
                              file_arg.data(), nullptr};
  const int64_t started = MonotonicNanoseconds();
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, self, &actions, nullptr, child_argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[64];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  close(out[0]);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0 || text.empty())
    return std::nullopt;
  long long painted_ns = 0;
  double cpu_ms = 0;
  if (std::sscanf(text.c_str(), "%lld %lf", &painted_ns, &cpu_ms) != 2)
    return std::nullopt;
  return Clocks{painted_ns - started, cpu_ms};
}

int RunParent(const char* self, const char* file, int runs) {
  struct stat info {};
  if (stat(file, &info) != 0) {
    std::fprintf(stderr, "cannot read %s\n", file);
    return 1;
  }
  // The children keep their settings and journals in a folder of their own,
  // so the user's recent files stay as they were; they draw offscreen.
  char home[] = "/tmp/orlindel_first_frame_XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  setenv("XDG_CONFIG_HOME", home, 1);
  setenv("XDG_DATA_HOME", home, 1);
  setenv("XDG_RUNTIME_DIR", home, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::vector<double> cpu_ms, wall_ms;
  // One start first, not counted: it warms the page cache and the font cache.
  bool painted = TimeOneStart(self, file).has_value();
  for (int run = 0; painted && run < runs; ++run) {
    const std::optional<Clocks> clocks = TimeOneStart(self, file);
    painted = clocks.has_value();
    if (!painted) break;
    cpu_ms.push_back(clocks->cpu_ms);
    wall_ms.push_back(static_cast<double>(clocks->monotonic_ns) / 1e6);
  }
  std::filesystem::remove_all(home);
  if (!painted) {
    std::fprintf(stderr, "the editor did not paint %s\n", file);
    return 1;
  }
  std::sort(cpu_ms.begin(), cpu_ms.end());
  std::sort(wall_ms.begin(), wall_ms.end());
  std::printf("first_frame %lld %.1f %.1f %.1f %.1f %d\n",
              static_cast<long long>(info.st_size / 1024),
              cpu_ms[cpu_ms.size() / 2], cpu_ms.front(), cpu_ms.back(),
              wall_ms[wall_ms.size() / 2], runs);
  return 0;
}

}  // namespace
}  // namespace orlindel::bench

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--child")
    return orlindel::bench::RunChild(argv[0], argv[2]);
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc == 3 ? std::atoi(argv[2]) : 11;
  if (runs < 1) {
    std::fprintf(stderr, "RUNS must be at least 1\n");
    return 2;
  }
  return orlindel::bench::RunParent("/proc/self/exe", argv[1], runs);
}
