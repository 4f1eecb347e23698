// The file system of Windows: UTF-8 paths as the system's wide (UTF-16)
// names, long paths through the \\?\ prefix, the safe write's final step by
// ReplaceFileW (which keeps the old file's attributes, security and creation
// time), and the removal of a half-written temporary file on Ctrl+C.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "core/io/file_system.h"
#include "core/io/safe_write.h"
#include "core/io/windows_paths.h"

namespace orlindel::io {

namespace {

// A file another program holds open is asked for again this often, this
// long apart, before its being in use is reported: a virus scanner or an
// indexer lets go within moments.
constexpr int kInUseAttempts = 10;
constexpr auto kInUsePause = std::chrono::milliseconds(100);

bool IsInUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_USER_MAPPED_FILE ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The errno value nearest to a system error.
int ErrnoFrom(DWORD error) {
  if (IsInUse(error)) return kFileInUse;
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NO_UNICODE_TRANSLATION:
      return EINVAL;
    case ERROR_NOT_SUPPORTED:
      return ENOTSUP;
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
      return EPIPE;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    default:
      return EIO;
  }
}

int LastError() { return ErrnoFrom(GetLastError()); }

HANDLE AsHandle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

// Runs `attempt` (which returns the system's error) again while the file is
// in use elsewhere, a few times; returns the last result as an errno value.
template <typename Attempt>
int RetryWhileInUse(Attempt attempt) {
  DWORD error = attempt();
  for (int k = 1; k < kInUseAttempts && IsInUse(error); ++k) {
    std::this_thread::sleep_for(kInUsePause);
    error = attempt();
  }
  return ErrnoFrom(error);
}

// Opens `path` as CreateFileW does; 0 or an errno value.
int Open(const std::string& path, DWORD access, DWORD share, DWORD disposition,
         DWORD flags, Handle& handle) {
  handle = -1;
  std::wstring name;
  if (const int error = SystemPath(path, name)) return error;
  return RetryWhileInUse([&]() -> DWORD {
    const HANDLE opened = CreateFileW(name.c_str(), access, share, nullptr,
                                      disposition, flags, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return GetLastError();
    handle = reinterpret_cast<Handle>(opened);
    return ERROR_SUCCESS;
  });
}

constexpr DWORD kShareAll =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Permission bits in the POSIX manner: a read-only file has no write bits.
uint32_t ModeOf(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
}

int StatusOf(HANDLE handle, FileStatus& status) {
  status = FileStatus();
  switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:
      status.type = FileType::kCharDevice;
      status.mode = 0666;
      return 0;
    case FILE_TYPE_PIPE:
      status.type = FileType::kFifo;
      status.mode = 0666;
      return 0;
    case FILE_TYPE_DISK:
      break;
    default:
      if (GetLastError() != NO_ERROR) return LastError();
      status.type = FileType::kOther;
      return 0;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return LastError();
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.type = folder ? FileType::kDirectory : FileType::kRegular;
  status.mode = ModeOf(info.dwFileAttributes);
  status.size = static_cast<int64_t>(
      (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  return 0;
}

// The attributes a replacing file takes over from the file it replaces.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Replaces the existing `target` by `source` with ReplaceFileW. A program
// that holds the target open without letting it be deleted stops the
// replacement before it starts, so nothing is half done. The old file's
// attributes and creation time are given to the new one first: they stay
// whatever the system's ReplaceFileW keeps of its own accord.
DWORD ReplaceExisting(const std::wstring& target, const std::wstring& source) {
  const HANDLE old =
      CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES | DELETE, kShareAll,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (old == INVALID_HANDLE_VALUE) return GetLastError();
  FILE_BASIC_INFO kept{};
  const BOOL have_kept =
      GetFileInformationByHandleEx(old, FileBasicInfo, &kept, sizeof kept);
  CloseHandle(old);
  if (!have_kept) return GetLastError();

  const HANDLE fresh =
      CreateFileW(source.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (fresh == INVALID_HANDLE_VALUE) return GetLastError();
  FILE_BASIC_INFO given{};  // zero: left as it is
  given.CreationTime = kept.CreationTime;
  const DWORD attributes = kept.FileAttributes & kKeptAttributes;
  given.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  const BOOL set =
      SetFileInformationByHandle(fresh, FileBasicInfo, &given, sizeof given);
  const DWORD set_error = set ? ERROR_SUCCESS : GetLastError();
  CloseHandle(fresh);
  if (set_error != ERROR_SUCCESS) return set_error;

  return ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
             ? ERROR_SUCCESS
             : GetLastError();
}

class WindowsFileSystem final : public FileSystem {
 public:
  // Asking for the attributes alone conflicts with no other program's
  // sharing, and opens folders and devices as well as files.
  int Status(const std::string& path, FileStatus& status) override {
    status = FileStatus();
    Handle handle = -1;
    if (const int error =
            Open(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                 FILE_FLAG_BACKUP_SEMANTICS, handle))
      return error;
    const int error = StatusOf(AsHandle(handle), status);
    CloseHandle(AsHandle(handle));
    return error;
  }
  // Links are not followed by the safe write on Windows: the system resolves
  // them when the file is opened or replaced.
  int LinkStatus(const std::string& path, FileStatus& status) override {
    return Status(path, status);
  }
  int ReadLink(const std::string&, std::string&) override { return EINVAL; }
  // Windows has no paths that name an open descriptor: "CON" and "NUL" are
  // devices, written as files are.
  int OpenDescriptor(const std::string&, bool& named, Handle&) override {
    named = false;
    return 0;
  }

  // FILE_SHARE_DELETE lets a Ctrl+C remove the file while it is open.
  int CreateExclusive(const std::string& path, Handle& handle) override {
    return Open(path, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW,
                FILE_ATTRIBUTE_NORMAL, handle);
  }
  int OpenForWriting(const std::string& path, Handle& handle) override {
    return Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, handle);
  }
  int OpenForReading(const std::string& path, Handle& handle) override {
    return Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING,
                FILE_ATTRIBUTE_NORMAL, handle);
  }
  int HandleStatus(Handle handle, FileStatus& status) override {
    return StatusOf(AsHandle(handle), status);
  }

  int Read(Handle handle, std::span<uint8_t> into, size_t& count) override {
    count = 0;
    DWORD done = 0;
    if (!ReadFile(AsHandle(handle), into.data(), Request(into.size()), &done,
                  nullptr)) {
      // A pipe whose writer has finished ends like a file.
      const DWORD error = GetLastError();
      return error == ERROR_BROKEN_PIPE ? 0 : ErrnoFrom(error);
    }
    count = done;
    return 0;
  }
  int Write(Handle handle, std::span<const uint8_t> bytes,
            size_t& count) override {
    count = 0;
    DWORD done = 0;
    if (!WriteFile(AsHandle(handle), bytes.data(), Request(bytes.size()), &done,
                   nullptr))
      return LastError();
    count = done;
    return 0;
  }
  // Owners are kept by ReplaceFileW with the rest of the old file's security.
  int SetOwner(Handle, uint32_t, uint32_t) override { return 0; }
  // So are the access control lists and the attributes ReplaceFileW keeps;
  // the ones it drops are copied when the file is replaced.
  int CopyAttributes(const std::string&, Handle) override { return 0; }
  // Only the read-only attribute has a counterpart among the mode bits.
  int SetMode(Handle handle, uint32_t mode) override {
    if ((mode & 0222) != 0) return 0;
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(AsHandle(handle), FileBasicInfo, &info,
                                      sizeof info))
      return LastError();
    info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
    return SetFileInformationByHandle(AsHandle(handle), FileBasicInfo, &info,
                                      sizeof info)
               ? 0
               : LastError();
  }
  int Sync(Handle handle) override {
    return FlushFileBuffers(AsHandle(handle)) ? 0 : LastError();
  }
  int Close(Handle handle) override {
    return CloseHandle(AsHandle(handle)) ? 0 : LastError();
  }

  // An existing file is replaced in place, keeping its attributes, security
  // and creation time; a new name is given by a move written through to the
  // disk before it returns.
  int Rename(const std::string& from, const std::string& to) override {
    std::wstring source;
    std::wstring target;
    if (const int error = SystemPath(from, source)) return error;
    if (const int error = SystemPath(to, target)) return error;
    return RetryWhileInUse([&]() -> DWORD {
      if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ReplaceExisting(target, source);
      return MoveFileExW(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                 ? ERROR_SUCCESS
                 : GetLastError();
    });
  }
  int Remove(const std::string& path) override {
    std::wstring name;
    if (const int error = SystemPath(path, name)) return error;
    return RetryWhileInUse([&]() -> DWORD {
      return DeleteFileW(name.c_str()) ? ERROR_SUCCESS : GetLastError();
    });
  }
  // The move above is written through and ReplaceFileW commits the folder's
  // entries itself; a folder cannot be synced as a file can.
  int SyncFolder(const std::string&) override { return 0; }

  uint32_t NewFileMode() override { return 0666; }
  uint32_t UserId() override { return 0; }
  // The read-only attribute refuses a save as a read-only mode does; what
  // the file's security forbids shows when it is replaced.
  int CheckWritable(const std::string&, const FileStatus& status) override {
    return (status.mode & 0222) != 0 ? 0 : EACCES;
  }

 private:
  // One request moves at most what a DWORD counts.
  static DWORD Request(size_t size) {
    constexpr size_t kMost = std::numeric_limits<DWORD>::max();
    return static_cast<DWORD>(size < kMost ? size : kMost);
  }
};

// The temporary file being written, for the Ctrl+C handler, which runs on a
// thread of its own.
std::mutex temporary_mutex;
std::wstring temporary_path;

BOOL WINAPI RemoveTemporaryOnInterrupt(DWORD) {
  {
    const std::lock_guard<std::mutex> lock(temporary_mutex);
    if (!temporary_path.empty()) DeleteFileW(temporary_path.c_str());
    temporary_path.clear();
  }
  // The next handler, in the end the system's, then ends the program.
  return FALSE;
}

}  // namespace

FileSystem& SystemFileSystem() {
  static WindowsFileSystem file_system;
  return file_system;
}

std::string ErrorReason(int error) {
  // The system's C library words some errors differently from the POSIX
  // systems; messages read the same everywhere.
  switch (error) {
    case kFileInUse:
      return "The file is open in another program";
    case ENAMETOOLONG:
      return "File name too long";
    case EIO:
      return "Input/output error";
    case ENOTSUP:
      return "Operation not supported";
    case ENOMEM:
      return "Cannot allocate memory";
    case EXDEV:
      return "Invalid cross-device link";
    default:
      return std::generic_category().message(error);
  }
}

void NoteTemporaryFile(const std::string& path) {
  std::wstring name;
  const std::lock_guard<std::mutex> lock(temporary_mutex);
  temporary_path = SystemPath(path, name) == 0 ? name : std::wstring();
}

void ForgetTemporaryFile() {
  const std::lock_guard<std::mutex> lock(temporary_mutex);
  temporary_path.clear();
}

// The handler takes the record under the same lock as Note and Forget, so
// it never sees half a name.
void HoldTerminationSignals() {}
void ReleaseTerminationSignals() {}

void InstallSaveCleanupOnSignals() {
  SetConsoleCtrlHandler(RemoveTemporaryOnInterrupt, TRUE);
}

}  // namespace orlindel::io
