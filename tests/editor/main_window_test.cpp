#include "editor/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "editor/app_title.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

TEST_F(MainWindowTest, PagesAndDropDownItems) {
  auto& pages = Control<QTabWidget>("pcMain");
  ASSERT_EQ(pages.count(), 4);
  const char* const names[] = {"tsInOut", "tsWB", "tsWinPos", "tsMpeg4Sub"};
  const char* const captions[] = {
      "Open / Save", "Windows", "OSD Messages Positions",
      "Mpeg4 Subtitle Parameters && Subtitle Area in Subtitle Window"};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(pages.widget(n)->objectName(), names[n]);
    EXPECT_EQ(pages.tabText(n), captions[n]);
  }
  auto items = [this](const char* name) {
    QStringList texts;
    auto& combo = Control<QComboBox>(name);
    for (int n = 0; n < combo.count(); ++n) texts << combo.itemText(n);
    return texts;
  };
  EXPECT_EQ(items("cmbTV"), QStringList({"PAL", "NTSC"}));
  EXPECT_EQ(items("cmbBackgrY"), QStringList({"Top", "Center", "Strech"}));
  EXPECT_EQ(items("cmbRects"),
            QStringList({"NTSC windows", "PAL windows", "NTSC+PAL windows"}));
}

TEST_F(MainWindowTest, StartValues) {
  // The placeholder shows as nothing until there are unsaved changes.
  EXPECT_EQ(frmMain.windowTitle(), QString(kAppTitle) + "[*]");
  EXPECT_FALSE(frmMain.isWindowModified());
  EXPECT_EQ(frmMain.Client().size(), QSize(734, 719));
  EXPECT_EQ(frmMain.Client().minimumSize(), frmMain.Client().maximumSize());
  EXPECT_EQ(Control<QTabWidget>("pcMain").currentWidget()->objectName(),
            "tsInOut");
  EXPECT_EQ(Control<QComboBox>("cmbTV").currentIndex(), 0);
  EXPECT_EQ(Control<QComboBox>("cmbBackgrY").currentIndex(), 1);
  EXPECT_EQ(Control<QComboBox>("cmbRects").currentIndex(), 1);
  for (const char* name : {"tbID", "tbID2"}) {
    const auto& selector = Control<QSlider>(name);
    EXPECT_EQ(selector.minimum(), 0) << name;
    EXPECT_EQ(selector.maximum(), 4) << name;
    EXPECT_EQ(selector.value(), 0) << name;
  }
  EXPECT_TRUE(Control<QSlider>("tbID").isEnabled());
  EXPECT_FALSE(Control<QSlider>("tbID2").isEnabled());
  EXPECT_FALSE(Control<QPushButton>("btnSave").isEnabled());
  EXPECT_FALSE(Control<QWidget>("tsWinPos").isEnabled());
  EXPECT_FALSE(Control<QPushButton>("btnApply").isEnabled());
  EXPECT_TRUE(Control<QCheckBox>("cbFullAscii").isChecked());
  for (const char* name :
       {"cbSafeAction", "cbSafeTitle", "cb2nd", "cbDebug", "cbViewLog"})
    EXPECT_FALSE(Control<QCheckBox>(name).isChecked()) << name;
  EXPECT_TRUE(Control<QLineEdit>("ledFWFile").isReadOnly());
  EXPECT_TRUE(Control<QLineEdit>("ledBackrgoundImg").isReadOnly());

  const auto& log = Control<QPlainTextEdit>("meLog");
  EXPECT_FALSE(log.isVisible());
  EXPECT_TRUE(log.isReadOnly());
  EXPECT_EQ(log.font().pixelSize(), 12);
  EXPECT_EQ(log.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(log.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // The captions of the status bar; the read-outs start empty.
  const char* const panels[10] = {"XY=",          "", "Rect:",  "",
                                  "InRectXY=",    "", "PalDY=", "",
                                  "InPalRectXY=", ""};
  for (int n = 0; n < 10; ++n) EXPECT_EQ(Panel(n), panels[n]) << n;

  const EditingState& state = frmMain.State();
  const FirmwareDocument& document = frmMain.Document();
  EXPECT_TRUE(document.image().empty());
  EXPECT_FALSE(document.WindowListPos().has_value());
  EXPECT_EQ(document.MaxWindowIndex(), 4);
  EXPECT_EQ(document.OsdPosCount(), 0);
  EXPECT_FALSE(document.OsdPosListPos().has_value());
  EXPECT_FALSE(state.BackgroundPicture.has_value());
  EXPECT_EQ(state.NtscRect, Rect{});
  EXPECT_EQ(state.PalRect, Rect{});
  EXPECT_EQ(state.NormalHeight, 719);
  EXPECT_FALSE(frmMain.Windows().PaletteLoading());
  // Showing the window drew the empty PAL preview.
  EXPECT_EQ(frmMain.Preview().Bitmap().size(), QSize(720, 576));
  EXPECT_FALSE(frmWB.isVisible());
}

TEST_F(MainWindowTest, TvStandardSwitchResizesAndSelects) {
  auto& tv = Control<QComboBox>("cmbTV");
  auto& rects = Control<QComboBox>("cmbRects");
  auto& background = Control<QComboBox>("cmbBackgrY");
  background.setCurrentIndex(2);
  QTest::keyClick(&tv, Qt::Key_Down);  // the user picks "NTSC"
  ASSERT_EQ(tv.currentIndex(), 1);
  EXPECT_EQ(frmMain.Client().height(), 719 - 96);
  EXPECT_EQ(frmMain.Client().width(), 734);
  EXPECT_EQ(rects.currentIndex(), 0);
  EXPECT_EQ(background.currentIndex(), 1);
  EXPECT_EQ(frmMain.Preview().Bitmap().size(), QSize(720, 480));
  EXPECT_EQ(Control<QWidget>("meLog").height(), 480);
  EXPECT_EQ(Control<QWidget>("sbInfo").y(), 719 - 96 - 19);
  EXPECT_FALSE(frmMain.State().ResizeAllowed);

  background.setCurrentIndex(0);
  QTest::keyClick(&tv, Qt::Key_Up);  // back to "PAL"
  ASSERT_EQ(tv.currentIndex(), 0);
  EXPECT_EQ(frmMain.Client().height(), 719);
  EXPECT_EQ(rects.currentIndex(), 1);
  EXPECT_EQ(background.currentIndex(), 1);
  EXPECT_EQ(frmMain.Preview().Bitmap().size(), QSize(720, 576));
  EXPECT_EQ(Control<QWidget>("meLog").height(), 576);
  EXPECT_EQ(Control<QWidget>("sbInfo").y(), 700);
}

TEST_F(MainWindowTest, ResizingFromOutsideIsRefused) {
  const QSize size = frmMain.size();
  frmMain.resize(900, 800);
  EXPECT_EQ(frmMain.size(), size);
  EXPECT_EQ(frmMain.Client().size(), QSize(734, 719));
}

TEST_F(MainWindowTest, SecondWindowSelectorFollowsItsCheckBox) {
  auto& second = Control<QCheckBox>("cb2nd");
  auto& selector = Control<QSlider>("tbID2");
  second.click();
  EXPECT_TRUE(selector.isEnabled());
  second.click();
  EXPECT_FALSE(selector.isEnabled());
}

TEST_F(MainWindowTest, PageSwitchUnticksSecondWindowAndPlacesPalette) {
  auto& pages = Control<QTabWidget>("pcMain");
  auto& second = Control<QCheckBox>("cb2nd");
  struct Row {
    const char* page;
    bool keeps_second;
    bool palette_visible;
  };
  const Row rows[] = {{"tsWB", true, true},
                      {"tsMpeg4Sub", false, false},
                      {"tsInOut", true, false},
                      {"tsWinPos", false, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.page);
    pages.setCurrentWidget(&Control<QWidget>("tsInOut"));
    second.setChecked(true);
    pages.setCurrentWidget(&Control<QWidget>(row.page));
    EXPECT_EQ(second.isChecked(), row.keeps_second);
    EXPECT_EQ(Control<QSlider>("tbID2").isEnabled(), row.keeps_second);
    EXPECT_EQ(frmWB.isVisible(), row.palette_visible);
  }
  pages.setCurrentWidget(&Control<QWidget>("tsWB"));
  EXPECT_TRUE(frmMain.Windows().IsWindowsPageActive());
}

TEST_F(MainWindowTest, LogShowsOnlyOnSubtitlePageWithViewLog) {
  auto& pages = Control<QTabWidget>("pcMain");
  auto& log = Control<QPlainTextEdit>("meLog");
  Control<QCheckBox>("cbViewLog").setChecked(true);
  pages.setCurrentWidget(&Control<QWidget>("tsMpeg4Sub"));
  EXPECT_TRUE(log.isVisible());
  EXPECT_EQ(log.height(), 576);
  pages.setCurrentWidget(&Control<QWidget>("tsWB"));
  EXPECT_FALSE(log.isVisible());
  Control<QCheckBox>("cbViewLog").setChecked(false);
  pages.setCurrentWidget(&Control<QWidget>("tsMpeg4Sub"));
  EXPECT_FALSE(log.isVisible());
}

TEST_F(MainWindowTest, MouseReadOutOverThePreview) {
  // No window is selected: both rectangles are (0;0)-(0;0), so only the
  // preview's top-left pixel lies inside them.
  struct Row {
    int rects_mode;
    int x, y;
    Qt::CursorShape cursor;
    const char* panel1;
    const char* panel5;
    const char* panel9;
  };
  const Row rows[] = {
      {1, 8, 115, Qt::CrossCursor, "(0;0)", "", "(0;0)"},
      {0, 8, 115, Qt::CrossCursor, "(0;0)", "(0;0)", ""},
      {2, 8, 115, Qt::CrossCursor, "(0;0)", "(0;0)", "(0;0)"},
      {2, 9, 115, Qt::CrossCursor, "(1;0)", "", ""},
      {2, 727, 690, Qt::CrossCursor, "(719;575)", "", ""},
      {2, 8, 115, Qt::CrossCursor, "(0;0)", "(0;0)", "(0;0)"},
      // Outside: arrow, panels 5 and 9 emptied, panel 1 keeps its text.
      {2, 728, 115, Qt::ArrowCursor, "(0;0)", "", ""},
      {2, 8, 691, Qt::ArrowCursor, "(0;0)", "", ""},
      {2, 7, 114, Qt::ArrowCursor, "(0;0)", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.x << "," << row.y);
    Control<QComboBox>("cmbRects").setCurrentIndex(row.rects_mode);
    MouseAt(row.x, row.y);
    EXPECT_EQ(CursorAt(row.x, row.y), row.cursor);
    EXPECT_EQ(Panel(1), row.panel1);
    EXPECT_EQ(Panel(5), row.panel5);
    EXPECT_EQ(Panel(9), row.panel9);
  }
}

TEST_F(MainWindowTest, PointInRectIncludesAllFourEdges) {
  const Rect rect{10, 20, 30, 40};
  EXPECT_TRUE(PointInRect(10, 20, rect));
  EXPECT_TRUE(PointInRect(30, 40, rect));
  EXPECT_FALSE(PointInRect(9, 20, rect));
  EXPECT_FALSE(PointInRect(31, 40, rect));
  EXPECT_FALSE(PointInRect(10, 41, rect));
  EXPECT_FALSE(PointInRect(10, 19, rect));
}

}  // namespace
}  // namespace orlindel::editor::testing
