// After a run-time error in any handler of the main window or the palette:
// one message, the fill flags cleared, and the next action works. The images
// are crafted so that an edit through the palette changes bytes that another
// structure uses: a window list entry, or the code the subtitle analysis
// traces.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <initializer_list>
#include <span>

#include "editor/palette_spin_edit.h"
#include "tests/editor/main_window_fixture.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::FirmwareBuilder;

const QStringList kRangeError = {"Range check error"};
const QStringList kOverflowError = {"Integer overflow"};

// The image ends at 0x1F008, inside bank 1. Window 5's record lies just in
// front of the window list at 0x18000, so that its last four bytes are the
// list's first entry (FF 10 00) and the tag of the next: window 5's blend is
// the high byte of window 0's record offset. Setting it to 0xF0 moves window
// 0's record to 0x1F000, where it straddles the image end. The OSD groups
// name windows 5, 0, and 5 then 0.
FirmwareImage OverlappingWindowList() {
  std::vector<orlindel::testing::WindowSpec> windows =
      orlindel::testing::DemoWindows(6, 0x1000);
  windows[5].record_offset = 0x8000 - 11;
  windows[5].blend = 0x10;
  windows[5].check_byte = 0xFF;
  return FirmwareBuilder(0x1F008)
      .WindowList(0x18000, windows)
      .Bytes(0x18000, {0xFF})  // the record's byte 11 was written over it
      .OsdPosList(0x14000, {{0x5000, {{5, 10, 8, 20, 6}}},
                            {0x5009, {{0, 0, 0, 0, 0}}},
                            {0x5012, {{5, 1, 2, 3, 4}, {0, 5, 6, 7, 8}}}})
      .Build();
}

// Window 11's record at 0x15000 ends the routine in front of the subtitle
// caller: its byte 11 is that routine's RET, and its blend byte is the
// caller's first instruction (a NOP, or INC DPTR for blend 0xA3, which
// overflows the unset DPTR). The routine lies at 0x12340, its first
// parameter load at 0x1235C.
constexpr size_t kFirstLoad = 0x1235C;
constexpr int kCodeWindow = 11;
constexpr uint8_t kIncDptr = 0xA3;

FirmwareImage CallerStartingInAWindowRecord() {
  std::vector<orlindel::testing::WindowSpec> windows =
      orlindel::testing::DemoWindows(12, 0x1000);
  windows[kCodeWindow].record_offset = 0x5000;
  windows[kCodeWindow].blend = 0x00;
  const orlindel::testing::CodeEmitter caller =
      orlindel::testing::SubtitleCaller(
          orlindel::testing::kSubtitleCells,
          {2, 10, 0, 20, 0, 140, 0, 70, 0, 2, 9, 4}, 0x2340);
  return FirmwareBuilder(0x40000)
      .WindowList(0x18000, windows)
      .Bytes(
          0x12340,
          orlindel::testing::SubtitleRoutine(
              orlindel::testing::XramLoads(orlindel::testing::kSubtitleCells))
              .bytes())
      .Bytes(0x1500B, {0x22})
      // The caller without its own leading RET, after the record.
      .Bytes(0x1500F, std::span(caller.bytes()).subspan(1))
      .Build();
}

class HandlerErrorTest : public MainWindowTest {
 protected:
  void Open(const FirmwareImage& image) {
    OpenThroughDialog(WriteFile("fw.bin", image));
    dialogs.messages.clear();
  }
  void ShowPage(const char* page) {
    Control<QTabWidget>("pcMain").setCurrentWidget(&Control<QWidget>(page));
  }
  QSlider& Slider(const char* name) { return Control<QSlider>(name); }

  // The flags that keep nested handlers from writing, and the one that lets
  // the TV switch resize the window, are cleared.
  void ExpectFlagsCleared() {
    EXPECT_FALSE(frmMain.Windows().PaletteLoading());
    EXPECT_FALSE(frmWB.Updating);
    EXPECT_FALSE(frmMain.State().ResizeAllowed);
  }

  // Opens the overlapping list and moves window 0's record across the image
  // end through window 5's blend; window 5 stays selected.
  void OpenAndBreakWindowZero() {
    Open(OverlappingWindowList());
    ASSERT_EQ(frmMain.Document().WindowListPos(), 0x18000);
    ASSERT_EQ(frmMain.Document().MaxWindowIndex(), 5);
    Slider("tbID").setValue(5);
    frmWB.seBlend()->SetValue(0xF0);
    ASSERT_EQ(frmMain.Document().image()[0x18001], 0xF0);
    ASSERT_TRUE(dialogs.messages.isEmpty());
  }
};

// Every control whose handler ends in the refresh, with the broken window
// selected: each action shows the range error once and leaves no flag set.
TEST_F(HandlerErrorTest, RefreshOfAWindowPastTheImageEnd) {
  OpenAndBreakWindowZero();
  Slider("tbID").setValue(0);
  EXPECT_EQ(dialogs.messages, kRangeError);
  ExpectFlagsCleared();

  struct Row {
    const char* name;
    std::function<void()> action;
  };
  const Row rows[] = {
      {"cmbRects",
       [&] { QTest::keyClick(&Control<QComboBox>("cmbRects"), Qt::Key_Up); }},
      {"cmbBackgrY",
       [&] { QTest::keyClick(&Control<QComboBox>("cmbBackgrY"), Qt::Key_Up); }},
      {"cmbTV to NTSC",
       [&] { QTest::keyClick(&Control<QComboBox>("cmbTV"), Qt::Key_Down); }},
      {"cmbTV to PAL",
       [&] { QTest::keyClick(&Control<QComboBox>("cmbTV"), Qt::Key_Up); }},
      {"cbSafeAction", [&] { Control<QCheckBox>("cbSafeAction").click(); }},
      {"cbSafeTitle", [&] { Control<QCheckBox>("cbSafeTitle").click(); }},
      {"cb2nd ticked", [&] { Control<QCheckBox>("cb2nd").click(); }},
      {"tbID2", [&] { Slider("tbID2").setValue(3); }},
      {"cb2nd unticked", [&] { Control<QCheckBox>("cb2nd").click(); }},
      {"seLeft", [&] { Control<QSpinBox>("seLeft").setValue(5); }},
      {"btnSetMax", [&] { Control<QPushButton>("btnSetMax").click(); }},
      {"page change", [&] { ShowPage("tsWB"); }},
      {"btnOpenImg",
       [&] {
         dialogs.open_picture_answers.push_back(folder.filePath("none.bmp"));
         Control<QPushButton>("btnOpenImg").click();
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs.messages.clear();
    row.action();
    EXPECT_EQ(dialogs.messages, kRangeError);
    ExpectFlagsCleared();
  }

  // The palette still shows window 5: its controls are off, and its edits
  // are not stored into window 0's record, whose drawing failed.
  ShowPage("tsWB");
  dialogs.messages.clear();
  for (const QWidget* control : std::initializer_list<const QWidget*>{
           frmWB.seTop(), frmWB.seLeft(), frmWB.seRight(), frmWB.sePalDY(),
           frmWB.seBottom(), frmWB.seBlend(), frmWB.seWidth(), frmWB.seHeight(),
           frmWB.sbTop(), frmWB.sbLeft()})
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  const FirmwareImage before = frmMain.Document().image();
  frmWB.seBlend()->SetValue(0x20);
  frmWB.sbTop()->setSliderPosition(200);
  frmWB.seWidth()->SetValue(100);
  EXPECT_EQ(frmMain.Document().image(), before);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  ExpectFlagsCleared();

  // Window 5 still draws; giving its blend back repairs window 0.
  dialogs.messages.clear();
  Slider("tbID").setValue(5);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_TRUE(frmWB.seBlend()->isEnabled());
  frmWB.seBlend()->SetValue(0x10);
  Slider("tbID").setValue(0);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(Panel(3), "0x00:  (40;40)->(189;119) [150x80]");
  frmWB.seBlend()->SetValue(0x55);
  EXPECT_EQ(frmMain.Document().image()[0x11000 + 12], 0x55);
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The OSD page's sliders select the entry's window: an entry naming the
// broken window fails once, the next entry selects its window again.
TEST_F(HandlerErrorTest, OsdEntryNamingAWindowPastTheImageEnd) {
  OpenAndBreakWindowZero();
  ShowPage("tsWinPos");
  ASSERT_TRUE(dialogs.messages.isEmpty());
  QSlider& tbR6 = Slider("tbR6");
  QSlider& tbR7 = Slider("tbR7");

  tbR6.setValue(1);
  EXPECT_EQ(dialogs.messages, kRangeError);
  EXPECT_EQ(Control<QLabel>("lblR6val").text(), "0x01");
  ExpectFlagsCleared();

  dialogs.messages.clear();
  tbR6.setValue(2);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(Slider("tbID").value(), 5);
  EXPECT_EQ(tbR7.maximum(), 1);

  tbR7.setValue(1);
  EXPECT_EQ(dialogs.messages, kRangeError);
  ExpectFlagsCleared();
  dialogs.messages.clear();
  tbR7.setValue(0);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(Slider("tbID").value(), 5);
}

// A number pasted into the palette that no 16-bit field holds is stored only
// when the edit is left, clamped by then: no error, nothing stored before.
TEST_F(HandlerErrorTest, PaletteValueAbove65535) {
  Open(FirmwareWithWindows(5).Build());
  Slider("tbID").setValue(2);
  PaletteSpinEdit* pal_dy = frmWB.sePalDY();
  auto* text = pal_dy->findChild<QLineEdit*>();
  ASSERT_NE(text, nullptr);
  text->selectAll();
  text->insert("70000");  // what a paste does
  EXPECT_TRUE(dialogs.messages.isEmpty());
  ExpectFlagsCleared();
  // Window 2's record at 0x11020 keeps PalDY 48.
  EXPECT_EQ(ReadBE16(frmMain.Document().image(), 0x11020 + 8), 48);

  dialogs.messages.clear();
  QFocusEvent focus_out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(pal_dy, &focus_out);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(ReadBE16(frmMain.Document().image(), 0x11020 + 8), 576);
  frmWB.seBlend()->SetValue(0x12);
  EXPECT_EQ(frmMain.Document().image()[0x11020 + 12], 0x12);
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

class SubtitleErrorTest : public HandlerErrorTest {
 protected:
  void SetUp() override { Open(CallerStartingInAWindowRecord()); }
  // Stores `blend` into window 11's record: the caller's first instruction.
  void SetCallerStart(uint8_t blend) {
    Slider("tbID").setValue(kCodeWindow);
    frmWB.seBlend()->SetValue(blend);
    ASSERT_EQ(frmMain.Document().image()[0x1500C], blend);
  }
  bool ApplyEnabled() { return Control<QPushButton>("btnApply").isEnabled(); }
  QString LastLogLine() {
    return Control<QPlainTextEdit>("meLog").toPlainText().split('\n').last();
  }
};

// Showing the page and ticking "Debug" both read the parameters; an overflow
// in the trace ends each with one message, "APPLY" off, and the Debug lines
// up to the failing instruction in the memo.
TEST_F(SubtitleErrorTest, ReadThatOverflows) {
  SetCallerStart(kIncDptr);
  ShowPage("tsMpeg4Sub");
  EXPECT_EQ(dialogs.messages, kOverflowError);
  EXPECT_FALSE(ApplyEnabled());
  ExpectFlagsCleared();

  dialogs.messages.clear();
  Control<QCheckBox>("cbDebug").click();
  EXPECT_EQ(dialogs.messages, kOverflowError);
  EXPECT_EQ(LastLogLine(), "\tDisassembly:");
  EXPECT_TRUE(Control<QPlainTextEdit>("meLog").isVisible());
  EXPECT_FALSE(ApplyEnabled());
  ExpectFlagsCleared();

  // A NOP again: the next read finds window 2's parameters.
  dialogs.messages.clear();
  SetCallerStart(0x00);
  Control<QCheckBox>("cbDebug").click();
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(Slider("tbID").value(), 2);
}

// A change of the image while the page is shown reads the parameters again
// (the document's one Changed signal): when the caller's trace now
// overflows, that read ends with one message, nothing is patched and "APPLY"
// is off until the code is whole again; then "APPLY" writes.
TEST_F(SubtitleErrorTest, ApplyThatOverflows) {
  ShowPage("tsMpeg4Sub");
  ASSERT_TRUE(ApplyEnabled());
  SetCallerStart(kIncDptr);
  EXPECT_EQ(dialogs.messages, kOverflowError);
  Control<QPushButton>("btnApply").click();
  EXPECT_EQ(dialogs.messages, kOverflowError);
  EXPECT_EQ(frmMain.Document().image()[kFirstLoad], 0x90);  // still MOV DPTR
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_FALSE(ApplyEnabled());
  ExpectFlagsCleared();

  dialogs.messages.clear();
  SetCallerStart(0x00);
  EXPECT_TRUE(ApplyEnabled());
  Control<QPushButton>("btnApply").click();
  EXPECT_TRUE(dialogs.messages.isEmpty());
  // The first load now sends the selected window's index as a constant: the
  // read after the repair selected the firmware's window 2 again.
  const FirmwareImage& image = frmMain.Document().image();
  EXPECT_EQ(Slider("tbID").value(), 2);
  EXPECT_EQ(image[kFirstLoad + 2], 0x74);
  EXPECT_EQ(image[kFirstLoad + 3], 2);
  EXPECT_TRUE(IsImageChecksumValid(image));
}

}  // namespace
}  // namespace orlindel::editor::testing
