#include "core/subtitle/psb_routine.h"

#include <gtest/gtest.h>

#include <random>

#include "core/errors.h"
#include "core/image_scan.h"
#include "core/subtitle/psb_routine_finder.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;

// The finder that takes its call candidates from the shared scan.
PsbRoutineFinder FusedFinder(ImageView image) {
  return PsbRoutineFinder(image, ImageScan(image));
}

// All ways of looking a number up must agree, errors included.
PsbRoutineInfo FindBothWays(ImageView image, uint8_t n) {
  const PsbRoutineInfo direct = FindOsdPsbRoutine(image, n);
  EXPECT_EQ(PsbRoutineFinder(image).Find(n), direct) << "PS_B " << int{n};
  EXPECT_EQ(FusedFinder(image).Find(n), direct) << "PS_B " << int{n};
  return direct;
}

TEST(FindOsdPsbRoutineTest, FindsPutCharAndTheRoutineStartBeforeTheCall) {
  const FirmwareImage image = FirmwareBuilder(0x20000, 0x00)
                                  .Bytes(0x12340, {0x90, 0xF6, 0x51, 0xEF})
                                  .Bytes(0x12380, {0x7D, 0x49, 0x7F, 0xE0, 0x7E,
                                                   0x02, 0x12, 0x4A, 0x10})
                                  .Build();
  EXPECT_EQ(FindBothWays(image, 0x49), (PsbRoutineInfo{true, 0x4A10, 0x12340}));
  EXPECT_EQ(FindBothWays(image, 0x48), PsbRoutineInfo{});
}

struct OrderCase {
  int order;
  std::vector<uint8_t> bytes;  // the call pattern for PS_B 0, then 12 34
};

class CallOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(CallOrderTest, EachLoadOrderIsACallPattern) {
  const OrderCase& c = GetParam();
  EXPECT_EQ(MakePsbCallPattern(c.order, 0x00),
            (PsbCallPattern{c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3],
                            c.bytes[4], c.bytes[5], c.bytes[6]}));
  // PS_B 0 puts a zero byte into the pattern; it matches like any other.
  const FirmwareImage image = FirmwareBuilder(0x1000, 0xFF)
                                  .Bytes(0x800, {0x90, 0xF0, 0x00, 0xEB})
                                  .Bytes(0x900, c.bytes)
                                  .Build();
  EXPECT_EQ(FindBothWays(image, 0x00), (PsbRoutineInfo{true, 0x1234, 0x800}));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, CallOrderTest,
    ::testing::Values(
        OrderCase{0, {0x7D, 0x00, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x12, 0x34}},
        OrderCase{1, {0x7D, 0x00, 0x7E, 0x02, 0x7F, 0xE0, 0x12, 0x12, 0x34}},
        OrderCase{2, {0x7F, 0xE0, 0x7D, 0x00, 0x7E, 0x02, 0x12, 0x12, 0x34}},
        OrderCase{3, {0x7F, 0xE0, 0x7E, 0x02, 0x7D, 0x00, 0x12, 0x12, 0x34}},
        OrderCase{4, {0x7E, 0x02, 0x7F, 0xE0, 0x7D, 0x00, 0x12, 0x12, 0x34}},
        OrderCase{5, {0x7E, 0x02, 0x7D, 0x00, 0x7F, 0xE0, 0x12, 0x12, 0x34}}));

TEST(FindOsdPsbRoutineTest, PatternOrderBeatsImageOrder) {
  // Loads in the order R7, R6, R5 low in the image, in the order R5, R7, R6
  // (tried first) high: the high call is taken; its routine starts at 0x5000.
  const FirmwareImage image =
      FirmwareBuilder(0x10000, 0x00)
          .Bytes(0x1000, {0x90, 0xF0, 0x00, 0xEC})
          .Bytes(0x1010, {0x7F, 0xE0, 0x7E, 0x02, 0x7D, 0x31, 0x12, 0x11, 0x11})
          .Bytes(0x5000, {0x90, 0xF0, 0x00, 0xED})
          .Bytes(0x5010, {0x7D, 0x31, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x22, 0x22})
          .Bytes(0x6010, {0x7D, 0x31, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x33, 0x33})
          .Build();
  EXPECT_EQ(FindBothWays(image, 0x31), (PsbRoutineInfo{true, 0x2222, 0x5000}));
}

struct StartCase {
  const char* name;
  std::vector<uint8_t> start;  // placed at 0x100
  int64_t expected;
};

class RoutineStartTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(RoutineStartTest, OnlyMovDptrHighFollowedByMovAR3ToR7Qualifies) {
  const StartCase& c = GetParam();
  const FirmwareImage image =
      FirmwareBuilder(0x1000, 0x00)
          .Bytes(0x100, c.start)
          .Bytes(0x300, {0x7D, 0x17, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x40, 0x00})
          .Build();
  EXPECT_EQ(FindBothWays(image, 0x17).routine_start, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, RoutineStartTest,
    ::testing::Values(StartCase{"MovxAfterwards", {0x90, 0xF1, 0x23, 0xE0}, -1},
                      StartCase{"MovAR7", {0x90, 0xF1, 0x23, 0xEF}, 0x100},
                      StartCase{"MovAR3", {0x90, 0xFF, 0xFF, 0xEB}, 0x100},
                      StartCase{"MovAR2", {0x90, 0xF1, 0x23, 0xEA}, -1},
                      StartCase{"DptrBelowF000", {0x90, 0xEF, 0xFF, 0xEF}, -1},
                      StartCase{
                          "HighestOfTwo",
                          {0x90, 0xF0, 0x00, 0xEE, 0x90, 0xF0, 0x00, 0xEE},
                          0x104}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FindOsdPsbRoutineTest, StartAtOffsetZeroIsNeverTaken) {
  // The backward scan stops at offset 1.
  const FirmwareImage image =
      FirmwareBuilder(0x1000, 0x00)
          .Bytes(0x0, {0x90, 0xF0, 0x00, 0xEF})
          .Bytes(0x10, {0x7D, 0x05, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0x01, 0x02})
          .Build();
  EXPECT_EQ(FindBothWays(image, 0x05), (PsbRoutineInfo{true, 0x0102, -1}));
}

TEST(FindOsdPsbRoutineTest, CallOperandsMayLieBeyondTheSearchAreaNotTheImage) {
  // The pattern ends exactly at the search area's end; the LCALL's address
  // bytes follow outside it but inside the image.
  FirmwareBuilder builder(0x1000, 0x00);
  builder.Bytes(0xFF0, {0x90, 0xF0, 0x00, 0xEF})
      .Bytes(0xFF7, {0x7D, 0x09, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0xAB, 0xCD});
  const FirmwareImage inside = builder.HeaderLength(0xFFE).Build(false);
  EXPECT_EQ(FindBothWays(inside, 0x09), (PsbRoutineInfo{true, 0xABCD, 0xFF0}));

  const FirmwareImage too_short = builder.HeaderLength(0xFFD).Build(false);
  EXPECT_EQ(FindBothWays(too_short, 0x09), PsbRoutineInfo{});

  // A call whose address bytes would lie past the image end is a range error.
  const FirmwareImage cut(inside.begin(), inside.end() - 1);
  EXPECT_THROW(FindOsdPsbRoutine(cut, 0x09), RangeError);
  const PsbRoutineFinder finder(cut);
  EXPECT_THROW(finder.Find(0x09), RangeError);
  EXPECT_EQ(finder.Find(0x08), PsbRoutineInfo{});
  EXPECT_THROW(FusedFinder(cut).Find(0x09), RangeError);
}

TEST(FindOsdPsbRoutineTest, CallOperandsPastTheAnalysisLimitAreARangeError) {
  // The image and its header reach past 0x9FFFFF; the LCALL's low address
  // byte would lie at 0xA00000.
  const FirmwareImage image =
      FirmwareBuilder(0xA00010, 0x00)
          .Bytes(0x9FFF00, {0x90, 0xF0, 0x00, 0xEF})
          .Bytes(0x9FFFF8, {0x7D, 0x33, 0x7F, 0xE0, 0x7E, 0x02, 0x12, 0xAB})
          .Build();
  EXPECT_THROW(FindOsdPsbRoutine(image, 0x33), RangeError);
  EXPECT_THROW(PsbRoutineFinder(image).Find(0x33), RangeError);
  EXPECT_THROW(FusedFinder(image).Find(0x33), RangeError);
}

TEST(PsbRoutineFinderTest, AgreesWithTheDirectSearchOnCodeLikeBytes) {
  // Calls of every order for many numbers, some overlapping, several per
  // number, at the area's first and last bytes, over code-like filler with
  // its own random starts.
  FirmwareBuilder builder(0x40000);
  builder.CodeLikeFiller(0x300, 0x40000 - 0x300, 11);
  int64_t at = 0x400;
  for (int n = 0; n < 256; n += 3) {
    for (int order = (n / 3) % 6; order < 6; order += 2) {
      const PsbCallPattern call =
          MakePsbCallPattern(order, static_cast<uint8_t>(n));
      builder.Bytes(static_cast<size_t>(at), call);
      at += 0x123 + 7 * n;
    }
  }
  // A 7D 7F that almost opens a call, right before the R7, R6, R5 call
  // for 0x7D.
  builder
      .Bytes(0x3F000,
             {0x7D, 0x7F, 0x7F, 0xE0, 0x7E, 0x02, 0x7D, 0x7D, 0x12, 0x00, 0x00})
      .Bytes(0x0, {0x7F, 0xE0, 0x7E, 0x02, 0x7D, 0x01, 0x12})
      .Bytes(0x3FFF0, {0x7E, 0x02, 0x7D, 0xFE, 0x7F, 0xE0, 0x12, 0xAA, 0xBB})
      .HeaderLength(0x3FFF7);
  const FirmwareImage image = builder.Build(false);
  const PsbRoutineFinder finder(image);
  const PsbRoutineFinder fused = FusedFinder(image);
  for (int n = 0; n < 256; ++n) {
    const auto number = static_cast<uint8_t>(n);
    EXPECT_EQ(finder.Find(number), FindOsdPsbRoutine(image, number))
        << "PS_B " << n;
    EXPECT_EQ(fused.Find(number), finder.Find(number)) << "PS_B " << n;
  }
  EXPECT_TRUE(finder.Find(0xFE).found);
  EXPECT_EQ(finder.Find(0x7D).put_char_address, 0x0000);
  EXPECT_EQ(finder.Find(0x01).routine_start, -1);
}

// Every position of a run of 7F E0 pairs holds the MOV R7,#0E0h of some
// order's call pattern; only the calls placed in it, at even and odd
// offsets, may be found.
TEST(PsbRoutineFinderTest, AgreesWithTheDirectSearchAmongRepeated7FE0Pairs) {
  FirmwareBuilder builder(0x20000, 0x00);
  for (size_t at = 0x300; at + 2 <= 0x20000; at += 2)
    builder.Bytes(at, {0x7F, 0xE0});
  const uint8_t numbers[] = {0x00, 0x31, 0x49, 0x7F, 0xE0};
  size_t at = 0x1000;
  for (int order = 0; order < 6; ++order) {
    for (const uint8_t n : numbers) {
      builder.Bytes(at, MakePsbCallPattern(order, n))
          .Bytes(at + 7, {0x4A, 0x10});
      at += 0x301;  // alternately even and odd
    }
  }
  builder.Bytes(0x800, {0x90, 0xF8, 0x70, 0xEF});
  const FirmwareImage image = builder.HeaderLength(0x20000).Build(false);
  const PsbRoutineFinder finder(image);
  const PsbRoutineFinder fused = FusedFinder(image);
  for (int n = 0; n < 256; ++n) {
    const auto number = static_cast<uint8_t>(n);
    EXPECT_EQ(finder.Find(number), FindOsdPsbRoutine(image, number))
        << "PS_B " << n;
    EXPECT_EQ(fused.Find(number), finder.Find(number)) << "PS_B " << n;
  }
  // Order 0 comes first for every placed number: 0x49 is the third call.
  EXPECT_EQ(finder.Find(0x49), (PsbRoutineInfo{true, 0x4A10, 0x800}));
  EXPECT_FALSE(finder.Find(0x01).found);
}

TEST(PsbRoutineFinderTest, AgreesWithTheDirectSearchOnSparseStarts) {
  // Few routine starts and calls far apart: stretches between calls with no
  // start, starts several slices below their call, starts right below it.
  std::mt19937 random(4242);
  const auto pick = [&random](size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(random);
  };
  for (int round = 0; round < 100; ++round) {
    FirmwareBuilder builder(0x30000, 0x00);
    for (int starts = static_cast<int>(pick(0, 6)); starts > 0; --starts)
      builder.Bytes(pick(1, 0x2FF00),
                    {0x90, static_cast<uint8_t>(pick(0xF0, 0xFF)), 0x00,
                     static_cast<uint8_t>(pick(0xEB, 0xEF))});
    for (int calls = static_cast<int>(pick(1, 8)); calls > 0; --calls)
      builder.Bytes(pick(0, 0x2FF00),
                    MakePsbCallPattern(static_cast<int>(pick(0, 5)),
                                       static_cast<uint8_t>(pick(0, 20))));
    const FirmwareImage image = builder.Build(false);
    const PsbRoutineFinder finder(image);
    const PsbRoutineFinder fused = FusedFinder(image);
    for (uint8_t n = 0; n <= 20; ++n) {
      ASSERT_EQ(finder.Find(n), FindOsdPsbRoutine(image, n))
          << "round " << round << " PS_B " << int{n};
      ASSERT_EQ(fused.Find(n), finder.Find(n))
          << "round " << round << " PS_B " << int{n};
    }
  }
}

}  // namespace
}  // namespace orlindel
