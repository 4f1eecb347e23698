// The editor: the command line first (help and version need no display),
// then the main window, the palette (hidden until the "Windows" page is
// shown), the firmware named on the command line, and the event loop.
// Closing the main window ends the program.
#include "editor/editor_program.h"

int main(int argc, char** argv) {
  return orlindel::editor::RunEditorProgram(argc, argv);
}
