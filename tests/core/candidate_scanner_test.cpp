#include "core/candidate_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <random>
#include <vector>

namespace orlindel {
namespace {

// Bytes drawn mostly from the few values the tests look for, so that every
// kind of test passes and fails often.
std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t size) {
  constexpr uint8_t kValues[] = {0x00, 0x12, 0x7D, 0x7F, 0x80, 0xFE, 0xFF};
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

// Zeros with a few candidates and near misses planted, so that long quiet
// stretches lie between them.
std::vector<uint8_t> SparseBytes(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size, 0x00);
  for (int plants = 0; plants < 6; ++plants) {
    const size_t at = random() % (size - 6);
    const uint8_t tail = random() % 3 == 0 ? 0x80 : 0x7E;
    const uint8_t plant[] = {0xFF, 0x01, 0x7F, 0xFF, 0x02, tail};
    std::copy(std::begin(plant), std::end(plant),
              bytes.begin() + static_cast<std::ptrdiff_t>(at));
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
  for (int round = 0; round < 200; ++round) {
    const size_t size = 8 + random() % (round % 4 == 3 ? 5000 : 700);
    const std::vector<uint8_t> bytes =
        round % 3 == 0   ? RandomBytes(random, size)
        : round % 3 == 1 ? DenseBytes(random, size)
                         : SparseBytes(random, size);
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

TEST(CandidateScannerTest, DroppedPositionsAreLeftOut) {
  // After each candidate one position 1..15 further on is dropped, whether
  // it lies in the same block of sixteen or the next.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const std::vector<uint8_t> bytes = DenseBytes(random, 600);
    Scanner scanner = MakeScanner(bytes, 0, 590);
    std::vector<int64_t> found, expected;
    int64_t dropped = -1;
    for (int64_t p = 0; p <= 590; ++p)
      if (Expected(bytes, static_cast<size_t>(p))) expected.push_back(p);
    for (int64_t p = scanner.Next(); p >= 0; p = scanner.Next()) {
      ASSERT_NE(p, dropped) << "round " << round;
      found.push_back(p);
      if (p > dropped) {
        dropped = p + 1 + static_cast<int64_t>(random() % 15);
        scanner.Drop(dropped);
        std::erase(expected, dropped);
      }
    }
    ASSERT_EQ(found, expected) << "round " << round;
  }
}

TEST(CandidateScannerTest, DropsInAnyOrderLoseNoOtherPosition) {
  // After each candidate two positions up to 15 further on are dropped, the
  // higher first; a dropped position may come back, no other may go.
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const std::vector<uint8_t> bytes = DenseBytes(random, 900);
    Scanner scanner = MakeScanner(bytes, 0, 890);
    std::vector<int64_t> expected, dropped;
    for (int64_t p = 0; p <= 890; ++p)
      if (Expected(bytes, static_cast<size_t>(p))) expected.push_back(p);
    std::vector<int64_t> kept;
    for (int64_t p = scanner.Next(); p >= 0; p = scanner.Next()) {
      if (std::find(dropped.begin(), dropped.end(), p) == dropped.end())
        kept.push_back(p);
      const int64_t high = p + 8 + static_cast<int64_t>(random() % 8);
      const int64_t low = p + 1 + static_cast<int64_t>(random() % 7);
      scanner.Drop(high);
      scanner.Drop(low);
      dropped.insert(dropped.end(), {high, low});
    }
    std::erase_if(expected, [&dropped](int64_t p) {
      return std::find(dropped.begin(), dropped.end(), p) != dropped.end();
    });
    ASSERT_EQ(kept, expected) << "round " << round;
  }
}

}  // namespace
}  // namespace orlindel
