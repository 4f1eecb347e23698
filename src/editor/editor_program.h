// The editor program from its command line to the end of its event loop:
// main() runs it with the real dialogs; tests run the same start-up with
// their own dialogs and a scripted end.
#pragma once

#include <functional>

#include "editor/user_dialogs.h"

namespace orlindel::editor {

class TfrmMain;

// Printed on the error stream, and the program's exit status, when there is
// not room enough to start the toolkit and the windows, or the start-up runs
// out of memory all the same.
inline constexpr char kStartOutOfMemoryMessage[] =
    "Not enough memory to start the editor; close other programs, then try "
    "again.";
inline constexpr int kOutOfMemoryExit = 4;

// What a test puts in the user's place.
struct ProgramSeams {
  // The dialogs to use instead of the real ones (not owned); null: the real
  // ones.
  UserDialogs* dialogs = nullptr;
  // Runs once the firmware named on the command line has been opened (or
  // refused with a message), or once the window shows when none is named.
  std::function<void(TfrmMain&)> started;
};

// Help and version are answered without a display (exit 0); a command line
// that is not understood is exit 2. Otherwise the windows open, with the
// firmware named on the command line, and the event loop runs until the
// main window closes (its exit status). Before the toolkit starts, the
// address space it and the windows take is looked for: without it, and
// should the start-up run out of memory all the same, the program prints
// kStartOutOfMemoryMessage and exits with kOutOfMemoryExit instead of
// failing inside the toolkit. Later failed allocations are the handlers'
// (see guarded_slot.h).
int RunEditorProgram(int argc, char** argv, const ProgramSeams& seams = {});

}  // namespace orlindel::editor
