#include "render/background_picture.h"

namespace orlindel::render {

QImage LoadBmpPicture(const QString& path) {
  QImage picture(path, "BMP");
  if (picture.isNull()) throw InvalidBitmapError();
  return picture;
}

}  // namespace orlindel::render
