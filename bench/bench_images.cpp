#include "bench/bench_images.h"

#include <map>

#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::bench {

namespace {

using testing::FirmwareBuilder;

// Code-like filler with the window list and OSD list in the last banks, a
// few PS_B sending routines spread over the image, SetMpeg4SubtitleParams at
// 0x9C2340 and its one caller at 0x9C5000.
FirmwareImage Realistic() {
  std::vector<testing::OsdGroupSpec> groups(
      40, testing::OsdGroupSpec{0x8000, {{1, 10, 10, 0, 0}}});
  FirmwareBuilder builder(kBenchImageSize);
  builder.CodeLikeFiller(0x300, kBenchImageSize - 0x300, 7)
      .WindowList(0x9E0000, testing::DemoWindows(20, 0x1000))
      .OsdPosList(0x9E4000, groups);
  for (const int n : {0x09, 0x17, 0x1D, 0x31, 0x52}) {
    testing::CodeEmitter code;
    code.MovDptr(0xF800).MovAFromR(7).MovxDptrFromA();
    testing::PsbCall(code, static_cast<uint8_t>(n), 0x4A10).Ret();
    builder.Bytes(static_cast<size_t>(n) * 0x10000 + 0x1000, code.bytes());
  }
  builder
      .Bytes(0x9C2340, testing::SubtitleRoutine(
                           testing::XramLoads(testing::kSubtitleCells))
                           .bytes())
      .Bytes(0x9C5000,
             testing::SubtitleCaller(
                 testing::kSubtitleCells,
                 {5, 0x30, 0, 0xA4, 1, 0xA0, 2, 0x1C, 2, 1, 9, 4}, 0x2340)
                 .bytes());
  return builder.Build();
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

FirmwareImage SessionEdited(const FirmwareImage& opened) {
  FirmwareImage edited = opened;
  for (size_t at : {size_t{0x9E1000}, size_t{0x9E1012}, size_t{0x9E103C}})
    edited[at] ^= 0x5A;
  for (size_t i = 0; i < 12; ++i) edited[0x9C235C + 12 * i] ^= 0x90;
  FixImageChecksum(edited);
  return edited;
}

}  // namespace orlindel::bench
