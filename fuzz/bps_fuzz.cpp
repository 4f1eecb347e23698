// BPS patches on arbitrary bytes. The input is a mode byte, a 2-byte
// big-endian source length, the source, then the patch. With bit 0 of the
// mode set, the patch's source CRC and its own CRC are filled in, so the
// actions are reached instead of the CRC checks refusing nearly every input.
// Applying may only refuse with a patch error; a built target matches the
// size the patch declares, a patch made from source to target reproduces it,
// and applying in place gives the same target and undoes exactly.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/errors.h"
#include "core/firmware_document.h"
#include "core/patch/bps.h"

namespace {

void Append32(std::vector<uint8_t>& bytes, uLong value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<uint8_t>(value >> shift));
}

uLong Crc(std::span<const uint8_t> bytes) {
  return crc32(0L, bytes.data(), static_cast<uInt>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  if (size < 3) return 0;
  const std::span<const uint8_t> input(data, size);
  const bool fill_crcs = (input[0] & 1) != 0;
  const size_t wanted = size_t{input[1]} << 8 | input[2];
  const size_t length = std::min(wanted, size - 3);
  const ImageView source = input.subspan(3, length);
  std::vector<uint8_t> patch(input.begin() + 3 + static_cast<ptrdiff_t>(length),
                             input.end());
  if (fill_crcs && patch.size() >= 8) {
    // The body, the source's CRC, the target CRC as given, the patch's CRC.
    const std::vector<uint8_t> target_crc(patch.end() - 4, patch.end());
    patch.resize(patch.size() - 8);
    Append32(patch, Crc(source));
    patch.insert(patch.end(), target_crc.begin(), target_crc.end());
    Append32(patch, Crc(patch));
  }

  FirmwareImage target;
  try {
    target = ApplyBpsPatch(source, patch);
  } catch (const PatchError&) {
    return 0;
  }
  if (ReadBpsHeader(patch).target_size != target.size()) std::abort();
  if (ApplyBpsPatch(source, MakeBpsPatch(source, target)) != target)
    std::abort();

  FirmwareDocument document(FirmwareImage(source.begin(), source.end()));
  try {
    const EditList edits = document.ApplyPatch(patch);
    if (document.image() != target) std::abort();
    FirmwareImage image = document.image();
    UndoEdits(image, edits);
    if (!std::equal(image.begin(), image.end(), source.begin(), source.end()))
      std::abort();
  } catch (const PatchError&) {
    // Only a change of length is refused here.
    if (target.size() == source.size()) std::abort();
  }
  return 0;
}
