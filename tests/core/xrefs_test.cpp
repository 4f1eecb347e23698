#include "core/subtitle/xrefs.h"

#include <gtest/gtest.h>

#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;

TEST(FindXrefsInBankTest, ListsCallsWhollyInsideTheRoutinesBank) {
  // The routine at 0x11234 is called as 12 12 34.
  const FirmwareImage image = FirmwareBuilder(0x30000, 0x00)
                                  .Bytes(0x0F000, {0x12, 0x12, 0x34})
                                  .Bytes(0x10000, {0x12, 0x12, 0x34})
                                  .Bytes(0x15000, {0x12, 0x12, 0x34})
                                  .Bytes(0x1FFFD, {0x12, 0x12, 0x34})
                                  .Bytes(0x2F000, {0x12, 0x12, 0x34})
                                  .Build();
  EXPECT_EQ(FindXrefsInBank(image, 0x11234),
            (XrefList{0x10000, 0x15000, 0x1FFFD}));
}

TEST(FindXrefsInBankTest, CallCrossingTheBankEndIsNotListed) {
  const FirmwareImage image = FirmwareBuilder(0x30000, 0x00)
                                  .Bytes(0x15000, {0x12, 0x12, 0x34})
                                  .Bytes(0x1FFFE, {0x12, 0x12, 0x34})
                                  .Build();
  EXPECT_EQ(FindXrefsInBank(image, 0x11234), (XrefList{0x15000}));
}

TEST(FindXrefsInBankTest, OverlappingCallsAreEachListedOnce) {
  // Four bytes 12 12 12 12 hold two calls to address 0x1212.
  const FirmwareImage image = FirmwareBuilder(0x40000, 0x00)
                                  .Bytes(0x30100, {0x12, 0x12, 0x12, 0x12})
                                  .Build();
  EXPECT_EQ(FindXrefsInBank(image, 0x31212), (XrefList{0x30100, 0x30101}));
}

TEST(FindXrefsInBankTest, SearchStopsAtTheSearchAreaEnd) {
  const FirmwareImage image = FirmwareBuilder(0x20000, 0x00)
                                  .Bytes(0x10010, {0x12, 0x00, 0x40})
                                  .Bytes(0x18000, {0x12, 0x00, 0x40})
                                  .HeaderLength(0x18002)
                                  .Build(false);
  EXPECT_EQ(FindXrefsInBank(image, 0x10040), (XrefList{0x10010}));
  EXPECT_EQ(FindXrefsInBank(image, 0x20040), XrefList{});
}

}  // namespace
}  // namespace orlindel
