// A small firmware of one family for layout transfer tests: six windows,
// three groups of message positions and a patched subtitle routine, all in
// bank 1, at the places a firmware version chooses.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/firmware_image.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::testing {

// Where a firmware version keeps its tables.
struct LayoutPlacement {
  size_t window_list;
  size_t osd_list;
  size_t routine;
};

inline constexpr LayoutPlacement kLayoutPlacementA = {0x18000, 0x14000,
                                                      0x12340};
inline constexpr LayoutPlacement kLayoutPlacementB = {0x1A000, 0x15000,
                                                      0x13000};

// Window 3, (40; 400) - (680; 560), Center, Flags 1, LineSpace 0.
inline constexpr SubtitleValues kLayoutSubtitleA = {
    3, 40, 0, 0x90, 0x01, 0xA8, 0x02, 0x30, 0x02, 1, 1, 0};
// Window 4, (48; 420) - (672; 540), Right, Flags 9, LineSpace 4.
inline constexpr SubtitleValues kLayoutSubtitleB = {
    4, 48, 0, 0xA4, 0x01, 0xA0, 0x02, 0x1C, 0x02, 2, 9, 4};

// Six windows with records at 0x10010 + 16 n.
std::vector<WindowSpec> LayoutWindowsA();
// Three groups of two, one and three entries.
std::vector<OsdGroupSpec> LayoutGroupsA();

// A 128 KiB image with those tables at `at` and, when given, the subtitle
// routine sending `subtitle`; the checksum fixed.
FirmwareImage LayoutFirmware(const LayoutPlacement& at,
                             const std::vector<WindowSpec>& windows,
                             const std::vector<OsdGroupSpec>& groups,
                             std::optional<SubtitleValues> subtitle);

}  // namespace orlindel::testing
