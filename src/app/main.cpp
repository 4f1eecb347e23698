// The editor: the command line first (help and version need no display),
// then the main window, the palette (hidden until the "Windows" page is
// shown), the firmware named on the command line, and the event loop.
// Closing the main window ends the program.
#include <QApplication>
#include <cstdio>

#include "editor/command_line.h"
#include "editor/editor_font.h"
#include "editor/editor_program.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int n = 0; n < argc; ++n) arguments << QString::fromLocal8Bit(argv[n]);
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  using orlindel::editor::CommandLine;
  // Prints what help or version asked for; true when the program is done.
  const auto answered = [](const CommandLine& command) {
    if (command.action != CommandLine::Action::kHelp &&
        command.action != CommandLine::Action::kVersion)
      return false;
    std::fputs(command.text.toLocal8Bit().constData(), stdout);
    return true;
  };
  CommandLine command =
      orlindel::editor::ParseCommandLine(Arguments(argc, argv));
  if (answered(command)) return 0;

  QApplication app(argc, argv);
  // Qt's own options (-platform, -style, ...) are gone from the arguments
  // now; what is still not understood is the user's mistake.
  if (command.action == CommandLine::Action::kError)
    command = orlindel::editor::ParseCommandLine(QApplication::arguments());
  if (answered(command)) return 0;
  if (command.action != CommandLine::Action::kRun) {
    std::fprintf(stderr, "orlindel: %s\n",
                 command.text.toLocal8Bit().constData());
    return 2;
  }
  orlindel::editor::SetUpApplication(app);
  const orlindel::editor::EditorProgram editor(command.file);
  return QApplication::exec();
}
