// The TV safe areas: the title area is the middle eight tenths of the screen,
// the action area the middle nine tenths, in whole pixels.
#pragma once

#include "core/window_geometry.h"

namespace orlindel::render {

// `value` rounded to the nearest integer, halves to the even neighbour.
int RoundHalfToEven(double value);

// Inclusive rectangles on a kTvWidth-pixel-wide screen of `height` lines.
Rect SafeTitleArea(int height);
Rect SafeActionArea(int height);

}  // namespace orlindel::render
