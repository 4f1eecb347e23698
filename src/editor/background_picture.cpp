#include "editor/background_picture.h"

namespace orlindel::editor {

QImage LoadBmpPicture(const QString& path) {
  QImage picture(path, "BMP");
  if (picture.isNull()) throw InvalidBitmapError();
  return picture;
}

}  // namespace orlindel::editor
