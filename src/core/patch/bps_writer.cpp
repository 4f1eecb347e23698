#include <algorithm>
#include <iterator>

#include "core/errors.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr uint64_t kSourceRead = 0;
constexpr uint64_t kTargetRead = 1;

void AppendNumber(std::vector<uint8_t>& patch, uint64_t value) {
  const std::vector<uint8_t> bytes = EncodeBpsNumber(value);
  patch.insert(patch.end(), bytes.begin(), bytes.end());
}

void AppendLittleEndian32(std::vector<uint8_t>& patch, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    patch.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

std::vector<uint8_t> MakeBpsPatch(ImageView source, ImageView target) {
  if (std::ssize(target) > kMaxImageSize)
    throw PatchError(Format(
        "A patch cannot make a file of %zu bytes: an image has at most 64 MiB",
        target.size()));
  std::vector<uint8_t> patch(kBpsMagic.begin(), kBpsMagic.end());
  AppendNumber(patch, source.size());
  AppendNumber(patch, target.size());
  AppendNumber(patch, 0);  // no metadata

  const auto same = [&](size_t at) {
    return at < source.size() && source[at] == target[at];
  };
  for (size_t start = 0; start < target.size();) {
    const bool kept = same(start);
    size_t end = start + 1;
    while (end < target.size() && same(end) == kept) ++end;
    const uint64_t length = end - start;
    AppendNumber(patch, (length - 1) << 2 | (kept ? kSourceRead : kTargetRead));
    if (!kept)
      patch.insert(patch.end(), target.begin() + static_cast<ptrdiff_t>(start),
                   target.begin() + static_cast<ptrdiff_t>(end));
    start = end;
  }

  AppendLittleEndian32(patch, Crc32(source));
  AppendLittleEndian32(patch, Crc32(target));
  AppendLittleEndian32(patch, Crc32(patch));
  return patch;
}

}  // namespace orlindel
