// The picture drawn under the windows: only BMP files are loadable.
#pragma once

#include <QImage>
#include <QString>

#include "core/errors.h"

namespace orlindel::render {

// A picture file that is not a readable BMP file.
class InvalidBitmapError : public OrlindelError {
 public:
  InvalidBitmapError()
      : OrlindelError(ErrorKind::kFile, "Bitmap image is not valid") {}
};

// Loads the BMP file at `path` (whatever its extension). Throws
// InvalidBitmapError for any other content.
QImage LoadBmpPicture(const QString& path);

}  // namespace orlindel::render
