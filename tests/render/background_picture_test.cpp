#include "render/background_picture.h"

#include <gtest/gtest.h>

#include <QFile>
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

// The background takes every picture Qt reads; a BMP file gives exactly the
// bitmap the BMP-only loader gives, whatever its name.
TEST(LoadPictureTest, ReadsBmpAsBeforeAndOtherFormatsByContent) {
  QTemporaryDir folder;
  QImage picture(4, 3, QImage::Format_RGB888);
  picture.fill(Qt::darkCyan);
  picture.setPixelColor(1, 2, Qt::yellow);
  ASSERT_TRUE(picture.save(folder.filePath("p.bmp"), "BMP"));
  ASSERT_TRUE(picture.save(folder.filePath("bmp.png"), "BMP"));
  ASSERT_TRUE(picture.save(folder.filePath("p.png"), "PNG"));
  ASSERT_TRUE(picture.save(folder.filePath("png.bmp"), "PNG"));
  QFile text(folder.filePath("text.png"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a picture");
  text.close();

  const QImage bmp = LoadBmpPicture(folder.filePath("p.bmp"));
  for (const char* name : {"p.bmp", "bmp.png"}) {
    const QImage loaded = LoadPicture(folder.filePath(name));
    EXPECT_EQ(loaded, bmp) << name;
    EXPECT_EQ(loaded.format(), bmp.format()) << name;
  }
  for (const char* name : {"p.png", "png.bmp"}) {
    const QImage loaded = LoadPicture(folder.filePath(name));
    ASSERT_EQ(loaded.size(), QSize(4, 3)) << name;
    EXPECT_EQ(loaded.pixelColor(1, 2), QColor(Qt::yellow)) << name;
    EXPECT_EQ(loaded.pixelColor(3, 0), QColor(Qt::darkCyan)) << name;
  }
  for (const char* name : {"text.png", "missing.bmp"}) {
    try {
      LoadPicture(folder.filePath(name));
      ADD_FAILURE() << name << " loaded";
    } catch (const InvalidBitmapError& error) {
      EXPECT_STREQ(error.what(), "Bitmap image is not valid");
    }
  }
}

}  // namespace
}  // namespace orlindel::render
