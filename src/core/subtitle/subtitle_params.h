// The twelve parameter bytes that SetMpeg4SubtitleParams sends, and the
// parameter loads in its send steps that supply them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "core/firmware_image.h"

namespace orlindel {

// The window and layout in which MPEG-4 subtitles are shown. All-ones in a
// field marks a value nothing has set.
struct Mpeg4SubtitleParams {
  uint8_t window_id = 0xFF;  // 0: the user picks the window
  uint16_t x1 = 0xFFFF;
  uint16_t y1 = 0xFFFF;
  uint16_t x2 = 0xFFFF;
  uint16_t y2 = 0xFFFF;
  uint8_t align = 0xFF;  // 0 left, 1 center, 2 right
  // Bit 0: subtitles at the bottom; bit 3: all 256 characters displayed.
  uint8_t flags = 0xFF;
  uint8_t line_space = 0xFF;

  bool operator==(const Mpeg4SubtitleParams&) const = default;
};

// True when no field holds its all-ones value.
bool IsValidSubtitleParams(const Mpeg4SubtitleParams& params);

// The meanings of Align.
inline constexpr uint8_t kSubtitleAlignLeft = 0;
inline constexpr uint8_t kSubtitleAlignCenter = 1;
inline constexpr uint8_t kSubtitleAlignRight = 2;
// The bits of Flags: subtitles at the bottom (else at the top), and all 256
// characters displayed.
inline constexpr uint8_t kSubtitleFlagBottom = 0x01;
inline constexpr uint8_t kSubtitleFlagAllChars = 0x08;

// "Left", "Center" or "Right" for Align 0, 1 or 2; "Unknown" for the rest.
const char* SubtitleAlignName(uint8_t align);
// "Top", "Bottom" or "Top + All 256 chars display" for the Flags values the
// firmware is known to use; "Unknown" for the rest.
const char* SubtitleFlagsName(uint8_t flags);

inline constexpr int kSubtitleParamCount = 12;
// The bytes in the order the routine sends them: WindowId, X1 low, X1 high,
// Y1 low, Y1 high, X2 low, X2 high, Y2 low, Y2 high, Align, Flags, LineSpace.
using SubtitleParamBytes = std::array<uint8_t, kSubtitleParamCount>;

SubtitleParamBytes SubtitleParamsToBytes(const Mpeg4SubtitleParams& params);
Mpeg4SubtitleParams SubtitleParamsFromBytes(const SubtitleParamBytes& bytes);

// Indices of the parameters the routine receives in registers.
inline constexpr int kWindowIdParam = 0;  // R7
inline constexpr int kAlignParam = 9;     // R5
inline constexpr int kFlagsParam = 10;    // R3
inline constexpr int kLineSpaceParam = 11;

// One parameter load: its source (an XRAM cell address when 0x100 or more,
// else the constant of a patched load) and the offset of its first byte.
struct ParamLoad {
  uint16_t source = 0;
  int64_t position = 0;

  bool operator==(const ParamLoad&) const = default;
};

inline constexpr uint16_t kFirstXramSource = 0x100;
inline constexpr int64_t kParamLoadSize = 4;

// The parameter load of the first send step whose head lies at or after
// `pos` - 1, within the search area; nullopt when no complete step with a
// recognisable load follows.
std::optional<ParamLoad> FindNextParamLoad(ImageView image, int64_t pos);

// Rewrites the load at `position` as NOP, NOP, MOV A,#value. RangeError when
// the four bytes do not lie inside the image.
void PatchNextParamLoad(std::span<uint8_t> image, int64_t position,
                        uint8_t value);

}  // namespace orlindel
