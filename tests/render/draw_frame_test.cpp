// Pixel coverage of DrawFrame: n nested one-pixel outlines growing inward,
// and the gaps of patterned pens (brush colour or left untouched).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "render/preview_renderer.h"
#include "render/safe_areas.h"

namespace orlindel::render {
namespace {

constexpr QRgb kBackground = 0xFF0000FF;  // blue: untouched pixels
constexpr QRgb kPen = 0xFFFFFFFF;

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(kBackground);
  return image;
}

// The outline ring (0 = outermost) that pixel (x, y) lies on, or -1 outside.
int RingOf(const Rect& r, int x, int y) {
  if (x < r.left || x > r.right || y < r.top || y > r.bottom) return -1;
  return std::min({x - r.left, r.right - x, y - r.top, r.bottom - y});
}

class DrawFrameCoverage : public ::testing::TestWithParam<int> {};

TEST_P(DrawFrameCoverage, CoversExactlyTheFirstNRings) {
  const int lines = GetParam();
  const Rect rect{2, 3, 17, 14};
  QImage image = Canvas(20, 18);
  {
    QPainter painter(&image);
    painter.setPen(QPen(QColor(kPen), 1, Qt::SolidLine));
    DrawFrame(painter, rect, lines);
  }
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int ring = RingOf(rect, x, y);
      const bool covered = ring >= 0 && ring < lines;
      EXPECT_EQ(image.pixel(x, y), covered ? kPen : kBackground)
          << "lines " << lines << " at (" << x << ", " << y << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, DrawFrameCoverage,
                         ::testing::Values(0, 1, 2, 4));

// A dashed top edge from x = 0: 18 dash pixels, 6 gap pixels, and again.
TEST(DrawFrame, DashGapsTakeTheSolidBrushOrStayUntouched) {
  for (const bool solid_brush : {false, true}) {
    QImage image = Canvas(60, 5);
    {
      QPainter painter(&image);
      painter.setPen(QPen(QColor(kPen), 1, Qt::DashLine));
      painter.setBrush(solid_brush ? QBrush(QColor(255, 0, 255))
                                   : QBrush(Qt::NoBrush));
      DrawFrame(painter, Rect{0, 0, 59, 4}, 1);
    }
    const QRgb gap = solid_brush ? qRgb(255, 0, 255) : kBackground;
    EXPECT_EQ(image.pixel(0, 0), kPen);
    EXPECT_EQ(image.pixel(17, 0), kPen);
    EXPECT_EQ(image.pixel(18, 0), gap);
    EXPECT_EQ(image.pixel(23, 0), gap);
    EXPECT_EQ(image.pixel(24, 0), kPen);
    EXPECT_EQ(image.pixel(2, 2), kBackground);  // inside stays untouched
  }
}

TEST(SafeAreas, RoundHalfToEven) {
  EXPECT_EQ(RoundHalfToEven(0.5), 0);
  EXPECT_EQ(RoundHalfToEven(1.5), 2);
  EXPECT_EQ(RoundHalfToEven(2.5), 2);
  EXPECT_EQ(RoundHalfToEven(-2.5), -2);
  EXPECT_EQ(RoundHalfToEven(-1.5), -2);
  EXPECT_EQ(RoundHalfToEven(57.6), 58);
  EXPECT_EQ(RoundHalfToEven(460.8), 461);
  EXPECT_EQ(RoundHalfToEven(28.8), 29);
  EXPECT_EQ(RoundHalfToEven(2.4999), 2);
}

}  // namespace
}  // namespace orlindel::render
