// The firmware document: what it locates, and the edits its operations
// report, which must undo and redo the image exactly.
#include "core/firmware_document.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/ips.h"
#include "core/text.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

using testing::DemoWindows;
using testing::FirmwareBuilder;

// 256 KiB, a list of 12 windows at 0x18000 whose records start at 0x11000
// (16 bytes apart); window 3 is (520; 40) - (669; 119), PalDY 48, blend 0x83.
FirmwareImage TwelveWindows() {
  return FirmwareBuilder(0x40000)
      .WindowList(0x18000, DemoWindows(12, 0x1000))
      .Build();
}

constexpr int64_t kWindow3Left = 0x11030;
constexpr int64_t kChecksumAt = 0x3FFFC;
const PaletteValues kWindow3{520, 40, 669, 119, 48, 0x83};

FirmwareDocument Located(FirmwareImage image) {
  FirmwareDocument document(std::move(image));
  document.LocateWindowList();
  return document;
}

TEST(FirmwareDocument, LocatesTheWindowListOrKnowsNone) {
  FirmwareDocument document = Located(TwelveWindows());
  EXPECT_EQ(document.WindowListPos(), 0x18000);
  EXPECT_EQ(BankOf(*document.WindowListPos()), 1);
  EXPECT_EQ(document.MaxWindowIndex(), 11);
  EXPECT_EQ(document.WindowValues(3), kWindow3);

  FirmwareDocument empty = Located(FirmwareBuilder(0x40000).Build());
  EXPECT_FALSE(empty.WindowListKnown());
  EXPECT_THROW(empty.WriteWindow(0, PaletteValues{}), RangeError);
  EXPECT_EQ(empty.image(), FirmwareBuilder(0x40000).Build());
}

TEST(FirmwareDocument, WriteWindowReportsTheRecordRunsThenTheChecksum) {
  struct Row {
    const char* name;
    PaletteValues values;
    int64_t first_offset;  // the first changed record byte
    std::vector<uint8_t> old_bytes, new_bytes;
  };
  const Row rows[] = {
      // 520 = 02 08 -> 521 = 02 09: one byte of Left.
      {"left", {521, 40, 669, 119, 48, 0x83}, kWindow3Left + 1, {0x08}, {0x09}},
      // PalDY 48 = 00 30 -> 0x0130, blend 0x83 -> 0x84: two runs.
      {"paldy",
       {520, 40, 669, 119, 0x130, 0x84},
       kWindow3Left + 8,
       {0x00},
       {0x01}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FirmwareDocument document = Located(TwelveWindows());
    const FirmwareImage before = document.image();
    const EditList edits = document.WriteWindow(3, row.values);
    ASSERT_GE(edits.size(), 2u);
    EXPECT_EQ(edits.front().offset, row.first_offset);
    EXPECT_EQ(edits.front().old_bytes, row.old_bytes);
    EXPECT_EQ(edits.front().new_bytes, row.new_bytes);
    EXPECT_GE(edits.back().offset, kChecksumAt);
    EXPECT_TRUE(IsImageChecksumValid(document.image()));
    EXPECT_EQ(document.WindowValues(3), row.values);

    const FirmwareImage after = document.image();
    document.Replay(edits, true);
    EXPECT_EQ(document.image(), before);
    document.Replay(edits, false);
    EXPECT_EQ(document.image(), after);
  }
}

TEST(FirmwareDocument, FailedWriteKeepsWhatItStoredForTheHistory) {
  FirmwareDocument document = Located(TwelveWindows());
  const FirmwareImage before = document.image();
  // Left 530 = 02 12 is stored, Right 70000 is refused: no checksum fix.
  EXPECT_THROW(document.WriteWindow(3, {530, 40, 70000, 119, 48, 0x83}),
               RangeError);
  const EditList stored = document.TakeInterruptedEdits();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].offset, kWindow3Left + 1);
  EXPECT_EQ(stored[0].old_bytes, std::vector<uint8_t>{0x08});
  EXPECT_EQ(stored[0].new_bytes, std::vector<uint8_t>{0x12});
  EXPECT_TRUE(document.TakeInterruptedEdits().empty());
  document.Replay(stored, true);
  EXPECT_EQ(document.image(), before);
}

TEST(FirmwareDocument, RevertAndChecksumFixReportOnlyWhatChanged) {
  FirmwareDocument document = Located(TwelveWindows());
  const FirmwareImage before = document.image();
  EXPECT_TRUE(document.FixChecksum().empty());

  const EditList written =
      document.WriteWindow(3, {521, 40, 669, 119, 48, 0x83});
  const EditList reverted = document.RevertChange(written.front());
  EXPECT_EQ(document.image(), before);
  ASSERT_EQ(reverted.size(), 2u);  // the record byte, then the checksum
  EXPECT_EQ(reverted[0].offset, kWindow3Left + 1);

  // A stale checksum: the fix changes the checksum word only.
  FirmwareDocument stale(FirmwareBuilder(0x40000)
                             .WindowList(0x18000, DemoWindows(12, 0x1000))
                             .Build(false));
  const EditList fixed = stale.FixChecksum();
  ASSERT_FALSE(fixed.empty());
  for (const ByteEdit& edit : fixed) EXPECT_GE(edit.offset, kChecksumAt);
  EXPECT_TRUE(IsImageChecksumValid(stale.image()));
}

TEST(FirmwareDocument, SubtitleWriteWithoutTheRoutineChangesNothing) {
  FirmwareDocument document = Located(TwelveWindows());
  const FirmwareImage before = document.image();
  bool updated = true;
  const EditList edits =
      document.WriteSubtitleParams(Mpeg4SubtitleParams{}, nullptr, &updated);
  EXPECT_FALSE(updated);
  EXPECT_TRUE(edits.empty());
  EXPECT_EQ(document.image(), before);
}

TEST(FirmwareDocument, ApplyPatchReportsTheRangesItChanged) {
  const FirmwareImage before = {0, 1, 2, 3, 4, 5, 6, 7};
  const FirmwareImage after = {0, 9, 9, 3, 4, 5, 6, 8};
  // Two runs, 1..2 and 7, close together: one edit from 1 to 7 that carries
  // the equal bytes between them; no checksum fix, the patch's bytes as they
  // are.
  const EditList expected = {{1, {1, 2, 3, 4, 5, 6, 7}, {9, 9, 3, 4, 5, 6, 8}}};
  const struct {
    const char* name;
    std::vector<uint8_t> patch;
  } cases[] = {
      {"IPS", {'P', 'A', 'T', 'C', 'H', 0, 0,   1,   0,  2, 9, 9,  //
               0,   0,   7,   0,   1,   8, 'E', 'O', 'F'}},
      {"BPS", MakeBpsPatch(before, after)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareDocument document(before);
    EXPECT_EQ(document.ApplyPatch(c.patch), expected);
    EXPECT_EQ(document.image(), after);
    document.Replay(expected, true);
    EXPECT_EQ(document.image(), before);
  }
}

TEST(FirmwareDocument, ApplyPatchRefusesWhatAnOpenImageCannotTake) {
  const FirmwareImage image = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  const struct {
    const char* name;
    std::vector<uint8_t> patch;
    std::string message;
  } cases[] = {
      {"BPS from a file of another size",
       MakeBpsPatch(FirmwareImage{'a'}, image),
       "The patch was made for a file of 1 bytes; this file has 9 bytes"},
      {"BPS from another file of this size",
       MakeBpsPatch(FirmwareImage{'9', '8', '7', '6', '5', '4', '3', '2', '1'},
                    image),
       "The patch was made for a file with CRC32 " +
           Format("%08X", Crc32(FirmwareImage{'9', '8', '7', '6', '5', '4', '3',
                                              '2', '1'})) +
           "; this file has CRC32 CBF43926"},
      {"BPS that shortens", MakeBpsPatch(image, FirmwareImage{'a', 'b', 'c'}),
       "The patch changes the file's length from 9 to 3 bytes; an open image "
       "cannot change its length"},
      {"IPS that grows",
       {'P', 'A', 'T', 'C', 'H', 0, 0, 8, 0, 2, 1, 2, 'E', 'O', 'F'},
       "The patch reaches past the end of the image: 2 bytes at 0x000008, but "
       "the image is 0x9 bytes long"},
      {"neither",
       {'B', 'P', 'S'},
       "Not a patch: it begins with neither \"PATCH\" (IPS) nor \"BPS1\" "
       "(BPS)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareDocument document(image);
    try {
      document.ApplyPatch(c.patch);
      ADD_FAILURE() << "applied";
    } catch (const PatchError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
    EXPECT_EQ(document.image(), image);
    EXPECT_TRUE(document.TakeInterruptedEdits().empty());
  }
}

}  // namespace
}  // namespace orlindel
