// The window list search on arbitrary bytes: it may only find nothing, find a
// table whose every record lies inside the image, or stop with a range error.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/errors.h"
#include "core/window_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  const ImageView image(data, size);
  try {
    const WindowListInfo list = FindWindowList(image);
    if (list.count == 0) return 0;
    if (list.count < WListMinIndex + 1 || list.count > WListMaxIndex + 1)
      std::abort();
    for (int n = 0; n < list.count; ++n) {
      const int64_t record = WindowRecordOffset(image, list, n);
      if (!IsValidWindowRecord(n, ReadWindowRecordAt(image, record)))
        std::abort();
    }
  } catch (const RangeError&) {
  }
  return 0;
}
