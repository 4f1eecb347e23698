// Saving a file so that it is, at every moment, either what it was or wholly
// the new contents: written beside its final name under a fresh temporary
// name, synced to the disk, then moved over the old file in one step.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/io/file_system.h"

namespace orlindel::io {

// The temporary file's name in the target's folder: this prefix and six
// random letters or digits, short enough for any target name.
inline constexpr char kTemporaryPrefix[] = ".orlindel.";

// Writes `bytes` to the file at `path`.
// - A regular file (or a new one) is replaced only once the new contents are
//   completely on the disk; it keeps its mode and, where the process may set
//   it, its owner. A new file gets the usual mode (0666 less the creation
//   mask).
// - A symbolic link is followed to its final target, which is written; the
//   link stays.
// - A character device or a FIFO with a reader is written directly; a FIFO
//   without a reader is an error, never a wait.
// Throws FileError (create) naming the path that failed: the target when the
// file cannot be created or replaced there or is read-only ("Permission
// denied", also for the super-user), the temporary file when writing or
// syncing it fails, the folder when the rename cannot be synced. In every
// case but the last the target is left as it was, and no temporary file
// remains.
void WriteFileSafely(const std::string& path, std::span<const uint8_t> bytes,
                     FileSystem& file_system = SystemFileSystem());

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of a save in
// progress before the program ends as the signal asks. Call once, early in
// main(); signals already ignored stay ignored.
void InstallSaveCleanupOnSignals();

}  // namespace orlindel::io
