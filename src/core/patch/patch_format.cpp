#include "core/patch/patch_format.h"

#include <algorithm>

#include "core/errors.h"

namespace orlindel {

PatchFormat PatchFormatOf(std::span<const uint8_t> patch) {
  const auto starts_with = [patch](std::string_view magic) {
    return patch.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), patch.begin());
  };
  if (starts_with(kIpsMagic)) return PatchFormat::kIps;
  if (starts_with(kBpsMagic)) return PatchFormat::kBps;
  throw PatchError(
      "Not a patch: it begins with neither \"PATCH\" (IPS) nor \"BPS1\" "
      "(BPS)");
}

}  // namespace orlindel
