// The file system of POSIX systems, and the removal of a half-written
// temporary file when the program is interrupted.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
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
  int CreateExclusive(const std::string& path, Handle& handle) override {
    handle = open(path.c_str(),
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
  int Sync(Handle handle) override { return fsync(handle) ? errno : 0; }
  int Close(Handle handle) override { return close(handle) ? errno : 0; }
  int Rename(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) ? errno : 0;
  }
  int Remove(const std::string& path) override {
    return unlink(path.c_str()) ? errno : 0;
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

// The temporary file being written, for the signal handler: a fixed buffer
// and a flag, both safe to read from a handler.
char temporary_path[PATH_MAX + 1];
std::atomic<bool> temporary_noted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RemoveTemporaryAndRaise(int signal_number) {
  if (temporary_noted.exchange(false)) unlink(temporary_path);
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
  temporary_noted.store(false);
  if (path.size() >= sizeof temporary_path) return;
  std::memcpy(temporary_path, path.c_str(), path.size() + 1);
  temporary_noted.store(true);
}

void ForgetTemporaryFile() { temporary_noted.store(false); }

namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};
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
