// The OSD message position list search on arbitrary bytes, for every highest
// window id the first byte picks; taking its candidates from the shared scan
// it ends exactly alike.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "core/errors.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"

namespace {

// The search's result, or none for a range error.
template <typename Search>
std::optional<orlindel::OsdPosListInfo> Outcome(Search search) {
  try {
    return search();
  } catch (const orlindel::RangeError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  if (size == 0) return 0;
  const int max_window_id = static_cast<int>(data[0]) - 1;
  const ImageView image(data + 1, size - 1);
  const auto alone =
      Outcome([&] { return FindOsdPosList(image, max_window_id); });
  const auto fused = Outcome(
      [&] { return FindOsdPosList(image, max_window_id, ImageScan(image)); });
  if (alone.has_value() != fused.has_value()) std::abort();
  if (!alone) return 0;
  if (alone->offset != fused->offset || alone->count != fused->count)
    std::abort();
  const OsdPosListInfo list = *alone;
  if ((list.count == 0) != (list.offset == -1)) std::abort();
  if (list.count != 0 && list.count < 3) std::abort();
  try {
    for (int g = 0; g < list.count; ++g) ReadOsdPosGroup(image, list.offset, g);
  } catch (const RangeError&) {
  }
  return 0;
}
