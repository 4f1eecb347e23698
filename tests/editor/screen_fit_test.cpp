// The editor on small and scaled screens: the zoom it starts at and where
// its windows go.
#include "editor/screen_fit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "editor/app_settings.h"
#include "editor/changes_window.h"
#include "editor/main_menus.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

// A main window 740 wide whose height grows by 5 lines per percent.
QSize FakeFrame(int zoom) { return QSize(740, 200 + 5 * zoom); }

TEST(FittingZoomTest, LargestThatFitsUnlessTheUsersChoiceFits) {
  const struct Row {
    QSize available;
    int preferred;
    int zoom;
  } rows[] = {
      {{1920, 1080}, 100, 100}, {{1920, 700}, 100, 100}, {{1920, 699}, 100, 75},
      {{1920, 699}, 50, 50},    {{1920, 1080}, 75, 75},  {{1920, 574}, 100, 50},
      {{1920, 300}, 100, 50},   {{739, 1080}, 100, 50},  {{1920, 575}, 75, 75},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.available.width() << " x " << row.available.height()
                 << ", " << row.preferred << " %");
    EXPECT_EQ(
        FittingZoom(kZoomPercents, row.preferred, row.available, FakeFrame),
        row.zoom);
  }
}

TEST(PlacementTest, WindowsStayWhollyOnTheScreen) {
  const QRect screen(0, 0, 1093, 590);
  // Centred on a screen it is taller than: its top stays on the screen.
  EXPECT_EQ(KeptInside(QRect(177, -76, 740, 800), screen),
            QRect(177, 0, 740, 800));
  EXPECT_EQ(KeptInside(QRect(500, 300, 740, 400), screen),
            QRect(353, 190, 740, 400));
  EXPECT_EQ(KeptInside(QRect(-20, -5, 100, 100), screen),
            QRect(0, 0, 100, 100));
  // A second screen to the right keeps its own origin.
  const QRect right(1366, 0, 1920, 1050);
  EXPECT_EQ(KeptInside(QRect(1000, 10, 740, 500), right),
            QRect(1366, 10, 740, 500));

  // The palette beside the main window where there is room ...
  const QSize palette(212, 251);
  EXPECT_EQ(PlaceBeside(QRect(100, 20, 740, 560), palette, screen),
            QPoint(840, 20));
  // ... else over the main window's right part, still on the screen.
  EXPECT_EQ(PlaceBeside(QRect(300, 20, 740, 560), palette, screen),
            QPoint(881, 20));
  EXPECT_EQ(PlaceBeside(QRect(300, 400, 740, 560), palette, screen),
            QPoint(881, 339));
}

// The main window shown on screens of 1366 x 768 at 100, 125 and 150 %
// scaling and 1920 x 1080 at 200 % (their free areas in logical pixels,
// below a desktop panel of 40 physical pixels; the off-screen desktop draws
// a frame of 2 pixels around a window).
class StartPlacementTest : public MainWindowTest {
 protected:
  int Zoom() {
    for (const int percent : kZoomPercents)
      if (Control<QAction>(QString("actZoom%1").arg(percent)).isChecked())
        return percent;
    return 0;
  }
  // The window's outer frame, as the desktop will draw it.
  QRect Frame() {
    return frmMain.geometry().marginsAdded(FrameMargins(frmMain));
  }
};

TEST_F(StartPlacementTest, ZoomAndPlaceFitEachScreen) {
  const struct Row {
    const char* screen;
    QRect available;
    int zoom;
  } rows[] = {
      {"1366 x 768 at 100 %", QRect(0, 0, 1366, 728), 75},
      {"1366 x 768 at 125 %", QRect(0, 0, 1093, 582), 50},
      {"1366 x 768 at 150 %", QRect(0, 0, 911, 485), 50},
      {"1920 x 1080 at 200 %", QRect(0, 0, 960, 520), 50},
      {"1920 x 1080 at 100 %", QRect(0, 0, 1920, 1040), 100},
      {"a second screen", QRect(1920, 0, 1366, 728), 75},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.screen);
    frmMain.FitToScreen(row.available);
    EXPECT_EQ(frmMain.Preview().Zoom(), row.zoom);
    EXPECT_EQ(Zoom(), row.zoom);
    EXPECT_TRUE(row.available.contains(Frame()))
        << Frame().x() << ", " << Frame().y() << ", " << Frame().width()
        << " x " << Frame().height();
    // Centred across.
    EXPECT_LE(std::abs(Frame().center().x() - row.available.center().x()), 1);
  }
  // The zoom chosen for the screen is not the user's choice.
  EXPECT_FALSE(QSettings().contains("view/zoom"));
}

TEST_F(StartPlacementTest, TheUsersZoomWinsWhereItFits) {
  SaveZoom(50);
  frmMain.FitToScreen(QRect(0, 0, 1920, 1040));
  EXPECT_EQ(frmMain.Preview().Zoom(), 50);
  SaveZoom(100);
  frmMain.FitToScreen(QRect(0, 0, 1366, 728));
  EXPECT_EQ(frmMain.Preview().Zoom(), 75);
  EXPECT_EQ(SavedZoom(kZoomPercents), 100);
}

// Switching to a larger zoom or back to PAL makes the window taller; it
// moves up as far as the screen's bottom needs.
TEST_F(StartPlacementTest, ZoomAndTvChangesKeepTheWindowOnScreen) {
  const QRect screen = frmMain.screen()->availableGeometry();
  Control<QAction>("actZoom50").trigger();
  frmMain.move(screen.left() + 10, screen.bottom() - 500);
  Control<QAction>("actZoom100").trigger();
  EXPECT_TRUE(screen.contains(Frame()));
  EXPECT_EQ(Frame().x(), screen.left() + 10);

  auto& tv = Control<QComboBox>("cmbTV");
  QTest::keyClick(&tv, Qt::Key_Down);  // NTSC: 96 lines shorter
  frmMain.move(frmMain.x(), screen.bottom() - Frame().height() + 1 -
                                FrameMargins(frmMain).top());
  ASSERT_TRUE(screen.contains(Frame()));
  QTest::keyClick(&tv, Qt::Key_Up);  // PAL again
  EXPECT_TRUE(screen.contains(Frame()));
}

// The palette's first place lines up with the main window's top; on a
// screen without room beside it, it lies over the main window's right part.
TEST_F(StartPlacementTest, PaletteBesideOrOverTheMainWindow) {
  const QRect screen = frmMain.screen()->availableGeometry();
  const auto show_palette = [&] {
    auto& pages = Control<QTabWidget>("pcMain");
    pages.setCurrentIndex(0);
    pages.setCurrentWidget(&Control<QWidget>("tsWB"));
    ASSERT_TRUE(frmWB.isVisible());
  };
  frmMain.move(screen.topLeft() + QPoint(40, 30));
  show_palette();
  EXPECT_EQ(frmWB.frameGeometry().topLeft(),
            QPoint(frmMain.frameGeometry().right() + 1,
                   frmMain.frameGeometry().top()));

  frmMain.move(screen.right() - frmMain.frameGeometry().width() - 20,
               screen.top() + 30);
  show_palette();
  const QRect palette = frmWB.geometry().marginsAdded(FrameMargins(frmWB));
  EXPECT_TRUE(screen.contains(palette));
  EXPECT_EQ(palette.right(), screen.right());
  EXPECT_EQ(palette.top(), frmMain.frameGeometry().top());
}

TEST_F(StartPlacementTest, ChangesWindowOpensBesideTheMainWindow) {
  const QRect screen = frmMain.screen()->availableGeometry();
  frmMain.move(screen.topLeft() + QPoint(60, 50));
  auto* changes = frmMain.findChild<TfrmChanges*>();
  ASSERT_NE(changes, nullptr);
  Control<QAction>("actChanges").trigger();
  ASSERT_TRUE(changes->isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(changes->frameGeometry().topLeft(),
            QPoint(frmMain.frameGeometry().right() + 1,
                   frmMain.frameGeometry().top()));
}

}  // namespace
}  // namespace orlindel::editor::testing
