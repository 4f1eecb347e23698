// orlindel-cli as its own process and against special outputs: stopped by a
// signal in the middle of writing a large image (the temporary file beside
// the output must go), writing into a pipe nobody reads, into a FIFO.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/firmware_image.h"
#include "core/io/safe_write.h"
#include "tests/cli/cli_test_helpers.h"

extern char** environ;

namespace orlindel::cli {
namespace {

namespace fs = std::filesystem;

// The names in `dir` that are temporary files of a save.
std::vector<std::string> TemporaryFiles(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(io::kTemporaryPrefix, 0) == 0) names.push_back(name);
  }
  return names;
}

// Starts orlindel-cli with standard output on `out` (-1: /dev/null) and
// standard error on /dev/null or the file `err`.
pid_t StartCli(const std::vector<std::string>& args, int out = -1,
               const std::string& err = "/dev/null") {
  std::vector<char*> argv;
  std::string program = ORLINDEL_CLI_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out >= 0)
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int error =
      posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(error, 0);
  return pid;
}

class SaveSignalTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orlindel_save_signal_" + std::to_string(getpid()) + "_" +
            std::to_string(GetParam()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // SIGQUIT would leave a core file of the large image.
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    // The largest image there may be: its save takes long enough to be
    // caught while the temporary file exists.
    std::ofstream(dir_ / "in.bin", std::ios::binary)
        .write(std::string(static_cast<size_t>(kMaxImageSize), '\x5a').data(),
               kMaxImageSize);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

// A signal that arrives while the temporary file exists ends the process as
// the signal asks, and no temporary file is left. Each try is bounded; a
// save that finished before it could be caught is tried again.
TEST_P(SaveSignalTest, StoppedSaveLeavesNoTemporaryFile) {
  const int signal_number = GetParam();
  int caught = 0;
  for (int attempt = 0; attempt < 5 && caught == 0; ++attempt) {
    fs::remove(dir_ / "out.bin");
    const pid_t pid = StartCli({"fix-checksum", (dir_ / "in.bin").string(),
                                "-o", (dir_ / "out.bin").string()});
    ASSERT_GT(pid, 0);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    bool ended = false;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!TemporaryFiles(dir_).empty()) {
        kill(pid, signal_number);
        break;
      }
      if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!ended) {
      if (std::chrono::steady_clock::now() >= deadline) kill(pid, SIGKILL);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    EXPECT_TRUE(TemporaryFiles(dir_).empty()) << "attempt " << attempt;
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), signal_number);
      ++caught;
    }
  }
  EXPECT_EQ(caught, 1) << "no save was caught while writing";
}

INSTANTIATE_TEST_SUITE_P(Signals, SaveSignalTest,
                         ::testing::Values(SIGTERM, SIGINT, SIGQUIT, SIGHUP,
                                           SIGALRM, SIGUSR1));

// Under a file-size limit (`ulimit -f`) the save fails with a message and
// exit 3, instead of dying of SIGXFSZ with its temporary file left behind.
TEST(FileSizeLimitTest, ASaveOverTheLimitIsFileTooLarge) {
  const fs::path dir = fs::temp_directory_path() /
                       ("orlindel_file_size_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "in.bin", std::ios::binary)
      .write(std::string(size_t{2} << 20, '\x5a').data(), 2 << 20);
  const std::string err = (dir / "err.txt").string();
  std::string program = ORLINDEL_CLI_PATH;
  std::string command = "fix-checksum";
  std::string in = (dir / "in.bin").string();
  std::string option = "-o";
  std::string out = (dir / "out.bin").string();
  char* argv[] = {program.data(), command.data(), in.data(),
                  option.data(),  out.data(),     nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit one_mib{1 << 20, 1 << 20};
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (setrlimit(RLIMIT_FSIZE, &one_mib) != 0 || err_fd < 0 ||
        dup2(err_fd, STDERR_FILENO) < 0)
      _exit(99);
    execv(argv[0], argv);
    _exit(98);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  std::ifstream said(err);
  const std::string text((std::istreambuf_iterator<char>(said)), {});
  const std::string start = "orlindel-cli: Cannot create file \"" +
                            (dir / io::kTemporaryPrefix).string();
  EXPECT_EQ(text.substr(0, start.size()), start) << text;
  EXPECT_TRUE(text.ends_with("\". File too large\n")) << text;
  EXPECT_TRUE(TemporaryFiles(dir).empty());
  EXPECT_FALSE(fs::exists(out));
  fs::remove_all(dir);
}

// The 16-byte image 00 01 .. 0F, and the same with its checksum word (the
// XOR of the three words before it) fixed: 0C 0D 0E 0F.
const FirmwareImage kSmall{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                           0x08, 0x09, 0x0A, 0x0B, 0xFF, 0xFF, 0xFF, 0xFF};
const FirmwareImage kSmallFixed{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

// A reader that went away before the image was written: exit 3 and one
// message, not a death by SIGPIPE nor a false success.
TEST(ClosedPipeTest, WritingToAPipeNobodyReadsIsExitThree) {
  testing::TempPath in("in.bin"), err("err.txt");
  testing::WriteBytes(in, kSmall);
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  close(ends[0]);
  const pid_t pid =
      StartCli({"fix-checksum", in.str(), "-o", "-"}, ends[1], err.str());
  close(ends[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  std::ifstream message(err.str());
  std::string line;
  std::getline(message, line);
  EXPECT_EQ(line, "orlindel-cli: Cannot write to standard output");
}

// A FIFO as the output: without a reader an error at once, never a wait;
// with one, the reader gets the image itself.
TEST(FifoOutputTest, AFifoIsWrittenOnlyWhenSomeoneReads) {
  testing::TempPath in("in.bin"), fifo("out.fifo");
  testing::WriteBytes(in, kSmall);
  ASSERT_EQ(mkfifo(fifo.str().c_str(), 0600), 0);

  const testing::CliResult alone =
      testing::RunCli({"fix-checksum", in.str(), "-o", fifo.str()});
  EXPECT_EQ(alone.exit_code, 3);
  EXPECT_EQ(alone.err, "orlindel-cli: Cannot create file \"" + fifo.str() +
                           "\". No such device or address\n");

  const int reader = open(fifo.str().c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::atomic<bool> done{false};
  testing::CliResult written;
  std::thread writer([&] {
    written = testing::RunCli({"fix-checksum", in.str(), "-o", fifo.str()});
    done = true;
  });
  FirmwareImage got;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    const bool finished = done;  // before the read: all it wrote is there
    uint8_t buffer[64];
    const ssize_t count = read(reader, buffer, sizeof buffer);
    if (count > 0) {
      got.insert(got.end(), buffer, buffer + count);
      continue;
    }
    if ((count == 0 || errno == EAGAIN) && finished) break;
    if (std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  writer.join();
  close(reader);
  EXPECT_EQ(written.exit_code, 0) << written.err;
  EXPECT_EQ(got, kSmallFixed);
}

// Runs orlindel-cli with standard output on a pseudo-terminal; returns its
// exit code, and in `shown` what reached the terminal.
int RunOnTerminal(const std::vector<std::string>& args, const std::string& err,
                  std::string& shown) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  EXPECT_GE(terminal, 0);
  EXPECT_EQ(grantpt(terminal), 0);
  EXPECT_EQ(unlockpt(terminal), 0);
  const int screen = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  EXPECT_GE(screen, 0);
  termios raw{};
  tcgetattr(screen, &raw);
  cfmakeraw(&raw);  // the bytes as written, no line discipline
  tcsetattr(screen, TCSANOW, &raw);
  const pid_t pid = StartCli(args, screen, err);
  close(screen);
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  pollfd ready{terminal, POLLIN, 0};
  char buffer[256];
  while (poll(&ready, 1, 100) > 0 && (ready.revents & POLLIN) != 0) {
    const ssize_t count = read(terminal, buffer, sizeof buffer);
    if (count <= 0) break;
    shown.append(buffer, static_cast<size_t>(count));
  }
  close(terminal);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An image is not poured onto a terminal unless --force asks for it; a
// report (not an image) goes there as always.
TEST(TerminalOutputTest, AnImageGoesToATerminalOnlyWithForce) {
  testing::TempPath in("in.bin"), err("err.txt");
  testing::WriteBytes(in, kSmall);
  std::string shown;
  EXPECT_EQ(
      RunOnTerminal({"fix-checksum", in.str(), "-o", "-"}, err.str(), shown),
      2);
  EXPECT_EQ(shown, "");
  std::ifstream message(err.str());
  std::string line;
  std::getline(message, line);
  EXPECT_EQ(line,
            "orlindel-cli: standard output is a terminal; redirect it to a "
            "file or a pipe, or give --force to write the fix-checksum output "
            "there anyway");

  EXPECT_EQ(RunOnTerminal({"fix-checksum", in.str(), "-o", "-", "--force"},
                          err.str(), shown),
            0);
  EXPECT_EQ(shown, std::string(kSmallFixed.begin(), kSmallFixed.end()));

  shown.clear();
  EXPECT_EQ(RunOnTerminal({"info", in.str(), "--json"}, err.str(), shown), 0);
  EXPECT_TRUE(shown.starts_with("{\"length\":16")) << shown;
}

// Two 16 MiB images that differ in every other byte: 8 388 608 one-byte
// runs, all listed through a pipe, the summary last.
TEST(LargeDiffTest, AMillionRunDiffIsStreamed) {
  testing::TempPath a("a.bin"), b("b.bin");
  constexpr size_t kSize = size_t{16} << 20;
  FirmwareImage image(kSize, 0x00);
  testing::WriteBytes(a, image);
  for (size_t k = 1; k < kSize; k += 2) image[k] = 0x01;
  testing::WriteBytes(b, image);
  image = {};

  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  const pid_t pid = StartCli({"diff", a.str(), b.str()}, ends[1]);
  close(ends[1]);
  size_t lines = 0;
  std::string tail;
  char buffer[1 << 16];
  ssize_t count;
  while ((count = read(ends[0], buffer, sizeof buffer)) > 0) {
    lines += static_cast<size_t>(std::count(buffer, buffer + count, '\n'));
    tail.append(buffer, static_cast<size_t>(count));
    if (tail.size() > 4096) tail.erase(0, tail.size() - 256);
  }
  close(ends[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // the images differ
  EXPECT_EQ(lines, 8388608u + 1u);
  const std::string summary =
      "changed ranges: 8388608, changed bytes: 8388608\n";
  ASSERT_GE(tail.size(), summary.size());
  EXPECT_EQ(tail.substr(tail.size() - summary.size()), summary);
  EXPECT_NE(tail.find("0xFFFFFF  len 1  00 -> 01"), std::string::npos);
}

}  // namespace
}  // namespace orlindel::cli
