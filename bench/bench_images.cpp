#include "bench/bench_images.h"

#include <map>

#include "tests/support/firmware_builder.h"

namespace orlindel::bench {

namespace {

using testing::FirmwareBuilder;

FirmwareImage Realistic() {
  std::vector<testing::OsdGroupSpec> groups(
      40, testing::OsdGroupSpec{0x8000, {{1, 10, 10, 0, 0}}});
  return FirmwareBuilder(kBenchImageSize)
      .CodeLikeFiller(0x300, kBenchImageSize - 0x300, 7)
      .WindowList(0x9E0000, testing::DemoWindows(20, 0x1000))
      .OsdPosList(0x9E4000, groups)
      .Build();
}

// In every bank the first half holds references 7F FF hh ll into the second
// half, which holds valid entries but for every hundredth: no group of 127
// entries is valid, yet each passes its first eight.
FirmwareImage LongOsdGroups() {
  FirmwareBuilder builder(kBenchImageSize, 0x00);
  for (size_t bank = 0; bank < kBenchImageSize; bank += 0x10000) {
    for (size_t r = 0; r < 0x2000; ++r) {
      const auto entries = static_cast<uint16_t>(0x8000 + 9 * (r % 1000));
      const size_t at = bank + 4 * r + (bank == 0 ? 0x300 : 0);
      if (at + 4 > bank + 0x8000) break;
      builder.Bytes(at, {0x7F, 0xFF}).BE16(at + 2, entries);
    }
    for (size_t e = 0; 0x8000 + 9 * e + 9 <= 0x10000; ++e)
      builder.Bytes(bank + 0x8000 + 9 * e,
                    {static_cast<uint8_t>(e % 100 == 99 ? 0x20 : 0x01), 0x00,
                     0x10, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00});
  }
  return builder.HeaderLength(kBenchImageSize).Build();
}

FirmwareImage RepeatedWList() {
  FirmwareBuilder builder(kBenchImageSize, 0x00);
  for (size_t at = 0x300; at + 3 <= kBenchImageSize; at += 3)
    builder.Bytes(at, {0xFF, 0x00, 0x10});
  return builder.HeaderLength(kBenchImageSize).Build();
}

FirmwareImage Repeated7FE0() {
  FirmwareBuilder builder(kBenchImageSize, 0x00);
  for (size_t at = 0x300; at + 2 <= kBenchImageSize; at += 2)
    builder.Bytes(at, {0x7F, 0xE0});
  return builder.HeaderLength(kBenchImageSize).Build();
}

}  // namespace

const char* ImageKindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::kRealistic:
      return "realistic";
    case ImageKind::kLongOsdGroups:
      return "long_osd_groups";
    case ImageKind::kRepeatedWList:
      return "repeated_wlist";
    case ImageKind::kAllFF:
      return "all_ff";
    case ImageKind::kRepeated7FE0:
      return "repeated_7f_e0";
  }
  return "";
}

const FirmwareImage& BenchImage(ImageKind kind) {
  static std::map<ImageKind, FirmwareImage> images;
  auto found = images.find(kind);
  if (found != images.end()) return found->second;
  FirmwareImage image;
  switch (kind) {
    case ImageKind::kRealistic:
      image = Realistic();
      break;
    case ImageKind::kLongOsdGroups:
      image = LongOsdGroups();
      break;
    case ImageKind::kRepeatedWList:
      image = RepeatedWList();
      break;
    case ImageKind::kAllFF:
      image = FirmwareBuilder(kBenchImageSize, 0xFF).Build();
      break;
    case ImageKind::kRepeated7FE0:
      image = Repeated7FE0();
      break;
  }
  return images.emplace(kind, std::move(image)).first->second;
}

}  // namespace orlindel::bench
