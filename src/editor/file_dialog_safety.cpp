#include "editor/file_dialog_safety.h"

#include <QByteArray>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QObject>
#include <QStorageInfo>
#include <array>
#include <string_view>

namespace orlindel::editor {

namespace {

// The kernel's file systems whose entries are interfaces, not documents.
constexpr std::array<std::string_view, 16> kSpecialFileSystems = {
    "proc",       "sysfs",    "devtmpfs",    "devpts",   "debugfs", "tracefs",
    "securityfs", "cgroup",   "cgroup2",     "configfs", "pstore",  "bpf",
    "mqueue",     "efivarfs", "binfmt_misc", "fusectl"};

// Icons by kind and type names by suffix; owned by the dialog it serves.
class NameOnlyIcons : public QObject, public QFileIconProvider {
 public:
  explicit NameOnlyIcons(QObject* parent) : QObject(parent) {}

  QIcon icon(IconType type) const override {
    return QFileIconProvider::icon(type);
  }
  QIcon icon(const QFileInfo& info) const override {
    return QFileIconProvider::icon(info.isDir() ? Folder : File);
  }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QStringLiteral("Folder");
    return mime_types_
        .mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension)
        .comment();
  }

 private:
  QMimeDatabase mime_types_;
};

}  // namespace

bool OnSpecialFileSystem(const QString& path) {
  if (path.isEmpty()) return false;
  const QStorageInfo storage(path);
  if (!storage.isValid()) return false;
  const QByteArray type = storage.fileSystemType();
  const std::string_view name(type.constData(), size_t(type.size()));
  for (const std::string_view special : kSpecialFileSystems)
    if (name == special) return true;
  return false;
}

bool IsPlainFile(const QString& path) {
  // isFile() is false for devices, pipes and sockets.
  return QFileInfo(path).isFile() && !OnSpecialFileSystem(path);
}

void UseNameOnlyIcons(QFileDialog& dialog) {
  dialog.setIconProvider(new NameOnlyIcons(&dialog));
}

}  // namespace orlindel::editor
