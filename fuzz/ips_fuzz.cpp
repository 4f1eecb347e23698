// IPS patches and change labels on arbitrary bytes. The input is a 2-byte
// big-endian image length, the image, then the patch. Applying may only
// refuse with a patch error; a patched image keeps its length, and the patch
// written back from it reproduces it. Labelling never fails and gives every
// changed range at least one label.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/errors.h"
#include "core/history/labelled_changes.h"
#include "core/patch/ips.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  // One model for every input: the labelling never depends on what an
  // earlier trace left in it.
  static TraceModel model;
  if (size < 2) return 0;
  const std::span<const uint8_t> input(data, size);
  const size_t wanted = size_t{input[0]} << 8 | input[1];
  const size_t length = std::min(wanted, size - 2);
  const ImageView image = input.subspan(2, length);
  const std::span<const uint8_t> patch = input.subspan(2 + length);

  FirmwareImage patched;
  try {
    patched = ApplyIps(image, patch);
  } catch (const PatchError&) {
    return 0;
  }
  if (patched.size() != image.size()) std::abort();
  if (ApplyIps(image, WriteIps(image, patched)) != patched) std::abort();

  const ChangeLabeller labeller(model, image);
  for (const LabelledChange& change :
       ListChanges(labeller, image, patched).listed)
    if (change.labels.empty()) std::abort();
  return 0;
}
