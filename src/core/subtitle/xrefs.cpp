#include "core/subtitle/xrefs.h"

#include <algorithm>
#include <array>

#include "core/subtitle/find_bytes.h"

namespace orlindel {

XrefList FindXrefsInBank(ImageView image, int64_t routine_start) {
  const int64_t bank = BankBase(routine_start);
  const CodeAddress target = CodeAddressOf(routine_start);
  const std::array<uint8_t, 3> call = {
      0x12, static_cast<uint8_t>(target.value >> 8),
      static_cast<uint8_t>(target.value & 0xFF)};
  // A call is listed only when all three bytes lie inside the bank, so the
  // search never needs to look past the bank's end.
  const ImageView area = SearchArea(image);
  const ImageView searched = area.first(static_cast<size_t>(std::clamp<int64_t>(
      bank + kBankSize, 0, static_cast<int64_t>(area.size()))));
  XrefList xrefs;
  for (std::optional<int64_t> hit = FindBytes(searched, call, bank); hit;
       hit = FindBytes(searched, call, *hit + 1))
    xrefs.push_back(*hit);
  return xrefs;
}

}  // namespace orlindel
