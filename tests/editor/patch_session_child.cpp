// A test and benchmark program: one editor session on the off-screen
// platform, driven through the main window's own actions with scripted
// dialogs, so that its peak memory can be read from outside.
//   patch_session_child apply  FIRMWARE PATCH         apply PATCH
//   patch_session_child save   FIRMWARE PATCH OUT     apply, then save to OUT
//   patch_session_child export FIRMWARE PATCH OUT     apply, then export the
//                                                     changes to OUT (BPS for
//                                                     a ".bps" name)
//   patch_session_child restore FIRMWARE              open and restore the
//                                                     journal left by an
//                                                     earlier session
// Each opens FIRMWARE as the editor opens a file named on its command line,
// waits until the journal of unsaved edits is written, prints
// "image CRC32 entries N peak KIB" (the image's CRC-32 in hex, the history's
// length, the process's peak resident set as the system counts it) and ends
// without saving, so the journal stays. The journals and settings
// live where XDG_DATA_HOME and XDG_CONFIG_HOME say. Exits 0 when no message
// was shown, 1 after printing the messages on standard error, 2 on a wrong
// command line.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <cstring>

#include "core/patch/crc32.h"
#include "editor/editor_font.h"
#include "editor/main_window.h"
#include "tests/editor/fake_user_dialogs.h"

namespace {

using orlindel::editor::TfrmMain;
using orlindel::editor::testing::FakeUserDialogs;

// Runs the events of the session until the journal of unsaved edits is
// written (it waits a moment after each change).
void SettleJournal() {
  for (int round = 0; round < 100; ++round) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
}

// The peak resident set of this process in KiB (-1 where the system does
// not tell).
long PeakKib() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long peak = -1;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::sscanf(line, "VmHWM: %ld", &peak) == 1) break;
  std::fclose(status);
  return peak;
}

void Trigger(TfrmMain& window, const char* action) {
  QAction* found = window.findChild<QAction*>(action);
  if (found == nullptr) {
    std::fprintf(stderr, "no action %s\n", action);
    std::exit(2);
  }
  found->trigger();
}

}  // namespace

int main(int argc, char** argv) {
  const bool has_out = argc == 5 && (std::strcmp(argv[1], "save") == 0 ||
                                     std::strcmp(argv[1], "export") == 0);
  const bool apply = argc == 4 && std::strcmp(argv[1], "apply") == 0;
  const bool restore = argc == 3 && std::strcmp(argv[1], "restore") == 0;
  if (!has_out && !apply && !restore) {
    std::fprintf(stderr,
                 "usage: patch_session_child apply|save|export|restore "
                 "FIRMWARE [PATCH [OUT]]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  orlindel::editor::SetUpApplication(app);
  FakeUserDialogs dialogs;
  TfrmMain window(dialogs);
  window.show();
  const QString mode = QString::fromLocal8Bit(argv[1]);
  dialogs.restore_answers = {restore};
  window.OpenAtStart(QString::fromLocal8Bit(argv[2]));
  if (!restore) {
    dialogs.open_patch_answers = {QString::fromLocal8Bit(argv[3])};
    Trigger(window, "actApplyPatch");
    SettleJournal();
  }
  if (mode == "save") {
    dialogs.save_firmware_answers = {QString::fromLocal8Bit(argv[4])};
    window.findChild<QPushButton*>("btnSave")->click();
  } else if (mode == "export") {
    dialogs.save_patch_answers = {QString::fromLocal8Bit(argv[4])};
    Trigger(window, "actExportPatch");
  }
  SettleJournal();
  std::printf("image %08x entries %d peak %ld\n",
              orlindel::Crc32(window.Document().image()),
              window.History().count(), PeakKib());
  for (const QString& message : dialogs.messages)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  return dialogs.messages.isEmpty() ? 0 : 1;
}
