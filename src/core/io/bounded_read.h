// Reading a whole file into memory, refusing one larger than a given limit
// before its contents are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/io/file_bytes.h"
#include "core/io/file_system.h"

namespace orlindel::io {

// The whole regular file at `path` (possibly empty). Throws FileError (open)
// naming `path` when it cannot be opened or read completely, is a directory
// or not a regular file, or holds more than `limit` bytes ("The file is
// larger than N MiB, the most an image may have"); OutOfMemoryError when its
// contents do not fit in memory.
FileBytes ReadWholeFile(const std::string& path, int64_t limit,
                        FileSystem& file_system = SystemFileSystem());

// As ReadWholeFile, but a FIFO (a named one, or a pipe given by name as
// /dev/fd/N, as a shell's process substitution does) is read to its end like
// standard input, with the same limit. A FIFO without a writer reads as
// empty, never as a wait.
FileBytes ReadWholeFileOrPipe(const std::string& path, int64_t limit,
                              FileSystem& file_system = SystemFileSystem());

// Everything left to read from `handle` (standard input, a pipe, a file), at
// most `limit` bytes; the handle stays open. Errors as ReadWholeFile's, named
// `name`; a source that goes on past `limit` is refused once `limit` + 1
// bytes have come.
FileBytes ReadWholeHandle(Handle handle, const std::string& name, int64_t limit,
                          FileSystem& file_system = SystemFileSystem());

// One read request on a source of unknown length: fills the front of `into`
// and sets `count` (0 at the end); returns 0 or an errno value.
using ReadSome = std::function<int(std::span<uint8_t> into, size_t& count)>;

// Everything `read_some` delivers, at most `limit` bytes; a source that goes
// on past `limit` is refused once `limit` + 1 bytes have come. Interrupted
// requests (EINTR) are repeated. Errors as ReadWholeFile's, named `name`.
FileBytes ReadToLimit(const ReadSome& read_some, const std::string& name,
                      int64_t limit);

}  // namespace orlindel::io
