#include "core/io/safe_write.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/errors.h"
#include "tests/core/fault_injecting_file_system.h"
#include "tests/support/test_folder.h"

namespace orlindel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::FaultInjectingFileSystem;

const Bytes kOld(3000, 0x11);
const Bytes kNew = [] {
  Bytes bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 13 + 1);
  return bytes;
}();

class SafeWriteTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const {
    return (dir_ / name).string();
  }
  void Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const std::string& name) const {
    std::ifstream file(PathOf(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
  }
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.insert(entry.path().filename().string());
    return names;
  }
#ifndef _WIN32
  uint32_t ModeOf(const std::string& name) const {
    struct stat info {};
    EXPECT_EQ(stat(PathOf(name).c_str(), &info), 0);
    return info.st_mode & 07777;
  }
#endif
  // The text of the FileError the save throws, or "saved" and, after a
  // colon, what the saved file could not keep.
  std::string SaveError(const std::string& path, const Bytes& bytes,
                        io::FileSystem& file_system = io::SystemFileSystem()) {
    std::string notice;
    try {
      notice = io::WriteFileSafely(path, bytes, file_system);
    } catch (const FileError& error) {
      EXPECT_EQ(error.kind(), FileError::Kind::kCreate);
      return error.what();
    }
    return notice.empty() ? "saved" : "saved: " + notice;
  }

  orlindel::testing::TestFolder folder_{"orlindel_safe_write_"};
  const fs::path dir_ = folder_.path();
};

std::string CreateError(const std::string& path, const std::string& reason) {
  return "Cannot create file \"" + path + "\". " + reason;
}

// The calls a save of `path` makes, in order; any of them may fail. Each
// folder on the way is looked at for a link first.
std::vector<std::string> SaveCalls(const std::string& path, bool replacing) {
  std::vector<std::string> calls = {"OpenDescriptor", "Status"};
  calls.insert(
      calls.end(),
      static_cast<size_t>(std::count(path.begin() + 1, path.end(), '/')),
      "LinkStatus");
  calls.emplace_back("LinkStatus");
  if (replacing) calls.emplace_back("CheckWritable");
  calls.insert(calls.end(), {"CreateExclusive", "Write"});
  if (replacing) {
    calls.insert(calls.end(), {"HandleStatus", "SetMode", "CopyAttributes"});
  } else {
    calls.emplace_back("SetMode");
  }
  calls.insert(calls.end(), {"Sync", "Close", "Rename", "SyncFolder"});
  return calls;
}

TEST_F(SafeWriteTest, WritesSyncsAndRenamesInThisOrder) {
  FaultInjectingFileSystem file_system;
  ASSERT_EQ(SaveError(PathOf("out.bin"), kNew, file_system), "saved");
  EXPECT_EQ(file_system.calls, SaveCalls(PathOf("out.bin"), false));
  file_system.calls.clear();
  ASSERT_EQ(SaveError(PathOf("out.bin"), kOld, file_system), "saved");
  EXPECT_EQ(file_system.calls, SaveCalls(PathOf("out.bin"), true));
  EXPECT_EQ(Read("out.bin"), kOld);
  EXPECT_EQ(Entries(), std::set<std::string>({"out.bin"}));
}

// Every call of a save fails in turn with each error: the target keeps every
// byte it had (or, once renamed, holds the new image), the temporary file is
// gone and the caller hears of it. An interrupted write, sync, create or
// close is not a failure: the save goes on.
TEST_F(SafeWriteTest, AnyFailingCallLeavesTheTargetWhole) {
  const std::string target = PathOf("out.bin");
  const std::string temporary_start =
      "Cannot create file \"" + PathOf(io::kTemporaryPrefix);
  for (const bool existing : {false, true}) {
    const std::vector<std::string> calls = SaveCalls(target, existing);
    for (const int error : {ENOSPC, EIO, EACCES, EINTR}) {
      for (size_t k = 0; k < calls.size(); ++k) {
        SCOPED_TRACE(std::string(existing ? "replacing, " : "new file, ") +
                     calls[k] + " fails with " + std::strerror(error));
        fs::remove(target);
        if (existing) Write("out.bin", kOld);
        FaultInjectingFileSystem file_system;
        file_system.fail_at = static_cast<int>(k);
        file_system.error = error;
        const std::string result = SaveError(target, kNew, file_system);

        const std::string reason = std::strerror(error);
        const std::string& call = calls[k];
        const bool retried =
            error == EINTR && (call == "Write" || call == "Sync" ||
                               call == "CreateExclusive" || call == "Close");
        if (retried) {
          EXPECT_EQ(result, "saved");
        } else if (call == "CopyAttributes") {
          // The bytes are saved; the user hears what the file lost.
          EXPECT_EQ(result, "saved: \"" + target +
                                "\" was saved without its extended attributes "
                                "or access control list (" +
                                reason + ")");
        } else if (call == "SyncFolder") {
          EXPECT_EQ(result, CreateError(dir_.string(), reason));
        } else if (call == "Write" || call == "HandleStatus" ||
                   call == "SetMode" || call == "Sync" || call == "Close") {
          EXPECT_EQ(result.substr(0, temporary_start.size()), temporary_start);
          EXPECT_EQ(result.substr(result.size() - reason.size() - 3),
                    "\". " + reason);
        } else {
          EXPECT_EQ(result, CreateError(target, reason));
        }
        const bool replaced =
            result.starts_with("saved") || call == "SyncFolder";
        if (replaced) {
          EXPECT_EQ(Read("out.bin"), kNew);
        } else if (existing) {
          EXPECT_EQ(Read("out.bin"), kOld);
        } else {
          EXPECT_FALSE(fs::exists(target));
        }
        EXPECT_EQ(Entries(), replaced || existing
                                 ? std::set<std::string>({"out.bin"})
                                 : std::set<std::string>());
      }
    }
  }
}

TEST_F(SafeWriteTest, ShortWritesAreContinued) {
  Write("out.bin", kOld);
  FaultInjectingFileSystem file_system;
  file_system.max_write = 7;
  ASSERT_EQ(SaveError(PathOf("out.bin"), kNew, file_system), "saved");
  EXPECT_EQ(Read("out.bin"), kNew);
  // 5000 bytes at 7 a request: 715 writes.
  EXPECT_EQ(
      std::count(file_system.calls.begin(), file_system.calls.end(), "Write"),
      715);
}

// Links, FIFOs, modes and owners of POSIX systems; the Windows counterparts
// (attributes, read-only files, files in use) are in
// windows_file_system_test.cpp.
#ifndef _WIN32
// Whatever another user placed at the name the save picked (a link to a
// file of theirs, a FIFO) is neither followed, nor opened, nor removed:
// the save takes another name.
TEST_F(SafeWriteTest, EntriesPlantedAtTheTemporaryNameAreLeftAlone) {
  Write("victim.bin", kOld);
  Write("out.bin", kOld);
  FaultInjectingFileSystem file_system;
  std::vector<std::string> planted;
  file_system.before_create = [&](const std::string& name) {
    if (planted.size() == 0) {
      ASSERT_EQ(symlink(PathOf("victim.bin").c_str(), name.c_str()), 0);
    } else if (planted.size() == 1) {
      ASSERT_EQ(mkfifo(name.c_str(), 0666), 0);
    } else {
      return;
    }
    planted.push_back(name);
  };
  ASSERT_EQ(SaveError(PathOf("out.bin"), kNew, file_system), "saved");
  ASSERT_EQ(planted.size(), 2u);
  EXPECT_EQ(Read("out.bin"), kNew);
  EXPECT_EQ(Read("victim.bin"), kOld);
  EXPECT_TRUE(fs::is_symlink(planted[0]));
  EXPECT_TRUE(fs::is_fifo(planted[1]));
  EXPECT_EQ(Entries().size(), 4u);
}

// The fixed name earlier versions wrote to no longer matters.
TEST_F(SafeWriteTest, TheOldFixedTemporaryNameIsNotUsed) {
  Write("victim.bin", kOld);
  fs::create_symlink(PathOf("victim.bin"), PathOf("out.bin.orlindel-tmp"));
  fs::create_directory(PathOf("keep.bin.orlindel-tmp"));
  EXPECT_EQ(SaveError(PathOf("out.bin"), kNew), "saved");
  EXPECT_EQ(SaveError(PathOf("keep.bin"), kNew), "saved");
  EXPECT_EQ(Read("out.bin"), kNew);
  EXPECT_EQ(Read("keep.bin"), kNew);
  EXPECT_EQ(Read("victim.bin"), kOld);
  EXPECT_TRUE(fs::is_directory(PathOf("keep.bin.orlindel-tmp")));
}

TEST_F(SafeWriteTest, LinksAreFollowedToTheFileTheyNameAndStay) {
  fs::create_directory(PathOf("sub"));
  Write("sub/real.bin", kOld);
  fs::create_symlink("sub/real.bin", PathOf("relative"));
  fs::create_symlink(PathOf("relative"), PathOf("absolute-to-relative"));
  fs::create_symlink("sub/missing.bin", PathOf("dangling"));
  const struct {
    const char* link;
    const char* written;
  } rows[] = {
      {"relative", "sub/real.bin"},
      {"absolute-to-relative", "sub/real.bin"},
      {"dangling", "sub/missing.bin"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.link);
    Write("sub/real.bin", kOld);
    EXPECT_EQ(SaveError(PathOf(row.link), kNew), "saved");
    EXPECT_TRUE(fs::is_symlink(PathOf(row.link)));
    EXPECT_EQ(Read(row.written), kNew);
  }
  EXPECT_EQ(Entries(), std::set<std::string>({"sub", "relative", "dangling",
                                              "absolute-to-relative"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "sub"),
                          fs::directory_iterator()),
            2);

  fs::create_symlink("loop-b", PathOf("loop-a"));
  fs::create_symlink("loop-a", PathOf("loop-b"));
  EXPECT_EQ(SaveError(PathOf("loop-a"), kNew),
            CreateError(PathOf("loop-a"), "Too many levels of symbolic links"));
}

TEST_F(SafeWriteTest, ModeIsKeptAndReadOnlyTargetsAreRefused) {
  const struct {
    uint32_t mode;
    bool refused;
  } rows[] = {
      {0600, false}, {0640, false}, {0755, false}, {0444, true}, {0400, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    Write("out.bin", kOld);
    ASSERT_EQ(chmod(PathOf("out.bin").c_str(), row.mode), 0);
    const std::string result = SaveError(PathOf("out.bin"), kNew);
    if (row.refused) {
      EXPECT_EQ(result, CreateError(PathOf("out.bin"), "Permission denied"));
      EXPECT_EQ(Read("out.bin"), kOld);
    } else {
      EXPECT_EQ(result, "saved");
      EXPECT_EQ(Read("out.bin"), kNew);
    }
    EXPECT_EQ(ModeOf("out.bin"), row.mode);
    EXPECT_EQ(Entries(), std::set<std::string>({"out.bin"}));
    fs::remove(PathOf("out.bin"));
  }
  // A new file gets 0666 less the creation mask.
  const mode_t mask = umask(027);
  EXPECT_EQ(SaveError(PathOf("new.bin"), kNew), "saved");
  umask(mask);
  EXPECT_EQ(ModeOf("new.bin"), 0640u);
}

// Only the super-user may give a file away: where it runs, the owner stays.
TEST_F(SafeWriteTest, OwnerIsKeptWhereThisProcessMayGiveFilesAway) {
  if (geteuid() != 0) GTEST_SKIP() << "only the super-user may give files away";
  Write("out.bin", kOld);
  ASSERT_EQ(chown(PathOf("out.bin").c_str(), 4321, 8765), 0);
  ASSERT_EQ(chmod(PathOf("out.bin").c_str(), 04750), 0);
  EXPECT_EQ(SaveError(PathOf("out.bin"), kNew), "saved");
  struct stat info {};
  ASSERT_EQ(stat(PathOf("out.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 4321u);
  EXPECT_EQ(info.st_gid, 8765u);
  EXPECT_EQ(info.st_mode & 07777, 04750u);
}

// In a folder like /tmp, a link someone else planted is not followed: the
// save would replace a file of their choosing.
TEST_F(SafeWriteTest, ForeignLinksInASharedFolderAreNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "a link of another user needs root";
  fs::create_directory(PathOf("shared"));
  ASSERT_EQ(chmod(PathOf("shared").c_str(), 01777), 0);
  Write("precious.bin", kOld);
  const std::string link = PathOf("shared/out.bin");
  fs::create_symlink(PathOf("precious.bin"), link);
  ASSERT_EQ(lchown(link.c_str(), 4321, 4321), 0);
  EXPECT_EQ(SaveError(link, kNew), CreateError(link, "Permission denied"));
  EXPECT_EQ(Read("precious.bin"), kOld);
  // The same link of this user is followed.
  ASSERT_EQ(lchown(link.c_str(), 0, 0), 0);
  EXPECT_EQ(SaveError(link, kNew), "saved");
  EXPECT_EQ(Read("precious.bin"), kNew);
}

TEST_F(SafeWriteTest, SpecialFilesAreWrittenDirectly) {
  EXPECT_EQ(SaveError("/dev/null", kNew), "saved");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(SaveError("/dev/full", kNew),
            CreateError("/dev/full", "No space left on device"));
  EXPECT_EQ(SaveError(dir_.string(), kNew),
            CreateError(dir_.string(), "Is a directory"));

  // A FIFO without a reader would wait forever: refused at once.
  const std::string fifo = PathOf("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(SaveError(fifo, kNew),
            CreateError(fifo, "No such device or address"));
  // With a reader, it receives the bytes.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const Bytes small(100, 0x5A);
  EXPECT_EQ(SaveError(fifo, small), "saved");
  Bytes received(200);
  EXPECT_EQ(read(reader, received.data(), received.size()), 100);
  received.resize(100);
  EXPECT_EQ(received, small);
  close(reader);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(Entries(), std::set<std::string>({"fifo"}));
}

#endif  // _WIN32

TEST_F(SafeWriteTest, TheLongestLegalNameCanBeSaved) {
  const std::string name(255, 'n');
  EXPECT_EQ(SaveError(PathOf(name), kNew), "saved");
  EXPECT_EQ(Read(name), kNew);
  EXPECT_EQ(SaveError(PathOf(name), kOld), "saved");
  EXPECT_EQ(Read(name), kOld);
  EXPECT_EQ(SaveError(PathOf(name + "n"), kNew),
            CreateError(PathOf(name + "n"), "File name too long"));
  EXPECT_EQ(Entries(), std::set<std::string>({name}));
}

TEST_F(SafeWriteTest, MissingFolderAndEmptyNameAreErrors) {
  EXPECT_EQ(SaveError(PathOf("none/out.bin"), kNew),
            CreateError(PathOf("none/out.bin"), "No such file or directory"));
  EXPECT_EQ(SaveError("", kNew), CreateError("", "No such file or directory"));
}

}  // namespace
}  // namespace orlindel
