// Saves by separate processes: racing each other over one file, and killed
// at random moments. The file must always be one whole image.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/core/worker_images.h"
#include "tests/support/test_folder.h"

extern char** environ;

namespace orlindel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::IdentifyWorkerImage;
using testing::WorkerImage;

struct Worker {
  pid_t pid = -1;
  int output = -1;  // read end of its standard output, or -1
};

// Starts the save worker; its standard output comes back through a pipe
// when `capture`, else goes nowhere.
Worker StartWorker(const std::string& out, int writer, size_t size, int rounds,
                   bool capture) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int ends[2] = {-1, -1};
  if (capture) {
    EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  }
  const std::string writer_text = std::to_string(writer);
  const std::string size_text = std::to_string(size);
  const std::string rounds_text = std::to_string(rounds);
  const char* argv[] = {ORLINDEL_SAVE_WORKER, out.c_str(),
                        writer_text.c_str(),  size_text.c_str(),
                        rounds_text.c_str(),  nullptr};
  Worker worker;
  EXPECT_EQ(posix_spawn(&worker.pid, ORLINDEL_SAVE_WORKER, &actions, nullptr,
                        const_cast<char**>(argv), environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  if (capture) {
    close(ends[1]);
    worker.output = ends[0];
  }
  return worker;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

int WaitFor(const Worker& worker) {
  int status = 0;
  EXPECT_EQ(waitpid(worker.pid, &status, 0), worker.pid);
  return status;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  Bytes bytes(static_cast<size_t>(std::max<std::streamoff>(file.tellg(), 0)));
  file.seekg(0);
  file.read(reinterpret_cast<char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (file.gcount() != static_cast<std::streamsize>(bytes.size())) return {};
  return bytes;
}

class SaveProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override { out_ = (dir_ / "out.bin").string(); }

  // The names in the folder other than out.bin.
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename() != "out.bin")
        names.push_back(entry.path().filename().string());
    return names;
  }

  orlindel::testing::TestFolder folder_{"orlindel_save_processes_"};
  const fs::path dir_ = folder_.path();
  std::string out_;
};

// Two processes save 200 different images each to one file. Whenever it is
// read, the file is one whole image that its writer reported saved, and at
// the end it is the last image of one of them.
TEST_F(SaveProcessesTest, TwoWritersNeverMixTheirImages) {
  constexpr size_t kSize = 1024 * 1024;
  constexpr int kRounds = 200;
  const Worker workers[] = {StartWorker(out_, 1, kSize, kRounds, true),
                            StartWorker(out_, 2, kSize, kRounds, true)};
  std::string reports[2];
  std::atomic<int> finished{0};
  std::thread readers[2];
  for (int w = 0; w < 2; ++w)
    readers[w] = std::thread([&, w] {
      reports[w] = ReadAll(workers[w].output);
      ++finished;
    });

  std::set<std::pair<int, int>> seen;
  int torn = 0;
  for (;;) {
    const bool running = finished < 2;
    if (std::error_code error; fs::exists(out_, error)) {
      const auto image = IdentifyWorkerImage(ReadFile(out_), kSize);
      if (image) {
        seen.insert(*image);
      } else {
        ++torn;
      }
    }
    if (!running) break;
  }
  for (auto& reader : readers) reader.join();
  for (const Worker& worker : workers) {
    const int status = WaitFor(worker);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(torn, 0);

  // Each reported every save, in order, as saved.
  std::string expected;
  for (int round = 0; round < kRounds; ++round)
    expected += "ok " + std::to_string(round) + "\n";
  EXPECT_EQ(reports[0], expected);
  EXPECT_EQ(reports[1], expected);
  for (const auto& [writer, round] : seen) {
    EXPECT_TRUE(writer == 1 || writer == 2) << writer;
    EXPECT_LT(round, kRounds);
  }
  const auto last = IdentifyWorkerImage(ReadFile(out_), kSize);
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->second, kRounds - 1);
  EXPECT_TRUE(Strays().empty());
}

// A save killed at any moment leaves the file as the last whole image: the
// one before, or the new one. SIGKILL cannot be caught, so the temporary
// file of the save it cut short may stay; it never takes the file's place.
// SIGTERM and SIGINT end the save with its temporary file removed.
TEST_F(SaveProcessesTest, KilledSavesLeaveTheFileWhole) {
  constexpr size_t kSize = 3 * 1024 * 1024;
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> delay_us(0, 40000);
  const struct {
    int signal_number;
    int rounds;
  } rows[] = {{SIGKILL, 100}, {SIGTERM, 25}, {SIGINT, 25},
              {SIGQUIT, 10},  {SIGHUP, 10},  {SIGUSR2, 10}};
  // SIGQUIT would leave a core file each time.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  {
    const Bytes first = WorkerImage(9, 0, kSize);
    std::ofstream(out_, std::ios::binary)
        .write(reinterpret_cast<const char*>(first.data()),
               static_cast<std::streamsize>(first.size()));
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(strsignal(row.signal_number));
    int strays = 0;
    for (int round = 0; round < row.rounds; ++round) {
      const Worker worker = StartWorker(out_, round % 2, kSize, 0, false);
      std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
      kill(worker.pid, row.signal_number);
      const int status = WaitFor(worker);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal_number);
      EXPECT_TRUE(IdentifyWorkerImage(ReadFile(out_), kSize).has_value())
          << "round " << round;
      for (const std::string& name : Strays()) {
        EXPECT_EQ(name.substr(0, 10), ".orlindel.");
        fs::remove(dir_ / name);
        ++strays;
      }
    }
    if (row.signal_number != SIGKILL) {
      EXPECT_EQ(strays, 0);
    }
  }
}

}  // namespace
}  // namespace orlindel
