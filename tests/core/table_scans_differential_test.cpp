// The fast table scans, alone and taking their candidates from the shared
// scan (ImageScan), against the straightforward reference scans, on random
// and mutated images.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "core/image_scan.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/reference_scans.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;
using testing::OsdEntrySpec;
using testing::OsdGroupSpec;
using testing::WindowSpec;

// What a scan gives: its result, or none when it refuses (RangeError).
template <typename Scan>
std::optional<OsdPosListInfo> OsdOutcome(Scan scan) {
  try {
    return scan();
  } catch (const RangeError&) {
    return std::nullopt;
  }
}

// FindOsdPosList alone and taking its candidates from the shared scan, each
// against the reference scan; `fast` is what the search alone found.
void FindOsdPosListAllWays(const FirmwareImage& image, int max_id,
                           OsdPosListInfo& fast) {
  const OsdPosListInfo reference =
      testing::ReferenceFindOsdPosList(image, max_id);
  fast = FindOsdPosList(image, max_id);
  ASSERT_EQ(fast.offset, reference.offset);
  ASSERT_EQ(fast.count, reference.count);
  const OsdPosListInfo fused = FindOsdPosList(image, max_id, ImageScan(image));
  ASSERT_EQ(fused.offset, reference.offset);
  ASSERT_EQ(fused.count, reference.count);
}

// Images of random size and filler holding a few window lists and OSD lists
// whose values are mostly, but not always, valid, then a few random bytes.
class RandomImages {
 public:
  explicit RandomImages(uint32_t seed) : random_(seed) {}

  FirmwareImage Next() {
    const size_t size = Pick(0x2000, 0x20000);
    FirmwareBuilder builder(size, Pick(0, 3) == 0 ? 0xFF : 0x00);
    if (Pick(0, 1) == 0)
      builder.CodeLikeFiller(0, size, static_cast<uint32_t>(random_()));
    // Everything goes into one bank that the image holds whole or in part.
    const size_t bank_base = size >= 0x12000 && Pick(0, 1) ? 0x10000 : 0;
    const size_t bank_size = std::min<size_t>(size - bank_base, 0x10000);
    for (int tables = static_cast<int>(Pick(1, 3)); tables > 0; --tables) {
      const size_t at = bank_base + Pick(0, bank_size - 0x400);
      if (Pick(0, 1) == 0) {
        std::vector<WindowSpec> windows(Pick(4, 9));
        size_t record = Pick(0, bank_size - 16 * windows.size());
        for (auto& window : windows) {
          window = {static_cast<uint16_t>(record),
                    Coordinate(800),
                    Coordinate(600),
                    Coordinate(800),
                    Coordinate(600),
                    0,
                    0xFF,
                    Pick(0, 19) == 0 ? 1 : -1,
                    static_cast<uint8_t>(Pick(0, 19) == 0 ? 1 : 0)};
          record += 16;
        }
        builder.WindowList(at, windows);
      } else {
        std::vector<OsdGroupSpec> groups(Pick(2, 6));
        for (auto& group : groups) {
          group.entries.resize(Pick(0, 1) == 0 ? Pick(0, 3) : Pick(9, 40));
          group.entries_offset = static_cast<uint16_t>(
              Pick(0, bank_size - 9 * group.entries.size()));
          for (auto& entry : group.entries)
            entry = {static_cast<uint8_t>(Pick(0, 4)), Coordinate(799),
                     Coordinate(599), Coordinate(799), Coordinate(599)};
        }
        builder.OsdPosList(at, groups);
      }
    }
    if (Pick(0, 3) == 0)
      builder.HeaderLength(static_cast<uint32_t>(Pick(0, size + 0x100)));
    FirmwareImage image = builder.Build(false);
    for (int flips = static_cast<int>(Pick(0, 8)); flips > 0; --flips)
      image[Pick(0, image.size() - 1)] = static_cast<uint8_t>(Pick(0, 255));
    return image;
  }

  int MaxId() { return static_cast<int>(Pick(0, 8)) - 1; }

 private:
  size_t Pick(size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random_);
  }
  // Mostly within `limit`, now and then anything.
  uint16_t Coordinate(size_t limit) {
    return static_cast<uint16_t>(Pick(0, 200) == 0 ? Pick(0, 0xFFFF)
                                                   : Pick(0, limit));
  }

  std::mt19937 random_;
};

TEST(TableScansDifferentialTest, FastScansMatchTheReferenceScans) {
  RandomImages images(20261208);
  int window_lists = 0, osd_lists = 0;
  for (int round = 0; round < 600; ++round) {
    const FirmwareImage image = images.Next();
    const WindowListInfo fast = FindWindowList(image);
    const WindowListInfo reference = testing::ReferenceFindWindowList(image);
    ASSERT_EQ(fast.offset, reference.offset) << "round " << round;
    ASSERT_EQ(fast.count, reference.count) << "round " << round;
    const int max_id = images.MaxId();
    const OsdPosListInfo fast_osd = FindOsdPosList(image, max_id);
    const OsdPosListInfo reference_osd =
        testing::ReferenceFindOsdPosList(image, max_id);
    ASSERT_EQ(fast_osd.offset, reference_osd.offset) << "round " << round;
    ASSERT_EQ(fast_osd.count, reference_osd.count) << "round " << round;
    const ImageScan scan(image);
    const WindowListInfo fused = FindWindowList(image, scan);
    ASSERT_EQ(fused.offset, reference.offset) << "round " << round;
    ASSERT_EQ(fused.count, reference.count) << "round " << round;
    const OsdPosListInfo fused_osd = FindOsdPosList(image, max_id, scan);
    ASSERT_EQ(fused_osd.offset, reference_osd.offset) << "round " << round;
    ASSERT_EQ(fused_osd.count, reference_osd.count) << "round " << round;
    window_lists += fast.count > 0;
    osd_lists += fast_osd.count > 0;
  }
  // The images exercise both outcomes of both scans.
  EXPECT_GT(window_lists, 30);
  EXPECT_GT(osd_lists, 30);
  EXPECT_LT(window_lists, 570);
  EXPECT_LT(osd_lists, 570);
}

TEST(TableScansDifferentialTest, LongGroupsAtEveryReferenceStillMatch) {
  // From 0x10000 every fourth byte starts a reference to 127 entries; the
  // r-th reference's entries start at entry r mod 50 of a run of valid
  // entries at 0x18000, whose entry 140 is spoiled. References 0..13 are
  // valid, reference 14 (entries 14..140) is not.
  FirmwareBuilder builder(0x20000, 0x00);
  for (size_t r = 0; r < 0x2000; ++r) {
    const auto entries = static_cast<uint16_t>(0x8000 + 9 * (r % 50));
    builder.Bytes(0x10000 + 4 * r, {0x7F, 0xFF})
        .BE16(0x10000 + 4 * r + 2, entries);
  }
  for (size_t at = 0x18000; at + 9 <= 0x20000; at += 9)
    builder.Bytes(at, {0x01, 0x00, 0x10, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00});
  builder.Bytes(0x18000 + 9 * 140, {0x09});
  const FirmwareImage image = builder.Build(false);
  const OsdPosListInfo fast = FindOsdPosList(image, 4);
  EXPECT_EQ(fast.offset, 0x10000);
  EXPECT_EQ(fast.count, 14);
  const OsdPosListInfo reference = testing::ReferenceFindOsdPosList(image, 4);
  EXPECT_EQ(reference.offset, 0x10000);
  EXPECT_EQ(reference.count, 14);
  const OsdPosListInfo fused = FindOsdPosList(image, 4, ImageScan(image));
  EXPECT_EQ(fused.offset, 0x10000);
  EXPECT_EQ(fused.count, 14);
}

// Runs of WList-looking entries that cycle through a few records, in every
// bank of the image, with now and then a real table and a few flipped bytes.
TEST(TableScansDifferentialTest, RepeatedEntryRunsMatch) {
  std::mt19937 random(7031);
  const auto pick = [&random](size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random);
  };
  int found = 0;
  for (int round = 0; round < 300; ++round) {
    FirmwareBuilder builder(0x30000, pick(0, 1) ? 0x00 : 0xFF);
    const size_t period = pick(1, 6);
    std::vector<uint16_t> records(period);
    for (size_t bank = 0; bank < 0x30000; bank += 0x10000) {
      for (auto& record : records) {
        record = static_cast<uint16_t>(0xC000 + 16 * pick(0, 0x300));
        WindowSpec window{record, 10, 20, 300, 200, 0, 0xFF};
        window.check_byte = pick(0, 5) == 0 ? 0x01 : 0x00;
        builder.Record(bank + record, window, static_cast<uint8_t>(pick(0, 5)));
      }
      const size_t run = bank + pick(0x300, 0x8000);
      for (size_t k = 0, count = pick(5, 0x1000); k < count; ++k)
        builder.Bytes(run + 3 * k, {0xFF})
            .BE16(run + 3 * k + 1, records[k % period]);
    }
    if (pick(0, 2) == 0) {
      std::vector<WindowSpec> windows(pick(5, 9));
      for (size_t n = 0; n < windows.size(); ++n)
        windows[n] = {static_cast<uint16_t>(0xB000 + 16 * n), 1, 2, 3, 4};
      builder.WindowList(pick(0x8000, 0x2B000), windows);
    }
    FirmwareImage image = builder.Build(false);
    for (int flips = static_cast<int>(pick(0, 6)); flips > 0; --flips)
      image[pick(0x300, image.size() - 1)] = static_cast<uint8_t>(pick(0, 255));
    const WindowListInfo fast = FindWindowList(image);
    const WindowListInfo reference = testing::ReferenceFindWindowList(image);
    ASSERT_EQ(fast.offset, reference.offset) << "round " << round;
    ASSERT_EQ(fast.count, reference.count) << "round " << round;
    const WindowListInfo fused = FindWindowList(image, ImageScan(image));
    ASSERT_EQ(fused.offset, reference.offset) << "round " << round;
    ASSERT_EQ(fused.count, reference.count) << "round " << round;
    found += fast.count > 0;
  }
  EXPECT_GT(found, 30);
  EXPECT_LT(found, 270);
}

TEST(TableScansDifferentialTest, RecordsAreTellApartByBank) {
  // Bank 0 holds at 0x0100.. five entries leading to records 0x2000,
  // 0x2010, ... whose ids are 0..4 but whose check byte 0x01 spoils them;
  // bank 1 holds the same five entries at 0x10100 and valid records at the
  // same offsets inside bank 1.
  std::vector<WindowSpec> windows;
  for (uint16_t n = 0; n < 5; ++n)
    windows.push_back({static_cast<uint16_t>(0x2000 + 16 * n), 1, 2, 3, 4});
  std::vector<WindowSpec> spoiled = windows;
  for (auto& window : spoiled) window.check_byte = 0x01;
  const FirmwareImage image = FirmwareBuilder(0x20000, 0x00)
                                  .WindowList(0x0100, spoiled)
                                  .WindowList(0x10100, windows)
                                  .Build(false);
  const WindowListInfo list = FindWindowList(image);
  EXPECT_EQ(list.offset, 0x10100);
  EXPECT_EQ(list.count, 5);
}

// References every four bytes to groups of mostly 127 entries inside a run
// of valid entries with a few spoiled ones; short groups mixed in.
TEST(TableScansDifferentialTest, RandomLongGroupsMatch) {
  std::mt19937 random(5501);
  const auto pick = [&random](size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random);
  };
  int found = 0;
  for (int round = 0; round < 150; ++round) {
    FirmwareBuilder builder(0x20000, 0x00);
    const size_t first = 0x10000 + pick(0, 3);
    for (size_t r = 0, refs = pick(10, 0x1000); r < refs; ++r) {
      const size_t count = pick(0, 4) == 0 ? pick(0, 0x7F) : 0x7F;
      builder.Bytes(first + 4 * r, {static_cast<uint8_t>(count), 0xFF})
          .BE16(first + 4 * r + 2,
                static_cast<uint16_t>(0x8000 + 9 * pick(0, 1500)));
    }
    for (size_t at = 0x18000; at + 9 <= 0x20000; at += 9)
      builder.Bytes(at, {static_cast<uint8_t>(pick(0, 3)), 0x00, 0x10, 0x00,
                         0x10, 0x00, 0x00, 0x00, 0x00});
    for (int spoils = static_cast<int>(pick(0, 30)); spoils > 0; --spoils)
      builder.Bytes(0x18000 + 9 * pick(0, 1500) + pick(0, 1) * 3, {0x09});
    const FirmwareImage image = builder.Build(false);
    const int max_id = static_cast<int>(pick(2, 4));
    SCOPED_TRACE(::testing::Message() << "round " << round);
    OsdPosListInfo fast;
    ASSERT_NO_FATAL_FAILURE(FindOsdPosListAllWays(image, max_id, fast));
    found += fast.count > 0;
  }
  EXPECT_GT(found, 15);
  EXPECT_LT(found, 135);
}

// Images of seven banks whose bytes are 0 (every entry valid) but for some
// spoiled ones, with runs of references in every bank and across its edges
// that point at groups anywhere in their bank. The first four banks are
// spoiled every 300 bytes or so and their groups are long, so that a list
// there is rare and the scan goes on; the last three are spoiled now and
// then (the valid runs reaching across bank edges and beyond the next bank)
// or as often as the first, so the groups of one bank are checked after
// those of the bank four before it, where other runs were remembered.
TEST(TableScansDifferentialTest, RunsAcrossBankEdgesMatch) {
  std::mt19937 random(7207);
  const auto pick = [&random](size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random);
  };
  constexpr size_t kSize = 0x70000;
  constexpr size_t kLateBanks = 0x40000;
  int late = 0;
  for (int round = 0; round < 60; ++round) {
    FirmwareBuilder builder(kSize, 0x00);
    const auto spoil = [&](size_t from, size_t to, size_t spoils) {
      for (size_t k = 0; k < spoils; ++k)
        builder.Bytes(pick(from, to - 1), {0x09});
    };
    spoil(0, kLateBanks, kLateBanks / 300);
    spoil(kLateBanks, kSize, pick(0, 1) == 0 ? pick(0, 20) : pick(300, 1000));
    for (size_t bank = 0; bank < kSize; bank += 0x10000) {
      for (int runs = static_cast<int>(pick(1, 3)); runs > 0; --runs) {
        const size_t refs = pick(2, 60);
        const size_t first = pick(0, 1) == 0
                                 ? bank + pick(0, 0xF000)
                                 : bank + 0x10000 - pick(4, 4 * refs);
        for (size_t r = 0; r < refs && first + 4 * r + 4 <= kSize; ++r) {
          const size_t count = bank < kLateBanks || pick(0, 3) != 0
                                   ? pick(0x60, 0x7F)
                                   : pick(0, 0x7F);
          builder.Bytes(first + 4 * r, {static_cast<uint8_t>(count), 0xFF})
              .BE16(first + 4 * r + 2, static_cast<uint16_t>(pick(0, 0xFFFF)));
        }
      }
    }
    const FirmwareImage image = builder.HeaderLength(kSize).Build(false);
    const int max_id = static_cast<int>(pick(0, 9));
    SCOPED_TRACE(::testing::Message() << "round " << round);
    OsdPosListInfo fast;
    ASSERT_NO_FATAL_FAILURE(FindOsdPosListAllWays(image, max_id, fast));
    late += fast.offset >= static_cast<int64_t>(kLateBanks);
  }
  EXPECT_GT(late, 20);
}

// Runs of references on both sides of the last position whose groups lie
// wholly below the analysis limit, and right below the limit: long groups,
// groups of no entries (the only valid ones when no window can be named),
// groups that reach past the limit or the image's end; in the last round
// the image ends before the limit.
TEST(TableScansDifferentialTest, GroupsAroundTheAnalysisLimitMatch) {
  std::mt19937 random(6113);
  const auto pick = [&random](size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random);
  };
  int found = 0, refused = 0;
  for (int round = 0; round < 4; ++round) {
    const size_t size =
        round == 3 ? 0x9FFF00 + pick(0, 0xF0) : 0xA00000 + pick(0, 0x100);
    FirmwareBuilder builder(size, 0x00);
    // Valid entries over the second half of the two last banks, all naming
    // window 0 from 0x9FF000 on.
    for (size_t bank : {size_t{0x9E0000}, size_t{0x9F0000}})
      for (size_t at = bank + 0x8000; at + 9 <= std::min(bank + 0x10000, size);
           at += 9)
        builder.Bytes(at, {static_cast<uint8_t>(at < 0x9FF000 ? pick(0, 3) : 0),
                           0x00, 0x10, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00});
    for (int spoils = static_cast<int>(pick(0, 20)); spoils > 0; --spoils)
      builder.Bytes(0x9F8000 + 9 * pick(0, 3000), {0x09});
    // The last position whose groups cannot reach the limit is 0x9EFB87;
    // groups whose references lie in bank 0x9F and point near its end reach
    // past the limit when their entries stay valid that far.
    const size_t first =
        round % 2 == 0 ? 0x9EFA00 + pick(0, 0x180) : 0x9FFC00 + pick(0, 0x3E0);
    const size_t refs = pick(0x200, 0x300);
    for (size_t r = 0; r < refs; ++r) {
      const size_t at = first + 4 * r;
      if (at + 4 > size) break;
      const size_t kind = pick(0, 19);
      const size_t count = kind == 0 ? 0 : kind < 17 ? 0x7F : pick(1, 0x7F);
      const size_t entry =
          kind >= 12 && kind < 17 ? pick(3400, 3640) : pick(0, 3640);
      builder.Bytes(at, {static_cast<uint8_t>(count), 0xFF})
          .BE16(at + 2, static_cast<uint16_t>(0x8000 + 9 * entry));
    }
    // A list of groups without entries at the end of the run.
    for (size_t at = first + 4 * refs, r = 0; r < 3 && at + 4 <= size;
         ++r, at += 4)
      builder.Bytes(at, {0x00, 0xFF, 0x80, 0x00});
    if (round == 1) builder.HeaderLength(static_cast<uint32_t>(size + 1));
    const FirmwareImage image = builder.Build(false);
    for (const int max_id : {-1, static_cast<int>(pick(0, 1))}) {
      const auto fast =
          OsdOutcome([&] { return FindOsdPosList(image, max_id); });
      const auto fused = OsdOutcome(
          [&] { return FindOsdPosList(image, max_id, ImageScan(image)); });
      ASSERT_EQ(fused.has_value(), fast.has_value()) << "round " << round;
      if (fused) {
        ASSERT_EQ(fused->offset, fast->offset) << "round " << round;
        ASSERT_EQ(fused->count, fast->count) << "round " << round;
      }
      const auto reference = OsdOutcome(
          [&] { return testing::ReferenceFindOsdPosList(image, max_id); });
      ASSERT_EQ(fast.has_value(), reference.has_value())
          << "round " << round << " max id " << max_id;
      if (!fast) {
        ++refused;
        continue;
      }
      ASSERT_EQ(fast->offset, reference->offset) << "round " << round;
      ASSERT_EQ(fast->count, reference->count) << "round " << round;
      found += fast->count > 0;
    }
  }
  // Both outcomes, and refusals, occur.
  EXPECT_GT(found, 1);
  EXPECT_GT(refused, 0);
}

// Invalid references, then one to a group that runs past the analysis
// limit, then none; a list of empty groups behind them. A direct scan meets
// the third reference as the first of a list of its own and refuses the
// image there, though no three references in a row hold it; so must the
// fast scan, inside the last bank and where it begins.
TEST(TableScansDifferentialTest, AGroupPastTheLimitRefusesTheImageAlone) {
  for (const size_t first : {size_t{0x9F0000}, size_t{0x9F0100}}) {
    FirmwareBuilder builder(0xA00100, 0x00);
    for (size_t at = 0x9F8000; at + 9 <= 0xA00000; at += 9)
      builder.Bytes(at, {0x00, 0x00, 0x10, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00});
    builder.Bytes(0x9F8000 + 9 * 20, {0x09});
    // Two references to entries 10.. (entry 20 spoiled), one to entries
    // 3600.., which reach past the limit.
    builder.Bytes(first, {0x7F, 0xFF}).BE16(first + 2, 0x8000 + 9 * 10);
    builder.Bytes(first + 4, {0x7F, 0xFF}).BE16(first + 6, 0x8000 + 9 * 10);
    builder.Bytes(first + 8, {0x7F, 0xFF}).BE16(first + 10, 0x8000 + 9 * 3600);
    for (size_t r = 0; r < 3; ++r)
      builder.Bytes(first + 0x40 + 4 * r, {0x00, 0xFF, 0x80, 0x00});
    FirmwareImage image = builder.Build(false);
    EXPECT_THROW(testing::ReferenceFindOsdPosList(image, 0), RangeError);
    EXPECT_THROW(FindOsdPosList(image, 0), RangeError) << std::hex << first;
    EXPECT_THROW(FindOsdPosList(image, 0, ImageScan(image)), RangeError);
    // Without the third reference the list behind is found.
    image[first + 9] = 0x00;
    const OsdPosListInfo list = FindOsdPosList(image, 0);
    EXPECT_EQ(list.offset, static_cast<int64_t>(first + 0x40));
    EXPECT_EQ(list.count, 3);
  }
}

// A window list or an OSD list placed at offsets across the edge of banks 0
// and 1 (and of the shared scan's blocks), and up to the image's last bytes, in
// images whose length is and is not a multiple of 64: the fused scans find
// what the scans alone and the reference scans find.
TEST(TableScansDifferentialTest, FusedScansMatchAtEdgesAndTheImageEnd) {
  std::vector<WindowSpec> windows;
  for (uint16_t n = 0; n < 5; ++n)
    windows.push_back({static_cast<uint16_t>(0x4000 + 16 * n), 1, 2, 3, 4});
  const std::vector<OsdGroupSpec> groups(
      3, OsdGroupSpec{0x6000, {{1, 10, 10, 0, 0}}});
  // The window list takes 5 entries + FF FF FF, the OSD list 3 references +
  // 00 00 00 00.
  constexpr size_t kWindowListBytes = 18, kOsdListBytes = 16;
  int checked = 0;
  for (const size_t size : {size_t{0x20000}, size_t{0x20000 - 37}}) {
    for (size_t at = 0xFFC0; at + kWindowListBytes <= size;
         at = at > 0x10040 && at < size - 0x60 ? size - 0x60 : at + 7) {
      for (const bool osd : {false, true}) {
        FirmwareBuilder builder(size, 0x00);
        if (osd)
          builder.OsdPosList(std::min(at, size - kOsdListBytes), groups);
        else
          builder.WindowList(at, windows);
        const FirmwareImage image = builder.Build(false);
        const ImageScan scan(image);
        const WindowListInfo reference =
            testing::ReferenceFindWindowList(image);
        const WindowListInfo alone = FindWindowList(image);
        const WindowListInfo fused = FindWindowList(image, scan);
        ASSERT_EQ(alone.offset, reference.offset) << std::hex << at;
        ASSERT_EQ(fused.offset, reference.offset) << std::hex << at;
        ASSERT_EQ(fused.count, reference.count) << std::hex << at;
        const OsdPosListInfo osd_reference =
            testing::ReferenceFindOsdPosList(image, 4);
        const OsdPosListInfo osd_fused = FindOsdPosList(image, 4, scan);
        ASSERT_EQ(FindOsdPosList(image, 4).offset, osd_reference.offset)
            << std::hex << at;
        ASSERT_EQ(osd_fused.offset, osd_reference.offset) << std::hex << at;
        ASSERT_EQ(osd_fused.count, osd_reference.count) << std::hex << at;
        checked += (osd ? osd_fused.count : fused.count) > 0;
      }
    }
  }
  EXPECT_GT(checked, 20);
}

}  // namespace
}  // namespace orlindel
