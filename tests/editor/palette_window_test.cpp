// The window-property palette against a host that stores into a real image
// and refills the palette from it, as the main window does.
#include "editor/palette_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include "core/window_list.h"
#include "render/preview_renderer.h"
#include "tests/editor/fake_user_dialogs.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::editor {
namespace {

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::WindowSpec;
using render::PreviewRequest;
using render::PreviewResult;
using render::RenderPreview;
using testing::FakeUserDialogs;

constexpr int64_t kListPos = 0x1000;

class ImageHost : public PaletteHost {
 public:
  explicit ImageHost(const WindowSpec& window)
      : image(FirmwareBuilder(0x4000, 0x00)
                  .WindowList(kListPos, {window})
                  .Build()) {}

  void WriteBackWindow() override {
    stored.push_back(palette->Values());
    if (loading) return;
    WriteWindowValues(
        image,
        WindowRecordOffset(image, {kListPos, 1}, 0, WindowLookup::kEditor),
        palette->Values(), RecordBounds::kFieldByField);
    FixImageChecksum(image);
    Refresh();
  }
  void BeginDrag() override { ++drags_begun; }
  void EndDrag() override { ++drags_ended; }
  bool IsWindowsPageActive() const override { return windows_page; }
  QRect MainFrameGeometry() const override { return QRect(100, 50, 800, 700); }
  UserDialogs& Dialogs() override { return dialogs; }

  // What the preview does: read the record back into the palette.
  void Refresh() {
    PreviewRequest request;
    request.image = image;
    request.window_list_pos = kListPos;
    request.primary = 0;
    const PreviewResult result = RenderPreview(request);
    palette->SetEditingEnabled(result.palette_enabled);
    loading = true;
    palette->Fill(*result.palette);
    loading = false;
  }

  FakeUserDialogs dialogs;

  WindowRecord Record() const { return ReadWindowRecordAt(image, 0x2000); }

  FirmwareImage image;
  TfrmWB* palette = nullptr;
  int drags_begun = 0;
  int drags_ended = 0;
  bool windows_page = true;
  bool loading = false;  // the main window's PaletteLoading
  std::vector<PaletteValues> stored;
};

WindowSpec Window(uint16_t left, uint16_t top, uint16_t right,
                  uint16_t bottom) {
  WindowSpec window;
  window.record_offset = 0x2000;
  window.left = left;
  window.top = top;
  window.right = right;
  window.bottom = bottom;
  window.pal_dy = 30;
  window.blend = 0x80;
  return window;
}

class PaletteTest : public ::testing::Test {
 protected:
  void Load(const WindowSpec& window) {
    host_ = std::make_unique<ImageHost>(window);
    palette_ = std::make_unique<TfrmWB>(*host_);
    host_->palette = palette_.get();
    host_->Refresh();
    host_->stored.clear();
  }

  // Types `text` over the edit's text; Return finishes the value.
  static void Type(PaletteSpinEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
  }

  std::unique_ptr<ImageHost> host_;
  std::unique_ptr<TfrmWB> palette_;
};

TEST_F(PaletteTest, ControlsNamesGeometryRangesAndHints) {
  ImageHost host(Window(0, 0, 9, 9));
  TfrmWB palette(host);
  EXPECT_EQ(palette.objectName(), QString("frmWB"));
  EXPECT_TRUE(palette.windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(palette.size(), QSize(208, 217));
  EXPECT_TRUE(palette.windowTitle().isEmpty());
  EXPECT_FALSE(palette.Updating);

  const struct {
    const char* name;
    QRect geometry;
    int maximum;
  } edits[] = {{"seTop", {65, 17, 62, 22}, 576},
               {"seLeft", {0, 40, 62, 22}, 720},
               {"seRight", {126, 40, 62, 22}, 720},
               {"sePalDY", {65, 102, 62, 22}, 576},
               {"seBottom", {65, 63, 62, 22}, 576},
               {"seBlend", {65, 140, 62, 22}, 255},
               {"seWidth", {0, 175, 62, 22}, 720},
               {"seHeight", {126, 175, 62, 22}, 576}};
  for (const auto& e : edits) {
    auto* edit = palette.findChild<PaletteSpinEdit*>(e.name);
    ASSERT_NE(edit, nullptr) << e.name;
    EXPECT_EQ(edit->geometry(), e.geometry) << e.name;
    EXPECT_EQ(edit->minimum(), 0);
    EXPECT_EQ(edit->maximum(), e.maximum) << e.name;
    EXPECT_EQ(edit->TextValue(), 0);
    EXPECT_FALSE(edit->isEnabled());
  }
  const struct {
    const char* name;
    QRect geometry;
    int maximum;
    const char* hint;
  } bars[] = {{"sbTop", {192, 0, 16, 201}, 600, "Move Vertically"},
              {"sbLeft", {0, 201, 208, 16}, 800, "Move Horozintally"}};
  for (const auto& b : bars) {
    auto* bar = palette.findChild<QScrollBar*>(b.name);
    ASSERT_NE(bar, nullptr) << b.name;
    EXPECT_EQ(bar->geometry(), b.geometry);
    EXPECT_EQ(bar->maximum(), b.maximum);
    EXPECT_EQ(bar->toolTip(), QString(b.hint));
    EXPECT_FALSE(bar->isEnabled());
  }
  QStringList captions;
  for (const QLabel* label : palette.findChildren<QLabel*>())
    captions << label->text();
  EXPECT_EQ(captions,
            (QStringList{"Top:", "Left:", "Right:", "PalDY:", "Bottom:",
                         "Blend (Transparency):", "Width:", "Height:"}));

  // The tab order, read off the focus chain.
  QStringList order;
  QWidget* widget = palette.seTop();
  do {
    if (widget->parentWidget() == &palette &&
        widget->focusPolicy() != Qt::NoFocus)
      order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != palette.seTop());
  EXPECT_EQ(order,
            (QStringList{"seTop", "seLeft", "seRight", "sePalDY", "seBottom",
                         "seBlend", "seWidth", "seHeight", "sbTop", "sbLeft"}));
}

TEST_F(PaletteTest, FillClampsEachControlAndStoresNothing) {
  Load(Window(0, 0, 9, 9));
  palette_->Fill(PaletteValues{700, 100, 799, 600, 580, 255});
  // The edits show the values clamped; untouched, they read as filled.
  EXPECT_EQ(palette_->seRight()->TextValue(), 720);
  EXPECT_EQ(palette_->seBottom()->TextValue(), 576);
  EXPECT_EQ(palette_->sePalDY()->TextValue(), 576);
  EXPECT_EQ(palette_->Values(), (PaletteValues{700, 100, 799, 600, 580, 255}));
  EXPECT_EQ(palette_->sbLeft()->value(), 700);
  EXPECT_EQ(palette_->sbTop()->value(), 100);
  EXPECT_EQ(palette_->seWidth()->TextValue(), 21);
  EXPECT_EQ(palette_->seHeight()->TextValue(), 477);
  EXPECT_FALSE(palette_->Updating);
  EXPECT_TRUE(host_->stored.empty());

  palette_->Fill(PaletteValues{50, 10, 40, 5, 0, 0});  // Right < Left
  EXPECT_EQ(palette_->seWidth()->TextValue(), 0);
  EXPECT_EQ(palette_->seHeight()->TextValue(), 0);
}

TEST_F(PaletteTest, DraggingTopKeepsTheHeightAndTheScrollBarPosition) {
  Load(Window(10, 100, 19, 199));
  palette_->sbTop()->setSliderPosition(590);  // what a drag does
  EXPECT_EQ(host_->stored.size(), 1u);
  EXPECT_EQ(host_->Record().top, 477);
  EXPECT_EQ(host_->Record().bottom, 576);
  EXPECT_EQ(palette_->seTop()->TextValue(), 477);
  EXPECT_EQ(palette_->seHeight()->TextValue(), 100);
  EXPECT_EQ(palette_->sbTop()->value(), 590);
  host_->Refresh();  // the next redraw sets it back
  EXPECT_EQ(palette_->sbTop()->value(), 477);
}

TEST_F(PaletteTest, ArrowMovesOnePixelTroughTen) {
  Load(Window(10, 100, 19, 199));
  palette_->show();
  QScrollBar* bar = palette_->sbTop();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->height() - 5));
  EXPECT_EQ(host_->Record().top, 101);
  EXPECT_EQ(host_->Record().bottom, 200);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->height() - 30));
  EXPECT_EQ(host_->Record().top, 111);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, 4));
  EXPECT_EQ(host_->Record().top, 110);

  QScrollBar* left = palette_->sbLeft();
  QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(left->width() - 40, 8));
  EXPECT_EQ(host_->Record().left, 20);
  EXPECT_EQ(host_->Record().right, 29);
  palette_->hide();
}

TEST_F(PaletteTest, MovingStopsTheFarEdgeAtItsMaximum) {
  Load(Window(600, 0, 709, 9));
  palette_->sbLeft()->setSliderPosition(650);
  EXPECT_EQ(host_->Record().left, 611);
  EXPECT_EQ(host_->Record().right, 720);
}

TEST_F(PaletteTest, TypingAWidthMovesTheRightEdge) {
  Load(Window(10, 0, 19, 9));
  palette_->SetEditingEnabled(true);
  Type(palette_->seWidth(), "50");
  EXPECT_EQ(host_->Record().left, 10);
  EXPECT_EQ(host_->Record().right, 59);
  EXPECT_EQ(palette_->seWidth()->TextValue(), 50);
}

// Only the field the user changed is stored anew; a stored value beyond the
// palette's range stays as stored until its own field is changed.
TEST_F(PaletteTest, OnlyTouchedFieldsAreStored) {
  Load(Window(700, 0, 799, 9));
  EXPECT_EQ(palette_->seRight()->TextValue(), 720);
  EXPECT_EQ(host_->Record().right, 799);
  Type(palette_->seBlend(), "7");
  EXPECT_EQ(host_->Record().blend, 7);
  EXPECT_EQ(host_->Record().right, 799);
  EXPECT_EQ(host_->Record().left, 700);
  // Moving the window moves both edges from what the palette shows.
  palette_->sbLeft()->setSliderPosition(690);
  EXPECT_EQ(host_->Record().left, 690);
  EXPECT_EQ(host_->Record().right, 710);
  Type(palette_->seRight(), "715");
  EXPECT_EQ(host_->Record().right, 715);
}

// A typed number is one change, stored when the typing is finished (Return
// or the loss of focus), clamped to the range by then.
TEST_F(PaletteTest, TypedNumberIsStoredOnceWhenFinished) {
  Load(Window(0, 0, 9, 9));
  const struct Row {
    const char* name;
    Qt::Key finish;  // Qt::Key_unknown: the focus leaves
  } rows[] = {{"return", Qt::Key_Return},
              {"enter", Qt::Key_Enter},
              {"focus out", Qt::Key_unknown}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    host_->stored.clear();
    palette_->seRight()->selectAll();
    QTest::keyClicks(palette_->seRight(), "800");
    EXPECT_TRUE(host_->stored.empty());  // nothing while typing
    if (row.finish == Qt::Key_unknown) {
      QFocusEvent focus_out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(palette_->seRight(), &focus_out);
    } else {
      QTest::keyClick(palette_->seRight(), row.finish);
    }
    ASSERT_EQ(host_->stored.size(), 1u);
    EXPECT_EQ(host_->stored.back().right, 720);
    EXPECT_EQ(palette_->seRight()->text(), QString("720"));
    // Leaving the edit afterwards stores nothing more.
    QFocusEvent focus_out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(palette_->seRight(), &focus_out);
    EXPECT_EQ(host_->stored.size(), 1u);
    Type(palette_->seRight(), "9");  // back to the start for the next row
  }

  host_->stored.clear();
  QTest::keyClicks(palette_->seRight(), "x");  // letters are refused
  EXPECT_EQ(palette_->seRight()->text(), QString("9"));
  EXPECT_TRUE(host_->stored.empty());

  palette_->seRight()->selectAll();
  QTest::keyClick(palette_->seRight(), Qt::Key_Delete);
  EXPECT_TRUE(host_->stored.empty());
  QTest::keyClick(palette_->seRight(), Qt::Key_Return);
  ASSERT_EQ(host_->stored.size(), 1u);
  EXPECT_EQ(host_->stored.back().right, 0);  // empty text reads as 0
}

// An arrow key steps the value and stores it at once, one change per step.
TEST_F(PaletteTest, ArrowKeyStepIsStoredAtOnce) {
  Load(Window(10, 0, 19, 9));
  QTest::keyClick(palette_->seRight(), Qt::Key_Up);
  ASSERT_EQ(host_->stored.size(), 1u);
  EXPECT_EQ(host_->Record().right, 20);
  QTest::keyClick(palette_->seRight(), Qt::Key_Down);
  QTest::keyClick(palette_->seRight(), Qt::Key_Down);
  EXPECT_EQ(host_->stored.size(), 3u);
  EXPECT_EQ(host_->Record().right, 18);
}

TEST_F(PaletteTest, PlacesItselfAgainstTheMainWindowAndRefusesToClose) {
  Load(Window(0, 0, 9, 9));
  palette_->show();
  EXPECT_EQ(palette_->pos(), QPoint(900, 50));
  EXPECT_FALSE(palette_->close());
  EXPECT_TRUE(palette_->isVisible());
  host_->windows_page = false;
  EXPECT_TRUE(palette_->close());
  EXPECT_FALSE(palette_->isVisible());
}

}  // namespace
}  // namespace orlindel::editor
