// The edit history: undo and redo of every kind of edit, byte for byte with
// the checksum word; merged scroll drags; the clean point; the question about
// unsaved changes; the Changes window and the patch export.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "core/patch/ips.h"
#include "editor/changes_window.h"
#include "tests/editor/main_window_fixture.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::SubtitleValues;

// Window 3 of the demo layout: record at 0x11030, Left 520 (0x0208), Top 40.
constexpr size_t kWindow3Left = 0x11030;
// The patched subtitle routine at 0x12340: load i's constant at
// 0x1235F + 12 i. Window 2, (10; 20) - (140; 70), right, flags 9, line 4.
constexpr size_t kRoutineAt = 0x12340;
constexpr size_t kConstantOfLoad0 = 0x1235F;
constexpr SubtitleValues kWindowTwo = {2, 10, 0, 20, 0, 140, 0, 70, 0, 2, 9, 4};
// The image is 0x40000 bytes: its checksum word is 0x3FFFC..0x3FFFF.
constexpr size_t kChecksumAt = 0x3FFFC;

class HistoryTest : public MainWindowTest {
 protected:
  HistoryTest()
      : opened_(FirmwareWithWindows(12)
                    .Bytes(kRoutineAt,
                           orlindel::testing::SubtitleRoutine(
                               orlindel::testing::PatchedLoads(kWindowTwo))
                               .bytes())
                    .Build()) {
    path_ = WriteFile("fw.bin", opened_);
    OpenThroughDialog(path_);
    ShowPage("tsWB");
    Control<QSlider>("tbID").setValue(3);
  }

  void ShowPage(const char* name) {
    Control<QTabWidget>("pcMain").setCurrentWidget(&Control<QWidget>(name));
  }
  const FirmwareImage& Image() { return frmMain.Document().image(); }
  int Entries() { return frmMain.History().count(); }
  void Trigger(const char* action) { Control<QAction>(action).trigger(); }

  // Undoes and redoes the last entry: the image goes back to `before` and
  // forward to what it is now, byte for byte.
  void ExpectRoundTrip(const FirmwareImage& before) {
    const FirmwareImage after = Image();
    ASSERT_NE(after, before);
    EXPECT_TRUE(IsImageChecksumValid(after));
    Trigger("actUndo");
    EXPECT_EQ(Image(), before);
    Trigger("actRedo");
    EXPECT_EQ(Image(), after);
  }

  FirmwareImage opened_;
  QString path_;
};

TEST_F(HistoryTest, EveryKindOfEditUndoesAndRedoesExactly) {
  FirmwareImage before = Image();
  frmWB.seLeft()->SetValue(530);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x12);
  ExpectRoundTrip(before);

  before = Image();
  frmWB.seWidth()->SetValue(100);  // Right := 530 + 100 - 1 = 629 (0x0275)
  EXPECT_EQ(Image()[kWindow3Left + 5], 0x75);
  ExpectRoundTrip(before);

  before = Image();
  QScrollBar& bar = *frmWB.sbLeft();
  bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x13);
  ExpectRoundTrip(before);

  before = Image();
  ShowPage("tsMpeg4Sub");
  Control<QSpinBox>("seLeft").setValue(12);
  Control<QPushButton>("btnApply").click();
  EXPECT_EQ(Image()[kConstantOfLoad0 + 12], 12);
  EXPECT_EQ(Image()[kConstantOfLoad0 + 12 * 11], 0);  // line space
  ExpectRoundTrip(before);
  // Undo on the subtitle page reads the parameters again.
  Trigger("actUndo");
  EXPECT_EQ(Control<QSpinBox>("seLeft").value(), 10);

  EXPECT_EQ(Entries(), 4);
  for (int n = 0; n < 3; ++n) Trigger("actUndo");
  EXPECT_EQ(Image(), opened_);
  EXPECT_FALSE(frmMain.isWindowModified());
}

TEST_F(HistoryTest, ScrollDragIsOneEntry) {
  QScrollBar& bar = *frmWB.sbTop();
  bar.setSliderDown(true);
  for (const int top : {50, 60, 70}) bar.setSliderPosition(top);
  bar.setSliderDown(false);
  EXPECT_EQ(Image()[kWindow3Left + 3], 70);
  EXPECT_EQ(Entries(), 1);
  // The next drag is an entry of its own.
  bar.setSliderDown(true);
  bar.setSliderPosition(80);
  bar.setSliderDown(false);
  EXPECT_EQ(Entries(), 2);
  Trigger("actUndo");
  EXPECT_EQ(Image()[kWindow3Left + 3], 70);
  Trigger("actUndo");
  EXPECT_EQ(Image(), opened_);
}

// A typed number is one entry of the history, stored when the typing ends;
// so is each arrow-key step.
TEST_F(HistoryTest, TypedValueIsOneEntry) {
  frmWB.seLeft()->selectAll();
  QTest::keyClicks(frmWB.seLeft(), "530");
  EXPECT_EQ(Entries(), 0);
  EXPECT_EQ(Image(), opened_);
  QTest::keyClick(frmWB.seLeft(), Qt::Key_Return);
  // 530 = 0x212, stored big-endian.
  EXPECT_EQ(Image()[kWindow3Left], 0x02);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x12);
  ASSERT_EQ(Entries(), 1);
  QTest::keyClick(frmWB.seLeft(), Qt::Key_Up);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x13);
  EXPECT_EQ(Entries(), 2);
  Trigger("actUndo");
  Trigger("actUndo");
  EXPECT_EQ(Image(), opened_);
}

TEST_F(HistoryTest, ShortcutsReachTheHistoryFromAnEditField) {
  frmWB.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frmWB));
  frmWB.seLeft()->SetValue(530);
  frmWB.seLeft()->setFocus();
  QTest::keyClick(frmWB.seLeft(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Image(), opened_);
  QTest::keyClick(frmWB.seLeft(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x12);
  frmMain.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frmMain));
  QTest::keyClick(&frmMain, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&frmMain, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Image()[kWindow3Left + 1], 0x12);
  EXPECT_EQ(Entries(), 1);
}

TEST_F(HistoryTest, SavingSetsTheCleanPoint) {
  EXPECT_FALSE(frmMain.isWindowModified());
  frmWB.seLeft()->SetValue(530);
  EXPECT_TRUE(frmMain.isWindowModified());
  dialogs.save_firmware_answers.push_back(folder.filePath("saved.bin"));
  Control<QPushButton>("btnSave").click();
  EXPECT_FALSE(frmMain.isWindowModified());
  Trigger("actUndo");
  EXPECT_TRUE(frmMain.isWindowModified());
  Trigger("actRedo");
  EXPECT_FALSE(frmMain.isWindowModified());
}

TEST_F(HistoryTest, UnsavedWorkIsAskedForBeforeItIsLost) {
  frmWB.seLeft()->SetValue(530);
  const FirmwareImage edited = Image();

  // Cancel: no file dialog, nothing changes; the window stays open.
  OpenThroughDialog(path_);
  EXPECT_EQ(dialogs.unsaved_questions, 1);
  EXPECT_EQ(dialogs.open_firmware_presets.size(), 1);
  EXPECT_EQ(Image(), edited);
  frmMain.close();
  EXPECT_EQ(dialogs.unsaved_questions, 2);
  EXPECT_TRUE(frmMain.isVisible());

  // Discard: the open goes ahead and starts a new history.
  dialogs.unsaved_answers.push_back(UnsavedChoice::kDiscard);
  OpenThroughDialog(path_);
  EXPECT_EQ(Image(), opened_);
  EXPECT_EQ(Entries(), 0);
  EXPECT_FALSE(frmMain.isWindowModified());
  frmMain.close();  // nothing unsaved: no question
  EXPECT_EQ(dialogs.unsaved_questions, 3);
  EXPECT_FALSE(frmMain.isVisible());
}

TEST_F(HistoryTest, SaveAnswerSavesBeforeClosing) {
  frmWB.seLeft()->SetValue(530);
  dialogs.unsaved_answers.push_back(UnsavedChoice::kSave);
  const QString saved = folder.filePath("saved.bin");
  dialogs.save_firmware_answers.push_back(saved);
  frmMain.close();
  EXPECT_FALSE(frmMain.isVisible());
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(FirmwareImage(bytes.begin(), bytes.end()), Image());
}

class ChangesWindowTest : public HistoryTest {
 protected:
  QTableWidget& Rows() {
    return *frmMain.findChild<QTableWidget*>("twChanges");
  }
  QStringList Row(int row) {
    QStringList cells;
    for (int column = 0; column < Rows().columnCount(); ++column)
      cells << Rows().item(row, column)->text();
    return cells;
  }
  QPushButton& Button(const char* name) {
    return *frmMain.findChild<QPushButton*>(name);
  }
};

TEST_F(ChangesWindowTest, RowsNameWhatChanged) {
  frmWB.seLeft()->SetValue(530);  // 0x0208 -> 0x0212
  ShowPage("tsMpeg4Sub");
  Control<QSpinBox>("seLeft").setValue(12);
  Control<QPushButton>("btnApply").click();
  frmMain.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frmMain));
  QTest::keyClick(&frmMain, Qt::Key_H, Qt::ControlModifier);
  ASSERT_TRUE(frmMain.findChild<QWidget*>("frmChanges")->isVisible());

  // The deltas 0x1A (byte 1 of the word at 0x11030), 0x06 and 0x04 (byte 3
  // of the words at 0x12368 and 0x123E0) change checksum bytes 1 and 3.
  const uint8_t old1 = opened_[kChecksumAt + 1];
  const uint8_t old3 = opened_[kChecksumAt + 3];
  const auto hex = [](unsigned byte) {
    return QString("%1").arg(byte, 2, 16, QChar('0')).toUpper();
  };
  ASSERT_EQ(Rows().rowCount(), 5);
  EXPECT_EQ(Row(0),
            QStringList({"0x011031", "08", "12", "window 3 record: Left"}));
  EXPECT_EQ(Row(1),
            QStringList({"0x01236B", "0A", "0C", "subtitle load 1 (X1.Low)"}));
  EXPECT_EQ(Row(2), QStringList({"0x0123E3", "04", "00",
                                 "subtitle load 11 (LineSpace)"}));
  EXPECT_EQ(Row(3), QStringList({"0x03FFFD", hex(old1), hex(old1 ^ 0x1Au),
                                 "image checksum"}));
  EXPECT_EQ(Row(4), QStringList({"0x03FFFF", hex(old3), hex(old3 ^ 0x02u),
                                 "image checksum"}));

  // Revert the X1 row: one more undoable entry, checksum fixed.
  EXPECT_FALSE(Button("btnRevert").isEnabled());
  Rows().selectRow(1);
  Button("btnRevert").click();
  EXPECT_EQ(Image()[0x1236B], 0x0A);
  EXPECT_TRUE(IsImageChecksumValid(Image()));
  EXPECT_EQ(Entries(), 3);
  EXPECT_EQ(Rows().rowCount(), 4);
  Button("btnUndo").click();
  EXPECT_EQ(Image()[0x1236B], 0x0C);
  EXPECT_EQ(Rows().rowCount(), 5);
  EXPECT_TRUE(Button("btnRedo").isEnabled());
}

TEST_F(ChangesWindowTest, ExportedPatchTurnsTheOpenedFileIntoTheImage) {
  frmWB.seLeft()->SetValue(530);
  const QString patch_path = folder.filePath("fw-edits.ips");
  dialogs.save_patch_answers.push_back(patch_path);
  frmMain.ExportPatch();
  EXPECT_EQ(dialogs.save_patch_presets,
            QStringList({folder.filePath("fw.ips")}));
  QFile file(patch_path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray patch = file.readAll();
  EXPECT_EQ(ApplyIps(opened_, std::vector<uint8_t>(patch.begin(), patch.end())),
            Image());
  // Only the open's note about the missing OSD list.
  EXPECT_EQ(dialogs.messages.size(), 1);
}

// A patch that changes every other byte of 64 KiB: 32 768 runs, applied as
// one undoable entry; the window counts them all and lists only the first.
TEST_F(ChangesWindowTest, APatchOfManyRunsIsOneEntryAndAShortList) {
  FirmwareImage changed = opened_;
  for (size_t at = 0x20000; at < 0x30000; at += 2) changed[at] ^= 0x01;
  const std::vector<uint8_t> patch = WriteIps(opened_, changed);
  frmMain.Editor().Perform("Apply patch", [&](FirmwareDocument& document) {
    return document.ApplyPatch(patch);
  });
  EXPECT_EQ(Image(), changed);
  EXPECT_EQ(Entries(), 1);
  frmMain.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frmMain));
  QTest::keyClick(&frmMain, Qt::Key_H, Qt::ControlModifier);
  EXPECT_EQ(Rows().rowCount(), static_cast<int>(TfrmChanges::kMaxRows));
  EXPECT_EQ(frmMain.findChild<QLabel*>("lblSummary")->text(),
            "32768 changed range(s) since the file was opened. The first "
            "10000 are listed.");
  Button("btnUndo").click();
  EXPECT_EQ(Image(), opened_);
  EXPECT_EQ(Rows().rowCount(), 0);
}

}  // namespace
}  // namespace orlindel::editor::testing
