// The preview picture, the palette fill and the status texts drawn from
// images composed by the FirmwareBuilder.
#include "render/preview_renderer.h"

#include <gtest/gtest.h>

#include <QImage>

#include "core/errors.h"
#include "tests/support/count_pixels.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::render {
namespace {

using orlindel::testing::CountPixels;

using orlindel::testing::FirmwareBuilder;
using orlindel::testing::WindowSpec;

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kCyan = 0xFF00FFFF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr int64_t kListPos = 0x1000;

WindowSpec Window(uint16_t record_offset, uint16_t left, uint16_t top,
                  uint16_t right, uint16_t bottom, uint16_t pal_dy) {
  WindowSpec window;
  window.record_offset = record_offset;
  window.left = left;
  window.top = top;
  window.right = right;
  window.bottom = bottom;
  window.pal_dy = pal_dy;
  window.blend = 0x40;
  return window;
}

// Window 0 at (100, 50)-(199, 149) with PalDY 20; window 1 at
// (300, 200)-(349, 229) with PalDY 0.
FirmwareImage TwoWindows(std::vector<WindowSpec> windows = {
                             Window(0x2000, 100, 50, 199, 149, 20),
                             Window(0x2010, 300, 200, 349, 229, 0)}) {
  return FirmwareBuilder(0x8000, 0x00).WindowList(kListPos, windows).Build();
}

PreviewRequest WindowRequest(const FirmwareImage& image, int primary,
                             int rects_mode) {
  PreviewRequest request;
  request.image = image;
  request.window_list_pos = kListPos;
  request.max_window_index = 1;
  request.primary = primary;
  request.rects_mode = rects_mode;
  return request;
}

// The pixels of the ring of `lines` outlines inside `r`.
bool OnRing(const Rect& r, int lines, int x, int y) {
  if (x < r.left || x > r.right || y < r.top || y > r.bottom) return false;
  return std::min({x - r.left, r.right - x, y - r.top, r.bottom - y}) < lines;
}

TEST(RenderPreview, NoFirmwareGivesABlackScreenAndEmptyPanels) {
  PreviewRequest request;
  request.status3 = "old";
  request.status7 = "7";
  request.ntsc_rect = Rect{1, 2, 3, 4};
  request.pal_rect = Rect{1, 2, 3, 4};
  for (const auto& [tv_index, height] : {std::pair{0, 576}, {1, 480}}) {
    request.tv_index = tv_index;
    const PreviewResult result = RenderPreview(request);
    EXPECT_EQ(result.bitmap.format(), QImage::Format_RGB888);
    EXPECT_EQ(result.bitmap.size(), QSize(720, height));
    EXPECT_EQ(CountPixels(result.bitmap, kBlack), 720 * height);
    EXPECT_FALSE(result.palette_enabled);
    EXPECT_FALSE(result.palette);
    EXPECT_FALSE(result.palette_caption);
    EXPECT_TRUE(result.status3.isEmpty());
    EXPECT_TRUE(result.status7.isEmpty());
    EXPECT_EQ(result.ntsc_rect, Rect{});
    EXPECT_EQ(result.pal_rect, Rect{});
  }
}

struct SafeAreaCase {
  int tv_index;
  bool title;
  Rect expected;
};

class SafeArea : public ::testing::TestWithParam<SafeAreaCase> {};

// The yellow pixels span exactly the rectangle and lie only on its border.
TEST_P(SafeArea, DashedYellowFrameOnTheRoundedRectangle) {
  const SafeAreaCase& c = GetParam();
  PreviewRequest request;
  request.tv_index = c.tv_index;
  request.safe_title = c.title;
  request.safe_action = !c.title;
  const QImage bitmap = RenderPreview(request).bitmap;
  Rect seen{10000, 10000, -1, -1};
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) {
      const QRgb pixel = bitmap.pixel(x, y);
      if (pixel == kBlack) continue;
      ASSERT_EQ(pixel, kYellow);
      ASSERT_TRUE(OnRing(c.expected, 1, x, y)) << x << ", " << y;
      seen = Rect{std::min(seen.left, x), std::min(seen.top, y),
                  std::max(seen.right, x), std::max(seen.bottom, y)};
    }
  EXPECT_EQ(seen, c.expected);
  // Dashes, not a solid line: the top edge has transparent gaps.
  EXPECT_EQ(bitmap.pixel(c.expected.left, c.expected.top), kYellow);
  EXPECT_EQ(bitmap.pixel(c.expected.left + 18, c.expected.top), kBlack);
}

INSTANTIATE_TEST_SUITE_P(
    Standards, SafeArea,
    ::testing::Values(SafeAreaCase{0, true, {72, 58, 647, 518}},
                      SafeAreaCase{0, false, {36, 29, 683, 546}},
                      SafeAreaCase{1, true, {72, 48, 647, 431}},
                      SafeAreaCase{1, false, {36, 24, 683, 455}}));

TEST(RenderPreview, SelectedWindowFillsPaletteRectsAndStatus) {
  const FirmwareImage image = TwoWindows();
  const PreviewResult result = RenderPreview(WindowRequest(image, 0, 0));
  EXPECT_TRUE(result.palette_enabled);
  EXPECT_EQ(result.palette, (PaletteValues{100, 50, 199, 149, 20, 0x40}));
  EXPECT_EQ(result.palette_caption, QString("Window: 0x00"));
  EXPECT_EQ(result.ntsc_rect, (Rect{100, 50, 199, 149}));
  EXPECT_EQ(result.pal_rect, (Rect{100, 70, 199, 169}));
  EXPECT_EQ(result.status3, QString("0x00:  (100;50)->(199;149) [100x100]"));
  EXPECT_EQ(result.status7, QString("20"));
}

TEST(RenderPreview, NtscModeDrawsASolidMagentaFourLineFrameAndLabel) {
  const FirmwareImage image = TwoWindows();
  const QImage bitmap = RenderPreview(WindowRequest(image, 0, 0)).bitmap;
  EXPECT_EQ(bitmap.pixel(199, 50), kMagenta);
  EXPECT_EQ(bitmap.pixel(199, 149), kMagenta);
  EXPECT_EQ(bitmap.pixel(100, 149), kMagenta);
  EXPECT_EQ(bitmap.pixel(196, 146), kMagenta);  // fourth outline
  EXPECT_EQ(bitmap.pixel(195, 145), kBlack);    // inside
  EXPECT_EQ(bitmap.pixel(200, 50), kBlack);     // outside
  EXPECT_EQ(bitmap.pixel(199, 150), kBlack);
  // No frame at the PAL position: its bottom edge lies below the window.
  EXPECT_EQ(bitmap.pixel(150, 169), kBlack);
  // The label box at the top-left corner: black text on magenta.
  int black_in_box = 0;
  for (int y = 54; y < 60; ++y)
    for (int x = 104; x < 120; ++x) {
      const QRgb pixel = bitmap.pixel(x, y);
      EXPECT_TRUE(pixel == kMagenta || pixel == kBlack);
      black_in_box += pixel == kBlack;
    }
  EXPECT_GT(black_in_box, 0);
}

// PalRect (100, 70)-(199, 169). The bottom edge runs from (199, 169)
// leftward after 99 pixels of top edge and 99 of right edge, so its pattern
// phase starts at 198 mod 24 = 6 of dash 9, gap 6, dot 3, gap 6.
TEST(RenderPreview, PalModeDrawsCyanDashDotWithMagentaGaps) {
  const FirmwareImage image = TwoWindows();
  const QImage bitmap = RenderPreview(WindowRequest(image, 0, 1)).bitmap;
  const struct {
    int x;
    QRgb colour;
  } bottom_edge[] = {{199, kCyan},    {197, kCyan},    {196, kMagenta},
                     {191, kMagenta}, {190, kCyan},    {188, kCyan},
                     {187, kMagenta}, {182, kMagenta}, {181, kCyan}};
  for (const auto& pixel : bottom_edge)
    EXPECT_EQ(bitmap.pixel(pixel.x, 169), pixel.colour) << pixel.x;
  const Rect pal{100, 70, 199, 169};
  for (int y = 60; y < 180; ++y)
    for (int x = 90; x < 210; ++x) {
      const QRgb pixel = bitmap.pixel(x, y);
      if (OnRing(pal, 4, x, y)) {
        // Black only where the label's text lies over the frame.
        EXPECT_TRUE(pixel == kCyan || pixel == kMagenta || pixel == kBlack)
            << x << ", " << y;
      } else if (x > 140 || y > 100) {  // away from the label
        EXPECT_EQ(pixel, kBlack) << x << ", " << y;
      }
    }
  // The label moved with the window: its box lies just inside PalRect.
  const QRgb in_label = bitmap.pixel(105, 75);
  EXPECT_TRUE(in_label == kMagenta || in_label == kBlack);
  EXPECT_EQ(bitmap.pixel(104, 50), kBlack);  // nothing at the stored place
}

// With PalDY 0 the cyan frame lies exactly over the magenta frame and the
// label, which is written only once, at the stored position.
TEST(RenderPreview, BothModeWithoutPalDyPaintsCyanOverMagenta) {
  const FirmwareImage image = TwoWindows();
  const QImage bitmap = RenderPreview(WindowRequest(image, 1, 2)).bitmap;
  const Rect rect{300, 200, 349, 229};
  int cyan = 0;
  for (int y = rect.top; y <= rect.bottom; ++y)
    for (int x = rect.left; x <= rect.right; ++x) {
      if (!OnRing(rect, 4, x, y)) continue;
      const QRgb pixel = bitmap.pixel(x, y);
      EXPECT_TRUE(pixel == kCyan || pixel == kMagenta) << x << ", " << y;
      cyan += pixel == kCyan;
    }
  EXPECT_GT(cyan, 100);
  EXPECT_EQ(bitmap.pixel(300, 200), kCyan);  // the label's corner, overdrawn
  const QRgb in_label = bitmap.pixel(305, 205);
  EXPECT_TRUE(in_label == kMagenta || in_label == kBlack);
}

TEST(RenderPreview, FrameRunningOffTheRightEdgeIsCutOff) {
  const FirmwareImage image = TwoWindows(
      {Window(0x2000, 700, 100, 799, 199, 0), Window(0x2010, 0, 0, 9, 9, 0)});
  const PreviewResult result = RenderPreview(WindowRequest(image, 0, 0));
  EXPECT_EQ(result.bitmap.pixel(700, 150), kMagenta);
  EXPECT_EQ(result.bitmap.pixel(719, 199), kMagenta);
  EXPECT_EQ(result.bitmap.pixel(719, 150), kBlack);
  EXPECT_EQ(result.palette->right, 799);  // the palette clamps, not the fill
  EXPECT_EQ(result.status3, QString("0x00:  (700;100)->(799;199) [100x100]"));
}

TEST(RenderPreview, StatusOfAnInvertedWindowShowsNegativeSize) {
  const FirmwareImage image = TwoWindows(
      {Window(0x2000, 0, 0, 9, 9, 0), Window(0x2010, 50, 10, 40, 5, 7)});
  const PreviewResult result = RenderPreview(WindowRequest(image, 1, 0));
  EXPECT_EQ(result.status3, QString("0x01:  (50;10)->(40;5) [-9x-4]"));
  EXPECT_EQ(result.status7, QString("7"));
}

TEST(RenderPreview, OsdPositionFrameReachesTheWindowEdgeForSizeZero) {
  const FirmwareImage image = TwoWindows();
  PreviewRequest request = WindowRequest(image, 0, 1);
  request.mark_osd_position = true;
  request.current_osd_entry = OsdPosEntry{0, 10, 20, 0, 0};
  // PalRect (100, 70)-(199, 169): the frame is (110, 90)-(199, 169).
  QImage bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(110, 90), kGreen);
  EXPECT_EQ(bitmap.pixel(111, 91), kGreen);
  EXPECT_EQ(bitmap.pixel(112, 92), kBlack);
  EXPECT_EQ(bitmap.pixel(109, 90), kBlack);
  EXPECT_EQ(bitmap.pixel(199, 169), kGreen);
  EXPECT_EQ(bitmap.pixel(198, 168), kGreen);
  EXPECT_NE(bitmap.pixel(197, 167), kGreen);

  request.current_osd_entry = OsdPosEntry{0, 10, 20, 30, 40};
  bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(140, 130), kGreen);
  EXPECT_EQ(bitmap.pixel(141, 130), kBlack);
  EXPECT_EQ(bitmap.pixel(140, 131), kBlack);

  request.mark_osd_position = false;
  EXPECT_EQ(CountPixels(RenderPreview(request).bitmap, kGreen), 0);
}

// "Set to max" values 0, 0, width, height run one pixel beyond the window.
TEST(RenderPreview, SubtitleAreaFrameIsRelativeToTheWindow) {
  const FirmwareImage image = TwoWindows();
  PreviewRequest request = WindowRequest(image, 0, 0);
  request.subtitle_frame = true;
  request.subtitle_area = Rect{0, 0, 100, 100};
  const QImage bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(200, 150), kGreen);
  EXPECT_EQ(bitmap.pixel(200, 50), kGreen);
  EXPECT_EQ(bitmap.pixel(199, 149), kGreen);
  EXPECT_EQ(bitmap.pixel(198, 148), kMagenta);
}

TEST(RenderPreview, SkippedWindowKeepsRectsAndStatus) {
  FirmwareImage image = TwoWindows();
  PreviewRequest request = WindowRequest(image, 1, 0);
  request.ntsc_rect = Rect{1, 2, 3, 4};
  request.pal_rect = Rect{5, 6, 7, 8};
  request.status3 = "kept";
  request.status7 = "9";

  request.max_window_index = 0;  // index above MaxWindowIndex
  PreviewResult result = RenderPreview(request);
  request.max_window_index = 1;
  image[kListPos + 3] = 0x00;  // entry 1 is no CodePointer
  const PreviewResult untagged = RenderPreview(request);

  for (const PreviewResult* r :
       std::initializer_list<const PreviewResult*>{&result, &untagged}) {
    EXPECT_EQ(CountPixels(r->bitmap, kBlack), 720 * 576);
    EXPECT_EQ(r->ntsc_rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(r->pal_rect, (Rect{5, 6, 7, 8}));
    EXPECT_EQ(r->status3, QString("kept"));
    EXPECT_EQ(r->status7, QString("9"));
    EXPECT_TRUE(r->palette_enabled);
    EXPECT_FALSE(r->palette);
    EXPECT_EQ(r->palette_caption, QString("Window: 0x01"));
  }
}

TEST(RenderPreview, SecondWindowLiesUnderThePrimary) {
  const FirmwareImage image = TwoWindows();
  PreviewRequest request = WindowRequest(image, 0, 0);
  request.draw_second = true;
  request.second = 1;
  const PreviewResult result = RenderPreview(request);
  EXPECT_EQ(result.bitmap.pixel(349, 229), kMagenta);
  EXPECT_EQ(result.palette->left, 100);  // only the primary fills
  EXPECT_EQ(result.ntsc_rect, (Rect{100, 50, 199, 149}));
}

TEST(RenderPreview, RecordBeyondTheImageIsARangeError) {
  FirmwareImage image = TwoWindows();
  image[kListPos + 1] = 0x80;  // record offset 0x8000 = image length
  image[kListPos + 2] = 0x00;
  EXPECT_THROW(RenderPreview(WindowRequest(image, 0, 0)), RangeError);
}

// Rows of the picture are told apart by their red value (row mod 256).
QImage RowCodedPicture(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.setPixel(x, y, qRgb(y % 256, 1, 2));
  return picture;
}

TEST(RenderPreview, BackgroundModes) {
  // 777 rows on a 576-row screen: y = (576 - 777) div 2 = -100 (toward zero).
  const QImage tall = RowCodedPicture(720, 777);
  PreviewRequest request;
  request.background = &tall;
  request.background_mode = 1;
  QImage bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(0, 0), qRgb(100, 1, 2));
  EXPECT_EQ(bitmap.pixel(719, 575), qRgb(675 % 256, 1, 2));

  request.background_mode = 0;
  bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(5, 0), qRgb(0, 1, 2));
  EXPECT_EQ(bitmap.pixel(5, 575), qRgb(575 % 256, 1, 2));

  // A small picture at the top leaves the rest black; stretched it fills all.
  const QImage small = RowCodedPicture(360, 100);
  request.background = &small;
  bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(bitmap.pixel(359, 99), qRgb(99, 1, 2));
  EXPECT_EQ(bitmap.pixel(360, 99), kBlack);
  request.background_mode = 2;
  bitmap = RenderPreview(request).bitmap;
  EXPECT_EQ(CountPixels(bitmap, kBlack), 0);
  EXPECT_EQ(bitmap.pixel(0, 0), qRgb(0, 1, 2));

  // A screen-sized picture looks the same in all three modes.
  const QImage exact = RowCodedPicture(720, 576);
  request.background = &exact;
  request.background_mode = 0;
  const QImage top = RenderPreview(request).bitmap;
  for (const int mode : {1, 2}) {
    request.background_mode = mode;
    EXPECT_EQ(RenderPreview(request).bitmap, top) << mode;
  }
}

}  // namespace
}  // namespace orlindel::render
