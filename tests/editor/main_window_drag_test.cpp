// Moving and resizing the selected window on the preview with the mouse and
// the arrow keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "core/window_list.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

// Window 5 of the demo layout: stored (200; 136) - (349; 215), PalDY 48,
// record at 0x11050. The preview's top-left pixel is the client's (8; 115).
constexpr int64_t kWindow5Record = 0x11050;

struct Edges {
  int left, top, right, bottom;
  bool operator==(const Edges&) const = default;
};

void PrintTo(const Edges& e, std::ostream* out) {
  *out << "(" << e.left << "; " << e.top << ") - (" << e.right << "; "
       << e.bottom << ")";
}

class WindowDragTest : public MainWindowTest {
 protected:
  WindowDragTest() {
    OpenThroughDialog(WriteFile("fw.bin", FirmwareWithWindows(12).Build()));
    ShowPage("tsWB");
    Control<QSlider>("tbID").setValue(5);
  }

  void ShowPage(const char* name) {
    Control<QTabWidget>("pcMain").setCurrentWidget(&Control<QWidget>(name));
  }
  void SetView(int index) {
    Control<QComboBox>("cmbRects").setCurrentIndex(index);
    frmMain.Refresh();
  }
  // The preview pixel (px, py) in the preview's own coordinates.
  static QPoint Pixel(int px, int py) { return QPoint(px, py); }
  QWidget* Preview() { return &frmMain.Preview(); }

  // A press at preview pixel (px, py), a move by (dx, dy), a release. The
  // mouse first leaves the drag distance, as a hand does; where the window
  // ends depends on the last position only.
  void Drag(int px, int py, int dx, int dy) {
    QTest::mousePress(Preview(), Qt::LeftButton, {}, Pixel(px, py));
    const int away = QApplication::startDragDistance();
    QTest::mouseMove(Preview(), Pixel(px + away, py + away));
    QTest::mouseMove(Preview(), Pixel(px + dx / 2, py + dy / 2));
    QTest::mouseMove(Preview(), Pixel(px + dx, py + dy));
    QTest::mouseRelease(Preview(), Qt::LeftButton, {}, Pixel(px + dx, py + dy));
  }

  Edges Window(int64_t record = kWindow5Record) {
    const WindowRecord r =
        ReadWindowRecordAt(frmMain.Document().image(), record);
    return {r.left, r.top, r.right, r.bottom};
  }
  int Entries() { return frmMain.History().count(); }
  void Undo() { Control<QAction>("actUndo").trigger(); }
};

TEST_F(WindowDragTest, DragMovesTheWindowAsOneEdit) {
  // The PAL view draws window 5 at (200; 184) - (349; 263).
  QTest::mouseMove(Preview(), Pixel(201, 220));
  EXPECT_EQ(Preview()->cursor().shape(), Qt::SizeHorCursor);
  QTest::mouseMove(Preview(), Pixel(270, 220));
  EXPECT_EQ(Preview()->cursor().shape(), Qt::SizeAllCursor);

  Drag(270, 220, 30, 20);
  EXPECT_EQ(Window(), (Edges{230, 156, 379, 235}));
  EXPECT_EQ(
      ReadWindowRecordAt(frmMain.Document().image(), kWindow5Record).pal_dy,
      48);
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_EQ(Entries(), 1);
  EXPECT_EQ(frmWB.seLeft()->value(), 230);
  // The status bar follows the mouse during the drag.
  EXPECT_EQ(Panel(1), "(300;240)");
  Undo();
  EXPECT_EQ(Window(), (Edges{200, 136, 349, 215}));
}

TEST_F(WindowDragTest, EdgesAndCornersResize) {
  SetView(0);  // NTSC: the stored rectangle (200; 136) - (349; 215)
  const struct Row {
    int px, py, dx, dy;
    Edges expected;
  } rows[] = {
      {201, 175, -10, 0, {190, 136, 349, 215}},
      {348, 175, 10, 0, {200, 136, 359, 215}},
      {275, 137, 0, -6, {200, 130, 349, 215}},
      {275, 214, 0, 6, {200, 136, 349, 221}},
      {201, 137, -5, -5, {195, 131, 349, 215}},
      {348, 137, 5, -5, {200, 131, 354, 215}},
      {201, 214, -5, 5, {195, 136, 349, 220}},
      {348, 214, 5, 5, {200, 136, 354, 220}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.px << ", " << row.py);
    Drag(row.px, row.py, row.dx, row.dy);
    EXPECT_EQ(Window(), row.expected);
    EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
    Undo();
  }
  EXPECT_EQ(Window(), (Edges{200, 136, 349, 215}));
}

TEST_F(WindowDragTest, WindowStaysOnTheScreenWithItsSize) {
  Control<QSlider>("tbID").setValue(0);  // (40; 40) - (189; 119), PAL +48
  Drag(100, 120, -100, -100);
  EXPECT_EQ(Window(0x11000), (Edges{0, 0, 149, 79}));
  // The PAL view draws the window 48 lines lower: its stored bottom stops
  // 48 lines above the picture's 576, so the frame drawn ends on it.
  Drag(50, 60, 1000, 1000);
  EXPECT_EQ(Window(0x11000), (Edges{571, 449, 720, 528}));
  EXPECT_EQ(frmWB.seBottom()->value() + 48, 576);
  // Dragging the bottom edge down stops there as well.
  Drag(650, 575, 0, 100);
  EXPECT_EQ(Window(0x11000), (Edges{571, 449, 720, 528}));
  Drag(650, 575, 0, -50);
  EXPECT_EQ(Window(0x11000), (Edges{571, 449, 720, 478}));
}

TEST_F(WindowDragTest, NtscPictureLimitsTheDrawnFrameToItsLines) {
  QTest::keyClick(&Control<QComboBox>("cmbTV"), Qt::Key_Down);  // NTSC
  ASSERT_EQ(frmMain.Preview().Bitmap().height(), 480);
  // NTSC windows: the stored rectangle itself stops at line 480.
  SetView(0);
  Drag(270, 175, 0, 1000);
  EXPECT_EQ(Window(), (Edges{200, 401, 349, 480}));
  // PAL windows: that frame is drawn 48 lines lower, off the picture. It is
  // not pushed further down, but moves back up when asked ...
  SetView(1);
  Drag(270, 460, 0, 100);
  EXPECT_EQ(Window(), (Edges{200, 401, 349, 480}));
  Drag(270, 460, 0, -100);
  EXPECT_EQ(Window(), (Edges{200, 301, 349, 380}));
  // ... and then stops with its drawn frame on the picture's last line.
  Drag(270, 360, 0, 1000);
  EXPECT_EQ(Window(), (Edges{200, 353, 349, 432}));
}

TEST_F(WindowDragTest, NtscPalViewGrabsTheStoredRectangle) {
  // (275; 150) lies in the stored rectangle only, not in the PAL one.
  Drag(275, 150, 10, 0);
  EXPECT_EQ(Entries(), 0);
  SetView(2);
  Drag(275, 150, 10, 0);
  EXPECT_EQ(Window(), (Edges{210, 136, 359, 215}));
}

TEST_F(WindowDragTest, OtherPagesOnlyFollowTheMouse) {
  for (const char* page : {"tsInOut", "tsWinPos", "tsMpeg4Sub"}) {
    SCOPED_TRACE(page);
    ShowPage(page);
    Drag(270, 220, 30, 20);
    EXPECT_EQ(Entries(), 0);
    EXPECT_EQ(Panel(1), "(300;240)");
  }
}

TEST_F(WindowDragTest, ArrowKeysNudgeAsOneEdit) {
  frmMain.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frmMain));
  QTest::mouseClick(Preview(), Qt::LeftButton, {}, Pixel(600, 500));
  ASSERT_TRUE(Preview()->hasFocus());
  QTest::keyClick(Preview(), Qt::Key_Right);
  EXPECT_EQ(Window(), (Edges{201, 136, 350, 215}));
  QTest::keyClick(Preview(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Window(), (Edges{201, 146, 350, 225}));
  QTest::keyClick(Preview(), Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(Window(), (Edges{201, 146, 349, 225}));
  QTest::keyClick(Preview(), Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(Window(), (Edges{201, 146, 349, 235}));
  EXPECT_TRUE(IsImageChecksumValid(frmMain.Document().image()));
  EXPECT_EQ(Entries(), 1);
  Undo();
  EXPECT_EQ(Window(), (Edges{200, 136, 349, 215}));
}

// A press whose mouse jitters within the drag distance moves nothing; past
// it, the window follows the whole way from the press.
TEST_F(WindowDragTest, JitterWithinTheDragDistanceMovesNothing) {
  const int distance = QApplication::startDragDistance();
  ASSERT_GT(distance, 2);
  const struct Row {
    int dx, dy;
  } jitters[] = {
      {1, 0}, {0, 1}, {-1, -1}, {distance - 1, 0}, {0, 1 - distance}};
  for (const Row& row : jitters) {
    SCOPED_TRACE(::testing::Message() << row.dx << ", " << row.dy);
    QTest::mousePress(Preview(), Qt::LeftButton, {}, Pixel(270, 220));
    QTest::mouseMove(Preview(), Pixel(270 + row.dx, 220 + row.dy));
    QTest::mouseRelease(Preview(), Qt::LeftButton, {},
                        Pixel(270 + row.dx, 220 + row.dy));
    EXPECT_EQ(Entries(), 0);
    EXPECT_EQ(Window(), (Edges{200, 136, 349, 215}));
  }
  QTest::mousePress(Preview(), Qt::LeftButton, {}, Pixel(270, 220));
  QTest::mouseMove(Preview(), Pixel(270 + distance, 220));
  QTest::mouseRelease(Preview(), Qt::LeftButton, {},
                      Pixel(270 + distance, 220));
  EXPECT_EQ(Window(), (Edges{200 + distance, 136, 349 + distance, 215}));
  EXPECT_EQ(Entries(), 1);
}

// The zoomed preview is smaller, and so is the window; the mouse still
// reads, drags and nudges in TV pixels.
TEST_F(WindowDragTest, ZoomMapsTheMouseToTvPixels) {
  const struct Row {
    const char* action;
    QSize preview;
    int client_height;
    QPoint widget;  // a widget point ...
    QString pixel;  // ... and the TV pixel it reads as
  } rows[] = {
      {"actZoom50", {360, 288}, 719 - 288, {100, 60}, "(200;120)"},
      {"actZoom75", {540, 432}, 719 - 144, {99, 60}, "(132;80)"},
      {"actZoom100", {720, 576}, 719, {100, 60}, "(100;60)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.action);
    Control<QAction>(row.action).trigger();
    EXPECT_EQ(Preview()->size(), row.preview);
    EXPECT_EQ(frmMain.Client().height(), row.client_height);
    EXPECT_EQ(Control<QWidget>("sbInfo").y(), row.client_height - 19);
    EXPECT_EQ(frmMain.Preview().Bitmap().size(), QSize(720, 576));
    QTest::mouseMove(Preview(), row.widget);
    EXPECT_EQ(Panel(1), row.pixel);
  }

  // At 50 %, widget (135; 110) is TV (270; 220) inside window 5's PAL
  // frame; 15 x 10 widget pixels move the window by 30 x 20 TV pixels.
  Control<QAction>("actZoom50").trigger();
  QTest::mousePress(Preview(), Qt::LeftButton, {}, QPoint(135, 110));
  QTest::mouseMove(Preview(), QPoint(150, 120));
  QTest::mouseRelease(Preview(), Qt::LeftButton, {}, QPoint(150, 120));
  EXPECT_EQ(Window(), (Edges{230, 156, 379, 235}));
  EXPECT_EQ(Panel(1), "(300;240)");
  EXPECT_EQ(Entries(), 1);

  // NTSC at 50 %: 240 lines shown, the client 96 / 2 shorter again.
  QTest::keyClick(&Control<QComboBox>("cmbTV"), Qt::Key_Down);
  EXPECT_EQ(Preview()->size(), QSize(360, 240));
  EXPECT_EQ(frmMain.Client().height(), 719 - 96 - 240);
}

}  // namespace
}  // namespace orlindel::editor::testing
