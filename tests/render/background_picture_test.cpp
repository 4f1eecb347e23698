#include "render/background_picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

namespace orlindel::render {
namespace {

TEST(LoadBmpPictureTest, ReadsOnlyBmpContent) {
  QTemporaryDir folder;
  QImage picture(3, 2, QImage::Format_RGB888);
  picture.fill(Qt::blue);
  ASSERT_TRUE(picture.save(folder.filePath("p.bmp"), "BMP"));
  ASSERT_TRUE(picture.save(folder.filePath("p.png"), "PNG"));
  // A BMP file under another extension is still a bitmap file.
  ASSERT_TRUE(picture.save(folder.filePath("p.dat"), "BMP"));

  EXPECT_EQ(LoadBmpPicture(folder.filePath("p.bmp")).size(), QSize(3, 2));
  EXPECT_EQ(LoadBmpPicture(folder.filePath("p.dat")).pixelColor(2, 1),
            QColor(Qt::blue));
  for (const char* name : {"p.png", "missing.bmp"}) {
    try {
      LoadBmpPicture(folder.filePath(name));
      ADD_FAILURE() << name << " loaded";
    } catch (const InvalidBitmapError& error) {
      EXPECT_STREQ(error.what(), "Bitmap image is not valid");
    }
  }
}

}  // namespace
}  // namespace orlindel::render
