// What a save keeps besides the bytes: the file behind a descriptor, the
// extended attributes, ACL, group and privacy of the replaced file, and paths
// as long as the system allows.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/io/safe_write.h"
#include "tests/support/test_folder.h"

extern char** environ;

namespace orlindel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const Bytes kOld = {'o', 'l', 'd', '\n'};
const Bytes kNew = {'n', 'e', 'w', '\n'};

Bytes Joined(const Bytes& a, const Bytes& b) {
  Bytes joined = a;
  joined.insert(joined.end(), b.begin(), b.end());
  return joined;
}

class SaveKeepsTest : public ::testing::Test {
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
  struct stat StatOf(const std::string& name) const {
    struct stat info {};
    EXPECT_EQ(stat(PathOf(name).c_str(), &info), 0) << name;
    return info;
  }
  // The error text of the save, or "saved" and what it said was not kept.
  static std::string Save(const std::string& path, const Bytes& bytes) {
    try {
      const std::string notice = io::WriteFileSafely(path, bytes);
      return notice.empty() ? "saved" : "saved: " + notice;
    } catch (const FileError& error) {
      return error.what();
    }
  }

  orlindel::testing::TestFolder folder_{"orlindel_save_keeps_"};
  const fs::path dir_ = folder_.path();
};

// The contents of the file behind descriptor `fd`, from its start.
Bytes ReadDescriptor(int fd) {
  Bytes bytes(1000);
  const ssize_t got = pread(fd, bytes.data(), bytes.size(), 0);
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

TEST_F(SaveKeepsTest, DescriptorsAreWrittenThroughNeverReplaced) {
  // An appending descriptor (`>> log.txt`), under each name it has.
  const std::string self = "/proc/self/fd/";
  for (const std::string prefix : {"/dev/fd/", self.c_str()}) {
    SCOPED_TRACE(prefix);
    Write("log.txt", kOld);
    const int fd = open(PathOf("log.txt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    const ino_t inode = StatOf("log.txt").st_ino;
    EXPECT_EQ(Save(prefix + std::to_string(fd), kNew), "saved");
    EXPECT_EQ(Save(prefix + std::to_string(fd), kNew), "saved");
    EXPECT_EQ(Read("log.txt"), Joined(kOld, Joined(kNew, kNew)));
    EXPECT_EQ(StatOf("log.txt").st_ino, inode);  // the same file, not replaced
    close(fd);
  }

  // A link to a descriptor's name; a descriptor that does not append writes
  // at its position (`> out.txt` after some output).
  Write("out.txt", {});
  const int fd = open(PathOf("out.txt").c_str(), O_WRONLY);
  ASSERT_EQ(write(fd, "abcdef", 6), 6);
  ASSERT_EQ(lseek(fd, 3, SEEK_SET), 3);
  fs::create_symlink("/dev/fd/" + std::to_string(fd), PathOf("link"));
  EXPECT_EQ(Save(PathOf("link"), kNew), "saved");
  EXPECT_EQ(Read("out.txt"), Bytes({'a', 'b', 'c', 'n', 'e', 'w', '\n'}));
  EXPECT_TRUE(fs::is_symlink(PathOf("link")));

  // A file deleted since it was opened gets the bytes; nothing appears under
  // the name the system shows for it ("gone.bin (deleted)").
  Write("gone.bin", kOld);
  const int deleted = open(PathOf("gone.bin").c_str(), O_RDWR | O_APPEND);
  fs::remove(PathOf("gone.bin"));
  EXPECT_EQ(Save(self + std::to_string(deleted), kNew), "saved");
  EXPECT_EQ(ReadDescriptor(deleted), Joined(kOld, kNew));
  EXPECT_EQ(Entries(), std::set<std::string>({"link", "log.txt", "out.txt"}));
  close(deleted);
  close(fd);

  // A pipe: the reader gets the bytes.
  std::array<int, 2> pipe_ends{};
  ASSERT_EQ(pipe(pipe_ends.data()), 0);
  EXPECT_EQ(Save("/dev/fd/" + std::to_string(pipe_ends[1]), kNew), "saved");
  Bytes got(16);
  got.resize(static_cast<size_t>(read(pipe_ends[0], got.data(), got.size())));
  EXPECT_EQ(got, kNew);
  close(pipe_ends[0]);
  close(pipe_ends[1]);

  // Standard output sent to a file by `>>`.
  Write("stdout.txt", kOld);
  std::fflush(stdout);
  const int saved_stdout = dup(1);
  const int appending = open(PathOf("stdout.txt").c_str(), O_WRONLY | O_APPEND);
  dup2(appending, 1);
  const std::string result = Save("/dev/stdout", kNew);
  dup2(saved_stdout, 1);
  close(saved_stdout);
  close(appending);
  EXPECT_EQ(result, "saved");
  EXPECT_EQ(Read("stdout.txt"), Joined(kOld, kNew));

  // A descriptor this process does not have.
  EXPECT_EQ(Save("/dev/fd/999", kNew),
            "Cannot create file \"/dev/fd/999\". Bad file descriptor");
}

TEST_F(SaveKeepsTest, AnotherProcesssDescriptorKeepsItsAppendMode) {
  Write("log.txt", kOld);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 7, PathOf("log.txt").c_str(),
                                   O_WRONLY | O_APPEND, 0);
  pid_t child = 0;
  char sleep_name[] = "sleep";
  char seconds[] = "30";
  char* argv[] = {sleep_name, seconds, nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  const std::string name = "/proc/" + std::to_string(child) + "/fd/7";
  // The child's descriptor exists once it has run as far as the exec.
  for (int k = 0; k < 500 && access(name.c_str(), F_OK) != 0; ++k)
    usleep(10000);
  const ino_t inode = StatOf("log.txt").st_ino;
  EXPECT_EQ(Save(name, kNew), "saved");
  EXPECT_EQ(Read("log.txt"), Joined(kOld, kNew));
  EXPECT_EQ(StatOf("log.txt").st_ino, inode);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

// An ACL as the system stores it: version 2, then (tag, permissions, id)
// records in tag order.
std::string AclValue(uid_t named_user) {
  struct Entry {
    uint16_t tag, perm;
    uint32_t id;
  };
  const Entry entries[] = {{0x01, 6, 0xFFFFFFFF},   // owner rw-
                           {0x02, 4, named_user},   // named user r--
                           {0x04, 4, 0xFFFFFFFF},   // group r--
                           {0x10, 4, 0xFFFFFFFF},   // mask r--
                           {0x20, 0, 0xFFFFFFFF}};  // others ---
  std::string value(4, '\0');
  value[0] = 2;
  for (const Entry& entry : entries)
    value.append(reinterpret_cast<const char*>(&entry), sizeof entry);
  return value;
}

std::string Attribute(const std::string& path, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = getxattr(path.c_str(), name, value.data(), value.size());
  value.resize(size > 0 ? static_cast<size_t>(size) : 0);
  return value;
}

TEST_F(SaveKeepsTest, AttributesAclAndHardLinksAreKeptOrTold) {
  Write("fw.bin", kOld);
  const std::string path = PathOf("fw.bin");
  const std::string acl = AclValue(4321);
  if (setxattr(path.c_str(), "user.origin", "factory", 7, 0) != 0 ||
      setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(),
               0) != 0)
    GTEST_SKIP() << "this file system keeps no extended attributes or ACLs: "
                 << std::strerror(errno);
  const mode_t mode = StatOf("fw.bin").st_mode & 07777;
  EXPECT_EQ(mode, 0640u);  // the mask shows as the group bits

  EXPECT_EQ(Save(path, kNew), "saved");
  EXPECT_EQ(Read("fw.bin"), kNew);
  EXPECT_EQ(Attribute(path, "user.origin"), "factory");
  EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
  EXPECT_EQ(StatOf("fw.bin").st_mode & 07777, mode);

  // A second name: the save replaces this one and says the other keeps the
  // old contents.
  fs::create_hard_link(path, PathOf("twin.bin"));
  EXPECT_EQ(Save(path, kOld),
            "saved: \"" + path +
                "\" was saved without its other hard links, which keep the "
                "old contents");
  EXPECT_EQ(Read("fw.bin"), kOld);
  EXPECT_EQ(Read("twin.bin"), kNew);
  EXPECT_EQ(Entries(), std::set<std::string>({"fw.bin", "twin.bin"}));
}

// Runs `save` as user `uid` with primary group `gid` and the supplementary
// `groups`, in a child process; returns what it printed.
std::string SaveAsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups,
                       const std::string& path, const Bytes& bytes) {
  std::array<int, 2> ends{};
  if (pipe(ends.data()) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    std::string said;
    if (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 ||
        setuid(uid) != 0) {
      said = "cannot change user";
    } else {
      try {
        said = "saved: " + io::WriteFileSafely(path, bytes);
      } catch (const FileError& error) {
        said = error.what();
      }
    }
    const ssize_t ignored = write(ends[1], said.data(), said.size());
    static_cast<void>(ignored);
    _exit(0);
  }
  close(ends[1]);
  std::string said;
  char buffer[512];
  for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, static_cast<size_t>(got));
  close(ends[0]);
  waitpid(child, nullptr, 0);
  return said;
}

TEST_F(SaveKeepsTest, AGroupMemberKeepsTheGroupButCannotKeepTheOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs the super-user to be other users";
  constexpr uid_t kOwner = 61001;
  constexpr uid_t kMember = 61002;
  constexpr gid_t kShared = 61010;
  // A shared folder anyone may write to, and a file of the group in it.
  fs::permissions(dir_, fs::perms::all);
  Write("fw.bin", kOld);
  const std::string path = PathOf("fw.bin");
  ASSERT_EQ(chown(path.c_str(), kOwner, kShared), 0);
  ASSERT_EQ(chmod(path.c_str(), 0664), 0);

  EXPECT_EQ(SaveAsUser(kMember, kMember, {kShared}, path, kNew),
            "saved: \"" + path + "\" was saved without its owner");
  EXPECT_EQ(Read("fw.bin"), kNew);
  EXPECT_EQ(StatOf("fw.bin").st_uid, kMember);
  EXPECT_EQ(StatOf("fw.bin").st_gid, kShared);
  EXPECT_EQ(StatOf("fw.bin").st_mode & 07777, 0664u);

  // The owner, a member too, saves it back; its group still holds.
  EXPECT_EQ(SaveAsUser(kOwner, kOwner, {kShared}, path, kOld),
            "saved: \"" + path + "\" was saved without its owner");
  EXPECT_EQ(StatOf("fw.bin").st_uid, kOwner);
  EXPECT_EQ(StatOf("fw.bin").st_gid, kShared);

  // Someone outside the group who may write the file keeps neither.
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  EXPECT_EQ(
      SaveAsUser(kMember, kMember, {}, path, kNew),
      "saved: \"" + path + "\" was saved without its owner and its group");
  EXPECT_EQ(StatOf("fw.bin").st_gid, kMember);
}

TEST_F(SaveKeepsTest, PrivateFilesAreNeverReachedThroughALink) {
  const std::string journal = PathOf("journal.json");
  const auto refusal = [](const std::string& path, const Bytes& bytes) {
    try {
      io::WritePrivateFile(path, bytes);
    } catch (const FileError& error) {
      return std::string(error.what());
    }
    return std::string("saved");
  };
  // A link planted where the file goes: to a file, and dangling.
  Write("victim.txt", kOld);
  fs::create_symlink(PathOf("victim.txt"), journal);
  const std::string refused =
      "Cannot create file \"" + journal +
      "\". A symbolic link stands in its place; it is not followed";
  EXPECT_EQ(refusal(journal, kNew), refused);
  EXPECT_EQ(Read("victim.txt"), kOld);
  fs::remove(journal);
  fs::create_symlink(PathOf("nothing.txt"), journal);
  EXPECT_EQ(refusal(journal, kNew), refused);
  EXPECT_FALSE(fs::exists(PathOf("nothing.txt")));
  fs::remove(journal);
  ASSERT_EQ(mkfifo(journal.c_str(), 0600), 0);
  EXPECT_EQ(refusal(journal, kNew),
            "Cannot create file \"" + journal + "\". Not a regular file");
  fs::remove(journal);

  // Whatever the creation mask and the old file's mode: 0600.
  Write("journal.json", kOld);
  ASSERT_EQ(chmod(journal.c_str(), 0644), 0);
  const mode_t mask = umask(0);
  EXPECT_EQ(refusal(journal, kNew), "saved");
  umask(mask);
  EXPECT_EQ(Read("journal.json"), kNew);
  EXPECT_EQ(StatOf("journal.json").st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(), std::set<std::string>({"journal.json", "victim.txt"}));
}

TEST_F(SaveKeepsTest, PathsUpToTheSystemLimitAreSaved) {
  // A folder whose path leaves room for a two-letter name and no more than
  // a few bytes besides: the temporary name does not fit in one path.
  std::string folder = dir_.string();
  while (folder.size() < PATH_MAX - 8) {
    const size_t room = PATH_MAX - 8 - folder.size() - 1;
    folder +=
        "/" + std::string(std::min<size_t>(room == 0 ? 1 : room, 200), 'd');
    ASSERT_TRUE(fs::create_directory(folder) || fs::is_directory(folder));
  }
  const std::string path = folder + "/fw";
  ASSERT_LT(path.size(), size_t{PATH_MAX});
  EXPECT_EQ(Save(path, kOld), "saved");
  EXPECT_EQ(Save(path, kNew), "saved");
  std::ifstream file(path, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(file), {}), kNew);
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, std::set<std::string>({"fw"}));
}

TEST_F(SaveKeepsTest, FolderLinksOfOthersInASharedFolderAreNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs the super-user to plant a link";
  // A sticky folder anyone may write to, as /tmp; another user's link to a
  // folder in it, leading to a file of this user's.
  const fs::path shared = dir_ / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  fs::create_directory(dir_ / "private");
  Write("private/fw.bin", kOld);
  const fs::path planted = shared / "work";
  fs::create_directory_symlink(dir_ / "private", planted);
  ASSERT_EQ(lchown(planted.c_str(), 61003, 61003), 0);
  const std::string path = (planted / "fw.bin").string();
  EXPECT_EQ(Save(path, kNew),
            "Cannot create file \"" + path + "\". Permission denied");
  EXPECT_EQ(Read("private/fw.bin"), kOld);
  // This user's own folder link there is followed.
  ASSERT_EQ(lchown(planted.c_str(), 0, 0), 0);
  EXPECT_EQ(Save(path, kNew), "saved");
  EXPECT_EQ(Read("private/fw.bin"), kNew);
}

}  // namespace
}  // namespace orlindel
