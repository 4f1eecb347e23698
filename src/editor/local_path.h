// File names as the operating system takes them.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace orlindel::editor {

// `path` in the local 8-bit encoding of file names.
inline std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace orlindel::editor
