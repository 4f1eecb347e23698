#include "core/history/image_diff.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/history/byte_edit.h"

namespace orlindel {
namespace {

struct DiffCase {
  const char* name;
  size_t length;
  // Bytes of `after` that differ from the zero-filled `before`.
  std::vector<std::pair<size_t, uint8_t>> changes;
  // The runs expected, as (offset, length).
  std::vector<std::pair<int64_t, int64_t>> runs;
};

TEST(DiffImagesTest, FindsMaximalRunsOfDifferingBytes) {
  const DiffCase cases[] = {
      {"identical", 16, {}, {}},
      {"one byte", 16, {{5, 1}}, {{5, 1}}},
      {"first and last byte", 16, {{0, 1}, {15, 1}}, {{0, 1}, {15, 1}}},
      {"adjacent bytes form one run", 16, {{3, 1}, {4, 2}, {5, 3}}, {{3, 3}}},
      {"one equal byte splits runs", 16, {{3, 1}, {5, 1}}, {{3, 1}, {5, 1}}},
      // Equal blocks are skipped in steps of 4096 bytes.
      {"run across a block boundary",
       0x3000,
       {{4095, 1}, {4096, 1}},
       {{4095, 2}}},
      {"last byte of a later block", 0x3000, {{0x2FFF, 1}}, {{0x2FFF, 1}}},
      {"image shorter than a block", 3, {{2, 9}}, {{2, 1}}},
  };
  for (const DiffCase& c : cases) {
    const FirmwareImage before(c.length, 0x00);
    FirmwareImage after = before;
    for (const auto& [at, value] : c.changes) after[at] = value;
    const EditList edits = DiffImages(before, after);
    ASSERT_EQ(edits.size(), c.runs.size()) << c.name;
    for (size_t k = 0; k < edits.size(); ++k) {
      EXPECT_EQ(edits[k].offset, c.runs[k].first) << c.name;
      EXPECT_EQ(edits[k].length(), c.runs[k].second) << c.name;
      EXPECT_EQ(edits[k].old_bytes,
                std::vector<uint8_t>(static_cast<size_t>(c.runs[k].second), 0))
          << c.name;
    }
  }
}

TEST(DiffImagesTest, KeepsBothSidesOfEachRun) {
  const FirmwareImage before = {1, 2, 3, 4, 5};
  const FirmwareImage after = {1, 7, 8, 4, 9};
  EXPECT_EQ(DiffImages(before, after),
            (EditList{{1, {2, 3}, {7, 8}}, {4, {5}, {9}}}));
  EXPECT_EQ(DiffBytes(ImageView(before).subspan(1), ImageView(after).subspan(1),
                      0x101),
            (EditList{{0x101, {2, 3}, {7, 8}}, {0x104, {5}, {9}}}));
}

TEST(VisitImageDifferencesTest, ReportsEachRunAsFoundWithBothSides) {
  const FirmwareImage before = {1, 2, 3, 4, 5, 6};
  const FirmwareImage after = {9, 2, 7, 8, 5, 0};
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> seen;
  VisitImageDifferences(before, after, [&](const DiffRun& run) {
    // The views lie in the compared images, at the run's offset.
    EXPECT_EQ(run.before.data(), before.data() + run.offset);
    EXPECT_EQ(run.after.data(), after.data() + run.offset);
    std::vector<uint8_t> both(run.before.begin(), run.before.end());
    both.insert(both.end(), run.after.begin(), run.after.end());
    seen.emplace_back(run.offset, both);
  });
  EXPECT_EQ(seen, (std::vector<std::pair<int64_t, std::vector<uint8_t>>>{
                      {0, {1, 9}}, {2, {3, 4, 7, 8}}, {5, {6, 0}}}));
}

TEST(VisitImageDifferencesTest, DifferentLengthsAreRefusedBeforeAnyRun) {
  int calls = 0;
  EXPECT_THROW(VisitImageDifferences(FirmwareImage(4, 0), FirmwareImage(5, 1),
                                     [&calls](const DiffRun&) { ++calls; }),
               PatchError);
  EXPECT_EQ(calls, 0);
}

TEST(DiffImagesTest, ImagesOfDifferentLengthsAreRefused) {
  try {
    DiffImages(FirmwareImage(4, 0), FirmwareImage(5, 0));
    FAIL() << "no error";
  } catch (const PatchError& error) {
    EXPECT_EQ(std::string(error.what()),
              "The images differ in length (4 and 5 bytes)");
  }
  EXPECT_THROW(DiffBytes(FirmwareImage(4, 0), FirmwareImage(3, 0), 0),
               RangeError);
}

TEST(DiffImagesJoinedTest, JoinsRunsCloserThanTheGapAndKeepsOthersApart) {
  const FirmwareImage before(4096, 0x00);
  FirmwareImage after = before;
  // 10 and 12 have one equal byte between them; 12 and `far` have
  // kJoinedGap, which is too many; `far` and `near` one fewer.
  const int64_t far = 13 + kJoinedGap;
  const int64_t near = far + kJoinedGap;
  after[10] = 1, after[12] = 2, after[far] = 3, after[near] = 4;
  const EditList edits = DiffImagesJoined(before, after);
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0], (ByteEdit{10, {0, 0, 0}, {1, 0, 2}}));
  EXPECT_EQ(edits[1].offset, far);
  EXPECT_EQ(edits[1].length(), near - far + 1);
  EXPECT_EQ(edits[1].new_bytes.front(), 3);
  EXPECT_EQ(edits[1].new_bytes.back(), 4);
  EXPECT_TRUE(DiffImagesJoined(before, before).empty());
  EXPECT_THROW(DiffImagesJoined(FirmwareImage(4, 0), FirmwareImage(5, 0)),
               PatchError);
}

// Every other byte of 4 MiB changed: two million runs, held as one edit, and
// undoing and redoing it gives both images back exactly.
TEST(DiffImagesJoinedTest, HoldsMillionsOfRunsAsFewEditsThatUndoExactly) {
  const FirmwareImage before(4 << 20, 0x11);
  FirmwareImage after = before;
  for (size_t at = 1; at < after.size(); at += 2) after[at] = 0x22;
  const EditList edits = DiffImagesJoined(before, after);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].offset, 1);
  EXPECT_EQ(edits[0].length(), (4 << 20) - 1);
  FirmwareImage image = before;
  ApplyEdits(image, edits);
  EXPECT_EQ(image, after);
  UndoEdits(image, edits);
  EXPECT_EQ(image, before);
}

}  // namespace
}  // namespace orlindel
