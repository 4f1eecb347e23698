// What the editor tells the user: the title, the message for a file that is
// no firmware, the history's item texts, the empty patch and the names the
// export dialogs suggest.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QWindow>

#include "editor/export_names.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

const QString kDash = QString::fromUtf8(" \u2014 ");

class TextsTest : public MainWindowTest {
 protected:
  QString Firmware(const QString& name) {
    return WriteFile(name, FirmwareWithWindows(12).Build());
  }
  // The title as the desktop shows it, with the modified mark resolved.
  QString ShownTitle() { return frmMain.windowHandle()->title(); }
  QAction& Action(const char* name) { return Control<QAction>(name); }
};

TEST_F(TextsTest, TitleNamesTheFileAndMarksUnsavedChanges) {
  EXPECT_EQ(ShownTitle(), "Orlindel v0.5 by Brackwater");
  const QString path = Firmware("demo.bin");
  OpenThroughDialog(path);
  EXPECT_EQ(ShownTitle(), "demo.bin" + kDash + "Orlindel v0.5 by Brackwater");
  EXPECT_EQ(frmMain.windowFilePath(), path);

  frmWB.seBlend()->SetValue(0x21);
  EXPECT_EQ(ShownTitle(), "demo.bin*" + kDash + "Orlindel v0.5 by Brackwater");
  Action("actUndo").trigger();
  EXPECT_EQ(ShownTitle(), "demo.bin" + kDash + "Orlindel v0.5 by Brackwater");

  // A failed open keeps the file still loaded in the title.
  OpenThroughDialog(folder.filePath("missing.bin"));
  EXPECT_EQ(ShownTitle(), "demo.bin" + kDash + "Orlindel v0.5 by Brackwater");
}

// A file that is no firmware is named, with what was looked for; the error
// the search stopped with follows.
TEST_F(TextsTest, NonFirmwareFileSaysWhatWasNotFound) {
  const struct Row {
    const char* name;
    FirmwareImage bytes;
    const char* says;
  } rows[] = {
      {"zeros.bin", orlindel::testing::FirmwareBuilder(0x1000).Build(),
       "No list of OSD windows was found in it"},
      {"notes.txt",
       {'s', 'h', 'o', 'p', 'p', 'i', 'n', 'g'},
       "No list of OSD windows was found in it"},
      {"huge.bin", orlindel::testing::FirmwareBuilder(0xA10000).Build(),
       "No list of OSD windows was found in its first 10485760 bytes"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs.messages.clear();
    const QString path = WriteFile(row.name, row.bytes);
    OpenThroughDialog(path);
    ASSERT_EQ(dialogs.messages.size(), 1);
    const QString message = dialogs.messages.front();
    EXPECT_TRUE(message.startsWith("\"" + QDir::toNativeSeparators(path) +
                                   "\" is not a firmware image"))
        << message.toStdString();
    EXPECT_TRUE(message.contains(row.says)) << message.toStdString();
    EXPECT_TRUE(message.endsWith("(Range check error)") ||
                message.endsWith("(Integer overflow)"))
        << message.toStdString();
  }
}

TEST_F(TextsTest, UndoAndRedoNameTheirEntryAndStopAtTheEnds) {
  OpenThroughDialog(Firmware("fw.bin"));
  QAction& undo = Action("actUndo");
  QAction& redo = Action("actRedo");
  EXPECT_FALSE(undo.isEnabled());
  EXPECT_FALSE(redo.isEnabled());

  frmWB.seBlend()->SetValue(0x21);
  EXPECT_TRUE(undo.isEnabled());
  EXPECT_EQ(undo.text(), "&Undo Window 0x00");
  EXPECT_FALSE(redo.isEnabled());

  undo.trigger();
  EXPECT_FALSE(undo.isEnabled());
  EXPECT_TRUE(redo.isEnabled());
  EXPECT_EQ(redo.text(), "&Redo Window 0x00");
  // Pressed at the end, they do nothing.
  undo.trigger();
  EXPECT_EQ(frmMain.History().index(), 0);
  redo.trigger();
  redo.trigger();
  EXPECT_EQ(frmMain.History().index(), 1);
  // Both redo keys are there, and the help lists them.
  EXPECT_EQ(redo.shortcuts(), QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"),
                                                   QKeySequence("Ctrl+Y")}));
}

TEST_F(TextsTest, ExportWithoutChangesSaysSoAndWritesNothing) {
  OpenThroughDialog(Firmware("fw.bin"));
  Action("actExportPatch").trigger();
  EXPECT_TRUE(dialogs.save_patch_presets.isEmpty());
  ASSERT_EQ(dialogs.information_titles, QStringList({"Export patch"}));
  EXPECT_TRUE(dialogs.information_texts.front().contains("no changes"));

  // An edit undone again is no change either.
  frmWB.seBlend()->SetValue(0x21);
  Action("actUndo").trigger();
  Action("actExportPatch").trigger();
  EXPECT_TRUE(dialogs.save_patch_presets.isEmpty());
  EXPECT_EQ(dialogs.information_titles.size(), 2);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
            QStringList({"fw.bin"}));
}

// A firmware named relative to the starting folder (orlindel demo.bin)
// still gets absolute names beside it.
TEST_F(TextsTest, RelativeStartPathSuggestsAbsoluteNames) {
  Firmware("demo.bin");
  struct StartedIn {
    const QString folder = QDir::currentPath();
    ~StartedIn() { QDir::setCurrent(folder); }
  } started_in;
  ASSERT_TRUE(QDir::setCurrent(folder.path()));
  frmMain.OpenAtStart("demo.bin");
  ASSERT_TRUE(frmMain.Document().WindowListPos().has_value());
  frmWB.seBlend()->SetValue(0x21);
  Action("actSave").trigger();
  Action("actExportPatch").trigger();
  EXPECT_EQ(dialogs.save_firmware_presets,
            QStringList({folder.filePath("demo-mod.bin")}));
  EXPECT_EQ(dialogs.save_patch_presets,
            QStringList({folder.filePath("demo.ips")}));
}

TEST(ExportNameTest, AbsoluteBesideTheFirmware) {
  const QString here = QDir::current().absolutePath();
  EXPECT_EQ(ExportName("/fw/demo.bin", ".ips"), "/fw/demo.ips");
  EXPECT_EQ(ExportName("/fw/demo.v2.bin", "-layout.json"),
            "/fw/demo.v2-layout.json");
  EXPECT_EQ(ExportName("demo.bin", "-preview.png"),
            QDir(here).filePath("demo-preview.png"));
  EXPECT_EQ(ExportName("sub/demo", ".ips"),
            QDir(here).filePath("sub/demo.ips"));
  EXPECT_EQ(ExportName("", "-preview.png"), "firmware-preview.png");
}

}  // namespace
}  // namespace orlindel::editor::testing
