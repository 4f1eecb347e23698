// The window record's codec: its byte layout, the two bounds policies of its
// reads and writes, and resolving a record through its list entry.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/window_list.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
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

TEST(WindowRecordTest, DecodesBigEndianFields) {
  const FirmwareImage image =
      FirmwareBuilder(0x40, 0x00)
          .Bytes(0x10, {0x00, 0x28, 0x01, 0x90, 0x02, 0xA8, 0x02, 0x30, 0x00,
                        0x30, 0x07, 0x99, 0xC0, 0x99, 0xFF})
          .Build(false);
  const WindowRecord record = ReadWindowRecordAt(image, 0x10);
  EXPECT_EQ(record, (WindowRecord{40, 400, 680, 560, 48, 7, 0xC0, 0xFF}));
  EXPECT_THROW(ReadWindowRecordAt(image, 0x32), RangeError);
}

TEST(WindowRecordTest, WriteTouchesOnlyTheEditableFields) {
  FirmwareImage image(15, 0xEE);
  WriteWindowRecordAt(image, 0, {1, 2, 0x0304, 5, 6, 0x77, 0x88, 0x99});
  EXPECT_EQ(image, (FirmwareImage{0, 1, 0, 2, 3, 4, 0, 5, 0, 6, 0xEE, 0xEE,
                                  0x88, 0xEE, 0xEE}));
}

TEST(WriteWindowValues, StoresBigEndianFieldsAndBlendOnly) {
  FirmwareImage image = SmallImage();
  WriteWindowValues(
      image, WindowRecordOffset(image, {0, 1}, 0, WindowLookup::kEditor),
      PaletteValues{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B},
      RecordBounds::kFieldByField);
  // The id byte (18) and the checksum word (28..31) stay as they were.
  const FirmwareImage expected = {
      0xFF, 0x00, 0x08, 0xFF, 0xFF, 0xFF, 0x00, 0x00,  //
      0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  //
      0x09, 0x0A, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00,  //
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(image, expected);
  EXPECT_EQ(ReadWindowValues(image, 8, RecordBounds::kFieldByField),
            (PaletteValues{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B}));
}

TEST(EditorWindowLookup, IgnoresTheEntryTagWhichOnlyTellsAPointer) {
  FirmwareImage image = SmallImage();
  EXPECT_TRUE(WindowEntryIsPointer(image, 0, 0));
  image[0] = 0x00;
  EXPECT_FALSE(WindowEntryIsPointer(image, 0, 0));
  EXPECT_EQ(WindowRecordOffset(image, {0, 1}, 0, WindowLookup::kEditor), 8);
  EXPECT_THROW(WindowEntryIsPointer(image, 30, 1), RangeError);
}

// The two lookups of one entry: the table's stays within the list's windows
// and whole records; the editor's follows any entry to a record that starts
// inside the image.
TEST(WindowLookupPolicies, TheTableChecksWhatTheEditorLeavesToTheReads) {
  FirmwareImage image = SmallImage();
  const WindowListInfo list{0, 1};
  EXPECT_EQ(WindowRecordOffset(image, list, 0, WindowLookup::kTable), 8);
  // Entry 1 is the end mark FF FF FF: beyond the list for the table, a
  // pointer to 0xFFFF (outside the image) for the editor.
  EXPECT_THROW(WindowRecordOffset(image, list, 1, WindowLookup::kTable),
               RangeError);
  EXPECT_THROW(WindowRecordOffset(image, list, 1, WindowLookup::kEditor),
               RangeError);
  image[4] = 0x00;  // entry 1 now points at 0x0010, a whole record inside
  image[5] = 0x10;
  EXPECT_EQ(WindowRecordOffset(image, list, 1, WindowLookup::kEditor), 0x10);
  EXPECT_THROW(WindowRecordOffset(image, list, 1, WindowLookup::kTable),
               RangeError);
  // A record that starts inside but runs past the end.
  image[2] = 0x1C;
  EXPECT_EQ(WindowRecordOffset(image, list, 0, WindowLookup::kEditor), 0x1C);
  EXPECT_THROW(WindowRecordOffset(image, list, 0, WindowLookup::kTable),
               RangeError);
  EXPECT_THROW(WindowRecordOffset(image, list, -1, WindowLookup::kEditor),
               RangeError);
}

TEST(WriteWindowValues, OutOfRangeValueKeepsEarlierFields) {
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
    EXPECT_THROW(
        WriteWindowValues(image, 8, c.values, RecordBounds::kFieldByField),
        RangeError);
    const uint8_t words[10] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5};
    for (int i = 0; i < 10; ++i)
      EXPECT_EQ(image[8 + i], i < c.stored_bytes ? words[i] : before[8 + i]);
    EXPECT_EQ(image[20], 0xFF);  // blend untouched
  }
}

// A record whose six edited fields lie inside the image but whose check byte
// (record byte 14) does not: the editor reads and stores it field by field,
// the table refuses it whole and touches nothing.
TEST(RecordBounds, FieldByFieldReachesARecordTheWholeRecordPolicyRefuses) {
  FirmwareImage image = SmallImage();
  const int64_t record = 0x20 - 13;  // Blend is the image's last byte
  const PaletteValues values{1, 2, 3, 4, 5, 6};
  WriteWindowValues(image, record, values, RecordBounds::kFieldByField);
  EXPECT_EQ(image[0x1F], 6);
  EXPECT_EQ(ReadWindowValues(image, record, RecordBounds::kFieldByField),
            values);
  const FirmwareImage before = image;
  EXPECT_THROW(ReadWindowValues(image, record, RecordBounds::kWholeRecord),
               RangeError);
  EXPECT_THROW(ReadWindowRecordAt(image, record), RangeError);
  EXPECT_THROW(WriteWindowValues(image, record, PaletteValues{},
                                 RecordBounds::kWholeRecord),
               RangeError);
  EXPECT_EQ(image, before);
}

TEST(RecordBounds, WholeRecordStoresNothingWhenAValueIsRefused) {
  for (const PaletteValues& values :
       {PaletteValues{1, 2, 70000, 4, 5, 6}, PaletteValues{1, 2, 3, 4, 5, 256},
        PaletteValues{-1, 2, 3, 4, 5, 6}}) {
    FirmwareImage image = SmallImage();
    const FirmwareImage before = image;
    EXPECT_THROW(
        WriteWindowValues(image, 8, values, RecordBounds::kWholeRecord),
        RangeError);
    EXPECT_EQ(image, before);
  }
}

TEST(RecordBounds, BothPoliciesReadAndStoreTheSameBytes) {
  FirmwareImage whole = SmallImage();
  FirmwareImage by_field = SmallImage();
  const PaletteValues values{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B};
  WriteWindowValues(whole, 8, values, RecordBounds::kWholeRecord);
  WriteWindowValues(by_field, 8, values, RecordBounds::kFieldByField);
  EXPECT_EQ(whole, by_field);
  EXPECT_EQ(ReadWindowValues(whole, 8, RecordBounds::kWholeRecord), values);
  const WindowRecord record = ReadWindowRecordAt(whole, 8);
  EXPECT_EQ(record, (WindowRecord{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0,
                                  0x0B, 0}));
}

TEST(EditorWindowLookup, RecordAtOrBeyondTheImageEndIsARangeError) {
  FirmwareImage image = SmallImage();
  const auto lookup = [&image](int64_t list_offset) {
    return WindowRecordOffset(image, {list_offset, 1}, 0,
                              WindowLookup::kEditor);
  };
  image[2] = 0x20;  // record offset 0x20 = image length
  EXPECT_THROW(lookup(0), RangeError);
  image[2] = 0x08;
  EXPECT_THROW(lookup(30), RangeError);  // the entry runs past the end
  // A record that starts inside but runs past the end resolves; reading or
  // writing its later fields fails.
  image[2] = 0x1C;
  EXPECT_EQ(lookup(0), 0x1C);
  EXPECT_THROW(ReadWindowValues(image, 0x1C, RecordBounds::kFieldByField),
               RangeError);
  EXPECT_THROW(WriteWindowValues(image, 0x1C, PaletteValues{},
                                 RecordBounds::kFieldByField),
               RangeError);
}

TEST(WindowRecordFieldName, NamesEveryByteOfTheRecord) {
  const char* const expected[kWindowRecordSize] = {
      "Left",    "Left",    "Top",    "Top",     "Right",
      "Right",   "Bottom",  "Bottom", "PalDY",   "PalDY",
      "byte 10", "byte 11", "Blend",  "byte 13", "byte 14"};
  for (int byte = 0; byte < kWindowRecordSize; ++byte)
    EXPECT_STREQ(WindowRecordFieldName(byte), expected[byte]) << byte;
}

}  // namespace
}  // namespace orlindel
