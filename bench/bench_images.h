// The 10 MiB images the benchmarks measure: code-like filler with the tables
// near its end, and the worst cases the searches must stay linear on.
#pragma once

#include "core/firmware_image.h"

namespace orlindel::bench {

inline constexpr size_t kBenchImageSize = 0xA00000;

enum class ImageKind {
  kRealistic,      // code-like filler, tables and subtitle code near the end
  kLongOsdGroups,  // a tagged reference every 4 bytes, groups of 127
  kRepeatedWList,  // FF 00 10 repeated: five-entry shapes everywhere
  kAllFF,          // erased flash
  kRepeated7FE0,   // 7F E0 pairs: the call-pattern anchor everywhere
};

inline constexpr ImageKind kAllImageKinds[] = {
    ImageKind::kRealistic, ImageKind::kLongOsdGroups, ImageKind::kRepeatedWList,
    ImageKind::kAllFF, ImageKind::kRepeated7FE0};

const char* ImageKindName(ImageKind kind);

// Built once per kind and kept for the run.
const FirmwareImage& BenchImage(ImageKind kind);

// `opened` after a typical session's changes: a few record fields, twelve
// subtitle parameter loads and the checksum (offsets of the realistic image).
FirmwareImage SessionEdited(const FirmwareImage& opened);

}  // namespace orlindel::bench
