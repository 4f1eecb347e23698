// What keeps a file dialog from hanging on the system's special files: the
// pseudo-files of /proc and /sys and the devices of /dev may block a reader
// for ever (/proc/kmsg waits for the next kernel message), so a dialog never
// reads a file's content to show it, and never starts in such a folder.
#pragma once

#include <QString>

class QFileDialog;

namespace orlindel::editor {

// True when `path` (a file or a folder) lies on a file system of the kernel's
// own (proc, sysfs, devtmpfs and their kind), whose files are no documents.
bool OnSpecialFileSystem(const QString& path);

// True for a regular file on an ordinary file system: one whose content may
// be read to show a preview of it.
bool IsPlainFile(const QString& path);

// Gives `dialog` icons and type names taken from the file names alone; Qt's
// own would read each file's first bytes to guess its type.
void UseNameOnlyIcons(QFileDialog& dialog);

}  // namespace orlindel::editor
