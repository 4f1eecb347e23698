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
enum class FileKind { kFirmware, kPicture, kPatch };

// The folder the last dialog of `kind` chose a file in; empty when none was
// remembered or it no longer exists.
QString LastFolder(FileKind kind);
// Remembers the folder of `chosen_file` for the next dialog of `kind`.
void RememberFolder(FileKind kind, const QString& chosen_file);
// Where a dialog of `kind` starts: `preset` when it names a file in a folder,
// otherwise the remembered folder ("folder/" or "folder/name" keeping a bare
// preset name), or `preset` as given when no folder is remembered.
QString StartPath(FileKind kind, const QString& preset);

}  // namespace orlindel::editor
