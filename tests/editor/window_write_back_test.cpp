// Storing the palette's values into a window record, byte for byte.
#include "editor/window_write_back.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::editor {
namespace {

using testing::FirmwareBuilder;
using testing::WindowSpec;

// 32 zero bytes: entry FF 00 08 at 0, the end mark FF FF FF at 3, the record
// at 8..22 (id 0 at 18, blend FF at 20), the checksum word at 28.
FirmwareImage SmallImage() {
  WindowSpec window;
  window.record_offset = 0x08;
  return FirmwareBuilder(0x20, 0x00).WindowList(0, {window}).Build(false);
}

TEST(WriteBackWindowValues, StoresBigEndianFieldsBlendAndChecksum) {
  FirmwareImage image = SmallImage();
  WriteBackWindowValues(
      image, 0, 0, 0,
      PaletteValues{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B});
  // Words (little-endian) before the checksum: FF0800FF, 0000FFFF, 04030201,
  // 08070605, 00000A09, 0000000B, 0; their XOR is F30CF106.
  const FirmwareImage expected = {
      0xFF, 0x00, 0x08, 0xFF, 0xFF, 0xFF, 0x00, 0x00,  //
      0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  //
      0x09, 0x0A, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x06, 0xF1, 0x0C, 0xF3};
  EXPECT_EQ(image, expected);
}

TEST(WriteBackWindowValues, IgnoresTheEntryTag) {
  FirmwareImage image = SmallImage();
  image[0] = 0x00;
  WriteBackWindowValues(image, 0, 0, 0, PaletteValues{0, 0, 0, 0, 0, 0x77});
  EXPECT_EQ(image[20], 0x77);
}

TEST(WriteBackWindowValues, OutOfRangeValueKeepsEarlierFieldsAndNoChecksum) {
  struct Case {
    PaletteValues values;
    int stored_bytes;  // record bytes written before the refused value
  };
  const Case cases[] = {
      {{1, 2, 70000, 4, 5, 6}, 4},  // Right refused: Left, Top stored
      {{1, 2, 3, 4, 5, 256}, 10},   // blend refused: all five words stored
      {{-1, 2, 3, 4, 5, 6}, 0},
  };
  for (const Case& c : cases) {
    FirmwareImage image = SmallImage();
    const FirmwareImage before = image;
    EXPECT_THROW(WriteBackWindowValues(image, 0, 0, 0, c.values), RangeError);
    const uint8_t words[10] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5};
    for (int i = 0; i < 10; ++i)
      EXPECT_EQ(image[8 + i], i < c.stored_bytes ? words[i] : before[8 + i]);
    EXPECT_EQ(image[20], 0xFF);  // blend untouched
    EXPECT_EQ(std::vector(image.begin() + 28, image.end()),
              std::vector(before.begin() + 28, before.end()));
  }
}

TEST(WriteBackWindowValues, RecordAtOrBeyondTheImageEndIsARangeError) {
  FirmwareImage image = SmallImage();
  image[2] = 0x20;  // record offset 0x20 = image length
  const FirmwareImage before = image;
  EXPECT_THROW(WriteBackWindowValues(image, 0, 0, 0, PaletteValues{}),
               RangeError);
  EXPECT_EQ(image, before);
  image[2] = 0x08;  // in bank 1 the record lies far beyond the image
  EXPECT_THROW(WriteBackWindowValues(image, 0, 1, 0, PaletteValues{}),
               RangeError);
  EXPECT_THROW(ResolveWindowRecord(image, 30, 0, 0), RangeError);
  EXPECT_EQ(ResolveWindowRecord(image, 0, 0, 0), 8);
}

}  // namespace
}  // namespace orlindel::editor
