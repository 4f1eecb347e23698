#include "core/io/safe_write.h"

#include <cerrno>
#include <random>

#include "core/errors.h"

namespace orlindel::io {

namespace {

// Links followed before giving up, as the system does for a path.
constexpr int kMaxLinkHops = 40;
// Fresh temporary names tried before the folder is taken as hostile.
constexpr int kMaxNameAttempts = 100;
constexpr size_t kMaxWriteRequest = size_t{1} << 30;

[[noreturn]] void Fail(const std::string& path, int error) {
  throw FileError(FileError::Kind::kCreate, path, ErrorReason(error));
}

// The folder that holds `path`: "." for a bare name, "/" for the root.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + kPathSeparators[0] + name;
}

std::string TemporaryName() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string name = kTemporaryPrefix;
  for (int k = 0; k < 6; ++k) name += kLetters[pick(engine)];
  return name;
}

// A link in a folder anyone may write to but only owners may delete from
// (the sticky bit, as in /tmp) is followed only when it belongs to this user
// or to the folder's owner: anyone else could have planted it there to make
// the save replace a file of their choosing.
int CheckLinkMayBeFollowed(const std::string& link, const FileStatus& status,
                           FileSystem& fs) {
  FileStatus folder;
  if (const int error = fs.Status(FolderOf(link), folder)) return error;
  const bool shared = (folder.mode & 01002) == 01002;
  if (shared && status.owner != fs.UserId() && status.owner != folder.owner)
    return EACCES;
  return 0;
}

// The file a chain of links at `path` ends in (which may not exist yet), or
// `path` itself when it is no link.
std::string FinalTarget(const std::string& path, FileSystem& fs) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    FileStatus status;
    const int error = fs.LinkStatus(current, status);
    if (error == ENOENT) return current;
    if (error != 0) Fail(path, error);
    if (status.type != FileType::kSymlink) return current;
    if (const int refused = CheckLinkMayBeFollowed(current, status, fs))
      Fail(path, refused);
    std::string target;
    if (const int read_error = fs.ReadLink(current, target))
      Fail(path, read_error);
    current = !target.empty() && target[0] == '/'
                  ? target
                  : (current.find('/') == std::string::npos
                         ? target
                         : InFolder(FolderOf(current), target));
  }
  Fail(path, ELOOP);
}

// Writes all of `bytes`, however the system splits the requests; an
// interrupted request is repeated.
int WriteAll(FileSystem& fs, Handle handle, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    size_t written = 0;
    const int error = fs.Write(
        handle, bytes.first(std::min(bytes.size(), kMaxWriteRequest)), written);
    if (error == EINTR) continue;
    if (error != 0) return error;
    if (written == 0) return EIO;
    bytes = bytes.subspan(written);
  }
  return 0;
}

int SyncRetrying(FileSystem& fs, Handle handle) {
  int error;
  do error = fs.Sync(handle);
  while (error == EINTR);
  return error;
}

// Closes after the contents are synced: an interrupted close has still
// released the file, and nothing of the contents is left to lose.
int CloseSynced(FileSystem& fs, Handle handle) {
  const int error = fs.Close(handle);
  return error == EINTR ? 0 : error;
}

// A device or FIFO takes the bytes as they come: there is nothing to replace.
void WriteDirectly(const std::string& path, std::span<const uint8_t> bytes,
                   FileSystem& fs) {
  Handle handle = -1;
  int error;
  do error = fs.OpenForWriting(path, handle);
  while (error == EINTR);
  if (error != 0) Fail(path, error);
  error = WriteAll(fs, handle, bytes);
  const int close_error = fs.Close(handle);
  if (error == 0 && close_error != EINTR) error = close_error;
  if (error != 0) Fail(path, error);
}

// Creates a temporary file in `folder` under a name nobody else holds; a
// name that already stands there, whatever it is (a link, a FIFO, another
// save's file), is left alone and another name tried.
std::string CreateTemporary(const std::string& folder, const std::string& path,
                            Handle& handle, FileSystem& fs) {
  for (int attempt = 0; attempt < kMaxNameAttempts;) {
    const std::string temporary = InFolder(folder, TemporaryName());
    HoldTerminationSignals();
    const int error = fs.CreateExclusive(temporary, handle);
    if (error == 0) NoteTemporaryFile(temporary);
    ReleaseTerminationSignals();
    if (error == 0) return temporary;
    if (error == EINTR) continue;
    if (error != EEXIST) Fail(path, error);
    ++attempt;
  }
  Fail(path, EEXIST);
}

// The old file's owner, where this process may give it; a user who may not
// give a file away keeps the new file as theirs.
int KeepOwner(FileSystem& fs, Handle handle, const FileStatus& old) {
  FileStatus fresh;
  if (const int error = fs.HandleStatus(handle, fresh)) return error;
  if (fresh.owner == old.owner && fresh.group == old.group) return 0;
  const int error = fs.SetOwner(handle, old.owner, old.group);
  return error == EPERM ? 0 : error;
}

void ReplaceFile(const std::string& path, const std::string& target,
                 const FileStatus* old, std::span<const uint8_t> bytes,
                 FileSystem& fs) {
  const std::string folder = FolderOf(target);
  Handle handle = -1;
  const std::string temporary = CreateTemporary(folder, path, handle, fs);

  int error = WriteAll(fs, handle, bytes);
  // The owner first: giving a file away clears its set-user-id bits.
  if (error == 0 && old != nullptr) error = KeepOwner(fs, handle, *old);
  if (error == 0)
    error = fs.SetMode(handle, old != nullptr ? old->mode : fs.NewFileMode());
  if (error == 0) error = SyncRetrying(fs, handle);
  if (error != 0) {
    fs.Close(handle);
  } else {
    error = CloseSynced(fs, handle);
  }
  if (error != 0) {
    fs.Remove(temporary);
    ForgetTemporaryFile();
    Fail(temporary, error);
  }

  error = fs.Rename(temporary, target);
  if (error != 0) {
    fs.Remove(temporary);
    ForgetTemporaryFile();
    Fail(path, error);
  }
  ForgetTemporaryFile();

  // Without this the rename itself may be lost in a power cut. Some file
  // systems cannot sync a folder; they say so and are believed.
  error = fs.SyncFolder(folder);
  if (error != 0 && error != EINVAL && error != ENOTSUP) Fail(folder, error);
}

}  // namespace

void WriteFileSafely(const std::string& path, std::span<const uint8_t> bytes,
                     FileSystem& fs) {
  if (path.empty()) Fail(path, ENOENT);
  FileStatus status;
  const int error = fs.Status(path, status);
  // ENOENT: nothing there yet, or a link to nothing (followed below).
  if (error != 0 && error != ENOENT) Fail(path, error);
  const bool exists = error == 0;
  if (exists && status.type == FileType::kDirectory) Fail(path, EISDIR);
  if (exists && status.type != FileType::kRegular) {
    WriteDirectly(path, bytes, fs);
    return;
  }
  const std::string target = FinalTarget(path, fs);
  if (exists) {
    if (const int refused = fs.CheckWritable(target, status))
      Fail(path, refused);
  }
  ReplaceFile(path, target, exists ? &status : nullptr, bytes, fs);
}

}  // namespace orlindel::io
