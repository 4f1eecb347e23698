#include "core/subtitle/find_bytes.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;

struct FindCase {
  const char* name;
  uint32_t header_length;
  std::vector<uint8_t> pattern;
  int64_t from;
  std::optional<int64_t> expected;
};

// A 0x400-byte image of zeros (but the header length field) with
// AA BB CC at 0x300 and at 0x3FD, the last three bytes.
class FindBytesTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindBytesTest, FindsTheFirstWholeMatchInsideTheSearchArea) {
  const FindCase& c = GetParam();
  const FirmwareImage image = FirmwareBuilder(0x400, 0x00)
                                  .Bytes(0x300, {0xAA, 0xBB, 0xCC})
                                  .Bytes(0x3FD, {0xAA, 0xBB, 0xCC})
                                  .HeaderLength(c.header_length)
                                  .Build(false);
  EXPECT_EQ(FindBytes(SearchArea(image), c.pattern, c.from), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindBytesTest,
    ::testing::Values(
        FindCase{"FirstOccurrence", 0x400, {0xAA, 0xBB, 0xCC}, 0, 0x300},
        FindCase{"FromPastTheFirst", 0x400, {0xAA, 0xBB, 0xCC}, 0x301, 0x3FD},
        FindCase{"FromExactlyAtAMatch", 0x400, {0xAA, 0xBB}, 0x3FD, 0x3FD},
        FindCase{"NegativeFromSearchesFromZero", 0x400, {0xAA}, -5, 0x300},
        FindCase{"LastBytesOfTheArea", 0x400, {0xBB, 0xCC}, 0x302, 0x3FE},
        FindCase{"PatternRunningPastTheArea",
                 0x3FF,
                 {0xAA, 0xBB, 0xCC},
                 0x301,
                 std::nullopt},
        FindCase{"MatchEndingAtTheAreaEnd", 0x3FF, {0xAA, 0xBB}, 0x301, 0x3FD},
        FindCase{"HeaderLongerThanImage", 0x7FFFFF, {0xBB, 0xCC}, 0x302, 0x3FE},
        FindCase{
            "ZeroBytesMatchByLength", 0x400, {0x00, 0x00, 0xAA}, 0x100, 0x2FE},
        FindCase{"FromBeyondTheArea", 0x400, {0x00}, 0x401, std::nullopt},
        FindCase{"FromAtTheAreaEnd", 0x400, {0xCC}, 0x400, std::nullopt},
        FindCase{"EmptyArea", 0, {0x00}, 0, std::nullopt},
        FindCase{"EmptyPattern", 0x400, {}, 0, std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SearchAreaTest, IsAViewOfTheImageNotACopy) {
  const FirmwareImage image =
      FirmwareBuilder(0x400).HeaderLength(0x280).Build(false);
  const ImageView area = SearchArea(image);
  EXPECT_EQ(area.data(), image.data());
  EXPECT_EQ(area.size(), 0x280u);
}

}  // namespace
}  // namespace orlindel
