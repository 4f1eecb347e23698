#include "core/history/labelled_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/window_list.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel {
namespace {

using testing::DemoWindows;
using testing::FirmwareBuilder;
using testing::kSubtitleCells;
using testing::SendLoad;
using testing::SubtitleCaller;
using testing::SubtitleRoutine;
using testing::XramLoads;
using Labels = std::vector<std::string>;

// Five windows listed at 0x1000 with their records at 0x2000 + 16 n (window
// 3's at 0x2030: Left 520, Top 40); the subtitle routine at 0x12340 with its
// loads at 0x1235C + 12 i, called from 0x15000; the checksum word at
// 0x1FFFC.
FirmwareImage Firmware(const std::vector<SendLoad>& loads) {
  return FirmwareBuilder(0x20000, 0x00)
      .WindowList(0x1000, DemoWindows(5, 0x2000))
      .Bytes(0x12340, SubtitleRoutine(loads).bytes())
      .Bytes(0x15000,
             SubtitleCaller(kSubtitleCells,
                            {5, 0x30, 0, 0xA4, 1, 0xA0, 2, 0x1C, 2, 1, 9, 4},
                            0x2340)
                 .bytes())
      .Build();
}

TEST(ChangeLabellerTest, NamesWhatEachRangeTouches) {
  TraceModel model;
  const FirmwareImage image = Firmware(XramLoads(kSubtitleCells));
  const ChangeLabeller labeller(model, image);
  const struct {
    int64_t offset;
    int64_t length;
    Labels labels;
  } cases[] = {
      {0x2030, 2, {"window 3 record: Left"}},
      {0x2031, 2, {"window 3 record: Left, Top"}},
      {0x2032, 4, {"window 3 record: Top, Right"}},
      {0x2036, 4, {"window 3 record: Bottom, PalDY"}},
      {0x203A, 1, {"window 3 record: byte 10"}},
      {0x203B, 2, {"window 3 record: byte 11, Blend"}},
      {0x203D, 2, {"window 3 record: byte 13, byte 14"}},
      // 0x203F lies between two records.
      {0x203E, 2, {"window 3 record: byte 14", "unknown"}},
      {0x203E,
       3,
       {"window 3 record: byte 14", "window 4 record: Left", "unknown"}},
      {0x2000, 1, {"window 0 record: Left"}},
      {0x204E, 1, {"window 4 record: byte 14"}},
      {0x1235C, 4, {"subtitle load 0 (WindowId)"}},
      {0x123CB, 1, {"subtitle load 9 (Align)"}},
      // The step head in front of a load is no parameter load.
      {0x123C7, 2, {"subtitle load 9 (Align)", "unknown"}},
      {0x123E0, 4, {"subtitle load 11 (LineSpace)"}},
      {0x1FFFC, 4, {"image checksum"}},
      {0x1FFFE, 1, {"image checksum"}},
      {0x1FFF8, 8, {"image checksum", "unknown"}},
      {0x0100, 1, {"unknown"}},
      // The WList entries themselves are not among the labelled structures.
      {0x1009, 3, {"unknown"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(labeller.Labels(c.offset, c.length), c.labels)
        << std::hex << c.offset;
}

TEST(ChangeLabellerTest, LabelsTheLoadsOfAPartlyPatchedRoutine) {
  TraceModel model;
  // Reading such an image fails (patched and XRAM loads are mixed), but the
  // subtitle page can still patch it, so its loads are still named.
  std::vector<SendLoad> loads = XramLoads(kSubtitleCells);
  loads[9] = {true, 0x01};
  const FirmwareImage image = Firmware(loads);
  Mpeg4SubtitleParams params;
  ASSERT_FALSE(ReadSubtitleParams(model, image, params, nullptr));
  const ChangeLabeller labeller(model, image);
  EXPECT_EQ(labeller.Labels(0x123C8, 4), Labels{"subtitle load 9 (Align)"});
  EXPECT_EQ(labeller.Labels(0x1235C, 4), Labels{"subtitle load 0 (WindowId)"});
}

TEST(ChangeLabellerTest, AnImageThatStopsTheSearchesKeepsItsChecksumLabel) {
  TraceModel model;
  // Header length and image reach past the analysis limit: the window list
  // search stops with a range error.
  const FirmwareImage image = FirmwareBuilder(0xA00010, 0x00).Build(false);
  ASSERT_THROW(FindWindowList(image), RangeError);
  const ChangeLabeller labeller(model, image);
  EXPECT_EQ(labeller.Labels(0xA0000C, 4), Labels{"image checksum"});
  EXPECT_EQ(labeller.Labels(0x100, 1), Labels{"unknown"});
}

TEST(ListChangesTest, AWindowEditAndItsChecksum) {
  TraceModel model;
  const FirmwareImage opened = Firmware(XramLoads(kSubtitleCells));
  FirmwareImage current = opened;
  WindowRecord record = ReadWindowRecordAt(current, 0x2030);
  record.left = 12;  // 0x0208 -> 0x000C
  WriteWindowRecordAt(current, 0x2030, record);
  FixImageChecksum(current);

  const std::vector<LabelledChange> changes =
      ListChanges(ChangeLabeller(model, opened), opened, current).listed;
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].edit, (ByteEdit{0x2030, {0x02, 0x08}, {0x00, 0x0C}}));
  EXPECT_EQ(changes[0].labels, Labels{"window 3 record: Left"});
  // The word at 0x2030 changed by 02 and 04 in its two low bytes.
  const uint8_t c0 = opened[0x1FFFC], c1 = opened[0x1FFFD];
  EXPECT_EQ(changes[1].edit, (ByteEdit{0x1FFFC,
                                       {c0, c1},
                                       {static_cast<uint8_t>(c0 ^ 0x02),
                                        static_cast<uint8_t>(c1 ^ 0x04)}}));
  EXPECT_EQ(changes[1].labels, Labels{"image checksum"});
}

TEST(ListChangesTest, ASubtitleUpdateChangesTwelveNamedLoads) {
  TraceModel model;
  const FirmwareImage opened = Firmware(XramLoads(kSubtitleCells));
  FirmwareImage current = opened;
  ASSERT_TRUE(UpdateSubtitleParams(model, current,
                                   {3, 40, 400, 680, 560, 2, 1, 0}, nullptr));
  FixImageChecksum(current);

  const char* names[] = {"WindowId", "X1.Low", "X1.High", "Y1.Low",
                         "Y1.High",  "X2.Low", "X2.High", "Y2.Low",
                         "Y2.High",  "Align",  "Flags",   "LineSpace"};
  const std::vector<LabelledChange> changes =
      ListChanges(ChangeLabeller(model, opened), opened, current).listed;
  ASSERT_GE(changes.size(), 13u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(changes[i].edit.offset, 0x1235C + 12 * i);
    EXPECT_EQ(changes[i].edit.length(), 4);
    EXPECT_EQ(changes[i].labels, Labels{"subtitle load " + std::to_string(i) +
                                        " (" + names[i] + ")"});
  }
  for (size_t k = 12; k < changes.size(); ++k)
    EXPECT_EQ(changes[k].labels, Labels{"image checksum"});
}

// Every other byte of 4 MiB changed: two million runs are counted, only the
// first ones asked for are listed, labelled and copied.
TEST(ListChangesTest, ManyRunsAreCountedButOnlyTheFirstListed) {
  TraceModel model;
  FirmwareImage opened = Firmware(XramLoads(kSubtitleCells));
  opened.resize(4 << 20, 0xFF);
  FirmwareImage current = opened;
  for (size_t at = 0; at < current.size(); at += 2) current[at] ^= 0x01;
  const ChangeLabeller labeller(model, opened);
  const ChangeList changes = ListChanges(labeller, opened, current, 3);
  EXPECT_EQ(changes.total, 2 << 20);
  ASSERT_EQ(changes.listed.size(), 3u);
  EXPECT_EQ(changes.listed[2].edit, (ByteEdit{4, {opened[4]}, {current[4]}}));
  EXPECT_EQ(ListChanges(labeller, opened, opened, 3).total, 0);
}

}  // namespace
}  // namespace orlindel
