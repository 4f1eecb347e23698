#include "render/background_picture.h"

#include <QImageReader>

namespace orlindel::render {

QImage LoadBmpPicture(const QString& path) {
  QImage picture(path, "BMP");
  if (picture.isNull()) throw InvalidBitmapError();
  return picture;
}

QImage LoadPicture(const QString& path) {
  QImage picture(path, "BMP");
  if (picture.isNull()) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    picture = reader.read();
  }
  if (picture.isNull()) throw InvalidBitmapError();
  return picture;
}

}  // namespace orlindel::render
