// The file-system calls that loading and saving make, behind one interface:
// the real one for this platform, and in tests one that fails any chosen call.
// Every call returns 0 or the system's error number (an errno value; on
// Windows the system's error translated to the nearest one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orlindel::io {

// An open file: a descriptor on POSIX systems, a HANDLE on Windows.
#ifdef _WIN32
using Handle = intptr_t;
#else
using Handle = int;
#endif

// The characters that end a folder's name in a path on this system.
#ifdef _WIN32
inline constexpr char kPathSeparators[] = "\\/";
#else
inline constexpr char kPathSeparators[] = "/";
#endif

// An error number that only Windows gives: the file is open in another
// program that does not share it.
inline constexpr int kFileInUse = -2;

enum class FileType {
  kMissing,
  kRegular,
  kDirectory,
  kSymlink,  // only from LinkStatus
  kCharDevice,
  kFifo,
  kOther,
};

struct FileStatus {
  FileType type = FileType::kMissing;
  uint32_t mode = 0;  // permission bits, 07777 at most
  uint32_t owner = 0;
  uint32_t group = 0;
  int64_t size = 0;
  int64_t links = 1;  // names the file has (hard links)
};

// For SetOwner: the owner or group stays as it is.
inline constexpr uint32_t kUnchangedId = 0xFFFFFFFF;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The file at `path`, links followed / the link itself.
  virtual int Status(const std::string& path, FileStatus& status) = 0;
  virtual int LinkStatus(const std::string& path, FileStatus& status) = 0;
  // What the link at `path` holds, as written in it.
  virtual int ReadLink(const std::string& path, std::string& target) = 0;
  // When `path` names an open descriptor (of this process: /dev/stdout,
  // /dev/stderr, /dev/fd/N, /proc/self/fd/N; of another: /proc/PID/fd/N),
  // sets `named` and opens a handle writing through it: the same open file
  // with its append mode and position. Otherwise clears `named` and returns 0.
  virtual int OpenDescriptor(const std::string& path, bool& named,
                             Handle& handle) = 0;

  // Creates `path`, which must not exist (not even as a dangling link),
  // readable and writable by its owner only.
  virtual int CreateExclusive(const std::string& path, Handle& handle) = 0;
  // Opens an existing file for writing without truncating it and without
  // waiting: a FIFO without a reader fails at once. The handle then blocks
  // as usual.
  virtual int OpenForWriting(const std::string& path, Handle& handle) = 0;
  // Opens `path` for reading without waiting for a FIFO's writer.
  virtual int OpenForReading(const std::string& path, Handle& handle) = 0;
  virtual int HandleStatus(Handle handle, FileStatus& status) = 0;

  // One read or write request; `count` is what it moved, possibly fewer
  // bytes than asked (0 at the end of a file).
  virtual int Read(Handle handle, std::span<uint8_t> into, size_t& count) = 0;
  virtual int Write(Handle handle, std::span<const uint8_t> bytes,
                    size_t& count) = 0;
  // Either may be kUnchangedId.
  virtual int SetOwner(Handle handle, uint32_t owner, uint32_t group) = 0;
  virtual int SetMode(Handle handle, uint32_t mode) = 0;
  // Gives the file of `handle` the extended attributes of the file at
  // `from`, its access control lists among them. Returns the first error of
  // an attribute that could not be read or set; the others are still copied.
  // A file system that keeps none for the old file has nothing to copy: 0.
  virtual int CopyAttributes(const std::string& from, Handle handle) = 0;
  // Waits until the file's contents and attributes are on the disk.
  virtual int Sync(Handle handle) = 0;
  virtual int Close(Handle handle) = 0;

  // Moves `from` over `to` in one step: `to` is the old or the new file,
  // never neither.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;
  // Waits until the folder's entries (a rename into it) are on the disk.
  virtual int SyncFolder(const std::string& path) = 0;

  // The mode a new file gets (the process's file creation mask applied).
  virtual uint32_t NewFileMode() = 0;
  // The effective user id.
  virtual uint32_t UserId() = 0;
  // 0 when this user may write the existing file `status` describes, else
  // EACCES. The super-user passes the permission checks of the system, so
  // for it a file with no write permission bit counts as read-only.
  virtual int CheckWritable(const std::string& path,
                            const FileStatus& status) = 0;
};

// The real file system of this platform.
FileSystem& SystemFileSystem();

// The words for an error number these calls returned, as messages show it.
std::string ErrorReason(int error);

// The record of the temporary file a save is writing, kept so that a signal
// handler can remove it. Async-signal-safe to read; one save at a time.
void NoteTemporaryFile(const std::string& path);
void ForgetTemporaryFile();
// Keeps the terminating signals a save can meet (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2) waiting in this thread from Hold to
// Release, so that none ends the program between the creation of a
// temporary file and its record.
void HoldTerminationSignals();
void ReleaseTerminationSignals();

}  // namespace orlindel::io
