// The editor as an application: its menus and shortcuts, the recent files,
// a dropped file, the command line and the remembered dialog folders.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <functional>

#include "editor/app_settings.h"
#include "editor/changes_window.h"
#include "editor/command_line.h"
#include "editor/shortcuts.h"
#include "orlindel/version.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

class MenusTest : public MainWindowTest {
 protected:
  QAction& Action(const char* name) { return Control<QAction>(name); }
  QMenu& Menu(const char* name) { return Control<QMenu>(name); }

  // The object names of `menu`'s items in order; "-" for a separator, the
  // sub-menu's name for a sub-menu.
  QStringList Items(const char* menu) {
    QStringList names;
    for (const QAction* action : Menu(menu).actions())
      names << (action->isSeparator()       ? QString("-")
                : action->menu() != nullptr ? action->menu()->objectName()
                                            : action->objectName());
    return names;
  }

  // The paths the Open Recent menu offers, in order.
  QStringList RecentEntries() {
    QMenu& recent = Menu("mnuOpenRecent");
    emit recent.aboutToShow();
    QStringList paths;
    for (const QAction* action : recent.actions())
      paths << action->data().toString();
    return paths;
  }

  QString Firmware(const QString& name) {
    return WriteFile(name,
                     FirmwareWithWindows(5)
                         .OsdPosList(0x14000, {{0x5000, {{0, 10, 4, 0, 0}}},
                                               {0x5012, {{1, 0, 0, 100, 20}}},
                                               {0x501B, {{2, 1, 2, 3, 4}}}})
                         .Build());
  }

  // Drags `urls` over the window and drops them there; true when the window
  // took the drag.
  bool Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint point(300, 300);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&frmMain, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&frmMain, &drop);
    // The open waits until the drop has ended.
    QCoreApplication::processEvents();
    return true;
  }

  QString FileField() { return Control<QLineEdit>("ledFWFile").text(); }
};

TEST_F(MenusTest, MenuBarHoldsEveryCommandWithItsShortcut) {
  QStringList menus;
  for (const QAction* action : frmMain.menuBar()->actions())
    menus << action->menu()->objectName();
  EXPECT_EQ(menus, QStringList({"mnuFile", "mnuEdit", "mnuView", "mnuHelp"}));
  EXPECT_EQ(
      Items("mnuFile"),
      QStringList({"actOpen", "mnuOpenRecent", "actSave", "actExportPatch",
                   "actApplyPatch", "actExportLayout", "actImportLayout",
                   "actExportPreview", "-", "actQuit"}));
  EXPECT_EQ(Items("mnuEdit"),
            QStringList({"actUndo", "actRedo", "-", "actChanges"}));
  EXPECT_EQ(Items("mnuView"), QStringList({"mnuZoom"}));
  EXPECT_EQ(Items("mnuZoom"),
            QStringList({"actZoom100", "actZoom75", "actZoom50"}));
  EXPECT_EQ(Items("mnuHelp"), QStringList({"actShortcuts", "actAbout"}));

  const struct {
    const char* action;
    const char* keys;
  } shortcuts[] = {{"actOpen", "Ctrl+O"},       {"actSave", "Ctrl+S"},
                   {"actQuit", "Ctrl+Q"},       {"actUndo", "Ctrl+Z"},
                   {"actRedo", "Ctrl+Shift+Z"}, {"actChanges", "Ctrl+H"},
                   {"actShortcuts", "F1"}};
  for (const auto& row : shortcuts) {
    SCOPED_TRACE(row.action);
    EXPECT_EQ(Action(row.action).shortcut(), QKeySequence(row.keys));
    // The help lists each of them.
    bool listed = false;
    for (const ShortcutEntry& entry : kShortcuts)
      listed = listed || QString(entry.keys) == row.keys;
    EXPECT_TRUE(listed);
  }
}

// A menu item and the button for the same command run the same handler:
// each shows the same dialog or window once.
TEST_F(MenusTest, MenuItemsDoWhatTheirButtonsDo) {
  OpenThroughDialog(Firmware("fw.bin"));
  auto* changes = frmMain.findChild<TfrmChanges*>();
  ASSERT_NE(changes, nullptr);
  const struct Row {
    const char* action;
    std::function<void()> button;
    std::function<qsizetype()> count;
  } rows[] = {
      {"actOpen", [&] { Control<QPushButton>("btnFWOpen").click(); },
       [&] { return dialogs.open_firmware_presets.size(); }},
      {"actSave", [&] { Control<QPushButton>("btnSave").click(); },
       [&] { return dialogs.save_firmware_presets.size(); }},
      {"actExportPatch",
       [&] {
         frmWB.seBlend()->SetValue(0x21);  // a change, for a patch to hold
         changes->findChild<QPushButton*>("btnExportPatch")->click();
       },
       [&] { return dialogs.save_patch_presets.size(); }},
      {"actChanges", [&] { Control<QPushButton>("btnChanges").click(); },
       [&] {
         const qsizetype shown = changes->isVisible() ? 1 : 0;
         changes->hide();
         return shown;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.action);
    const qsizetype before = row.count();
    row.button();
    const qsizetype by_button = row.count() - before;
    EXPECT_EQ(by_button, 1);
    const qsizetype before_menu = row.count();
    Action(row.action).trigger();
    EXPECT_EQ(row.count() - before_menu, by_button);
  }
  // Save follows its button: both off until a firmware is loaded.
  EXPECT_TRUE(Action("actSave").isEnabled());
}

TEST_F(MenusTest, FirmwareItemsAreOffUntilAFirmwareIsLoaded) {
  const char* const needing_firmware[] = {"actSave", "actExportPatch",
                                          "actApplyPatch", "actExportLayout",
                                          "actImportLayout"};
  for (const char* name : needing_firmware) {
    EXPECT_FALSE(Action(name).isEnabled()) << name;
    Action(name).trigger();
  }
  EXPECT_TRUE(dialogs.save_firmware_presets.isEmpty());
  EXPECT_TRUE(dialogs.save_patch_presets.isEmpty());
  EXPECT_EQ(dialogs.file_questions, 0);
  EXPECT_TRUE(Action("actExportPreview").isEnabled());

  // A file that is no firmware leaves them off; a firmware turns them on.
  OpenThroughDialog(WriteFile("text.bin", {'t', 'e', 'x', 't'}));
  for (const char* name : needing_firmware)
    EXPECT_FALSE(Action(name).isEnabled()) << name;
  OpenThroughDialog(Firmware("fw.bin"));
  for (const char* name : needing_firmware)
    EXPECT_TRUE(Action(name).isEnabled()) << name;
}

TEST_F(MenusTest, QuitAsksAboutUnsavedWork) {
  OpenThroughDialog(Firmware("fw.bin"));
  frmWB.seBlend()->SetValue(0x21);
  Action("actQuit").trigger();  // the queue answers Cancel
  EXPECT_EQ(dialogs.unsaved_questions, 1);
  EXPECT_TRUE(frmMain.isVisible());
  dialogs.unsaved_answers.push_back(UnsavedChoice::kDiscard);
  Action("actQuit").trigger();
  EXPECT_EQ(dialogs.unsaved_questions, 2);
  EXPECT_FALSE(frmMain.isVisible());
}

TEST_F(MenusTest, RecentFilesNewestFirstAtMostTenExistingOnly) {
  EXPECT_TRUE(RecentEntries().isEmpty());
  EXPECT_FALSE(Menu("mnuOpenRecent").isEnabled());
  QStringList opened;
  for (int n = 0; n < 12; ++n) {
    opened.prepend(Firmware(QString("fw%1.bin").arg(n)));
    OpenThroughDialog(opened.first());
  }
  EXPECT_EQ(RecentEntries(), opened.mid(0, 10));
  // Each entry names the file, then its folder.
  const QString in_folder =
      QString::fromUtf8(" \u2014 ") + QDir::toNativeSeparators(folder.path());
  EXPECT_EQ(Menu("mnuOpenRecent").actions().first()->text(),
            "&1 fw11.bin" + in_folder);
  EXPECT_EQ(Menu("mnuOpenRecent").actions().last()->text(),
            "1&0 fw2.bin" + in_folder);

  // Opening a listed file again moves it to the front, once.
  OpenThroughDialog(opened[4]);
  QStringList expected = opened.mid(0, 10);
  expected.move(4, 0);
  EXPECT_EQ(RecentEntries(), expected);

  // A file that is gone is left out, and forgotten.
  QFile::remove(expected[1]);
  const QString gone = expected.takeAt(1);
  EXPECT_EQ(RecentEntries(), expected);
  EXPECT_FALSE(QSettings().value("recentFiles").toStringList().contains(gone));

  // An entry opens its file; a failed open is not listed.
  Menu("mnuOpenRecent").actions().at(2)->trigger();
  EXPECT_EQ(FileField(), expected[2]);
  EXPECT_EQ(RecentEntries().first(), expected[2]);
  OpenThroughDialog(WriteFile("empty.bin", FirmwareImage()));
  EXPECT_EQ(dialogs.messages.size(), 1);
  EXPECT_EQ(RecentEntries().first(), expected[2]);
}

TEST_F(MenusTest, DroppedFileOpensAfterTheUnsavedQuestion) {
  const QString first = Firmware("first.bin");
  const QString second = Firmware("second.bin");
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(first)}));
  EXPECT_EQ(FileField(), first);
  EXPECT_EQ(dialogs.unsaved_questions, 0);  // nothing to lose yet

  frmWB.seBlend()->SetValue(0x21);
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(second)}));  // answered Cancel
  EXPECT_EQ(dialogs.unsaved_questions, 1);
  EXPECT_EQ(FileField(), first);
  EXPECT_TRUE(frmMain.isWindowModified());

  dialogs.unsaved_answers.push_back(UnsavedChoice::kDiscard);
  ASSERT_TRUE(Drop({QUrl::fromLocalFile(second)}));
  EXPECT_EQ(dialogs.unsaved_questions, 2);
  EXPECT_EQ(FileField(), second);
  EXPECT_FALSE(frmMain.isWindowModified());

  // Two files, or a file that is not local, are not taken.
  EXPECT_FALSE(Drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
  EXPECT_FALSE(Drop({QUrl("https://example.org/fw.bin")}));
  EXPECT_EQ(FileField(), second);
  EXPECT_TRUE(dialogs.messages.isEmpty())
      << dialogs.messages.join("/").toStdString();
}

TEST_F(MenusTest, FirmwareNamedAtStartOpensOrLeavesAnEmptyEditor) {
  const QString good = Firmware("good.bin");
  frmMain.OpenAtStart(good);
  EXPECT_EQ(FileField(), good);
  EXPECT_EQ(frmMain.Document().WindowListPos(), 0x18000);
  EXPECT_TRUE(dialogs.messages.isEmpty())
      << dialogs.messages.join("/").toStdString();
}

TEST_F(MenusTest, BadFirmwareNamedAtStartShowsOneMessage) {
  const QString missing = folder.filePath("missing.bin");
  frmMain.OpenAtStart(missing);
  EXPECT_EQ(dialogs.messages, QStringList({"Cannot open file \"" + missing +
                                           "\". No such file or directory"}));
  EXPECT_TRUE(FileField().isEmpty());
  EXPECT_TRUE(frmMain.Document().image().empty());
  EXPECT_FALSE(Control<QPushButton>("btnSave").isEnabled());
}

TEST_F(MenusTest, HelpListsEveryShortcutAndAboutNamesVersionAndLicence) {
  Action("actShortcuts").trigger();
  ASSERT_EQ(dialogs.information_titles, QStringList({"Keyboard shortcuts"}));
  for (const ShortcutEntry& entry : kShortcuts)
    EXPECT_TRUE(dialogs.information_texts[0].contains(entry.keys))
        << entry.keys;

  Action("actAbout").trigger();
  ASSERT_EQ(dialogs.information_texts.size(), 2);
  const QString about = dialogs.information_texts[1];
  for (const QString& part :
       {QString("Orlindel ") + kVersion, QString("GPL-3.0-or-later"),
        QString("Qt ") + qVersion()})
    EXPECT_TRUE(about.contains(part)) << part.toStdString();
}

TEST_F(MenusTest, ZoomChosenLastComesBack) {
  Action("actZoom75").trigger();
  TfrmMain next(dialogs);
  EXPECT_TRUE(next.findChild<QAction*>("actZoom75")->isChecked());
  EXPECT_FALSE(next.findChild<QAction*>("actZoom100")->isChecked());
  EXPECT_EQ(next.Preview().Zoom(), 75);
  EXPECT_EQ(next.Client().height(), 719 - 144);
  EXPECT_EQ(next.State().NormalHeight, 719);
}

TEST(ShortcutListTest, ReadmeListsEveryShortcut) {
  QFile readme(QStringLiteral(ORLINDEL_SOURCE_DIR "/README.md"));
  ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(readme.readAll());
  for (const ShortcutEntry& entry : kShortcuts) {
    const QString line = QString("| %1 | %2 |").arg(entry.keys, entry.action);
    EXPECT_TRUE(text.contains(line)) << line.toStdString();
  }
}

TEST(CommandLineTest, ArgumentsAreRead) {
  using Action = CommandLine::Action;
  const struct Row {
    QStringList arguments;
    Action action;
    std::optional<QString> file;
  } rows[] = {
      {{"orlindel"}, Action::kRun, std::nullopt},
      {{"orlindel", "fw.bin"}, Action::kRun, "fw.bin"},
      {{"orlindel", "--", "-odd.bin"}, Action::kRun, "-odd.bin"},
      {{"orlindel", "--help"}, Action::kHelp, std::nullopt},
      {{"orlindel", "-h"}, Action::kHelp, std::nullopt},
      {{"orlindel", "--version"}, Action::kVersion, std::nullopt},
      {{"orlindel", "fw.bin", "--version"}, Action::kVersion, std::nullopt},
      {{"orlindel", "a.bin", "b.bin"}, Action::kError, std::nullopt},
      {{"orlindel", "--bogus"}, Action::kError, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    const CommandLine command = ParseCommandLine(row.arguments);
    EXPECT_EQ(command.action, row.action);
    EXPECT_EQ(command.file, row.file);
  }
  EXPECT_EQ(ParseCommandLine({"orlindel", "--version"}).text,
            QString("orlindel ") + kVersion + "\n");
  const QString help = ParseCommandLine({"orlindel", "--help"}).text;
  EXPECT_TRUE(help.contains("[options] [FILE]"));
}

TEST(DialogFolderTest, DialogsStartInTheFolderLastUsedForTheirKind) {
  QSettings().clear();
  QTemporaryDir firmware_folder;
  QTemporaryDir picture_folder;
  const QString firmware = firmware_folder.filePath("fw.bin");
  RememberFolder(FileKind::kFirmware, firmware);
  RememberFolder(FileKind::kPicture, picture_folder.filePath("a.bmp"));
  const struct Row {
    FileKind kind;
    QString preset;
    QString expected;
  } rows[] = {
      {FileKind::kFirmware, "", firmware_folder.path() + "/"},
      {FileKind::kPicture, "", picture_folder.path() + "/"},
      {FileKind::kPatch, "", ""},  // nothing remembered yet
      {FileKind::kFirmware, "mod.bin", firmware_folder.filePath("mod.bin")},
      {FileKind::kPatch, "fw.ips", "fw.ips"},
      {FileKind::kPicture, "/elsewhere/b.bmp", "/elsewhere/b.bmp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.preset.toStdString());
    EXPECT_EQ(StartPath(row.kind, row.preset), row.expected);
  }
  // A remembered folder that is gone is not offered.
  picture_folder.remove();
  EXPECT_EQ(LastFolder(FileKind::kPicture), "");
  EXPECT_EQ(StartPath(FileKind::kPicture, ""), "");
}

}  // namespace
}  // namespace orlindel::editor::testing
