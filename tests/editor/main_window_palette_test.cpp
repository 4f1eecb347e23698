// The main window's side of the palette: filling it from the image and
// storing its values back.
#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>

#include "editor/palette_spin_edit.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

TEST_F(MainWindowTest, BeforeAnyOpenTheSelectorDrawsAnEmptyPreview) {
  Control<QSlider>("tbID").setValue(3);
  EXPECT_EQ(Panel(3), "");
  EXPECT_EQ(Panel(7), "");
  EXPECT_EQ(frmMain.Preview().Bitmap().pixelColor(360, 288), QColor(Qt::black));
  EXPECT_FALSE(frmWB.seBlend()->isEnabled());
}

TEST_F(MainWindowTest, PaletteShowsAndStoresTheSelectedWindow) {
  const FirmwareImage bytes = FirmwareWithWindows(5).Build(false);
  OpenThroughDialog(WriteFile("fw.bin", bytes));
  dialogs.messages.clear();  // no OSD list in this image
  Control<QSlider>("tbID").setValue(2);
  // DemoWindows: window 2 is column 2 of row 0, blend 0x82.
  EXPECT_EQ(frmWB.Values(), (PaletteValues{360, 40, 509, 119, 48, 0x82}));
  EXPECT_EQ(frmWB.windowTitle(), "Window: 0x02");
  EXPECT_TRUE(frmWB.seBlend()->isEnabled());
  EXPECT_EQ(frmMain.State().NtscRect, (Rect{360, 40, 509, 119}));
  EXPECT_EQ(frmMain.State().PalRect, (Rect{360, 88, 509, 167}));
  EXPECT_EQ(frmMain.Document().image(), bytes);

  frmWB.seBlend()->SetValue(0x10);
  // Window 2's record lies at 0x11020; its blend byte is byte 12.
  const FirmwareImage& image = frmMain.Document().image();
  EXPECT_EQ(image[0x11020 + 12], 0x10);
  EXPECT_TRUE(IsImageChecksumValid(image));
  EXPECT_TRUE(
      std::equal(image.begin(), image.begin() + 0x11020 + 12, bytes.begin()));
  EXPECT_EQ(frmWB.Values().blend, 0x10);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

// A typed number is clamped to the field's range before it is stored: 300
// never reaches the blend byte, and no error is shown.
TEST_F(MainWindowTest, TypedValueIsClampedBeforeItIsStored) {
  OpenThroughDialog(WriteFile("fw.bin", FirmwareWithWindows(5).Build()));
  dialogs.messages.clear();
  Control<QSlider>("tbID").setValue(2);
  frmWB.seBlend()->selectAll();
  QTest::keyClicks(frmWB.seBlend(), "300");
  QTest::keyClick(frmWB.seBlend(), Qt::Key_Return);
  EXPECT_TRUE(dialogs.messages.isEmpty());
  EXPECT_EQ(frmMain.Document().image()[0x11020 + 12], 255);
  EXPECT_EQ(frmMain.History().count(), 1);
}

}  // namespace
}  // namespace orlindel::editor::testing
