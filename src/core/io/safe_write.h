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
// - A path naming an open descriptor (/dev/stdout, /dev/stderr, /dev/fd/N,
//   /proc/self/fd/N, /proc/PID/fd/N, or a link to one) is written through
//   that descriptor: the file behind it is never replaced, an appending
//   descriptor appends, and a file deleted since it was opened gets the bytes
//   (no file "NAME (deleted)" appears).
// - A regular file (or a new one) is replaced only once the new contents are
//   completely on the disk; it keeps its mode, its extended attributes and
//   access control lists and, where the process may set them, its owner and
//   group (the group alone when only that may be given). A new file gets the
//   usual mode (0666 less the creation mask). Its other hard links, if any,
//   keep the old contents: the new file takes the place of this name only.
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
// Returns, for a replaced file that could not keep everything, one sentence
// saying what it lost ("\"fw.bin\" was saved without its owner and its
// group"), for the user to see; else an empty string.
std::string WriteFileSafely(const std::string& path,
                            std::span<const uint8_t> bytes,
                            FileSystem& file_system = SystemFileSystem());

// Writes a file of the program's own that holds the user's data (the journal
// of unsaved edits) as WriteFileSafely replaces a file, but never through a
// link: a symbolic link in its place (even a dangling one) or anything but a
// regular file there is refused with FileError (create), never followed or
// written. The file is always readable and writable by this user only (0600).
void WritePrivateFile(const std::string& path, std::span<const uint8_t> bytes,
                      FileSystem& file_system = SystemFileSystem());

// Makes the terminating signals a save can meet (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2) remove the temporary file of a save in
// progress before the program ends as the signal asks, and ignores SIGPIPE
// and SIGXFSZ so that a reader that left or a file-size limit fail the write
// ("Broken pipe", "File too large") instead of ending the program. Call once,
// early in main(); signals already ignored stay ignored.
void InstallSaveCleanupOnSignals();

}  // namespace orlindel::io
