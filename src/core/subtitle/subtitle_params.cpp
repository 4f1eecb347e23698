#include "core/subtitle/subtitle_params.h"

#include <algorithm>

#include "core/checks.h"
#include "core/subtitle/find_bytes.h"

namespace orlindel {

namespace {

constexpr std::array<uint8_t, 4> kStepHead = {0x90, 0xF8, 0x60, 0xE0};
constexpr std::array<uint8_t, 4> kStepTail = {0x90, 0xF8, 0x64, 0xF0};
constexpr std::array<uint8_t, 1> kMovDptr = {0x90};
constexpr std::array<uint8_t, 3> kPatchedLoad = {0x00, 0x00, 0x74};
constexpr uint8_t kMovxAFromDptr = 0xE0;

uint8_t Low(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t High(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
uint16_t Word(uint8_t low, uint8_t high) {
  return static_cast<uint16_t>(high << 8 | low);
}

}  // namespace

bool IsValidSubtitleParams(const Mpeg4SubtitleParams& p) {
  return p.window_id != 0xFF && p.x1 != 0xFFFF && p.y1 != 0xFFFF &&
         p.x2 != 0xFFFF && p.y2 != 0xFFFF && p.align != 0xFF &&
         p.flags != 0xFF && p.line_space != 0xFF;
}

const char* SubtitleAlignName(uint8_t align) {
  switch (align) {
    case kSubtitleAlignLeft:
      return "Left";
    case kSubtitleAlignCenter:
      return "Center";
    case kSubtitleAlignRight:
      return "Right";
    default:
      return "Unknown";
  }
}

const char* SubtitleFlagsName(uint8_t flags) {
  switch (flags) {
    case 0:
      return "Top";
    case kSubtitleFlagBottom:
      return "Bottom";
    case kSubtitleFlagAllChars:
      return "Top + All 256 chars display";
    default:
      return "Unknown";
  }
}

SubtitleParamBytes SubtitleParamsToBytes(const Mpeg4SubtitleParams& p) {
  return {p.window_id, Low(p.x1), High(p.x1), Low(p.y1),
          High(p.y1),  Low(p.x2), High(p.x2), Low(p.y2),
          High(p.y2),  p.align,   p.flags,    p.line_space};
}

Mpeg4SubtitleParams SubtitleParamsFromBytes(const SubtitleParamBytes& b) {
  return {b[0],
          Word(b[1], b[2]),
          Word(b[3], b[4]),
          Word(b[5], b[6]),
          Word(b[7], b[8]),
          b[9],
          b[10],
          b[11]};
}

std::optional<ParamLoad> FindNextParamLoad(ImageView image, int64_t pos) {
  const ImageView area = SearchArea(image);
  const std::optional<int64_t> head = FindBytes(area, kStepHead, pos - 1);
  if (!head) return std::nullopt;
  const std::optional<int64_t> tail = FindBytes(area, kStepTail, *head + 1);
  if (!tail) return std::nullopt;
  // Only a load that begins before the tail counts, so the searches for the
  // load need not look further; every byte tested lies inside the area.
  const ImageView step = area.first(static_cast<size_t>(*tail + 3));
  // Only the first MOV DPTR after the head can be an XRAM-form load (the
  // tail's own MOV DPTR is always found).
  const std::optional<int64_t> dptr = FindBytes(step, kMovDptr, *head + 1);
  if (dptr && *dptr < *tail &&
      step[static_cast<size_t>(*dptr + 3)] == kMovxAFromDptr)
    return ParamLoad{Word(step[static_cast<size_t>(*dptr + 2)],
                          step[static_cast<size_t>(*dptr + 1)]),
                     *dptr};
  const std::optional<int64_t> patched =
      FindBytes(step, kPatchedLoad, *head + 1);
  if (patched && *patched < *tail)
    return ParamLoad{step[static_cast<size_t>(*patched + 3)], *patched};
  return std::nullopt;
}

void PatchNextParamLoad(std::span<uint8_t> image, int64_t position,
                        uint8_t value) {
  CheckFits(image, position, kParamLoadSize);
  const auto at = image.begin() + static_cast<ptrdiff_t>(position);
  std::copy(kPatchedLoad.begin(), kPatchedLoad.end(), at);
  at[kPatchedLoad.size()] = value;
}

}  // namespace orlindel
