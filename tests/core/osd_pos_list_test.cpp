#include "core/osd_pos_list.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/image_scan.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;
using testing::OsdEntrySpec;
using testing::OsdGroupSpec;

constexpr int kMaxId = 4;  // five windows

// 02 FF 10 00, 01 FF 10 12, 03 FF 10 1B: entries at 0x1000 .. 0x1035.
std::vector<OsdGroupSpec> ThreeGroups() {
  return {{0x1000, {{0, 10, 4, 0, 0}, {1, 799, 599, 799, 599}}},
          {0x1012, {{4, 0, 0, 100, 20}}},
          {0x101B, {{2, 1, 2, 3, 4}, {3, 5, 6, 7, 8}, {0, 0, 0, 0, 0}}}};
}

TEST(OsdPosEntryTest, LimitsAreStrict) {
  EXPECT_TRUE(IsValidOsdPosEntry({4, 799, 599, 799, 599}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({5, 0, 0, 0, 0}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({0, 800, 0, 0, 0}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({0, 0, 600, 0, 0}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({0, 0, 0, 800, 0}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({0, 0, 0, 0, 600}, kMaxId));
  EXPECT_FALSE(IsValidOsdPosEntry({0, 0, 0, 0, 0}, -1));
}

TEST(FindOsdPosListTest, FindsThreeGroupsInBankTwo) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000).OsdPosList(0x28000, ThreeGroups()).Build();
  ASSERT_EQ(image[0x28004], 0x01);
  ASSERT_EQ(image[0x2800B], 0x1B);
  ASSERT_EQ(image[0x2800C], 0x00);
  const OsdPosListInfo list = FindOsdPosList(image, kMaxId);
  EXPECT_EQ(list.offset, 0x28000);
  EXPECT_EQ(list.count, 3);
  const OsdPosGroup group = ReadOsdPosGroup(image, list.offset, 2);
  EXPECT_EQ(group.entry_count, 3);
  EXPECT_EQ(group.entries_offset, 0x2101B);
}

TEST(FindOsdPosListTest, AFourthReferenceIsCounted) {
  auto groups = ThreeGroups();
  groups.push_back({0x1100, {}});  // count 0 is a valid group
  const FirmwareImage image =
      FirmwareBuilder(0x30000).OsdPosList(0x28000, groups).Build();
  EXPECT_EQ(FindOsdPosList(image, kMaxId).count, 4);
}

TEST(FindOsdPosListTest, InvalidGroupsBreakTheRun) {
  struct Row {
    const char* name;
    void (*spoil)(FirmwareImage&);
  };
  const Row rows[] = {
      {"two references only", [](FirmwareImage& i) { i[0x28009] = 0x00; }},
      {"window id one above the last",
       [](FirmwareImage& i) { i[0x21012] = 5; }},
      {"count byte 0x80", [](FirmwareImage& i) { i[0x28004] = 0x80; }},
      {"pointer FF FF",
       [](FirmwareImage& i) { i[0x28006] = 0xFF, i[0x28007] = 0xFF; }},
      // A group of no entries is valid wherever it points, but an empty
      // CodePointer makes no reference at all.
      {"second pointer FF FF, no entries",
       [](FirmwareImage& i) {
         i[0x28004] = 0x00, i[0x28006] = 0xFF, i[0x28007] = 0xFF;
       }},
      {"third pointer FF FF, no entries",
       [](FirmwareImage& i) {
         i[0x28008] = 0x00, i[0x2800A] = 0xFF, i[0x2800B] = 0xFF;
       }},
      {"X = 800",
       [](FirmwareImage& i) { i[0x21013] = 0x03, i[0x21014] = 0x20; }},
  };
  for (const Row& row : rows) {
    FirmwareImage image =
        FirmwareBuilder(0x30000).OsdPosList(0x28000, ThreeGroups()).Build();
    row.spoil(image);
    const OsdPosListInfo list = FindOsdPosList(image, kMaxId);
    EXPECT_EQ(list.count, 0) << row.name;
    EXPECT_EQ(list.offset, -1) << row.name;
  }
}

// References every two bytes, c FF h FF: at even offsets 4j a count c and a
// start h FF, at 4j + 2 a count h and a start c FF. In erased flash only the
// groups of no entries are valid: those at 0x11012, 0x11016 and 0x1101A. The
// candidate at 0x1100C fails at its third reference, which rules out the
// candidates at 0x11010 and 0x11014 in the next block of sixteen; the list
// at 0x11012 between them is found.
TEST(FindOsdPosListTest, AListRightAfterCandidatesRuledOutIsFound) {
  FirmwareBuilder builder(0x20000, 0xFF);
  for (int j = 0; j < 12; ++j) {
    const uint8_t h = j >= 4 && j <= 6 ? 0x00 : 0x20;
    builder.Bytes(0x11000 + 4 * j, {0x10, 0xFF, h, 0xFF});
  }
  const FirmwareImage image = builder.Build();
  ASSERT_EQ(image[0x11012], 0x00);
  ASSERT_EQ(image[0x1100E], 0x20);
  for (const OsdPosListInfo list :
       {FindOsdPosList(image, kMaxId),
        FindOsdPosList(image, kMaxId, ImageScan(image))}) {
    EXPECT_EQ(list.offset, 0x11012);
    EXPECT_EQ(list.count, 3);
  }
}

TEST(FindOsdPosListTest, LowestOffsetWinsAndHeaderLengthBounds) {
  auto longer = ThreeGroups();
  longer.push_back({0x1100, {}});
  const FirmwareImage two = FirmwareBuilder(0x30000)
                                .OsdPosList(0x28000, ThreeGroups())
                                .OsdPosList(0x27000, longer)
                                .Build();
  EXPECT_EQ(FindOsdPosList(two, kMaxId).offset, 0x27000);

  // limit = header length; the last start examined is limit - 12.
  for (const int64_t before : {11, 12, 13}) {
    const FirmwareImage image =
        FirmwareBuilder(0x30000)
            .HeaderLength(0x29000)
            .OsdPosList(static_cast<size_t>(0x29000 - before), ThreeGroups())
            .Build();
    EXPECT_EQ(FindOsdPosList(image, kMaxId).count, before >= 12 ? 3 : 0)
        << before;
  }
}

TEST(FindOsdPosListTest, EntriesPastTheImageEndMakeAGroupInvalid) {
  // The third group points at the bank's last bytes, beyond the image end.
  auto groups = ThreeGroups();
  groups[2].entries_offset = 0xFFF0;
  groups[2].entries.clear();
  FirmwareImage image =
      FirmwareBuilder(0x2A000).OsdPosList(0x28000, groups).Build();
  image[0x28008] = 2;  // two entries at 0x2FFF0, past the 0x2A000-byte image
  EXPECT_EQ(FindOsdPosList(image, kMaxId).count, 0);
}

TEST(FindOsdPosListTest, ReferencesAfterTheFirstThreeStopAtTheImageEnd) {
  // Four whole references end 2 bytes before the image end; the fifth is cut
  // short by it.
  FirmwareBuilder builder(0x30000, 0x00);
  builder.HeaderLength(0xFFFFFF);
  for (int r = 0; r < 4; ++r)
    builder.Bytes(static_cast<size_t>(0x30000 - 18 + 4 * r),
                  {0x00, 0xFF, 0x10, 0x00});
  builder.Bytes(0x30000 - 2, {0x00, 0xFF});
  const OsdPosListInfo list = FindOsdPosList(builder.Build(false), kMaxId);
  EXPECT_EQ(list.offset, 0x30000 - 18);
  EXPECT_EQ(list.count, 4);
}

TEST(FindOsdPosListTest, NoWindowsAcceptOnlyEmptyGroups) {
  const FirmwareImage image =
      FirmwareBuilder(0x30000).OsdPosList(0x28000, ThreeGroups()).Build();
  EXPECT_EQ(FindOsdPosList(image, -1).count, 0);
  const FirmwareImage empty =
      FirmwareBuilder(0x30000)
          .OsdPosList(0x28000, {{0x1000, {}}, {0x1000, {}}, {0x1000, {}}})
          .Build();
  EXPECT_EQ(FindOsdPosList(empty, -1).count, 3);
}

TEST(FindOsdPosListTest, RunsOfMoreThan255ReferencesCount255) {
  std::vector<OsdGroupSpec> groups(300, OsdGroupSpec{0x1000, {}});
  const FirmwareImage image =
      FirmwareBuilder(0x30000).OsdPosList(0x28000, groups).Build();
  EXPECT_EQ(FindOsdPosList(image, kMaxId).count, 255);
}

TEST(FindOsdPosListTest, TinyImagesAndTheAnalysisLimit) {
  for (const size_t size : {0, 1, 3, 4, 0x202, 0x203})
    EXPECT_EQ(FindOsdPosList(FirmwareImage(size, 0x00), kMaxId).count, 0);
  const FirmwareImage big = FirmwareBuilder(0xA10000, 0x00)
                                .OsdPosList(0xA00100, ThreeGroups())
                                .Build();
  EXPECT_THROW(FindOsdPosList(big, kMaxId), RangeError);
}

TEST(FindOsdPosListTest, AGroupReadPastTheLimitEndsTheScanFirst) {
  // At 0x9FF000: a reference to 0x7F zero entries from 0x9FFFC0, whose
  // eighth entry ends past 0x9FFFFF, then a valid one-entry group, then a
  // group whose entry names window 0x30. A valid list follows at 0x9FF100,
  // but the first reference is read past the limit before it is reached.
  const FirmwareImage image =
      FirmwareBuilder(0xA10000, 0x00)
          .Bytes(0x9FF000, {0x7F, 0xFF, 0xFF, 0xC0, 0x01, 0xFF, 0x00, 0x00,
                            0x01, 0xFF, 0x01, 0x00})
          .Bytes(0x9F0100, {0x30})
          .OsdPosList(0x9FF100, ThreeGroups())
          .Build(false);
  EXPECT_THROW(FindOsdPosList(image, kMaxId), RangeError);
}

TEST(WriteOsdPosEntryAtTest, StoresEveryFieldBigEndianOrNothingOutside) {
  FirmwareImage image(12, 0xEE);
  WriteOsdPosEntryAt(image, 2, {0x05, 0x0102, 0x0304, 0x0506, 0x0708});
  EXPECT_EQ(image, (FirmwareImage{0xEE, 0xEE, 0x05, 0x01, 0x02, 0x03, 0x04,
                                  0x05, 0x06, 0x07, 0x08, 0xEE}));
  for (const int64_t offset : {int64_t{-1}, int64_t{4}}) {
    FirmwareImage untouched(12, 0xEE);
    EXPECT_THROW(WriteOsdPosEntryAt(untouched, offset, {1, 2, 3, 4, 5}),
                 RangeError);
    EXPECT_EQ(untouched, FirmwareImage(12, 0xEE));
  }
}

// The entries of a group lie 9 bytes apart from its first; one that would
// reach past the image end is no entry, and no entry index is negative.
TEST(OsdPosEntryOffsetTest, EntriesFollowTheirGroupsFirstEntry) {
  FirmwareImage image(30, 0x00);
  WriteOsdPosEntryAt(image, 12, {0x05, 0x0102, 0x0304, 0x0506, 0x0708});
  const OsdPosGroup group{3, 3};
  EXPECT_EQ(OsdPosEntryOffset(group, 0), 3);
  EXPECT_EQ(OsdPosEntryOffset(group, 1), 12);
  EXPECT_THROW(OsdPosEntryOffset(group, -1), RangeError);
  EXPECT_EQ(ReadOsdPosEntry(image, group, 1),
            (OsdPosEntry{0x05, 0x0102, 0x0304, 0x0506, 0x0708}));
  EXPECT_TRUE(ReadOsdPosEntry(image, group, 2).has_value());   // 21..29
  EXPECT_EQ(ReadOsdPosEntry(image, {3, 4}, 2), std::nullopt);  // 22..30
}

}  // namespace
}  // namespace orlindel
