#include "editor/app_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "editor/file_dialog_safety.h"

namespace orlindel::editor {

namespace {

const char kRecentFilesKey[] = "recentFiles";

QString FolderKey(FileKind kind) {
  switch (kind) {
    case FileKind::kFirmware:
      return "folders/firmware";
    case FileKind::kPicture:
      return "folders/picture";
    case FileKind::kPatch:
      return "folders/patch";
    case FileKind::kLayout:
      return "folders/layout";
  }
  return "folders/other";
}

}  // namespace

QStringList RecentFiles() {
  QSettings settings;
  const QStringList stored = settings.value(kRecentFilesKey).toStringList();
  QStringList existing;
  for (const QString& path : stored)
    if (QFileInfo(path).isFile() && existing.size() < kMaxRecentFiles)
      existing << path;
  if (existing != stored) settings.setValue(kRecentFilesKey, existing);
  return existing;
}

void AddRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QSettings settings;
  QStringList files = settings.value(kRecentFilesKey).toStringList();
  files.removeAll(absolute);
  files.prepend(absolute);
  while (files.size() > kMaxRecentFiles) files.removeLast();
  settings.setValue(kRecentFilesKey, files);
}

int SavedZoom(std::span<const int> offered) {
  const int zoom = QSettings().value("view/zoom", 100).toInt();
  for (const int percent : offered)
    if (percent == zoom) return zoom;
  return 100;
}

void SaveZoom(int percent) { QSettings().setValue("view/zoom", percent); }

QString LastFolder(FileKind kind) {
  const QString folder = QSettings().value(FolderKey(kind)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() &&
                 !OnSpecialFileSystem(folder)
             ? folder
             : QString();
}

void RememberFolder(FileKind kind, const QString& chosen_file) {
  QSettings().setValue(FolderKey(kind), QFileInfo(chosen_file).absolutePath());
}

QString StartPath(FileKind kind, const QString& preset) {
  // A preset with a folder of its own (the file the user works on) wins,
  // unless that folder is one of the kernel's: a dialog there could hang.
  if (!preset.isEmpty() && QFileInfo(preset).isAbsolute()) {
    if (!OnSpecialFileSystem(QFileInfo(preset).absolutePath())) return preset;
    return StartPath(kind, QFileInfo(preset).fileName());
  }
  const QString folder = LastFolder(kind);
  if (folder.isEmpty()) return preset;
  if (!preset.isEmpty()) return QDir(folder).filePath(preset);
  return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace orlindel::editor
