// Counting the pixels of one colour in a drawn preview.
#pragma once

#include <QImage>

namespace orlindel::testing {

inline int CountPixels(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      count += image.pixel(x, y) == colour;
  return count;
}

}  // namespace orlindel::testing
