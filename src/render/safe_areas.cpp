#include "render/safe_areas.h"

#include <cmath>

#include "core/checks.h"
#include "core/tv_geometry.h"

namespace orlindel::render {

namespace {

// One tenth of the screen in each direction.
double HorizontalUnit() { return kTvWidth / 10.0; }
double VerticalUnit(int height) { return height / 10.0; }

// The rectangle that starts `start` units in and spans `span` units.
Rect Area(int height, double start, double span) {
  const double hu = HorizontalUnit();
  const double vu = VerticalUnit(height);
  Rect rect;
  rect.left = RoundHalfToEven(hu * start);
  rect.top = RoundHalfToEven(vu * start);
  rect.right = rect.left + RoundHalfToEven(hu * span) - 1;
  rect.bottom = rect.top + RoundHalfToEven(vu * span) - 1;
  return rect;
}

}  // namespace

int RoundHalfToEven(double value) {
  double rounded = std::floor(value);
  const double fraction = value - rounded;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
    rounded += 1.0;
  return NarrowTo<int>(static_cast<int64_t>(rounded));
}

Rect SafeTitleArea(int height) { return Area(height, 1.0, 8.0); }
Rect SafeActionArea(int height) { return Area(height, 0.5, 9.0); }

}  // namespace orlindel::render
