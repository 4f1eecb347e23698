// The editor's windows as the program runs them: the main window, the
// palette (hidden until the "Windows" page is shown) and the real dialogs,
// with the firmware named on the command line opened once the main window is
// up. The program's main() and the start-up benchmark both start the editor
// through this class, so they start the same editor.
#pragma once

#include <QString>
#include <optional>

#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "editor/qt_user_dialogs.h"

namespace orlindel::editor {

class EditorProgram {
 public:
  // Shows the main window; `file`, when given, is opened from the event
  // loop's first turn, so an error shows over the window.
  explicit EditorProgram(const std::optional<QString>& file);

  TfrmMain& MainWindow() { return frmMain_; }

 private:
  QtUserDialogs dialogs_;
  TfrmMain frmMain_;
  TfrmWB frmWB_;
};

}  // namespace orlindel::editor
