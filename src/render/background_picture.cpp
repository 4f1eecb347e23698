#include "render/background_picture.h"

#include <QImageReader>
#include <QSize>
#include <cstdint>
#include <new>

namespace orlindel::render {

QImage LoadBmpPicture(const QString& path) {
  QImageReader reader(path, "BMP");
  const QImage picture = reader.read();
  if (!picture.isNull()) return picture;
  // Qt reports a picture it could not allocate as unreadable too. A header
  // Qt accepts, of a size within Qt's allocation limit, whose picture cannot
  // be allocated now is a lack of memory, not a bad file.
  const QSize size = reader.size();
  const int64_t bytes = int64_t{size.width()} * size.height() * 4;
  const int64_t limit = int64_t{QImageReader::allocationLimit()} << 20;
  if (size.isValid() && (limit == 0 || bytes <= limit) &&
      QImage(size, QImage::Format_RGB32).isNull())
    throw std::bad_alloc();
  throw InvalidBitmapError();
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
