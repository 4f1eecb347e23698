// The editor process during a save: a signal that ends it leaves no
// temporary file, and a FIFO whose reader leaves fails the save instead of
// killing the editor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/io/safe_write.h"
#include "tests/support/test_folder.h"

namespace orlindel::editor::testing {
namespace {

namespace fs = std::filesystem;

class SaveSignalsTest : public ::testing::Test {
 protected:
  bool HasTemporaryFile() const {
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename().string().starts_with(io::kTemporaryPrefix))
        return true;
    return false;
  }

  orlindel::testing::TestFolder folder_{"orlindel_save_signals_"};
  const fs::path dir_ = folder_.path();
};

TEST_F(SaveSignalsTest, SigtermDuringASaveLeavesNoTemporaryFile) {
  const QString out = QString::fromStdString((dir_ / "out.bin").string());
  int caught = 0;
  for (int attempt = 0; attempt < 5 && caught == 0; ++attempt) {
    QProcess child;
    // 64 MiB saves, one after another, until the signal comes.
    child.start(ORLINDEL_SAVE_CHILD, {out, QString::number(64 << 20), "0"});
    ASSERT_TRUE(child.waitForStarted(10000));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!HasTemporaryFile() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    child.terminate();  // SIGTERM
    ASSERT_TRUE(child.waitForFinished(20000));
    EXPECT_FALSE(HasTemporaryFile()) << "attempt " << attempt;
    if (child.exitStatus() == QProcess::CrashExit) ++caught;
  }
  EXPECT_EQ(caught, 1);
}

TEST_F(SaveSignalsTest, AFifoWhoseReaderLeavesFailsTheSave) {
  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  QProcess child;
  child.start(ORLINDEL_SAVE_CHILD,
              {QString::fromStdString(fifo), QString::number(4 << 20), "1"});
  ASSERT_TRUE(child.waitForStarted(10000));
  // The reader takes a little of the image, then leaves.
  pollfd ready{reader, POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 20000), 1);
  char some[100];
  EXPECT_GT(read(reader, some, sizeof some), 0);
  close(reader);
  ASSERT_TRUE(child.waitForFinished(20000));
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 1);
  EXPECT_EQ(child.readAllStandardOutput().toStdString(),
            "failed: Cannot create file \"" + fifo + "\". Broken pipe\n");
}

}  // namespace
}  // namespace orlindel::editor::testing
