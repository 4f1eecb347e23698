// The picture drawn under the windows.
#pragma once

#include <QImage>
#include <QString>

#include "core/errors.h"

namespace orlindel::render {

// A picture file that cannot be read as a picture.
class InvalidBitmapError : public OrlindelError {
 public:
  InvalidBitmapError()
      : OrlindelError(ErrorKind::kFile, "Bitmap image is not valid") {}
};

// Loads the BMP file at `path` (whatever its extension). Throws
// InvalidBitmapError for any other content, and std::bad_alloc for a
// readable picture there is no memory for.
QImage LoadBmpPicture(const QString& path);

// Loads the picture at `path` (whatever its extension): BMP content exactly
// as LoadBmpPicture does, any other picture format Qt can read by the
// reader its content names. Throws InvalidBitmapError when none can.
QImage LoadPicture(const QString& path);

}  // namespace orlindel::render
