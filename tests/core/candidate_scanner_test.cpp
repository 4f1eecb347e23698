#include "core/candidate_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/window_list.h"

namespace orlindel {
namespace {

// Bytes drawn mostly from the few values the tests look for, so that every
// kind of test passes and fails often.
std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t size) {
  constexpr uint8_t kValues[] = {0x00, 0x12, 0x7C, 0x7D, 0x7E,
                                 0x7F, 0x80, 0xFE, 0xFF};
  std::uniform_int_distribution<size_t> pick(0, std::size(kValues));
  std::vector<uint8_t> bytes(size);
  for (auto& byte : bytes) {
    const size_t k = pick(random);
    byte = k < std::size(kValues) ? kValues[k]
                                  : static_cast<uint8_t>(random() & 0xFF);
  }
  return bytes;
}

// FF xx 7F repeated, with a few random bytes: every third position or so
// is a candidate.
std::vector<uint8_t> DenseBytes(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t k = 0; k < size; ++k)
    bytes[k] = k % 3 == 0   ? 0xFF
               : k % 3 == 2 ? 0x7F
                            : static_cast<uint8_t>(random() % 4);
  for (int flips = 0; flips < 20; ++flips)
    bytes[random() % size] = static_cast<uint8_t>(random() & 0xFF);
  return bytes;
}

// Zeros (long quiet stretches) or erased flash (0xFF: every CodePointer
// empty) with a few candidates and near misses planted.
std::vector<uint8_t> SparseBytes(std::mt19937& random, size_t size,
                                 uint8_t filler) {
  std::vector<uint8_t> bytes(size, filler);
  for (int plants = 0; plants < 6; ++plants) {
    const size_t at = random() % (size - 6);
    const uint8_t tail = random() % 3 == 0 ? 0x80 : 0x7E;
    const uint8_t plant[] = {0xFF, 0x01, 0x7F, 0xFF, 0x02, tail};
    std::copy(std::begin(plant), std::end(plant),
              bytes.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return bytes;
}

// Runs of one repeated entry FF 01 7F, of random lengths, each ended by an
// entry with another field: the candidates stand where a run ends, at every
// offset from the blocks of sixteen.
std::vector<uint8_t> RepeatedRuns(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  size_t run_left = 0;
  for (size_t k = 0; k + 3 <= size; k += 3) {
    const bool last_of_run = run_left == 0;
    run_left = last_of_run ? random() % 80 : run_left - 1;
    bytes[k] = 0xFF;
    bytes[k + 1] = last_of_run ? 0x02 : 0x01;
    bytes[k + 2] = 0x7F;
  }
  return bytes;
}

// Position by position: bytes 0 and 3 are FF, byte 2 lies in 0x7D..0x7F,
// byte 5 is at most 0x7F, CodePointers at 0 and 3, and the fields at 1 and 4
// differ.
bool Expected(const std::vector<uint8_t>& b, size_t p) {
  const bool pointer0 = b[p] == 0xFF && !(b[p + 1] == 0xFF && b[p + 2] == 0xFF);
  const bool pointer3 =
      b[p + 3] == 0xFF && !(b[p + 4] == 0xFF && b[p + 5] == 0xFF);
  const bool differ = !(b[p + 1] == b[p + 4] && b[p + 2] == b[p + 5]);
  return b[p + 2] >= 0x7D && b[p + 2] <= 0x7F && b[p + 5] <= 0x7F && pointer0 &&
         pointer3 && differ;
}

using Scanner = CandidateScanner<4, 2, 1>;
// The same scanner as on a processor without AVX2.
using NarrowScanner = CandidateScanner<4, 2, 1, QuietSkip::kSixteen>;

template <typename ScannerType = Scanner>
ScannerType MakeScanner(const std::vector<uint8_t>& bytes, int64_t first,
                        int64_t last) {
  return ScannerType(
      bytes, first, last,
      {{{0, 0xFF, 0xFF}, {3, 0xFF, 0xFF}, {2, 0x7D, 0x7F}, {5, 0x00, 0x7F}}},
      {0, 3}, {{{1, 4}}});
}

template <typename ScannerType>
std::vector<int64_t> AllCandidates(ScannerType scanner) {
  std::vector<int64_t> found;
  for (int64_t p = scanner.Next(); p >= 0; p = scanner.Next())
    found.push_back(p);
  EXPECT_EQ(scanner.Next(), -1);
  return found;
}

TEST(CandidateScannerTest, FindsExactlyThePositionsThatPassEveryTest) {
  std::mt19937 random(99);
  for (int round = 0; round < 250; ++round) {
    const size_t size = 8 + random() % (round % 6 == 5 ? 5000 : 700);
    const std::vector<uint8_t> bytes =
        round % 5 == 0   ? RandomBytes(random, size)
        : round % 5 == 1 ? DenseBytes(random, size)
        : round % 5 == 2 ? SparseBytes(random, size, 0x00)
        : round % 5 == 3 ? SparseBytes(random, size, 0xFF)
                         : RepeatedRuns(random, size);
    const auto first = static_cast<int64_t>(random() % 40);
    const auto last =
        static_cast<int64_t>(size) - 6 - static_cast<int64_t>(random() % 20);
    std::vector<int64_t> expected;
    for (int64_t p = first; p <= last; ++p)
      if (Expected(bytes, static_cast<size_t>(p))) expected.push_back(p);
    ASSERT_EQ(AllCandidates(MakeScanner(bytes, first, last)), expected)
        << "round " << round << " wide";
    ASSERT_EQ(AllCandidates(MakeScanner<NarrowScanner>(bytes, first, last)),
              expected)
        << "round " << round << " narrow";
  }
}

// The searches' candidate tests, position by position, written out.
bool PointerAt(const std::vector<uint8_t>& b, size_t p) {
  return b[p] == 0xFF && !(b[p + 1] == 0xFF && b[p + 2] == 0xFF);
}
bool SameField(const std::vector<uint8_t>& b, size_t p, size_t q) {
  return b[p] == b[q] && b[p + 1] == b[q + 1];
}
bool WindowListAt(const std::vector<uint8_t>& b, size_t p) {
  for (const size_t entry : {0, 3, 6, 9, 12})
    if (!PointerAt(b, p + entry)) return false;
  return !SameField(b, p + 1, p + 4) && !SameField(b, p + 1, p + 7) &&
         !SameField(b, p + 4, p + 7);
}
bool OsdListAt(const std::vector<uint8_t>& b, size_t p) {
  for (const size_t ref : {0, 4, 8})
    if (b[p + ref] > 0x7F || !PointerAt(b, p + ref + 1)) return false;
  return true;
}
bool PsbCallAt(const std::vector<uint8_t>& b, size_t p) {
  const auto mov = [](uint8_t byte) { return byte >= 0x7D && byte <= 0x7F; };
  return b[p + 6] == 0x12 && mov(b[p]) && mov(b[p + 2]) && mov(b[p + 4]);
}

// The shared pass lists, for each search, exactly the positions below where
// it stopped that pass the search's tests, and stops no earlier than the
// last block whose bytes all lie inside the image; a scanner taking its
// candidates from it finds what it finds alone. So does the pass of a
// processor without AVX2, 16 positions at a time.
TEST(ImageScanTest, GathersEveryCandidateBelowWhereItStopped) {
  std::mt19937 random(808);
  for (int round = 0; round < 80; ++round) {
    const size_t size = round < 20 ? static_cast<size_t>(round) * 7
                                   : 64 * (random() % 300) + random() % 70;
    const std::vector<uint8_t> bytes =
        round % 2 == 0 ? RandomBytes(random, size) : DenseBytes(random, size);
    for (const QuietSkip step :
         {QuietSkip::kWidestAvailable, QuietSkip::kSixteen}) {
      const std::string where =
          "round " + std::to_string(round) +
          (step == QuietSkip::kSixteen ? ", 16 at a time" : "");
      const ImageScan scan(bytes, ScannedSearches::kTablesAndPsbCalls, step);
      const std::pair<const GatheredPositions*,
                      bool (*)(const std::vector<uint8_t>&, size_t)>
          searches[] = {{&scan.window_list(), WindowListAt},
                        {&scan.osd_list(), OsdListAt},
                        {&scan.psb_calls(), PsbCallAt}};
      for (const auto& [gathered, passes] : searches) {
        const auto covered = static_cast<size_t>(gathered->covered);
        ASSERT_LE(covered + 15, std::max<size_t>(size, 15)) << where;
        if (size >= 64) {
          ASSERT_GE(covered + 64, size) << where;
        }
        std::vector<int64_t> expected;
        for (size_t p = 0; p < covered; ++p)
          if (passes(bytes, p)) expected.push_back(static_cast<int64_t>(p));
        ASSERT_EQ(gathered->positions, expected) << where;
      }
      // A pass for the table searches alone gathers the same for them and
      // leaves the calls to their own scan.
      const ImageScan tables(bytes, ScannedSearches::kTables, step);
      ASSERT_EQ(tables.window_list().positions, scan.window_list().positions);
      ASSERT_EQ(tables.osd_list().positions, scan.osd_list().positions);
      ASSERT_EQ(tables.psb_calls().covered, 0);
      // The gathered positions, then a scan from where the pass stopped, are
      // what one scan of the whole image finds.
      if (size < 16) continue;
      const auto last = static_cast<int64_t>(size) - 15;
      const auto window_scan = [&](int64_t first) {
        return AllCandidates(CandidateScanner<2, 5, 3>(
            bytes, first, last, kWindowListTags, kWindowListPointers,
            kWindowListDiffers));
      };
      std::vector<int64_t> handed_over = scan.window_list().positions;
      for (const int64_t p : window_scan(scan.window_list().covered))
        handed_over.push_back(p);
      EXPECT_EQ(handed_over, window_scan(0)) << where;
    }
  }
}

// Crafted images: with a group reference every four bytes the OSD list's
// candidates reach their bound within the first 32 KiB and the pass ends
// there for every search, which then reads on by itself and finds what it
// finds alone; erased flash, which passes the first tests of both table
// searches everywhere, ends it as early.
TEST(ImageScanTest, ACandidateFloodEndsThePassEarly) {
  std::vector<uint8_t> bytes(0x60000);
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    bytes[at] = 0x01;
    bytes[at + 1] = 0xFF;
    bytes[at + 2] = 0x10;
  }
  const ImageScan scan(bytes);
  EXPECT_LE(scan.osd_list().positions.size(), size_t{1} << 12);
  for (const GatheredPositions* gathered :
       {&scan.window_list(), &scan.osd_list(), &scan.psb_calls()})
    EXPECT_LE(gathered->covered, 0x8000);
  const OsdPosListInfo alone = FindOsdPosList(bytes, 4);
  const OsdPosListInfo fused = FindOsdPosList(bytes, 4, scan);
  EXPECT_EQ(fused.offset, alone.offset);
  EXPECT_EQ(fused.count, alone.count);

  const std::vector<uint8_t> erased(0x60000, 0xFF);
  const ImageScan erased_scan(erased);
  for (const GatheredPositions* gathered :
       {&erased_scan.window_list(), &erased_scan.osd_list(),
        &erased_scan.psb_calls()})
    EXPECT_LE(gathered->covered, 0x10000);
  EXPECT_EQ(FindWindowList(erased, erased_scan).offset,
            FindWindowList(erased).offset);
  EXPECT_EQ(FindOsdPosList(erased, 4, erased_scan).offset,
            FindOsdPosList(erased, 4).offset);
}

// The checksum folded on the way equals the image's own, whatever the size
// (words the pass does not reach, a last part word), wherever the pass ends.
TEST(ImageScanTest, ItsChecksumIsTheImages) {
  std::mt19937 random(909);
  for (int round = 0; round < 60; ++round) {
    const size_t size = round < 20 ? static_cast<size_t>(round)
                                   : 32 * (random() % 200) + random() % 40;
    std::vector<uint8_t> bytes = round % 3 == 2
                                     ? std::vector<uint8_t>(size, 0xFF)
                                     : RandomBytes(random, size);
    if (size >= 4 && round % 2 == 0) {
      // Make the checksum valid, then perhaps break one bit of it again.
      FixImageChecksum(bytes);
      if (round % 4 == 0) bytes[random() % (size / 4 * 4)] ^= 0x10;
    }
    const ImageScan scan(bytes, ScannedSearches::kTablesAndChecksum);
    ASSERT_EQ(scan.checksum_valid(), IsImageChecksumValid(bytes))
        << "round " << round << " size " << size;
  }
}

}  // namespace
}  // namespace orlindel
