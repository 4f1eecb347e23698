// The file system of POSIX systems, and the removal of a half-written
// temporary file when the program is interrupted.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <regex>
#include <system_error>
#include <vector>

#include "core/io/file_system.h"
#include "core/io/safe_write.h"

namespace orlindel::io {

namespace {

FileType TypeOf(mode_t mode) {
  if (S_ISREG(mode)) return FileType::kRegular;
  if (S_ISDIR(mode)) return FileType::kDirectory;
  if (S_ISLNK(mode)) return FileType::kSymlink;
  if (S_ISCHR(mode)) return FileType::kCharDevice;
  if (S_ISFIFO(mode)) return FileType::kFifo;
  return FileType::kOther;
}

FileStatus StatusFrom(const struct stat& info) {
  FileStatus status;
  status.type = TypeOf(info.st_mode);
  status.mode = static_cast<uint32_t>(info.st_mode & 07777);
  status.owner = static_cast<uint32_t>(info.st_uid);
  status.group = static_cast<uint32_t>(info.st_gid);
  status.size = static_cast<int64_t>(info.st_size);
  status.links = static_cast<int64_t>(info.st_nlink);
  return status;
}

int StatusResult(int result, const struct stat& info, FileStatus& status) {
  if (result != 0) {
    status = FileStatus();
    return errno;
  }
  status = StatusFrom(info);
  return 0;
}

// Links followed before giving up, as the system does for a path.
constexpr int kMaxLinkHops = 40;

// `path` split for the *at calls. A path the system takes whole stays as it
// is; a longer one (a temporary name in a folder whose own path is close to
// PATH_MAX) becomes its folder, opened, and its last name.
class AtPath {
 public:
  explicit AtPath(const std::string& path) : name_(path) {
    const size_t slash = path.find_last_of('/');
    if (path.size() < PATH_MAX || slash == std::string::npos) return;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    folder_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) error_ = errno;
    name_ = path.substr(slash + 1);
  }
  AtPath(const AtPath&) = delete;
  AtPath& operator=(const AtPath&) = delete;
  ~AtPath() {
    if (folder_ >= 0) close(folder_);
  }
  int error() const { return error_; }
  int folder() const { return folder_ >= 0 ? folder_ : AT_FDCWD; }
  const char* name() const { return name_.c_str(); }

 private:
  int folder_ = -1;
  int error_ = 0;
  std::string name_;
};

// An open descriptor of some process, as /proc names it.
struct DescriptorName {
  long process = 0;
  int descriptor = 0;
  std::string path;  // /proc/PID/fd/N or a folder link to it
};

// The descriptor `path` is the name of when it lies in a process's
// descriptor folder (/proc/PID/fd, /proc/PID/task/TID/fd, whatever links
// lead there: /dev/fd, /proc/self/fd).
std::optional<DescriptorName> DescriptorAt(const std::string& path) {
  static const std::regex kFolder(R"(/proc/(\d+)(/task/\d+)?/fd)");
  static const std::regex kNumber(R"(\d{1,9})");
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string name = path.substr(slash + 1);
  if (!std::regex_match(name, kNumber)) return std::nullopt;
  const std::unique_ptr<char, decltype(&std::free)> folder(
      realpath(path.substr(0, slash).c_str(), nullptr), &std::free);
  std::cmatch match;
  if (folder == nullptr || !std::regex_match(folder.get(), match, kFolder))
    return std::nullopt;
  return DescriptorName{std::stol(match[1].str()), std::stoi(name), path};
}

// The descriptor a chain of links starting at `path` ends in, if any. The
// links in a descriptor folder are not followed: they name the open file
// (even one since deleted, as "NAME (deleted)"), not a path to reopen.
std::optional<DescriptorName> DescriptorBehind(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    if (auto found = DescriptorAt(current)) return found;
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
      return std::nullopt;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length =
        readlink(current.c_str(), target.data(), target.size() - 1);
    if (length < 0) return std::nullopt;
    const std::string text(target.data(), static_cast<size_t>(length));
    const size_t slash = current.find_last_of('/');
    current = text.starts_with('/') || slash == std::string::npos
                  ? text
                  : current.substr(0, slash + 1) + text;
  }
  return std::nullopt;
}

// Where another process's descriptor stands: its position and whether it
// appends, from /proc/PID/fdinfo/N.
struct DescriptorState {
  long long position = 0;
  bool appends = false;
};

DescriptorState StateOf(const DescriptorName& name) {
  DescriptorState state;
  const std::string info = "/proc/" + std::to_string(name.process) +
                           "/fdinfo/" + std::to_string(name.descriptor);
  std::FILE* file = std::fopen(info.c_str(), "re");
  if (file == nullptr) return state;
  unsigned flags = 0;
  if (std::fscanf(file, "pos: %lld flags: %o", &state.position, &flags) == 2)
    state.appends = (flags & O_APPEND) != 0;
  std::fclose(file);
  return state;
}

// A handle on another process's descriptor: the file reopened through its
// descriptor's name (which reaches even a deleted file), appending when the
// descriptor appends, else at the descriptor's position.
int ReopenDescriptor(const DescriptorName& name, int& handle) {
  const DescriptorState state = StateOf(name);
  handle = open(name.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC |
                                       (state.appends ? O_APPEND : 0));
  if (handle < 0) return errno;
  struct stat info {};
  if (!state.appends && fstat(handle, &info) == 0 && S_ISREG(info.st_mode) &&
      lseek(handle, static_cast<off_t>(state.position), SEEK_SET) < 0) {
    const int error = errno;
    close(handle);
    return error;
  }
  return 0;
}

// Copies one extended attribute; 0 or the error that stopped it.
int CopyAttribute(const std::string& from, const char* name, int to) {
  const ssize_t size = getxattr(from.c_str(), name, nullptr, 0);
  if (size < 0) return errno;
  std::vector<char> value(static_cast<size_t>(size));
  const ssize_t got = getxattr(from.c_str(), name, value.data(), value.size());
  if (got < 0) return errno;
  return fsetxattr(to, name, value.data(), static_cast<size_t>(got), 0) ? errno
                                                                        : 0;
}

// Clears O_NONBLOCK once an open no longer needs it.
int MakeBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  return 0;
}

class PosixFileSystem final : public FileSystem {
 public:
  int Status(const std::string& path, FileStatus& status) override {
    struct stat info {};
    return StatusResult(stat(path.c_str(), &info), info, status);
  }
  int LinkStatus(const std::string& path, FileStatus& status) override {
    struct stat info {};
    return StatusResult(lstat(path.c_str(), &info), info, status);
  }
  int ReadLink(const std::string& path, std::string& target) override {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return errno;
    if (static_cast<size_t>(length) >= buffer.size()) return ENAMETOOLONG;
    target.assign(buffer.data(), static_cast<size_t>(length));
    return 0;
  }
  int OpenDescriptor(const std::string& path, bool& named,
                     Handle& handle) override {
    const std::optional<DescriptorName> descriptor = DescriptorBehind(path);
    named = descriptor.has_value();
    if (!named) return 0;
    if (descriptor->process != getpid())
      return ReopenDescriptor(*descriptor, handle);
    // One of this process's own: the very same open file.
    handle = fcntl(descriptor->descriptor, F_DUPFD_CLOEXEC, 0);
    return handle < 0 ? errno : 0;
  }
  int CreateExclusive(const std::string& path, Handle& handle) override {
    const AtPath at(path);
    if (at.error() != 0) return at.error();
    handle = openat(at.folder(), at.name(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    return handle < 0 ? errno : 0;
  }
  int OpenForWriting(const std::string& path, Handle& handle) override {
    handle = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) return errno;
    return MakeBlocking(handle);
  }
  int OpenForReading(const std::string& path, Handle& handle) override {
    handle = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) return errno;
    const int error = MakeBlocking(handle);
    // Files are read whole, front to back: the system may read further
    // ahead. Only a hint; a FIFO or a device refuses it, which is harmless.
    if (error == 0) (void)posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
    return error;
  }
  int HandleStatus(Handle handle, FileStatus& status) override {
    struct stat info {};
    return StatusResult(fstat(handle, &info), info, status);
  }
  int Read(Handle handle, std::span<uint8_t> into, size_t& count) override {
    const ssize_t result = read(handle, into.data(), into.size());
    count = result > 0 ? static_cast<size_t>(result) : 0;
    return result < 0 ? errno : 0;
  }
  int Write(Handle handle, std::span<const uint8_t> bytes,
            size_t& count) override {
    const ssize_t result = write(handle, bytes.data(), bytes.size());
    count = result > 0 ? static_cast<size_t>(result) : 0;
    return result < 0 ? errno : 0;
  }
  int SetOwner(Handle handle, uint32_t owner, uint32_t group) override {
    return fchown(handle, static_cast<uid_t>(owner), static_cast<gid_t>(group))
               ? errno
               : 0;
  }
  int SetMode(Handle handle, uint32_t mode) override {
    return fchmod(handle, static_cast<mode_t>(mode)) ? errno : 0;
  }
  int CopyAttributes(const std::string& from, Handle handle) override {
    const ssize_t size = listxattr(from.c_str(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? 0 : errno;
    std::vector<char> names(static_cast<size_t>(size));
    const ssize_t got = listxattr(from.c_str(), names.data(), names.size());
    if (got < 0) return errno;
    int first_error = 0;
    // The list is the names one after another, each ending in a zero byte.
    for (size_t at = 0; at < static_cast<size_t>(got);) {
      const char* name = names.data() + at;
      const int error = CopyAttribute(from, name, handle);
      if (first_error == 0) first_error = error;
      at += std::strlen(name) + 1;
    }
    return first_error;
  }
  int Sync(Handle handle) override { return fsync(handle) ? errno : 0; }
  int Close(Handle handle) override { return close(handle) ? errno : 0; }
  int Rename(const std::string& from, const std::string& to) override {
    const AtPath old_name(from);
    const AtPath new_name(to);
    if (old_name.error() != 0) return old_name.error();
    if (new_name.error() != 0) return new_name.error();
    return renameat(old_name.folder(), old_name.name(), new_name.folder(),
                    new_name.name())
               ? errno
               : 0;
  }
  int Remove(const std::string& path) override {
    const AtPath at(path);
    if (at.error() != 0) return at.error();
    return unlinkat(at.folder(), at.name(), 0) ? errno : 0;
  }
  int SyncFolder(const std::string& path) override {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = fsync(fd) ? errno : 0;
    close(fd);
    return error;
  }
  uint32_t NewFileMode() override {
    // The mask can only be read by setting it; it is put back at once.
    const mode_t mask = umask(022);
    umask(mask);
    return static_cast<uint32_t>(0666 & ~mask);
  }
  uint32_t UserId() override { return static_cast<uint32_t>(geteuid()); }
  int CheckWritable(const std::string& path,
                    const FileStatus& status) override {
    if (geteuid() == 0) return (status.mode & 0222) != 0 ? 0 : EACCES;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) ? errno : 0;
  }
};

// The temporary file being written, for the signal handler: its folder,
// opened (so that a name too long for one path still reaches it), its name
// in a fixed buffer, and a flag; all safe to read from a handler.
int temporary_folder = -1;
char temporary_name[NAME_MAX + 1];
std::atomic<bool> temporary_noted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RemoveTemporaryAndRaise(int signal_number) {
  if (temporary_noted.exchange(false))
    unlinkat(temporary_folder, temporary_name, 0);
  // The default action then ends the program as the signal meant to.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  raise(signal_number);
}

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

std::string ErrorReason(int error) {
  return std::generic_category().message(error);
}

void NoteTemporaryFile(const std::string& path) {
  ForgetTemporaryFile();
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos
                                 ? "."
                                 : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name =
      slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() >= sizeof temporary_name) return;
  temporary_folder = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (temporary_folder < 0) return;
  std::memcpy(temporary_name, name.c_str(), name.size() + 1);
  temporary_noted.store(true);
}

void ForgetTemporaryFile() {
  temporary_noted.store(false);
  if (temporary_folder >= 0) close(temporary_folder);
  temporary_folder = -1;
}

namespace {

// The signals that end a program and that a save may meet: the user's
// Ctrl+C and Ctrl+\, a kill, a closed terminal, timers and the user signals
// nobody here asked for.
constexpr int kTerminationSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT,
                                       SIGALRM, SIGUSR1, SIGUSR2};
thread_local sigset_t held_mask;

}  // namespace

void HoldTerminationSignals() {
  sigset_t hold;
  sigemptyset(&hold);
  for (const int signal_number : kTerminationSignals)
    sigaddset(&hold, signal_number);
  pthread_sigmask(SIG_BLOCK, &hold, &held_mask);
}

void ReleaseTerminationSignals() {
  pthread_sigmask(SIG_SETMASK, &held_mask, nullptr);
}

void InstallSaveCleanupOnSignals() {
  // A reader that left and a file-size limit show as failed writes (EPIPE,
  // EFBIG: "File too large") that the save reports, not as deaths that leave
  // the temporary file behind.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  for (const int signal_number : kTerminationSignals) {
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    // A signal the caller chose to ignore stays ignored.
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction cleanup {};
    cleanup.sa_handler = RemoveTemporaryAndRaise;
    sigemptyset(&cleanup.sa_mask);
    sigaction(signal_number, &cleanup, nullptr);
  }
}

}  // namespace orlindel::io
