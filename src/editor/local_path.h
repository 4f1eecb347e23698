// File names as the operating system takes them.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace orlindel::editor {

// `path` as the core's file functions take it: in the local 8-bit encoding
// of file names on POSIX systems, in UTF-8 on Windows, where the core turns
// it into the system's wide name (the local code page cannot hold every
// name).
inline std::string LocalPath(const QString& path) {
#ifdef Q_OS_WIN
  return path.toStdString();
#else
  return QFile::encodeName(path).toStdString();
#endif
}

}  // namespace orlindel::editor
