// What the editor remembers between runs, in the user's settings: the files
// opened last (newest first) and the folder each kind of file dialog used
// last.
#pragma once

#include <QString>
#include <QStringList>
#include <span>

namespace orlindel::editor {

// The Open Recent menu lists at most this many files.
inline constexpr int kMaxRecentFiles = 10;

// The remembered firmware files that still exist, newest first; files that
// no longer exist are dropped from the settings as well.
QStringList RecentFiles();
// Puts `path` (made absolute) first in the list, removing an older entry of
// the same file and the oldest beyond kMaxRecentFiles.
void AddRecentFile(const QString& path);

// The preview's zoom in percent the user chose last (100 when none or
// not one of `offered`).
int SavedZoom(std::span<const int> offered);
void SaveZoom(int percent);

// The kinds of file a dialog asks for; each remembers its own folder.
enum class FileKind { kFirmware, kPicture, kPatch, kLayout };

// The folder of the last file of `kind` an action used successfully; empty
// when none was remembered, it no longer exists or it lies on one of the
// kernel's file systems (/proc, /sys, /dev).
QString LastFolder(FileKind kind);
// Remembers the folder of `chosen_file` for the next dialog of `kind`; call
// it once the action on that file has succeeded.
void RememberFolder(FileKind kind, const QString& chosen_file);
// Where a dialog of `kind` starts: `preset` when it names a file in a folder,
// otherwise the remembered folder ("folder/" or "folder/name" keeping a bare
// preset name), or `preset` as given when no folder is remembered. A preset
// in one of the kernel's folders keeps only its name.
QString StartPath(FileKind kind, const QString& preset);

}  // namespace orlindel::editor
