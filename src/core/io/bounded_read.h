// Reading a whole file into memory, refusing one larger than a given limit
// before its contents are read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/io/file_system.h"

namespace orlindel::io {

// The whole regular file at `path` (possibly empty). Throws FileError (open)
// naming `path` when it cannot be opened or read completely, is a directory
// or not a regular file, or holds more than `limit` bytes ("The file is
// larger than N MiB, the most an image may have"); OutOfMemoryError when its
// contents do not fit in memory.
std::vector<uint8_t> ReadWholeFile(
    const std::string& path, int64_t limit,
    FileSystem& file_system = SystemFileSystem());

// Everything left to read from `handle` (standard input, a pipe, a file), at
// most `limit` bytes; the handle stays open. Errors as ReadWholeFile's, named
// `name`; a source that goes on past `limit` is refused once `limit` + 1
// bytes have come.
std::vector<uint8_t> ReadWholeHandle(
    Handle handle, const std::string& name, int64_t limit,
    FileSystem& file_system = SystemFileSystem());

}  // namespace orlindel::io
