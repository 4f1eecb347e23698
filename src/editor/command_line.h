// The editor's command line: `orlindel [FILE]`, `--help`, `--version`. Read
// before any window exists, so --help and --version work without a display.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orlindel::editor {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kError };
  Action action = Action::kRun;
  std::optional<QString> file;  // kRun: the firmware to open at start
  QString text;  // kHelp, kVersion: what to print; kError: the message
};

// Reads `arguments` (the program's name first, as QCoreApplication gives
// them).
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace orlindel::editor
