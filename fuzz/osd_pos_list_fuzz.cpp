// The OSD message position list search on arbitrary bytes, for every highest
// window id the first byte picks.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/errors.h"
#include "core/osd_pos_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  if (size == 0) return 0;
  const int max_window_id = static_cast<int>(data[0]) - 1;
  const ImageView image(data + 1, size - 1);
  try {
    const OsdPosListInfo list = FindOsdPosList(image, max_window_id);
    if ((list.count == 0) != (list.offset == -1)) std::abort();
    if (list.count != 0 && list.count < 3) std::abort();
    for (int g = 0; g < list.count; ++g) ReadOsdPosGroup(image, list.offset, g);
  } catch (const RangeError&) {
  }
  return 0;
}
