// A test program: an editor session that opens the firmware FILE, edits
// window 3 (one move, then a drag of two more) with its journal in FOLDER,
// waits until the journal is written, prints "ready" and the CRC-32 of its
// image, then waits to be killed.
#include <QApplication>
#include <QThread>
#include <cstdio>

#include "core/patch/crc32.h"
#include "editor/editor_document.h"
#include "editor/unsaved_edits_journal.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: journal_child FILE FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  using namespace orlindel;
  editor::EditorDocument editor;
  editor::UnsavedEditsJournal journal(editor);
  journal.SetFolder(QString::fromLocal8Bit(argv[2]));
  editor.Open(QString::fromLocal8Bit(argv[1]));

  // Window 3 is (520; 40) - (669; 119), PalDY 48, blend 0x83.
  const auto move_right = [&](int dx) {
    editor.Perform("Window 0x03", [dx](FirmwareDocument& document) {
      return document.WriteWindow(3, {520 + dx, 40, 669 + dx, 119, 48, 0x83});
    });
  };
  move_right(10);
  editor.BeginDrag();
  move_right(11);
  move_right(12);
  editor.EndDrag();

  // The journal is written by the editor's own timer, as in a session.
  while (journal.Pending()) {
    QThread::msleep(10);
    QCoreApplication::processEvents();
  }
  std::printf("ready %08x\n", Crc32(editor.Document().image()));
  std::fflush(stdout);
  return QApplication::exec();
}
