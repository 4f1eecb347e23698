// The editor: the main window first, then the palette (hidden until the
// "Windows" page is shown), then the event loop. Closing the main window ends
// the program.
#include <QApplication>

#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "editor/qt_user_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  orlindel::editor::QtUserDialogs dialogs;
  orlindel::editor::TfrmMain frmMain(dialogs);
  dialogs.SetParent(&frmMain);
  orlindel::editor::TfrmWB frmWB(frmMain.Windows(), &frmMain);
  frmMain.AttachPalette(&frmWB);
  frmWB.hide();
  frmMain.show();
  return QApplication::exec();
}
