// A test program: the editor program's own start-up (RunEditorProgram) on
// the off-screen platform, with dialogs that keep their messages. Once the
// firmware named on the command line is open, or refused, the main window is
// closed as the user closes it and the program ends as the editor ends; then
// every message shown is printed on the error stream, one a line, after
// "message: ". Takes the editor's command line. With APPLY_PATCH set in the
// environment, that patch is applied through the File menu first.
#include <QAction>
#include <QByteArray>
#include <cstdio>
#include <cstdlib>

#include "editor/editor_program.h"
#include "editor/main_window.h"
#include "tests/editor/fake_user_dialogs.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  using namespace orlindel::editor;
  testing::FakeUserDialogs dialogs;
  ProgramSeams seams;
  seams.dialogs = &dialogs;
  seams.started = [&dialogs](TfrmMain& window) {
    if (const char* patch = std::getenv("APPLY_PATCH")) {
      dialogs.open_patch_answers = {QString::fromLocal8Bit(patch)};
      if (QAction* apply = window.findChild<QAction*>("actApplyPatch"))
        apply->trigger();
    }
    dialogs.unsaved_answers = {UnsavedChoice::kDiscard};
    window.close();
  };
  const int status = RunEditorProgram(argc, argv, seams);
  for (const QString& message : dialogs.messages)
    std::fprintf(stderr, "message: %s\n", message.toLocal8Bit().constData());
  return status;
}
