#include "core/io/bounded_read.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "tests/core/fault_injecting_file_system.h"
#include "tests/support/test_folder.h"

namespace orlindel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::FaultInjectingFileSystem;

constexpr int64_t kMiB = int64_t{1} << 20;

std::string OpenError(const std::string& name, const std::string& reason) {
  return "Cannot open file \"" + name + "\". " + reason;
}

class BoundedReadTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const {
    return (dir_ / name).string();
  }
  // A file of `size` bytes that takes no space: a hole, read as zeros.
  std::string Sparse(const std::string& name, int64_t size) const {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary).put('\0');
    fs::resize_file(path, static_cast<uintmax_t>(size));
    return path;
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return PathOf(name);
  }

  orlindel::testing::TestFolder folder_{"orlindel_bounded_read_"};
  const fs::path dir_ = folder_.path();
};

template <typename Load>
std::string ErrorOf(Load load) {
  try {
    load();
  } catch (const OrlindelError& error) {
    return error.what();
  }
  return "loaded";
}

TEST_F(BoundedReadTest, FilesOverTheLimitAreRefusedUnread) {
  const std::string too_large =
      "The file is larger than 64 MiB, the most an image may have";
  const std::string over = Sparse("over.bin", kMaxImageSize + 1);
  const std::string huge = Sparse("huge.bin", int64_t{3} << 30);
  EXPECT_EQ(kMaxImageSize, 64 * kMiB);
  for (const std::string& path : {over, huge}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ErrorOf([&] { LoadFirmwareFile(path); }),
              OpenError(path, too_large));
    EXPECT_EQ(ErrorOf([&] { LoadWholeFile(path); }),
              OpenError(path, too_large));
    FaultInjectingFileSystem file_system;
    EXPECT_THROW(io::ReadWholeFile(path, kMaxImageSize, file_system),
                 FileError);
    EXPECT_EQ(file_system.bytes_read, 0u);
  }
  // The limit itself is allowed.
  const std::string at_limit = Sparse("limit.bin", 2 * kMiB);
  EXPECT_EQ(io::ReadWholeFile(at_limit, 2 * kMiB).size(),
            static_cast<size_t>(2 * kMiB));
  EXPECT_EQ(ErrorOf([&] { io::ReadWholeFile(at_limit, 2 * kMiB - 1); }),
            OpenError(at_limit,
                      "The file is larger than 1 MiB, the most an image may "
                      "have"));
}

TEST_F(BoundedReadTest, EmptyImagesSayWhatIsWrong) {
  const std::string empty = Write("empty.bin", {});
  EXPECT_EQ(ErrorOf([&] { LoadFirmwareFile(empty); }),
            OpenError(empty, "The file is empty"));
  // A patch may be empty.
  EXPECT_TRUE(LoadWholeFile(empty).empty());
}

TEST_F(BoundedReadTest, ReadErrorsNameTheFileAndCloseIt) {
  const std::string path = Write("fw.bin", Bytes(100, 7));
  // A load calls Status, OpenForReading, HandleStatus, Read, Close.
  const struct {
    int at;
    int error;
    std::string reason;
    bool opened;
  } rows[] = {
      {0, EACCES, "Permission denied", false},
      {1, EMFILE, "Too many open files", false},
      {2, EIO, "Input/output error", true},
      {3, EIO, "Input/output error", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at);
    FaultInjectingFileSystem file_system;
    file_system.fail_at = row.at;
    file_system.error = row.error;
    EXPECT_EQ(
        ErrorOf([&] { io::ReadWholeFile(path, kMaxImageSize, file_system); }),
        OpenError(path, row.reason));
    EXPECT_EQ(file_system.calls.size(),
              static_cast<size_t>(row.at) + (row.opened ? 2 : 1));
    if (row.opened) {
      EXPECT_EQ(file_system.calls.back(), "Close");
    }
  }
  // An interrupted read is repeated.
  FaultInjectingFileSystem interrupted;
  interrupted.fail_at = 3;  // Status, OpenForReading, HandleStatus, Read
  interrupted.error = EINTR;
  EXPECT_EQ(io::ReadWholeFile(path, kMaxImageSize, interrupted), Bytes(100, 7));
}

// Descriptors and pipes of POSIX systems; the Windows handles have tests of
// their own (windows_file_system_test.cpp).
#ifndef _WIN32
// Standard input or a pipe has no stated size: at most one byte past the
// limit is read before the source is refused.
TEST_F(BoundedReadTest, PipesAreReadUpToOneBytePastTheLimit) {
  // The writer finds the pipe closed once the reader refuses.
  const auto previous = signal(SIGPIPE, SIG_IGN);
  const struct {
    size_t size;
    bool refused;
  } rows[] = {{0, false},
              {1, false},
              {70000, false},
              {static_cast<size_t>(kMiB), false},
              {static_cast<size_t>(kMiB) + 1, true},
              {3 * static_cast<size_t>(kMiB), true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    Bytes sent(row.size);
    for (size_t i = 0; i < sent.size(); ++i)
      sent[i] = static_cast<uint8_t>(i % 251);
    std::thread writer([&] {
      size_t done = 0;
      while (done < sent.size()) {
        const ssize_t n =
            write(ends[1], sent.data() + done, sent.size() - done);
        if (n <= 0) break;  // the reader gave up
        done += static_cast<size_t>(n);
      }
      close(ends[1]);
    });
    FaultInjectingFileSystem file_system;
    const std::string result = ErrorOf([&] {
      EXPECT_EQ(io::ReadWholeHandle(ends[0], "-", kMiB, file_system), sent);
    });
    close(ends[0]);
    writer.join();
    if (row.refused) {
      EXPECT_EQ(result,
                OpenError("-",
                          "The file is larger than 1 MiB, the most an image "
                          "may have"));
      EXPECT_EQ(file_system.bytes_read, static_cast<size_t>(kMiB) + 1);
    } else {
      EXPECT_EQ(result, "loaded");
    }
  }
  signal(SIGPIPE, previous);
}

TEST_F(BoundedReadTest, DescriptorsGiveImagesToo) {
  const std::string path = Write("fw.bin", Bytes(300, 9));
  const int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(io::ReadWholeHandle(fd, "-", kMaxImageSize), Bytes(300, 9));
  // At its end now: nothing is left, and the handle stays open.
  EXPECT_EQ(io::ReadWholeHandle(fd, "-", kMaxImageSize), Bytes());
  close(fd);

  // A regular file over the limit is refused before it is read.
  const std::string over = Sparse("over.bin", kMaxImageSize + 1);
  const int big = open(over.c_str(), O_RDONLY);
  FaultInjectingFileSystem file_system;
  EXPECT_EQ(ErrorOf([&] {
              io::ReadWholeHandle(big, "-", kMaxImageSize, file_system);
            }),
            OpenError("-",
                      "The file is larger than 64 MiB, the most an image may "
                      "have"));
  EXPECT_EQ(file_system.bytes_read, 0u);
  close(big);
}
#endif  // _WIN32

#if !defined(__SANITIZE_ADDRESS__)
// An allocation the system refuses becomes an error the user can read. (The
// address sanitizer stops the program on such a request instead.)

TEST_F(BoundedReadTest, AllocationFailureIsAClearError) {
  class HugeFile : public FaultInjectingFileSystem {
    int HandleStatus(io::Handle handle, io::FileStatus& status) override {
      const int result = FaultInjectingFileSystem::HandleStatus(handle, status);
      status.size = int64_t{1} << 46;  // 64 TiB
      return result;
    }
  } file_system;
  const std::string path = Write("fw.bin", Bytes(10, 1));
  EXPECT_EQ(
      ErrorOf([&] { io::ReadWholeFile(path, int64_t{1} << 50, file_system); }),
      "Not enough memory to load \"" + path + "\"");
  EXPECT_EQ(file_system.calls.back(), "Close");
}
#endif

// A source of unknown length handing out its bytes in pieces, interrupted
// now and then, failing where it is told to.
TEST(ReadToLimitTest, PiecesAreJoinedUpToTheLimit) {
  struct Row {
    const char* name;
    std::vector<int> steps;  // bytes per request; -EINTR, -EIO: that error
    int64_t limit;
    size_t expected_size;  // when no error
    const char* error;     // nullptr: none
  };
  const Row rows[] = {
      {"empty", {}, 4, 0, nullptr},
      {"one piece", {3}, 4, 3, nullptr},
      {"pieces reaching the limit", {1, 2, 1}, 4, 4, nullptr},
      {"interrupted requests are repeated",
       {-EINTR, 2, -EINTR, 2},
       4,
       4,
       nullptr},
      {"one byte past the limit",
       {5},
       4,
       0,
       "Cannot open file \"src\". The file is larger than 0 MiB, the most an "
       "image may have"},
      {"a failure after some bytes",
       {2, -EIO},
       4,
       0,
       "Cannot open file \"src\". Input/output error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    size_t step = 0;
    uint8_t next = 0;
    const io::ReadSome source = [&](std::span<uint8_t> into, size_t& count) {
      count = 0;
      if (step == row.steps.size()) return 0;
      const int now = row.steps[step++];
      if (now < 0) return -now;
      count = std::min(into.size(), static_cast<size_t>(now));
      for (size_t i = 0; i < count; ++i) into[i] = next++;
      return 0;
    };
    if (row.error != nullptr) {
      EXPECT_EQ(ErrorOf([&] { io::ReadToLimit(source, "src", row.limit); }),
                row.error);
      continue;
    }
    const io::FileBytes bytes = io::ReadToLimit(source, "src", row.limit);
    ASSERT_EQ(bytes.size(), row.expected_size);
    for (size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], i);
  }
}

}  // namespace
}  // namespace orlindel
