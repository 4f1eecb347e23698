// The editor's life cycle: every way out asks once and ends the program with
// no window left; the journal of unsaved edits exists exactly while there
// are some, for the file they are edits of; a dialog's folder is remembered
// only from an action that succeeded, and never one of the kernel's.
#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <functional>

#include "editor/app_settings.h"
#include "editor/file_dialog_safety.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

constexpr const char* kPages[] = {"tsInOut", "tsWB", "tsWinPos", "tsMpeg4Sub"};

// Runs the event loop with `action` as its first event; true when the loop
// was ended by quit() (not by the watchdog that ends a loop left running).
bool LoopEndsAfter(const std::function<void()>& action) {
  QTimer::singleShot(0, action);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout,
                   [] { QCoreApplication::exit(1); });
  watchdog.start(2000);
  return QCoreApplication::exec() == 0;
}

bool AnyWindowVisible() {
  for (const QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible()) return true;
  return false;
}

// A session as the program runs it: the palette belongs to the main window.
struct Session {
  explicit Session(const QString& journals) {
    frmMain.AttachPalette(&frmWB);
    frmMain.Journal().SetFolder(journals);
    frmMain.show();
  }
  QAction& Action(const char* name) {
    return *frmMain.findChild<QAction*>(QString::fromLatin1(name));
  }
  void ShowPage(const char* name) {
    frmMain.findChild<QTabWidget*>("pcMain")->setCurrentWidget(
        frmMain.findChild<QWidget*>(QString::fromLatin1(name)));
  }
  FakeUserDialogs dialogs;
  TfrmMain frmMain{dialogs};
  TfrmWB frmWB{frmMain.Windows(), &frmMain};
};

class LifecycleTest : public MainWindowTest {
 protected:
  LifecycleTest() {
    frmMain.Journal().SetFolder(journals_);
    fw_ = WriteFile("fw.bin", FirmwareWithWindows(12).Build());
    OpenThroughDialog(fw_);
    dialogs.messages.clear();  // the note about the missing OSD list
    Control<QTabWidget>("pcMain").setCurrentWidget(&Control<QWidget>("tsWB"));
  }
  void Edit(int left) { frmWB.seLeft()->SetValue(left); }
  // The journal files there are, each flushed first.
  QStringList Journals() {
    frmMain.Journal().Flush();
    return QDir(journals_).entryList(QDir::Files);
  }
  QString JournalOf(const QString& path) {
    return QFileInfo(frmMain.Journal().FileFor(path)).fileName();
  }

  QString journals_ = folder.filePath("journal");
  QString fw_;
};

TEST(QuitTest, EveryWayOutFromEveryPageEndsTheProgram) {
  const QTemporaryDir folder;
  const QString fw = folder.filePath("fw.bin");
  {
    QFile file(fw);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const FirmwareImage image = FirmwareWithWindows(12).Build();
    file.write(reinterpret_cast<const char*>(image.data()),
               static_cast<qint64>(image.size()));
  }
  const struct {
    const char* name;
    void (*quit)(Session&);
  } routes[] = {
      {"Quit (Ctrl+Q)", [](Session& s) { s.Action("actQuit").trigger(); }},
      {"close button / Alt+F4", [](Session& s) { s.frmMain.close(); }},
  };
  for (const auto& route : routes) {
    for (const char* page : kPages) {
      for (const bool edited : {false, true}) {
        SCOPED_TRACE(std::string(route.name) + " on " + page +
                     (edited ? ", edited" : ""));
        Session session(folder.filePath("journal"));
        session.dialogs.open_firmware_answers = {fw};
        session.frmMain.OpenThroughDialog();
        session.ShowPage("tsWB");
        if (edited) session.frmWB.seLeft()->SetValue(500);
        ASSERT_EQ(session.frmMain.isWindowModified(), edited);
        session.ShowPage(page);
        session.dialogs.unsaved_answers = {UnsavedChoice::kDiscard};
        EXPECT_TRUE(LoopEndsAfter([&] { route.quit(session); }));
        EXPECT_EQ(session.dialogs.unsaved_questions, edited ? 1 : 0);
        EXPECT_FALSE(AnyWindowVisible());
        // Dropped edits leave no journal behind.
        EXPECT_TRUE(
            QDir(folder.filePath("journal")).entryList(QDir::Files).isEmpty());
      }
    }
  }
}

TEST_F(LifecycleTest, CancellingTheQuestionKeepsEverything) {
  Edit(500);
  dialogs.unsaved_answers = {UnsavedChoice::kCancel};
  EXPECT_FALSE(LoopEndsAfter([&] { frmMain.close(); }));
  EXPECT_EQ(dialogs.unsaved_questions, 1);
  EXPECT_TRUE(frmMain.isVisible());
  EXPECT_TRUE(frmWB.isVisible());
  EXPECT_EQ(Journals(), QStringList({JournalOf(fw_)}));
}

TEST_F(LifecycleTest, AClosedWindowEditsNothing) {
  frmMain.close();
  ASSERT_FALSE(frmMain.isVisible());
  const FirmwareImage before = frmMain.Document().image();
  frmWB.show();  // as the palette stayed on screen before
  Edit(300);
  EXPECT_EQ(frmMain.Document().image(), before);
  EXPECT_TRUE(Journals().isEmpty());
}

TEST_F(LifecycleTest, TheJournalStaysWhileTheEditsStay) {
  Edit(500);
  ASSERT_EQ(Journals(), QStringList({JournalOf(fw_)}));
  const QString not_firmware = WriteFile("notes.txt", {'h', 'i', '\n'});
  const struct {
    const char* name;
    QString answer;  // null: the dialog is cancelled
  } rows[] = {{"cancelled", QString()},
              {"not a firmware", not_firmware},
              {"missing", folder.filePath("gone.bin")}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs.unsaved_answers = {UnsavedChoice::kDiscard};
    dialogs.open_firmware_answers = {row.answer};
    Control<QPushButton>("btnFWOpen").click();
    EXPECT_TRUE(frmMain.isWindowModified());
    EXPECT_EQ(Journals(), QStringList({JournalOf(fw_)}));
  }
  // Another file opened: the dropped edits' journal goes with them.
  const QString other = WriteFile("other.bin", FirmwareWithWindows(8).Build());
  dialogs.unsaved_answers = {UnsavedChoice::kDiscard};
  OpenThroughDialog(other);
  EXPECT_FALSE(frmMain.isWindowModified());
  EXPECT_TRUE(Journals().isEmpty());
}

TEST_F(LifecycleTest, SaveAsTakesTheJournalToTheSavedFile) {
  Edit(500);
  const QString saved = folder.filePath("fw-mod.bin");
  dialogs.save_firmware_answers = {saved};
  Control<QPushButton>("btnSave").click();
  EXPECT_TRUE(Journals().isEmpty());
  // Undone past the save: these are unsaved edits of the saved file.
  frmMain.UndoImageEdit();
  frmMain.UndoImageEdit();
  EXPECT_TRUE(frmMain.isWindowModified());
  EXPECT_EQ(Journals(), QStringList({JournalOf(saved)}));
  EXPECT_EQ(frmMain.Editor().FilePath(), QFileInfo(saved).absoluteFilePath());
  // "FW File:" names the file opened; the next save suggests the same name.
  EXPECT_EQ(Control<QLineEdit>("ledFWFile").text(), fw_);
  dialogs.save_firmware_answers = {QString()};
  Control<QPushButton>("btnSave").click();
  EXPECT_EQ(dialogs.save_firmware_presets.last(), saved);
  // The saved file, which the journal is about, is among the recent files.
  EXPECT_EQ(RecentFiles().first(), QFileInfo(saved).absoluteFilePath());
  // A clean quit removes it.
  dialogs.unsaved_answers = {UnsavedChoice::kDiscard};
  frmMain.close();
  EXPECT_TRUE(Journals().isEmpty());
}

TEST_F(LifecycleTest, OnlyASucceededActionRemembersItsFolder) {
  EXPECT_EQ(LastFolder(FileKind::kFirmware), folder.path());  // the open
  QTemporaryDir elsewhere;
  Edit(500);
  dialogs.save_firmware_answers = {elsewhere.filePath("no/such/fw-mod.bin")};
  Control<QPushButton>("btnSave").click();
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_EQ(LastFolder(FileKind::kFirmware), folder.path());
  dialogs.save_firmware_answers = {elsewhere.filePath("fw-mod.bin")};
  Control<QPushButton>("btnSave").click();
  EXPECT_EQ(LastFolder(FileKind::kFirmware), elsewhere.path());

  // A picture that is not one is not remembered either.
  dialogs.open_picture_answers = {WriteFile("bad.bmp", {'B', 'M', 1})};
  Control<QPushButton>("btnOpenImg").click();
  EXPECT_EQ(dialogs.messages.size(), 2);
  EXPECT_EQ(LastFolder(FileKind::kPicture), QString());
}

TEST(FileDialogSafetyTest, TheKernelsFoldersAreNeverStartedInNorRead) {
  if (!OnSpecialFileSystem("/proc")) GTEST_SKIP() << "no /proc here";
  EXPECT_FALSE(OnSpecialFileSystem(QDir::tempPath()));
  // Remembered before the fix, or the file the user tried to save.
  RememberFolder(FileKind::kFirmware, "/proc/x-mod.bin");
  EXPECT_EQ(LastFolder(FileKind::kFirmware), QString());
  EXPECT_EQ(StartPath(FileKind::kFirmware, "/proc/x-mod.bin"), "x-mod.bin");
  RememberFolder(FileKind::kFirmware, QDir::temp().filePath("fw.bin"));
  EXPECT_EQ(StartPath(FileKind::kFirmware, "/proc/x-mod.bin"),
            QDir::temp().filePath("x-mod.bin"));

  EXPECT_FALSE(IsPlainFile("/proc/kmsg"));
  EXPECT_FALSE(IsPlainFile("/proc/self/status"));
  EXPECT_FALSE(IsPlainFile("/dev/null"));  // a device, on no special system
  EXPECT_TRUE(IsPlainFile(QApplication::applicationFilePath()));
}

TEST(FileDialogSafetyTest, TheDialogsTypesComeFromNamesNotContent) {
  QTemporaryDir folder;
  // PDF content under a name that says nothing.
  const QString path = folder.filePath("firmware.xyz");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  file.close();
  QFileDialog dialog;
  UseNameOnlyIcons(dialog);
  ASSERT_NE(dialog.iconProvider(), nullptr);
  EXPECT_FALSE(dialog.iconProvider()->type(QFileInfo(path)).contains("PDF"));
  EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(folder.path())), "Folder");
}

}  // namespace
}  // namespace orlindel::editor::testing
