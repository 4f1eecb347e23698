#include "core/window_list.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/errors.h"
#include "core/image_scan.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;
using testing::WindowSpec;

// Windows whose records lie at 0x10, 0x20, ... of the list's bank.
std::vector<WindowSpec> Windows(int count) {
  std::vector<WindowSpec> windows;
  for (int n = 0; n < count; ++n)
    windows.push_back(
        {static_cast<uint16_t>(0x10 * (n + 1)), 10, 20, 300, 200, 48, 0x80});
  return windows;
}

TEST(WindowRecordTest, ValidityLimits) {
  const WindowRecord edge{800, 600, 800, 600, 0xFFFF, 3, 0, 0x00};
  EXPECT_TRUE(IsValidWindowRecord(3, edge));
  EXPECT_FALSE(IsValidWindowRecord(2, edge));
  WindowRecord record = edge;
  record.left = 801;
  EXPECT_FALSE(IsValidWindowRecord(3, record));
  record = edge;
  record.top = 601;
  EXPECT_FALSE(IsValidWindowRecord(3, record));
  record = edge;
  record.right = 801;
  EXPECT_FALSE(IsValidWindowRecord(3, record));
  record = edge;
  record.bottom = 601;
  EXPECT_FALSE(IsValidWindowRecord(3, record));
  record = edge;
  record.check_byte = 0xFF;
  EXPECT_TRUE(IsValidWindowRecord(3, record));
  record.check_byte = 0x01;
  EXPECT_FALSE(IsValidWindowRecord(3, record));
}

TEST(FindWindowListTest, FindsFiveEntriesInBankThree) {
  // FF 00 10, FF 00 20, ... FF 00 50, FF FF FF at 0x38000.
  const FirmwareImage image =
      FirmwareBuilder(0x40000).WindowList(0x38000, Windows(5)).Build();
  ASSERT_EQ(image[0x38000], 0xFF);
  ASSERT_EQ(image[0x3800E], 0x50);
  const WindowListInfo list = FindWindowList(image);
  EXPECT_EQ(list.offset, 0x38000);
  EXPECT_EQ(list.count, 5);
  EXPECT_EQ(WindowBankOf(list), Bank{3});
  EXPECT_EQ(WindowRecordOffset(image, list, 4), 0x30050);
}

TEST(FindWindowListTest, FourValidEntriesAreNotATable) {
  auto windows = Windows(5);
  windows[4].id = 9;
  const FirmwareImage image =
      FirmwareBuilder(0x40000).WindowList(0x38000, windows).Build();
  const WindowListInfo list = FindWindowList(image);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.offset, 0);
}

TEST(FindWindowListTest, ExtensionStopsAtTheFirstInvalidEntry) {
  auto windows = Windows(9);
  windows[6].id = 7;
  const FirmwareImage image =
      FirmwareBuilder(0x40000).WindowList(0x38000, windows).Build();
  EXPECT_EQ(FindWindowList(image).count, 6);
}

TEST(FindWindowListTest, ATableOfThreeHundredEntriesCountsTwoHundredFiftySix) {
  const FirmwareImage image =
      FirmwareBuilder(0x20000).WindowList(0x18000, Windows(300)).Build();
  const WindowListInfo list = FindWindowList(image);
  EXPECT_EQ(list.offset, 0x18000);
  EXPECT_EQ(list.count, 256);
}

TEST(FindWindowListTest, LowestOffsetWinsOverALongerTable) {
  auto later = Windows(20);
  for (auto& window : later) window.record_offset += 0x1000;
  const FirmwareImage image = FirmwareBuilder(0x10000)
                                  .WindowList(0x8000, Windows(5))
                                  .WindowList(0x9000, later)
                                  .Build();
  const WindowListInfo list = FindWindowList(image);
  EXPECT_EQ(list.offset, 0x8000);
  EXPECT_EQ(list.count, 5);
}

TEST(FindWindowListTest, HeaderLengthBoundsTheScan) {
  // limit = header length 0x9000; the last start examined is 0x9000 - 15.
  struct Row {
    int64_t before_limit;
    bool found;
  };
  for (const Row row : {Row{14, false}, Row{15, true}, Row{16, true}}) {
    const int64_t start = 0x9000 - row.before_limit;
    const FirmwareImage image =
        FirmwareBuilder(0x10000, 0x00)
            .HeaderLength(0x9000)
            .WindowList(static_cast<size_t>(start), Windows(5))
            .Build();
    const WindowListInfo list = FindWindowList(image);
    EXPECT_EQ(list.count, row.found ? 5 : 0) << row.before_limit;
    EXPECT_EQ(list.offset, row.found ? start : 0) << row.before_limit;
  }
}

TEST(FindWindowListTest, HeaderLengthZeroOrHugeAndTinyImages) {
  const FirmwareImage hidden = FirmwareBuilder(0x10000)
                                   .HeaderLength(0)
                                   .WindowList(0x8000, Windows(5))
                                   .Build();
  EXPECT_EQ(FindWindowList(hidden).count, 0);
  const FirmwareImage whole = FirmwareBuilder(0x10000)
                                  .HeaderLength(0xFFFFFF)
                                  .WindowList(0x8000, Windows(5))
                                  .Build();
  EXPECT_EQ(FindWindowList(whole).count, 5);
  for (const size_t size : {0, 1, 3, 4, 0x202, 0x203})
    EXPECT_EQ(FindWindowList(FirmwareImage(size, 0xFF)).count, 0) << size;
}

TEST(FindWindowListTest, WithoutHeaderLimitTheLastByteIsExcluded) {
  // Entries 0..4 at L-16..L-2 are found; at L-15..L-1 they are not.
  for (const int64_t from_end : {16, 15}) {
    FirmwareBuilder builder(0x10000, 0x00);
    builder.HeaderLength(0xFFFFFF);
    const auto windows = Windows(5);
    for (int n = 0; n < 5; ++n) {
      const auto entry = static_cast<size_t>(0x10000 - from_end + 3 * n);
      builder.Bytes(entry, {0xFF}).BE16(entry + 1, windows[n].record_offset);
      builder.Record(windows[n].record_offset, windows[n],
                     static_cast<uint8_t>(n));
    }
    const FirmwareImage image = builder.Build(false);
    EXPECT_EQ(FindWindowList(image).count, from_end == 16 ? 5 : 0);
  }
}

TEST(FindWindowListTest, TerminatorAtEntryZeroMovesTheScanOnByOneByte) {
  // FF FF at 0x7FFE makes the candidate at 0x7FFE read FF FF FF; the
  // candidate at 0x7FFF fails at entry 1; the table at 0x8000 is found.
  const FirmwareImage image = FirmwareBuilder(0x10000, 0x00)
                                  .Bytes(0x7FFE, {0xFF, 0xFF})
                                  .WindowList(0x8000, Windows(5))
                                  .Build();
  EXPECT_EQ(FindWindowList(image).offset, 0x8000);
}

TEST(FindWindowListTest, PointersPastTheImageEndAreNotATable) {
  // Bank 3 holds only 0x100 bytes; the records would lie at 0x30010 and on.
  FirmwareBuilder builder(0x30100, 0x00);
  for (int n = 0; n < 5; ++n)
    builder.Bytes(static_cast<size_t>(0x30000 + 3 * n), {0xFF, 0xF0, 0x10});
  EXPECT_EQ(FindWindowList(builder.Build()).count, 0);
}

TEST(FindWindowListTest, TableRunningIntoTheImageEndEndsAtItsLastWholeEntry) {
  // Six entries fill the image's last 18 bytes; there is no terminator.
  FirmwareBuilder builder(0x10000, 0x00);
  builder.HeaderLength(0xFFFFFF);
  const auto windows = Windows(6);
  for (int n = 0; n < 6; ++n) {
    const auto entry = static_cast<size_t>(0x10000 - 18 + 3 * n);
    builder.Bytes(entry, {0xFF}).BE16(entry + 1, windows[n].record_offset);
    builder.Record(windows[n].record_offset, windows[n],
                   static_cast<uint8_t>(n));
  }
  const WindowListInfo list = FindWindowList(builder.Build(false));
  EXPECT_EQ(list.offset, 0x10000 - 18);
  EXPECT_EQ(list.count, 6);
}

TEST(FindWindowListTest, ScanPastTheAnalysisLimitIsARangeError) {
  const FirmwareImage image =
      FirmwareBuilder(0xA10000, 0x00).WindowList(0xA00100, Windows(5)).Build();
  EXPECT_THROW(FindWindowList(image), RangeError);
  EXPECT_THROW(FindWindowList(image, ImageScan(image)), RangeError);
}

TEST(WindowRecordOffsetTest, ResolvesThroughTheListBankAndChecksBounds) {
  FirmwareImage image =
      FirmwareBuilder(0x20000).WindowList(0x1F000, Windows(5)).Build();
  const WindowListInfo list = FindWindowList(image);
  ASSERT_EQ(list.count, 5);
  EXPECT_EQ(WindowRecordOffset(image, list, 0), 0x10010);
  EXPECT_TRUE(WindowEntryIsPointer(image, list.offset, 2));
  EXPECT_THROW(WindowRecordOffset(image, list, 5), RangeError);
  EXPECT_THROW(WindowRecordOffset(image, list, -1), RangeError);
  // An entry edited to point at the bank's last bytes leaves the image.
  image[0x1F001] = 0xFF;
  image[0x1F002] = 0xF8;
  EXPECT_THROW(WindowRecordOffset(image, list, 0), RangeError);
}

TEST(FindWindowListTest, ARecordReadPastTheLimitEndsTheScanFirst) {
  // At 0x9F8000 five entries, the first two leading to 0x9FFFF8, whose record
  // ends past 0x9FFFFF. A valid table follows at 0x9F9000, but the shared
  // record is read past the limit before it is reached.
  std::vector<WindowSpec> shared = Windows(5);
  shared[0].record_offset = shared[1].record_offset = 0xFFF8;
  FirmwareBuilder builder(0xA10000, 0x00);
  for (size_t n = 0; n < shared.size(); ++n)
    builder.Bytes(0x9F8000 + 3 * n, {0xFF})
        .BE16(0x9F8000 + 3 * n + 1, shared[n].record_offset);
  const FirmwareImage image =
      builder.WindowList(0x9F9000, Windows(5)).Build(false);
  EXPECT_THROW(FindWindowList(image), RangeError);
  EXPECT_THROW(FindWindowList(image, ImageScan(image)), RangeError);
}

// Tables on both sides of the last bank below the analysis limit, where the
// scan stops asking for three different records, and right below the limit:
// the search taking its candidates from the shared scan ends as the search
// alone does, with the same table or the same range error.
TEST(FindWindowListTest, TheSharedScanFindsTablesUpToTheAnalysisLimit) {
  const auto outcome = [](auto search) -> std::optional<WindowListInfo> {
    try {
      return search();
    } catch (const RangeError&) {
      return std::nullopt;
    }
  };
  int found = 0;
  for (const size_t at : {size_t{0x9EFFF0}, size_t{0x9EFFFF}, size_t{0x9F0000},
                          size_t{0x9F0001}, size_t{0x9FFF00}}) {
    const FirmwareImage image =
        FirmwareBuilder(0xA10000, 0x00).WindowList(at, Windows(5)).Build();
    const auto alone = outcome([&] { return FindWindowList(image); });
    const auto fused =
        outcome([&] { return FindWindowList(image, ImageScan(image)); });
    ASSERT_EQ(fused.has_value(), alone.has_value()) << std::hex << at;
    if (!alone) continue;
    EXPECT_EQ(fused->offset, alone->offset) << std::hex << at;
    EXPECT_EQ(fused->count, alone->count) << std::hex << at;
    found += alone->offset == static_cast<int64_t>(at);
  }
  EXPECT_GE(found, 2);
}

}  // namespace
}  // namespace orlindel
