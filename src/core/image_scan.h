// One pass over the image for the structure searches that run together (the
// open, the Debug analysis): it marks, for each search, the 64-position
// stretches where the first two byte tests of its candidate scan pass
// somewhere, so that each search reads only those stretches and skips the
// rest without reading it again. The searches then find exactly what they
// find alone.
#pragma once

#include <array>
#include <cstdint>

#include "core/candidate_scanner.h"
#include "core/firmware_image.h"

namespace orlindel {

// The first two tests of each search's candidate scan, rarest first.
// A WList entry's CodePointer tag, at entries 0 and 1.
inline constexpr std::array<ByteTest, 2> kWindowListLeadTests = {
    {{0, 0xFF, 0xFF}, {3, 0xFF, 0xFF}}};
// The CodePointer tags of OSD group references 0 and 1.
inline constexpr std::array<ByteTest, 2> kOsdListLeadTests = {
    {{1, 0xFF, 0xFF}, {5, 0xFF, 0xFF}}};
// A PS_B call pattern's LCALL opcode and its first MOV opcode.
inline constexpr std::array<ByteTest, 2> kPsbCallLeadTests = {
    {{6, 0x12, 0x12}, {0, 0x7D, 0x7F}}};

class ImageScan {
 public:
  // Reads `image` once. Where the processor offers no SSE2 the maps stay
  // empty and each search reads the image on its own.
  explicit ImageScan(ImageView image);

  const StretchMap& window_list() const { return window_list_; }
  const StretchMap& osd_list() const { return osd_list_; }
  const StretchMap& psb_calls() const { return psb_calls_; }

 private:
  StretchMap window_list_;
  StretchMap osd_list_;
  StretchMap psb_calls_;
};

}  // namespace orlindel
