// The OSD message positions page: R6 and R7 pick an entry of the OsdPosList,
// the entry's window becomes the selected one and the preview marks the
// entry's rectangle in green.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QTabWidget>

#include "tests/editor/main_window_fixture.h"
#include "tests/support/count_pixels.h"

namespace orlindel::editor::testing {
namespace {

using orlindel::testing::CountPixels;
using orlindel::testing::OsdEntrySpec;
using orlindel::testing::OsdGroupSpec;

constexpr QRgb kGreen = qRgb(0, 255, 0);

// Twelve groups at 0x14000, their entries at 0x15000 + 0x40 g of bank 1:
// group 0 one entry in window 5, group 1 one entry in window 5 reaching to
// the window's edges, group 2 three entries in windows 1, 2 and 3, group 3
// none, groups 4..11 one entry in window g.
std::vector<OsdGroupSpec> TwelveGroups() {
  std::vector<OsdGroupSpec> groups(12);
  for (int g = 0; g < 12; ++g)
    groups[g].entries_offset = static_cast<uint16_t>(0x5000 + 0x40 * g);
  groups[0].entries = {{5, 10, 8, 20, 6}};
  groups[1].entries = {{5, 0, 0, 0, 0}};
  groups[2].entries = {{1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}, {3, 3, 3, 3, 3}};
  for (int g = 4; g < 12; ++g)
    groups[g].entries = {{static_cast<uint8_t>(g), 1, 1, 1, 1}};
  return groups;
}

class OsdPositionsPageTest : public MainWindowTest {
 protected:
  OsdPositionsPageTest() {
    OpenThroughDialog(WriteFile(
        "fw.bin",
        FirmwareWithWindows(12).OsdPosList(0x14000, TwelveGroups()).Build()));
  }

  void ShowPage(const char* name) {
    Control<QTabWidget>("pcMain").setCurrentWidget(&Control<QWidget>(name));
  }
  QSlider& tbR6() { return Control<QSlider>("tbR6"); }
  QSlider& tbR7() { return Control<QSlider>("tbR7"); }
  int SelectedWindow() { return Control<QSlider>("tbID").value(); }
  QString Label(const char* name) { return Control<QLabel>(name).text(); }
  QRgb PreviewPixel(int x, int y) {
    return frmMain.Preview().Bitmap().pixel(x, y);
  }
  int GreenPixels() { return CountPixels(frmMain.Preview().Bitmap(), kGreen); }
};

TEST_F(OsdPositionsPageTest, OpenSelectsTheFirstEntry) {
  EXPECT_TRUE(Control<QWidget>("tsWinPos").isEnabled());
  EXPECT_EQ(tbR6().maximum(), 11);
  EXPECT_EQ(tbR6().value(), 0);
  EXPECT_EQ(tbR7().maximum(), 0);
  EXPECT_EQ(tbR7().value(), 0);
  EXPECT_EQ(Label("lblR6val"), "0x00");
  EXPECT_EQ(Label("lblR7val"), "0x00");
  EXPECT_EQ(SelectedWindow(), 5);
  // Not on the page: no position frame.
  EXPECT_EQ(GreenPixels(), 0);
}

TEST_F(OsdPositionsPageTest, EntryOfTheSelectedWindowIsMarkedOnThePage) {
  ShowPage("tsWinPos");
  EXPECT_EQ(SelectedWindow(), 5);
  // Window 5 in PAL: (200; 184) - (349; 263); the entry (10; 8) 20 x 6 gives
  // the two-line frame (210; 192) - (230; 198).
  EXPECT_EQ(PreviewPixel(210, 192), kGreen);
  EXPECT_EQ(PreviewPixel(230, 198), kGreen);
  EXPECT_EQ(PreviewPixel(211, 193), kGreen);
  EXPECT_NE(PreviewPixel(212, 194), kGreen);
  EXPECT_NE(PreviewPixel(231, 198), kGreen);

  // Group 1 names the same window; width and height 0 reach its edges.
  tbR6().setValue(1);
  EXPECT_EQ(SelectedWindow(), 5);
  EXPECT_EQ(PreviewPixel(200, 184), kGreen);
  EXPECT_EQ(PreviewPixel(349, 263), kGreen);
  EXPECT_NE(PreviewPixel(210, 192), kGreen);
}

TEST_F(OsdPositionsPageTest, SlidersSelectGroupsAndEntries) {
  ShowPage("tsWinPos");
  tbR6().setValue(2);
  EXPECT_EQ(tbR7().maximum(), 2);
  EXPECT_EQ(SelectedWindow(), 1);
  tbR7().setValue(2);
  EXPECT_EQ(Label("lblR7val"), "0x02");
  EXPECT_EQ(SelectedWindow(), 3);
  // The palette shows window 3 (column 3 of row 0).
  EXPECT_EQ(frmWB.seLeft()->value(), 520);
  EXPECT_EQ(frmWB.windowTitle(), "Window: 0x03");

  // Moving R6 returns R7 to 0.
  tbR6().setValue(10);
  EXPECT_EQ(Label("lblR6val"), "0x0A");
  EXPECT_EQ(tbR7().value(), 0);
  EXPECT_EQ(Label("lblR7val"), "0x00");
  EXPECT_EQ(SelectedWindow(), 10);
}

TEST_F(OsdPositionsPageTest, ReturningToThePageStartsTheGroupAgain) {
  ShowPage("tsWinPos");
  tbR6().setValue(2);
  tbR7().setValue(1);
  EXPECT_EQ(SelectedWindow(), 2);
  ShowPage("tsWB");
  ShowPage("tsWinPos");
  EXPECT_EQ(tbR6().value(), 2);
  EXPECT_EQ(tbR7().value(), 0);
  EXPECT_EQ(SelectedWindow(), 1);
}

TEST_F(OsdPositionsPageTest, EmptyGroupSelectsNothing) {
  ShowPage("tsWinPos");
  tbR6().setValue(2);
  tbR7().setValue(2);
  tbR6().setValue(3);
  EXPECT_EQ(tbR7().maximum(), 0);
  EXPECT_EQ(Label("lblR7val"), "0x00");
  // The bytes where its entries would start (0xFF filler, which would move
  // the selection to window 11) are not read as an entry.
  EXPECT_EQ(SelectedWindow(), 3);
  EXPECT_EQ(GreenPixels(), 0);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace orlindel::editor::testing
