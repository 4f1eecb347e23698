#include "tests/support/layout_firmware.h"

namespace orlindel::testing {

std::vector<WindowSpec> LayoutWindowsA() {
  return {{0x0010, 10, 20, 300, 200, 48, 0x80},
          {0x0020, 40, 60, 200, 120, 48, 0x81},
          {0x0030, 100, 100, 400, 300, 0, 0x82},
          {0x0040, 0, 0, 719, 575, 48, 0xFF},
          {0x0050, 50, 400, 670, 560, 24, 0x40},
          {0x0060, 320, 200, 400, 260, 48, 0x90}};
}

std::vector<OsdGroupSpec> LayoutGroupsA() {
  return {{0x1000, {{0, 10, 4, 0, 0}, {1, 20, 8, 100, 16}}},
          {0x1100, {{5, 1, 2, 3, 4}}},
          {0x1200, {{2, 0, 0, 0, 0}, {3, 5, 5, 50, 20}, {4, 7, 7, 0, 0}}}};
}

FirmwareImage LayoutFirmware(const LayoutPlacement& at,
                             const std::vector<WindowSpec>& windows,
                             const std::vector<OsdGroupSpec>& groups,
                             std::optional<SubtitleValues> subtitle) {
  FirmwareBuilder builder(0x20000, 0x00);
  if (subtitle)
    builder.Bytes(at.routine, SubtitleRoutine(PatchedLoads(*subtitle)).bytes());
  return builder.OsdPosList(at.osd_list, groups)
      .WindowList(at.window_list, windows)
      .Build();
}

}  // namespace orlindel::testing
