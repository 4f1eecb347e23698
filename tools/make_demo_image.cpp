// Writes a 1 MiB demo firmware image over code-like filler: a window list and
// an OSD message position list in bank 1, and in bank 2 the subtitle routine
// with its twelve send steps in XRAM form and the one routine that calls it.
#include <iostream>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

int main(int argc, char** argv) {
  using namespace orlindel;
  using namespace orlindel::testing;
  if (argc != 2) {
    std::cerr << "usage: make_demo_image OUT\n";
    return 2;
  }
  std::vector<OsdGroupSpec> groups;
  for (int g = 0; g < 6; ++g) {
    OsdGroupSpec group{static_cast<uint16_t>(0x6000 + 0x40 * g), {}};
    for (int e = 0; e <= g % 3; ++e)
      group.entries.push_back({static_cast<uint8_t>((g + e) % 12),
                               static_cast<uint16_t>(8 + 16 * e),
                               static_cast<uint16_t>(4 + 8 * e), 0, 0});
    groups.push_back(group);
  }
  // Window 3, (40; 400) - (680; 560), centred, at the bottom, line space 0.
  const SubtitleValues subtitle = {3,    40,   0,    0x90, 0x01, 0xA8,
                                   0x02, 0x30, 0x02, 1,    1,    0};
  const CodeEmitter routine = SubtitleRoutine(XramLoads(kSubtitleCells));
  const CodeEmitter caller = SubtitleCaller(kSubtitleCells, subtitle, 0x0100);
  FirmwareImage image = FirmwareBuilder(0x100000)
                            .CodeLikeFiller(0x300, 0xFFC00, 2026)
                            .HeaderLength(0xC0000)
                            .WindowList(0x12345, DemoWindows(12, 0x5000))
                            .OsdPosList(0x13800, groups)
                            .Bytes(0x20100, routine.bytes())
                            .Bytes(0x20800, caller.bytes())
                            .Build();
  try {
    SaveFirmwareFile(argv[1], image);
  } catch (const OrlindelError& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  return 0;
}
