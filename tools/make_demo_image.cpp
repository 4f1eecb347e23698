// Writes a 1 MiB demo firmware image with a window list and an OSD message
// position list in bank 1, over code-like filler.
#include <iostream>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "tests/support/firmware_builder.h"

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
  FirmwareImage image = FirmwareBuilder(0x100000)
                            .CodeLikeFiller(0x300, 0xFFC00, 2026)
                            .HeaderLength(0xC0000)
                            .WindowList(0x12345, DemoWindows(12, 0x5000))
                            .OsdPosList(0x13800, groups)
                            .Build();
  try {
    SaveFirmwareFile(argv[1], image);
  } catch (const OrlindelError& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  return 0;
}
