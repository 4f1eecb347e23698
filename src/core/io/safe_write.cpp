#include "core/io/safe_write.h"

#include <cerrno>
#include <random>
#include <system_error>
#include <vector>

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

// Applies CheckLinkMayBeFollowed to every folder on the way to `path` that
// is a link: a folder link planted in a shared folder would lead the save
// elsewhere as surely as a link at the last name. (Links met inside such a
// link's own target are the system's to resolve.)
void CheckFoldersOf(const std::string& path, const std::string& named,
                    FileSystem& fs) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    FileStatus status;
    if (const int error = fs.LinkStatus(folder, status)) Fail(named, error);
    if (status.type != FileType::kSymlink) continue;
    if (const int refused = CheckLinkMayBeFollowed(folder, status, fs))
      Fail(named, refused);
  }
}

// The file a chain of links at `path` ends in (which may not exist yet), or
// `path` itself when it is no link.
std::string FinalTarget(const std::string& path, FileSystem& fs) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    CheckFoldersOf(current, path, fs);
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

// Writes `bytes` through an open handle and closes it.
void WriteThrough(const std::string& path, Handle handle,
                  std::span<const uint8_t> bytes, FileSystem& fs) {
  int error = WriteAll(fs, handle, bytes);
  const int close_error = fs.Close(handle);
  if (error == 0 && close_error != EINTR) error = close_error;
  if (error != 0) Fail(path, error);
}

// A device or FIFO takes the bytes as they come: there is nothing to replace.
void WriteDirectly(const std::string& path, std::span<const uint8_t> bytes,
                   FileSystem& fs) {
  Handle handle = -1;
  int error;
  do error = fs.OpenForWriting(path, handle);
  while (error == EINTR);
  if (error != 0) Fail(path, error);
  WriteThrough(path, handle, bytes, fs);
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

// The old file's owner and group, where this process may give them: a user
// who may not give a file away keeps the new file as theirs, but still gives
// it the old group when they belong to it. What could not be kept is added
// to `lost`.
int KeepOwner(FileSystem& fs, Handle handle, const FileStatus& old,
              std::vector<std::string>& lost) {
  FileStatus fresh;
  if (const int error = fs.HandleStatus(handle, fresh)) return error;
  if (fresh.owner == old.owner && fresh.group == old.group) return 0;
  int error = fs.SetOwner(handle, old.owner, old.group);
  if (error != EPERM) return error;
  if (fresh.owner != old.owner) lost.emplace_back("its owner");
  if (fresh.group == old.group) return 0;
  error = fs.SetOwner(handle, kUnchangedId, old.group);
  if (error != EPERM) return error;
  lost.emplace_back("its group");
  return 0;
}

// What the new file takes over from the old one besides its bytes: owner,
// group and mode (the owner first: giving a file away clears its set-user-id
// bits), then the extended attributes and access control lists (after the
// mode, which would otherwise narrow an ACL's mask).
int KeepMetadata(FileSystem& fs, Handle handle, const std::string& target,
                 const FileStatus& old, std::vector<std::string>& lost) {
  if (const int error = KeepOwner(fs, handle, old, lost)) return error;
  if (const int error = fs.SetMode(handle, old.mode)) return error;
  if (const int error = fs.CopyAttributes(target, handle))
    lost.push_back("its extended attributes or access control list (" +
                   ErrorReason(error) + ")");
  // A new file cannot take the old one's place under its other names.
  if (old.links > 1)
    lost.emplace_back("its other hard links, which keep the old contents");
  return 0;
}

// The sentence that tells what a saved file could not keep; empty when it
// kept everything.
std::string LostNotice(const std::string& path,
                       const std::vector<std::string>& lost) {
  if (lost.empty()) return {};
  std::string notice = "\"" + path + "\" was saved without ";
  for (size_t k = 0; k < lost.size(); ++k) {
    if (k > 0) notice += k + 1 == lost.size() ? " and " : ", ";
    notice += lost[k];
  }
  return notice;
}

// Replaces the file at `target` (or creates it); `old` describes the file
// there, if any, and `private_file` gives the new one mode 0600 and nothing
// of the old one. Returns LostNotice.
std::string ReplaceFile(const std::string& path, const std::string& target,
                        const FileStatus* old, bool private_file,
                        std::span<const uint8_t> bytes, FileSystem& fs) {
  const std::string folder = FolderOf(target);
  Handle handle = -1;
  const std::string temporary = CreateTemporary(folder, path, handle, fs);

  std::vector<std::string> lost;
  int error = WriteAll(fs, handle, bytes);
  if (error == 0 && private_file) {
    error = fs.SetMode(handle, 0600);
  } else if (error == 0 && old != nullptr) {
    error = KeepMetadata(fs, handle, target, *old, lost);
  } else if (error == 0) {
    error = fs.SetMode(handle, fs.NewFileMode());
  }
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
  return LostNotice(path, lost);
}

}  // namespace

std::string WriteFileSafely(const std::string& path,
                            std::span<const uint8_t> bytes, FileSystem& fs) {
  if (path.empty()) Fail(path, ENOENT);
  bool descriptor = false;
  Handle handle = -1;
  if (const int error = fs.OpenDescriptor(path, descriptor, handle))
    Fail(path, error);
  if (descriptor) {
    WriteThrough(path, handle, bytes, fs);
    return {};
  }
  FileStatus status;
  const int error = fs.Status(path, status);
  // ENOENT: nothing there yet, or a link to nothing (followed below).
  if (error != 0 && error != ENOENT) Fail(path, error);
  const bool exists = error == 0;
  if (exists && status.type == FileType::kDirectory) Fail(path, EISDIR);
  if (exists && status.type != FileType::kRegular) {
    WriteDirectly(path, bytes, fs);
    return {};
  }
  const std::string target = FinalTarget(path, fs);
  if (exists) {
    if (const int refused = fs.CheckWritable(target, status))
      Fail(path, refused);
  }
  return ReplaceFile(path, target, exists ? &status : nullptr, false, bytes,
                     fs);
}

void WritePrivateFile(const std::string& path, std::span<const uint8_t> bytes,
                      FileSystem& fs) {
  if (path.empty()) Fail(path, ENOENT);
  FileStatus status;
  const int error = fs.LinkStatus(path, status);
  if (error != 0 && error != ENOENT) Fail(path, error);
  if (error == 0 && status.type == FileType::kSymlink)
    throw FileError(FileError::Kind::kCreate, path,
                    "A symbolic link stands in its place; it is not followed");
  if (error == 0 && status.type != FileType::kRegular)
    throw FileError(FileError::Kind::kCreate, path, "Not a regular file");
  ReplaceFile(path, path, nullptr, true, bytes, fs);
}

}  // namespace orlindel::io
