#include "core/history/byte_edit.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/window_list.h"

namespace orlindel {
namespace {

TEST(ByteEditTest, ApplyWritesNewBytesAndUndoWritesOldBytes) {
  FirmwareImage image = {1, 2, 3, 4, 5, 6};
  const ByteEdit edit{2, {3, 4}, {0xAA, 0xBB}};
  ApplyEdit(image, edit);
  EXPECT_EQ(image, (FirmwareImage{1, 2, 0xAA, 0xBB, 5, 6}));
  UndoEdit(image, edit);
  EXPECT_EQ(image, (FirmwareImage{1, 2, 3, 4, 5, 6}));
}

TEST(ByteEditTest, EditsOutsideTheImageOrOfUnequalSidesWriteNothing) {
  const FirmwareImage original = {1, 2, 3, 4, 5, 6};
  const ByteEdit cases[] = {
      {5, {6, 0}, {7, 7}},     // one byte past the end
      {-1, {0, 1}, {7, 7}},    // before the start
      {6, {0}, {7}},           // at the end
      {0, {1, 2}, {7, 7, 7}},  // sides of different lengths
  };
  for (const ByteEdit& edit : cases) {
    FirmwareImage image = original;
    EXPECT_THROW(ApplyEdit(image, edit), RangeError) << edit.offset;
    EXPECT_THROW(UndoEdit(image, edit), RangeError) << edit.offset;
    EXPECT_EQ(image, original);
  }
}

TEST(ByteEditTest, OverlappingEditsUndoInReverseOrder) {
  FirmwareImage image(4, 0x00);
  // The second edit was recorded after the first had written byte 1.
  const EditList action = {{0, {0x00, 0x00}, {0x11, 0x22}},
                           {1, {0x22}, {0x33}}};
  ApplyEdits(image, action);
  EXPECT_EQ(image, (FirmwareImage{0x11, 0x33, 0x00, 0x00}));
  UndoEdits(image, action);
  EXPECT_EQ(image, FirmwareImage(4, 0x00));
}

// A revert writes only the bytes that differ: one edit per run that changed,
// then the checksum word; nothing at all when the range holds them already.
TEST(RevertRangeRunsTest, ReturnsOneEditPerRunThatChanged) {
  // Two words and their checksum word (their XOR): 0x08070605 ^ 0x04030201.
  FirmwareImage image = {1, 2, 3, 4, 5, 6, 7, 8, 4, 4, 4, 12};
  const ByteEdit change{1, {2, 9, 4, 9, 9}, {2, 3, 4, 5, 6}};
  const EditList edits = RevertRange(image, change);
  EXPECT_EQ(image, (FirmwareImage{1, 2, 9, 4, 9, 9, 7, 8, 8, 11, 14, 12}));
  EXPECT_EQ(edits, (EditList{{2, {3}, {9}},
                             {4, {5, 6}, {9, 9}},
                             {8, {4, 4, 4}, {8, 11, 14}}}));
  EXPECT_TRUE(RevertRange(image, change).empty());
  const ByteEdit past_end{8, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}};
  EXPECT_THROW(RevertRange(image, past_end), RangeError);
  EXPECT_EQ(image, (FirmwareImage{1, 2, 9, 4, 9, 9, 7, 8, 8, 11, 14, 12}));
}

TEST(RangeSnapshotTest, TellsWhatAWriteChangedInItsRanges) {
  // A window record at 1: Left 0x0102 -> 0x0105, Blend 0x33 -> 0x80; the
  // checksum word 16..19 (the last of five words) changes in byte 17.
  FirmwareImage image(20, 0x00);
  image[1] = 0x01, image[2] = 0x02, image[13] = 0x33;
  const RangeSnapshot before(image,
                             {{1, kWindowRecordSize}, ChecksumRange(image)});
  WindowRecord record = ReadWindowRecordAt(image, 1);
  record.left = 0x0105;
  record.blend = 0x80;
  WriteWindowRecordAt(image, 1, record);
  image[17] = 0x44;
  image[0] = 0x99;  // outside every range: not reported
  const EditList edits = before.Changes(image);
  EXPECT_EQ(edits, (EditList{{2, {0x02}, {0x05}},
                             {13, {0x33}, {0x80}},
                             {17, {0x00}, {0x44}}}));
  UndoEdits(image, edits);
  EXPECT_EQ(image[2], 0x02);
  EXPECT_EQ(image[13], 0x33);
  EXPECT_EQ(image[17], 0x00);

  EXPECT_THROW(RangeSnapshot(image, {{6, kWindowRecordSize}}), RangeError);
  EXPECT_EQ(ChecksumRange(FirmwareImage(23, 0)).offset, 16);
  EXPECT_THROW(ChecksumRange(FirmwareImage(3, 0)), RangeError);
}

TEST(FixChecksumEditTest, RecordsOnlyTheChangedBytesOfTheWord) {
  // Words 04030201 and 40302010 XOR to 44332211, stored low byte first.
  FirmwareImage image = {1,    2,    3,    4,    0x10, 0x20, 0x30,
                         0x40, 0x11, 0x00, 0x33, 0x00, 0xEE};
  EXPECT_EQ(FixChecksumEdit(image),
            (EditList{{9, {0x00}, {0x22}}, {11, {0x00}, {0x44}}}));
  EXPECT_EQ(image[9], 0x22);
  EXPECT_EQ(image[11], 0x44);
  EXPECT_TRUE(FixChecksumEdit(image).empty());
  FirmwareImage tiny = {1, 2, 3};
  EXPECT_THROW(FixChecksumEdit(tiny), RangeError);
}

// Twelve bytes, three words: the checksum word is 8..11.
class RevertRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    opened_ = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0};
    FixImageChecksum(opened_);  // 04 04 04 0C at 8..11
    image_ = opened_;
  }
  FirmwareImage opened_;
  FirmwareImage image_;
};

TEST_F(RevertRangeTest, RestoresTheBytesAndTheChecksumAsOneUndoableAction) {
  // The user changed bytes 1..2, then the checksum was fixed.
  image_[1] = 0x12, image_[2] = 0x13;  // XOR deltas 0x10 at 9 and 10
  FixImageChecksum(image_);
  ASSERT_EQ(image_[9], 0x14);
  ASSERT_EQ(image_[10], 0x14);
  const FirmwareImage changed = image_;

  const EditList edits = RevertRange(image_, {1, {2, 3}, {0x12, 0x13}});
  EXPECT_EQ(image_, opened_);
  EXPECT_EQ(edits, (EditList{{1, {0x12, 0x13}, {2, 3}},
                             {9, {0x14, 0x14}, {0x04, 0x04}}}));
  UndoEdits(image_, edits);
  EXPECT_EQ(image_, changed);
  ApplyEdits(image_, edits);
  EXPECT_EQ(image_, opened_);
}

TEST_F(RevertRangeTest, KeepsOtherChangesAndFixesTheChecksumForThem) {
  image_[0] = 0x00;  // XOR delta 0x01 at 8
  image_[5] = 0x66;  // XOR delta 0x60 at 9
  FixImageChecksum(image_);
  RevertRange(image_, {5, {6}, {0x66}});
  EXPECT_EQ(image_, (FirmwareImage{0, 2, 3, 4, 5, 6, 7, 8, 5, 4, 4, 0x0C}));
}

TEST_F(RevertRangeTest, RevertingTheChecksumAloneLeavesItFixed) {
  image_[0] = 0x00;
  FixImageChecksum(image_);  // 05 04 04 0C
  const FirmwareImage changed = image_;
  const EditList edits = RevertRange(image_, {8, {0x04}, {0x05}});
  EXPECT_EQ(image_, changed);
  // The write and the fix undo each other; undone in reverse they still
  // leave the image as it was.
  UndoEdits(image_, edits);
  EXPECT_EQ(image_, changed);
}

TEST_F(RevertRangeTest, RefusesBeforeWritingAnything) {
  EXPECT_THROW(RevertRange(image_, {11, {0, 0}, {1, 1}}), RangeError);
  EXPECT_EQ(image_, opened_);
  FirmwareImage tiny = {1, 2, 3};
  EXPECT_THROW(RevertRange(tiny, {0, {9}, {1}}), RangeError);
  EXPECT_EQ(tiny, (FirmwareImage{1, 2, 3}));
}

}  // namespace
}  // namespace orlindel
