#include "editor/editor_program.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <new>

#include "core/io/memory_advice.h"
#include "editor/command_line.h"
#include "editor/editor_font.h"
#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "editor/qt_user_dialogs.h"

namespace orlindel::editor {

namespace {

// The address space the toolkit's start-up (the plugins and fonts it loads,
// the threads it starts, each with a stack), the windows and their first
// drawing (the preview's bitmap and the 32 MiB the preview renderer asks
// for) take beyond what is mapped when main() begins, with room to spare:
// measured under address-space limits, the first frame needs about 35 MiB
// more, and the toolkit aborted or crashed within 2 MiB of the least limit
// the program loads under.
constexpr size_t kStartRoom = size_t{48} << 20;

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int n = 0; n < argc; ++n) arguments << QString::fromLocal8Bit(argv[n]);
  return arguments;
}

// Prints what help or version asked for; true when the program is done.
bool Answered(const CommandLine& command) {
  if (command.action != CommandLine::Action::kHelp &&
      command.action != CommandLine::Action::kVersion)
    return false;
  std::fputs(command.text.toLocal8Bit().constData(), stdout);
  return true;
}

int NotEnoughMemoryToStart() {
  std::fprintf(stderr, "orlindel: %s\n", kStartOutOfMemoryMessage);
  return kOutOfMemoryExit;
}

int RunApplication(int argc, char** argv, CommandLine command,
                   const ProgramSeams& seams) {
  QApplication app(argc, argv);
  // Qt's own options (-platform, -style, ...) are gone from the arguments
  // now; what is still not understood is the user's mistake.
  if (command.action == CommandLine::Action::kError)
    command = ParseCommandLine(QApplication::arguments());
  if (Answered(command)) return 0;
  if (command.action != CommandLine::Action::kRun) {
    std::fprintf(stderr, "orlindel: %s\n",
                 command.text.toLocal8Bit().constData());
    return 2;
  }
  SetUpApplication(app);
  QtUserDialogs real_dialogs;
  UserDialogs& dialogs =
      seams.dialogs != nullptr ? *seams.dialogs : real_dialogs;
  TfrmMain frmMain(dialogs);
  real_dialogs.SetParent(&frmMain);
  TfrmWB frmWB(frmMain.Windows(), &frmMain);
  frmMain.AttachPalette(&frmWB);
  frmWB.hide();
  frmMain.show();
  // Once the window is up, so an error shows over it.
  QTimer::singleShot(0, &frmMain, [&] {
    if (command.file) frmMain.OpenAtStart(*command.file);
    if (seams.started) seams.started(frmMain);
  });
  return QApplication::exec();
}

}  // namespace

int RunEditorProgram(int argc, char** argv, const ProgramSeams& seams) {
  CommandLine command = ParseCommandLine(Arguments(argc, argv));
  if (Answered(command)) return 0;
  // The toolkit does not survive a failed allocation of its own (a thread
  // it cannot start ends the program): the room is looked for first.
  if (!io::AddressSpaceLeft(kStartRoom)) return NotEnoughMemoryToStart();
  try {
    return RunApplication(argc, argv, command, seams);
  } catch (const std::bad_alloc&) {
    return NotEnoughMemoryToStart();
  }
}

}  // namespace orlindel::editor
