#include "core/io/bounded_read.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "core/errors.h"
#include "core/text.h"

namespace orlindel::io {

namespace {

// Read requests from a source of unknown length.
constexpr size_t kChunk = size_t{1} << 16;

[[noreturn]] void Fail(const std::string& name, const std::string& reason) {
  throw FileError(FileError::Kind::kOpen, name, reason);
}

[[noreturn]] void Fail(const std::string& name, int error) {
  Fail(name, ErrorReason(error));
}

[[noreturn]] void TooLarge(const std::string& name, int64_t limit) {
  Fail(name, Format("The file is larger than %lld MiB, the most an image may "
                    "have",
                    static_cast<long long>(limit >> 20)));
}

// One read request, repeated when interrupted.
int ReadSomeOf(const ReadSome& read_some, std::span<uint8_t> into,
               size_t& count) {
  int error;
  do error = read_some(into, count);
  while (error == EINTR);
  return error;
}

// A ReadSome on an open handle.
ReadSome HandleReader(FileSystem& fs, Handle handle) {
  return [&fs, handle](std::span<uint8_t> into, size_t& count) {
    return fs.Read(handle, into, count);
  };
}

// Fills `bytes` (sized from the file's stated length) completely.
void ReadExactly(FileSystem& fs, Handle handle, const std::string& name,
                 FileBytes& bytes) {
  const ReadSome read_some = HandleReader(fs, handle);
  std::span<uint8_t> rest(bytes);
  while (!rest.empty()) {
    size_t count = 0;
    if (const int error = ReadSomeOf(read_some, rest, count)) Fail(name, error);
    if (count == 0) Fail(name, "The file ended before its full size was read");
    rest = rest.subspan(count);
  }
}

// Makes room in `bytes` for `size` bytes, at least twice the room it had, so
// that a stream of unknown length is copied into a larger buffer (advised
// for large pages as it is allocated) only a few times.
void MakeRoom(FileBytes& bytes, size_t size) {
  if (size <= bytes.capacity()) return;
  bytes.reserve(std::max(size, 2 * bytes.capacity()));
}

// Opens `path` for reading, again when a signal cut the open short.
Handle OpenToRead(FileSystem& fs, const std::string& path) {
  Handle handle = -1;
  int error;
  do error = fs.OpenForReading(path, handle);
  while (error == EINTR);
  if (error != 0) Fail(path, error);
  return handle;
}

}  // namespace

FileBytes ReadWholeFile(const std::string& path, int64_t limit,
                        FileSystem& fs) {
  FileStatus status;
  if (const int error = fs.Status(path, status)) Fail(path, error);
  if (status.type == FileType::kDirectory) Fail(path, EISDIR);
  if (status.type != FileType::kRegular) Fail(path, "Not a regular file");

  const Handle handle = OpenToRead(fs, path);
  try {
    // The opened file is checked again: the name may have been given to
    // something else after the first look.
    if (const int stat_error = fs.HandleStatus(handle, status))
      Fail(path, stat_error);
    if (status.type != FileType::kRegular) Fail(path, "Not a regular file");
    if (status.size > limit) TooLarge(path, limit);
    FileBytes bytes;
    try {
      // Allocated (and advised for large pages) without a value, then
      // filled by the read.
      bytes.resize(static_cast<size_t>(status.size));
    } catch (const std::bad_alloc&) {
      throw OutOfMemoryError(path);
    }
    ReadExactly(fs, handle, path, bytes);
    fs.Close(handle);
    return bytes;
  } catch (...) {
    fs.Close(handle);
    throw;
  }
}

FileBytes ReadWholeFileOrPipe(const std::string& path, int64_t limit,
                              FileSystem& fs) {
  FileStatus status;
  if (const int error = fs.Status(path, status)) Fail(path, error);
  if (status.type != FileType::kFifo) return ReadWholeFile(path, limit, fs);
  const Handle handle = OpenToRead(fs, path);
  try {
    FileBytes bytes = ReadWholeHandle(handle, path, limit, fs);
    fs.Close(handle);
    return bytes;
  } catch (...) {
    fs.Close(handle);
    throw;
  }
}

FileBytes ReadWholeHandle(Handle handle, const std::string& name, int64_t limit,
                          FileSystem& fs) {
  FileStatus status;
  if (const int error = fs.HandleStatus(handle, status)) Fail(name, error);
  if (status.type == FileType::kDirectory) Fail(name, EISDIR);
  // A regular file states its length: one over the limit is refused unread.
  if (status.type == FileType::kRegular && status.size > limit)
    TooLarge(name, limit);
  return ReadToLimit(HandleReader(fs, handle), name, limit);
}

FileBytes ReadToLimit(const ReadSome& read_some, const std::string& name,
                      int64_t limit) {
  const auto most = static_cast<size_t>(limit);
  FileBytes bytes;
  try {
    for (;;) {
      const size_t have = bytes.size();
      // Never more than one byte past the limit: enough to know it is passed.
      const size_t want = have + std::min(kChunk, most + 1 - have);
      MakeRoom(bytes, want);
      bytes.resize(want);
      size_t count = 0;
      const int error =
          ReadSomeOf(read_some, std::span<uint8_t>(bytes).subspan(have), count);
      bytes.resize(have + count);
      if (error != 0) Fail(name, error);
      if (count == 0) return bytes;
      if (bytes.size() > most) TooLarge(name, limit);
    }
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError(name);
  }
}

}  // namespace orlindel::io
