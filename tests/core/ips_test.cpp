#include "core/patch/ips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::FirmwareBuilder;
using Bytes = std::vector<uint8_t>;

// "PATCH", the records given as raw bytes, then `tail` ("EOF" by default).
Bytes Patch(const Bytes& records, const std::string& tail = "EOF") {
  const std::string head = "PATCH";
  Bytes patch(head.size() + records.size() + tail.size());
  auto at = std::copy(head.begin(), head.end(), patch.begin());
  at = std::copy(records.begin(), records.end(), at);
  std::copy(tail.begin(), tail.end(), at);
  return patch;
}

// The records of `patch` for an image of `image_length` bytes, each as its
// offset and its bytes (a run-length record expanded).
using Records = std::vector<std::pair<int64_t, Bytes>>;
Records RecordsOf(const Bytes& patch, int64_t image_length = kMaxImageSize) {
  Records records;
  ReadIpsRecords(patch, image_length, [&records](const IpsRecord& record) {
    records.emplace_back(
        record.offset,
        record.run ? Bytes(static_cast<size_t>(record.size), record.value)
                   : Bytes(record.data.begin(), record.data.end()));
  });
  return records;
}

std::string ErrorOf(const FirmwareImage& image, const Bytes& patch) {
  try {
    ApplyIps(image, patch);
  } catch (const PatchError& error) {
    return error.what();
  }
  return "applied";
}

TEST(WriteIpsTest, OneRecordPerChangedRun) {
  const FirmwareImage before(16, 0x00);
  FirmwareImage after = before;
  after[1] = 0xAA, after[2] = 0xBB, after[10] = 0xCC;
  EXPECT_EQ(WriteIps(before, after),
            Patch({0x00, 0x00, 0x01, 0x00, 0x02, 0xAA, 0xBB,  //
                   0x00, 0x00, 0x0A, 0x00, 0x01, 0xCC}));
  EXPECT_EQ(WriteIps(before, before), Patch({}));
}

TEST(WriteIpsTest, SplitsRunsLongerThanARecord) {
  const FirmwareImage before(0x20000, 0x00);
  FirmwareImage after = before;
  std::fill(after.begin() + 0x10, after.begin() + 0x10 + 0x10001, 0x77);
  const Bytes patch = WriteIps(before, after);
  const Records records = RecordsOf(patch);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].first, 0x10);
  EXPECT_EQ(records[0].second.size(), 0xFFFFu);
  EXPECT_EQ(records[1], (std::pair<int64_t, Bytes>{0x1000F, {0x77, 0x77}}));
  // The patch is exactly its header, two records and "EOF".
  EXPECT_EQ(patch.size(), 5u + 5 + 0xFFFF + 5 + 2 + 3);

  EXPECT_EQ(Bytes(patch.begin() + 5, patch.begin() + 10),
            (Bytes{0x00, 0x00, 0x10, 0xFF, 0xFF}));
  // The second record's header follows the first record's 0xFFFF bytes.
  EXPECT_EQ(Bytes(patch.begin() + 0x10009, patch.begin() + 0x1000E),
            (Bytes{0x01, 0x00, 0x0F, 0x00, 0x02}));
  EXPECT_EQ(ApplyIps(before, patch), after);
}

TEST(WriteIpsTest, NoRecordStartsAtTheOffsetThatReadsAsEof) {
  const FirmwareImage before =
      FirmwareBuilder(0x460000, 0x00).Bytes(0x454F45, {0x5A}).Build(false);
  FirmwareImage after = before;
  after[0x454F46] = 0x12;
  EXPECT_EQ(WriteIps(before, after),
            Patch({0x45, 0x4F, 0x45, 0x00, 0x02, 0x5A, 0x12}));
  EXPECT_EQ(ApplyIps(before, WriteIps(before, after)), after);

  // A long run whose split would fall on that offset: the second record
  // starts one byte earlier, repeating the first record's last byte.
  FirmwareImage long_run = before;
  std::fill(long_run.begin() + 0x444F47, long_run.begin() + 0x454F48, 0x33);
  const Bytes split_patch = WriteIps(before, long_run);
  const Records split = RecordsOf(split_patch);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0].first, 0x444F47);
  EXPECT_EQ(split[0].second.size(), 0xFFFFu);
  EXPECT_EQ(split[1],
            (std::pair<int64_t, Bytes>{0x454F45, {0x33, 0x33, 0x33}}));
  EXPECT_EQ(ApplyIps(before, split_patch), long_run);
}

TEST(WriteIpsTest, RoundTripsChangesUpToTheLastByteOfA10MiBImage) {
  const FirmwareImage before = FirmwareBuilder(0xA00000).Build();
  FirmwareImage after = before;
  after[0] = 0x00;
  after[0x454F46] = 0x01;
  after[0x9FFFFF] = 0x00;  // the checksum's high byte, 0xFF before
  const Bytes patch = WriteIps(before, after);
  EXPECT_EQ(
      RecordsOf(patch, std::ssize(before)),
      (Records{{0, {0x00}}, {0x454F45, {0xFF, 0x01}}, {0x9FFFFF, {0x00}}}));
  EXPECT_EQ(ApplyIps(before, patch), after);
}

TEST(WriteIpsTest, ChangesWhereNoRecordCanStartAreRefused) {
  const FirmwareImage before(0x1000010, 0x00);
  FirmwareImage after = before;
  // A record may start at 0xFFFFFF and reach beyond it.
  after[0xFFFFFF] = 1, after[0x1000000] = 2, after[0x1000001] = 3;
  EXPECT_EQ(RecordsOf(WriteIps(before, after)),
            (Records{{0xFFFFFF, {1, 2, 3}}}));
  after[0x1000005] = 4;
  try {
    WriteIps(before, after);
    FAIL() << "no error";
  } catch (const PatchError& error) {
    EXPECT_EQ(std::string(error.what()),
              "An IPS patch cannot hold the change at 0x1000005: its records "
              "start at offsets up to 0xFFFFFF");
  }
  EXPECT_THROW(WriteIps(FirmwareImage(4, 0), FirmwareImage(8, 0)), PatchError);
}

// Every record written holds 1 to 0xFFFF bytes and none starts at the offset
// that reads as "EOF", whatever the runs: alternating bytes, runs that end or
// begin at that offset, and runs just over one record long.
TEST(WriteIpsTest, WritesOnlyRecordsThePatchCanHold) {
  const FirmwareImage before(0x460000, 0x00);
  const struct {
    const char* name;
    int64_t first, last, step;  // bytes first, first + step, ... up to last
  } cases[] = {
      {"alternating bytes", 0x454F00, 0x455000, 2},
      {"run ending at the EOF offset", 0x454F40, 0x454F46, 1},
      {"run starting at the EOF offset", 0x454F46, 0x454F50, 1},
      {"run one byte over a record", 0x100, 0x100 + 0xFFFF, 1},
      {"run two records long", 0x200000, 0x200000 + 2 * 0xFFFF - 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareImage after = before;
    for (int64_t at = c.first; at <= c.last; at += c.step) after[at] = 0x42;
    const Bytes patch = WriteIps(before, after);
    for (const auto& [offset, data] : RecordsOf(patch)) {
      EXPECT_NE(offset, kIpsEofOffset);
      EXPECT_GE(data.size(), 1u);
      EXPECT_LE(std::ssize(data), kIpsMaxRecordSize);
    }
    EXPECT_EQ(ApplyIps(before, patch), after);
  }
}

TEST(ApplyIpsTest, WritesDataAndRunLengthRecordsInOrder) {
  const FirmwareImage image(16, 0x00);
  const Bytes patch = Patch({0x00, 0x00, 0x02, 0x00, 0x03, 1,    2,    3,  //
                             0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x03, 0xEE,
                             0x00, 0x00, 0x0F, 0x00, 0x01, 0x99});
  FirmwareImage expected(16, 0x00);
  expected[2] = 1, expected[3] = 2;
  expected[4] = expected[5] = expected[6] = 0xEE;  // overwrites the 3
  expected[15] = 0x99;
  EXPECT_EQ(ApplyIps(image, patch), expected);
  FirmwareImage in_place = image;
  EXPECT_EQ(ApplyIpsInPlace(in_place, patch), 3);
  EXPECT_EQ(in_place, expected);
}

TEST(ApplyIpsTest, RefusesMalformedPatches) {
  const FirmwareImage image(16, 0x00);
  const struct {
    const char* name;
    Bytes patch;
    std::string error;
  } cases[] = {
      {"empty", {}, "Not an IPS patch: it does not begin with \"PATCH\""},
      {"wrong header",
       {'P', 'A', 'T', 'C', 'X', 'E', 'O', 'F'},
       "Not an IPS patch: it does not begin with \"PATCH\""},
      {"no records, no EOF", Patch({}, ""), "The patch ends without \"EOF\""},
      {"record without EOF", Patch({0x00, 0x00, 0x01, 0x00, 0x01, 0xAA}, ""),
       "The patch ends without \"EOF\""},
      {"truncated record header", Patch({0x00, 0x00, 0x01, 0x00}, ""),
       "The patch is truncated: the record at patch offset 5 is incomplete"},
      {"truncated data", Patch({0x00, 0x00, 0x01, 0x00, 0x03, 0xAA, 0xBB}, ""),
       "The patch is truncated: the record at patch offset 5 is incomplete"},
      {"truncated run",
       Patch({0x00, 0x00, 0x01, 0x00, 0x01, 0xAA, 0x00, 0x00, 0x02, 0x00, 0x00,
              0x00},
             ""),
       "The patch is truncated: the record at patch offset 11 is incomplete"},
      {"bytes after EOF", Patch({}, "EOF\x01\x02\x03"),
       "The patch has 3 bytes after \"EOF\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf(image, c.patch), c.error) << c.name;
}

TEST(ApplyIpsTest, RefusesRecordsPastTheEndOfTheImage) {
  const FirmwareImage image(16, 0x00);
  EXPECT_EQ(ErrorOf(image, Patch({0x00, 0x00, 0x0F, 0x00, 0x01, 0xAA})),
            "applied");
  EXPECT_EQ(ErrorOf(image, Patch({0x00, 0x00, 0x0F, 0x00, 0x02, 0xAA, 0xBB})),
            "The patch reaches past the end of the image: 2 bytes at "
            "0x00000F, but the image is 0x10 bytes long");
  EXPECT_NE(ErrorOf(image, Patch({0x00, 0x00, 0x10, 0x00, 0x01, 0xAA})),
            "applied");
  EXPECT_NE(
      ErrorOf(image, Patch({0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x03, 0xEE})),
      "applied");
  // A refused record after valid ones: nothing of the patch is applied, and
  // the image passed in is never written.
  const Bytes late_fault = Patch({0x00, 0x00, 0x00, 0x00, 0x01, 0xAA,  //
                                  0x00, 0x10, 0x00, 0x00, 0x01, 0xBB});
  EXPECT_NE(ErrorOf(image, late_fault), "applied");
  // Applied in place, the valid record before the fault is not written
  // either.
  FirmwareImage in_place = image;
  EXPECT_THROW(ApplyIpsInPlace(in_place, late_fault), PatchError);
  EXPECT_EQ(in_place, image);
}

// `count` run-length records of `length` bytes of 0xEE at `offset`: eight
// bytes of patch each.
Bytes RunLengthRecords(uint32_t offset, int count, uint32_t length) {
  Bytes records;
  for (int k = 0; k < count; ++k) {
    const Bytes record = {static_cast<uint8_t>(offset >> 16),
                          static_cast<uint8_t>(offset >> 8),
                          static_cast<uint8_t>(offset),
                          0x00,
                          0x00,
                          static_cast<uint8_t>(length >> 8),
                          static_cast<uint8_t>(length),
                          0xEE};
    records.insert(records.end(), record.begin(), record.end());
  }
  return records;
}

// 50 000 run-length records of 0xFFFF bytes: 400 000 bytes of patch that
// would expand to 3.2 GB. Each record is checked before it is expanded.
TEST(ApplyIpsTest, RunLengthFloodsAreRefusedBeforeTheyAreExpanded) {
  const Bytes flood = Patch(RunLengthRecords(0, 50000, 0xFFFF));
  EXPECT_EQ(ErrorOf(FirmwareImage(16, 0x00), flood),
            "The patch reaches past the end of the image: 65535 bytes at "
            "0x000000, but the image is 0x10 bytes long");
  // Inside a 10 MiB image every record fits, but 1 025 of them write more
  // than the largest image holds (1 024 write 67 107 840 bytes).
  const std::string too_much =
      "The patch writes more than 64 MiB in all, more than an image may have";
  EXPECT_EQ(ErrorOf(FirmwareImage(0xA00000, 0x00), flood), too_much);
  try {
    RecordsOf(flood);
    FAIL() << "no error";
  } catch (const PatchError& error) {
    EXPECT_EQ(std::string(error.what()), too_much);
  }
  // Without an image, a record is checked against the largest one: 0xFFFF
  // bytes at 0xFFFFFF end below 64 MiB, so only the sum refuses.
  EXPECT_EQ(RecordsOf(Patch(RunLengthRecords(0xFFFFFF, 2, 0xFFFF))).size(), 2u);
  // With an image, the first record past its end is reported, even before a
  // truncated record that follows.
  EXPECT_EQ(ErrorOf(FirmwareImage(16, 0x00),
                    Patch(RunLengthRecords(8, 1, 9), "\x00\x00")),
            "The patch reaches past the end of the image: 9 bytes at "
            "0x000008, but the image is 0x10 bytes long");
}

TEST(ApplyIpsTest, RecordsUpToTheImageEndAndTheLimitAreTaken) {
  FirmwareImage expected(16, 0x00);
  std::fill(expected.begin() + 8, expected.end(), 0xEE);
  EXPECT_EQ(ApplyIps(FirmwareImage(16, 0x00), Patch(RunLengthRecords(8, 3, 8))),
            expected);

  // 1 024 records of 0xFFFF bytes and one of 1 024 write exactly 64 MiB.
  for (const uint32_t last : {1024u, 1025u}) {
    SCOPED_TRACE(last);
    Bytes records = RunLengthRecords(0, 1024, 0xFFFF);
    const Bytes tail = RunLengthRecords(0, 1, last);
    records.insert(records.end(), tail.begin(), tail.end());
    if (last == 1024) {
      EXPECT_EQ(ReadIpsRecords(Patch(records), kMaxImageSize, nullptr), 1025);
    } else {
      EXPECT_THROW(ReadIpsRecords(Patch(records), kMaxImageSize, nullptr),
                   PatchError);
    }
  }
}

}  // namespace
}  // namespace orlindel
