#include "editor/export_names.h"

#include <QDir>
#include <QFileInfo>

namespace orlindel::editor {

QString ExportName(const QString& firmware_path, const QString& ending) {
  if (firmware_path.isEmpty()) return "firmware" + ending;
  const QFileInfo file(firmware_path);
  return file.absoluteDir().filePath(file.completeBaseName() + ending);
}

}  // namespace orlindel::editor
