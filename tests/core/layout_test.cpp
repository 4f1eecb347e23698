#include "core/layout/layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/layout_firmware.h"
#include "tests/support/subtitle_code.h"

namespace orlindel {
namespace {

using testing::OsdGroupSpec;
using testing::SubtitleValues;
using testing::WindowSpec;

constexpr const testing::LayoutPlacement& kPlacementA =
    testing::kLayoutPlacementA;
constexpr const testing::LayoutPlacement& kPlacementB =
    testing::kLayoutPlacementB;
constexpr const SubtitleValues& kSubtitleA = testing::kLayoutSubtitleA;
constexpr const SubtitleValues& kSubtitleB = testing::kLayoutSubtitleB;
constexpr auto* Firmware = &testing::LayoutFirmware;
constexpr auto* WindowsA = &testing::LayoutWindowsA;
constexpr auto* GroupsA = &testing::LayoutGroupsA;

FirmwareImage ImageA() {
  return Firmware(kPlacementA, WindowsA(), GroupsA(), kSubtitleA);
}

// The next firmware version: records elsewhere, no window 5, window 2 as in
// A and the others moved a little; group 0 with one entry as in A, group 1
// naming window 1, group 2 one entry shorter.
std::vector<WindowSpec> WindowsB() {
  return {{0x0200, 12, 20, 300, 200, 48, 0x80},
          {0x0220, 40, 60, 200, 120, 0, 0x81},
          {0x0240, 100, 100, 400, 300, 0, 0x82},
          {0x0260, 0, 0, 719, 575, 48, 0x7F},
          {0x0280, 60, 410, 660, 550, 24, 0x40}};
}

std::vector<OsdGroupSpec> GroupsB() {
  return {{0x1400, {{0, 10, 4, 0, 0}, {1, 30, 8, 100, 16}}},
          {0x1500, {{1, 1, 2, 3, 4}}},
          {0x1600, {{2, 0, 0, 0, 0}, {3, 5, 5, 50, 20}}}};
}

FirmwareImage ImageB() {
  return Firmware(kPlacementB, WindowsB(), GroupsB(), kSubtitleB);
}

// B after importing what of A's layout fits: A's values in windows 0..4, in
// group 0's entry 1 and in the subtitle routine, and a fresh checksum.
FirmwareImage ImageBWithLayoutA() {
  std::vector<WindowSpec> windows = WindowsB();
  const std::vector<WindowSpec> a = WindowsA();
  for (size_t n = 0; n < windows.size(); ++n) {
    const uint16_t record = windows[n].record_offset;
    windows[n] = a[n];
    windows[n].record_offset = record;
  }
  std::vector<OsdGroupSpec> groups = GroupsB();
  groups[0].entries[1] = {1, 20, 8, 100, 16};
  return Firmware(kPlacementB, windows, groups, kSubtitleA);
}

LayoutItem Window(int id, LayoutOutcome outcome, std::string reason = {}) {
  return {LayoutPart::kWindow, id, -1, -1, outcome, std::move(reason)};
}
LayoutItem Subtitle(LayoutOutcome outcome, std::string reason = {}) {
  return {LayoutPart::kSubtitle, -1, -1, -1, outcome, std::move(reason)};
}
LayoutItem Position(int group, int entry, LayoutOutcome outcome,
                    std::string reason = {}) {
  return {LayoutPart::kPosition, -1, group, entry, outcome, std::move(reason)};
}

constexpr auto kChanged = LayoutOutcome::kChanged;
constexpr auto kIdentical = LayoutOutcome::kIdentical;
constexpr auto kNotApplied = LayoutOutcome::kNotApplied;
constexpr auto kSkipped = LayoutOutcome::kSkipped;
const std::string kNotNamed = "its part was not named for import";

std::string RefusalOf(FirmwareImage& image, const Layout& layout,
                      bool dry_run = false) {
  TraceModel model;
  try {
    ImportLayout(model, image, layout, {}, dry_run);
  } catch (const LayoutError& error) {
    return error.what();
  }
  return "imported";
}

TEST(ExportLayoutTest, ReadsWindowsSubtitleAndPositions) {
  TraceModel model;
  const Layout expected = {
      {{0, 10, 20, 300, 200, 48, 0x80},
       {1, 40, 60, 200, 120, 48, 0x81},
       {2, 100, 100, 400, 300, 0, 0x82},
       {3, 0, 0, 719, 575, 48, 0xFF},
       {4, 50, 400, 670, 560, 24, 0x40},
       {5, 320, 200, 400, 260, 48, 0x90}},
      Mpeg4SubtitleParams{3, 40, 400, 680, 560, 1, 1, 0},
      {{0, 2, {{0, {0, 10, 4, 0, 0}}, {1, {1, 20, 8, 100, 16}}}},
       {1, 1, {{0, {5, 1, 2, 3, 4}}}},
       {2,
        3,
        {{0, {2, 0, 0, 0, 0}}, {1, {3, 5, 5, 50, 20}}, {2, {4, 7, 7, 0, 0}}}}}};
  EXPECT_EQ(ExportLayout(model, ImageA()), expected);
}

TEST(ExportLayoutTest, LeavesOutWhatTheImageLacks) {
  TraceModel model;
  const struct {
    const char* name;
    FirmwareImage image;
    bool windows;
    bool subtitle;
  } kCases[] = {
      {"no subtitle routine",
       Firmware(kPlacementA, WindowsA(), GroupsA(), std::nullopt), true, false},
      {"no tables", Firmware(kPlacementA, {}, {}, kSubtitleA), false, true},
      {"nothing", FirmwareImage(0x1000, 0x00), false, false},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    const Layout layout = ExportLayout(model, test.image);
    EXPECT_EQ(layout.windows.size(), test.windows ? 6u : 0u);
    EXPECT_EQ(layout.positions.size(), test.windows ? 3u : 0u);
    EXPECT_EQ(layout.subtitle.has_value(), test.subtitle);
  }
}

TEST(ImportLayoutTest, IntoTheSameFirmwareChangesNothing) {
  TraceModel model;
  const FirmwareImage a = ImageA();
  const Layout layout = LayoutFromJson(LayoutToJson(ExportLayout(model, a)));
  for (const bool dry_run : {false, true}) {
    SCOPED_TRACE(dry_run ? "dry run" : "import");
    FirmwareImage image = a;
    const LayoutImport result = ImportLayout(model, image, layout, {}, dry_run);
    EXPECT_EQ(image, a);
    EXPECT_TRUE(result.edits.empty());
    ASSERT_EQ(result.items.size(), 13u);  // 6 windows, subtitle, 6 entries
    for (const LayoutItem& item : result.items)
      EXPECT_EQ(item.outcome, kIdentical) << LayoutItemName(item);
  }
}

const char* const kMisfitsOfAInB =
    "The layout does not fit this firmware:\n"
    "window 5: this firmware has no window 5 (its windows are 0..4)\n"
    "group 1 entry 0: this firmware has no window 5\n"
    "group 2: it has 2 entries in this firmware, 3 in the layout";

TEST(ImportLayoutTest, RefusesALayoutThatDoesNotFitWithNoPartNamed) {
  TraceModel model;
  const Layout layout = ExportLayout(model, ImageA());
  for (const bool dry_run : {false, true}) {
    SCOPED_TRACE(dry_run ? "dry run" : "import");
    FirmwareImage b = ImageB();
    EXPECT_EQ(RefusalOf(b, layout, dry_run), kMisfitsOfAInB);
    EXPECT_EQ(b, ImageB());
  }
}

TEST(ImportLayoutTest, AppliesTheNamedPartsAsFarAsTheyFit) {
  TraceModel model;
  const Layout layout = ExportLayout(model, ImageA());
  const LayoutItem kWindows[] = {
      Window(0, kChanged),
      Window(1, kChanged),
      Window(2, kIdentical),
      Window(3, kChanged),
      Window(4, kChanged),
      Window(5, kNotApplied,
             "this firmware has no window 5 (its windows are 0..4)")};
  const LayoutItem kPositions[] = {
      Position(0, 0, kIdentical), Position(0, 1, kChanged),
      Position(1, 0, kNotApplied, "this firmware has no window 5"),
      Position(2, -1, kNotApplied,
               "it has 2 entries in this firmware, 3 in the layout")};
  const LayoutItem kPositionsSkipped[] = {Position(0, -1, kSkipped, kNotNamed),
                                          Position(1, -1, kSkipped, kNotNamed),
                                          Position(2, -1, kSkipped, kNotNamed)};

  std::vector<LayoutItem> all(std::begin(kWindows), std::end(kWindows));
  all.push_back(Subtitle(kChanged));
  all.insert(all.end(), std::begin(kPositions), std::end(kPositions));

  std::vector<LayoutItem> windows_only;
  for (const LayoutItem& window : kWindows) windows_only.push_back(window);
  windows_only.push_back(Subtitle(kSkipped, kNotNamed));
  windows_only.insert(windows_only.end(), std::begin(kPositionsSkipped),
                      std::end(kPositionsSkipped));

  std::vector<WindowSpec> windows_a_in_b = WindowsB();
  for (size_t n = 0; n < windows_a_in_b.size(); ++n) {
    const uint16_t record = windows_a_in_b[n].record_offset;
    windows_a_in_b[n] = WindowsA()[n];
    windows_a_in_b[n].record_offset = record;
  }

  const struct {
    const char* name;
    LayoutParts only;
    std::vector<LayoutItem> items;
    FirmwareImage result;
  } kCases[] = {
      {"every part", {true, true, true}, all, ImageBWithLayoutA()},
      {"the windows",
       {true, false, false},
       windows_only,
       Firmware(kPlacementB, windows_a_in_b, GroupsB(), kSubtitleB)},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    FirmwareImage dry = ImageB();
    const LayoutImport preview =
        ImportLayout(model, dry, layout, test.only, true);
    EXPECT_EQ(dry, ImageB());

    FirmwareImage b = ImageB();
    const LayoutImport result =
        ImportLayout(model, b, layout, test.only, false);
    EXPECT_EQ(result.items, test.items);
    EXPECT_TRUE(b == test.result);
    EXPECT_EQ(preview.items, result.items);
    EXPECT_EQ(preview.edits, result.edits);

    // The edits hold every change, the checksum word last.
    ASSERT_FALSE(result.edits.empty());
    EXPECT_GE(result.edits.back().offset, 0x20000 - 4);
    FirmwareImage redone = ImageB();
    ApplyEdits(redone, result.edits);
    EXPECT_TRUE(redone == test.result);
    UndoEdits(b, result.edits);
    EXPECT_TRUE(b == ImageB());
  }
}

TEST(ImportLayoutTest, RoundTripRestoresTheFirmwareByteForByte) {
  TraceModel model;
  const FirmwareImage original = ImageB();
  const Layout own = ExportLayout(model, original);
  FirmwareImage b = original;
  ImportLayout(model, b, ExportLayout(model, ImageA()), {true, true, true},
               false);
  ASSERT_FALSE(b == original);

  const LayoutImport back = ImportLayout(model, b, own, {}, false);
  EXPECT_TRUE(b == original);
  EXPECT_TRUE(IsImageChecksumValid(b));
  EXPECT_EQ(back.items[2], Window(2, kIdentical));
}

TEST(ImportLayoutTest, TellsWhyAnItemDoesNotFit) {
  TraceModel model;
  Layout base;
  base.windows = {{1, 10, 20, 300, 200, 48, 0x80}};
  const Layout valid_window = base;
  Layout too_wide = base;
  too_wide.windows[0].right = 801;
  Layout too_low = base;
  too_low.windows[0].bottom = 601;
  Layout far_entry;
  far_entry.positions = {{0, 2, {{1, {0, 800, 0, 0, 0}}}}};
  Layout unknown_window;
  unknown_window.positions = {{0, 2, {{0, {9, 0, 0, 0, 0}}}}};
  Layout missing_group;
  missing_group.positions = {{3, 1, {{0, {0, 0, 0, 0, 0}}}}};
  Layout incomplete_subtitle;
  incomplete_subtitle.subtitle = Mpeg4SubtitleParams{};
  Layout subtitle;
  subtitle.subtitle = Mpeg4SubtitleParams{3, 40, 400, 680, 560, 1, 1, 0};

  const FirmwareImage a = ImageA();
  const FirmwareImage no_tables = Firmware(kPlacementA, {}, {}, std::nullopt);
  const struct {
    const char* name;
    const FirmwareImage& image;
    const Layout& layout;
    LayoutItem item;
  } kCases[] = {
      {"no window list", no_tables, valid_window,
       Window(1, kNotApplied, "this firmware has no window list")},
      {"right edge past 800", a, too_wide,
       Window(1, kNotApplied, "its edges would lie outside 800 x 600")},
      {"bottom edge past 600", a, too_low,
       Window(1, kNotApplied, "its edges would lie outside 800 x 600")},
      {"no position list", no_tables, far_entry,
       Position(0, -1, kNotApplied,
                "this firmware has no OSD message position list")},
      {"x at 800", a, far_entry,
       Position(0, 1, kNotApplied, "its position would lie outside 800 x 600")},
      {"a window the firmware lacks", a, unknown_window,
       Position(0, 0, kNotApplied, "this firmware has no window 9")},
      {"a group the firmware lacks", a, missing_group,
       Position(3, -1, kNotApplied,
                "this firmware has no group 3 (its groups are 0..2)")},
      {"incomplete subtitle parameters", a, incomplete_subtitle,
       Subtitle(kNotApplied,
                "the layout's subtitle parameters are incomplete")},
      {"no subtitle routine", no_tables, subtitle,
       Subtitle(kNotApplied,
                "this firmware has no subtitle routine whose parameters can "
                "be read")},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    FirmwareImage image = test.image;
    const LayoutImport result =
        ImportLayout(model, image, test.layout, {true, true, true}, false);
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_EQ(result.items[0], test.item);
    EXPECT_TRUE(result.edits.empty());
    EXPECT_TRUE(image == test.image);
    EXPECT_EQ(RefusalOf(image, test.layout),
              "The layout does not fit this firmware:\n" +
                  LayoutItemName(test.item) + ": " + test.item.reason);
  }
}

TEST(ImportLayoutTest, NamesItemsForTheUser) {
  const struct {
    LayoutItem item;
    const char* name;
  } kCases[] = {
      {Window(7, kChanged), "window 7"},
      {Subtitle(kChanged), "subtitle parameters"},
      {Position(2, -1, kChanged), "group 2"},
      {Position(2, 1, kChanged), "group 2 entry 1"},
  };
  for (const auto& test : kCases)
    EXPECT_EQ(LayoutItemName(test.item), test.name);
}

}  // namespace
}  // namespace orlindel
