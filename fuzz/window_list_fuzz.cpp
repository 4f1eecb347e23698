// The window list search on arbitrary bytes: it may only find nothing, find a
// table whose every record lies inside the image, or stop with a range error;
// taking its candidates from the shared scan it ends exactly alike.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "core/errors.h"
#include "core/image_scan.h"
#include "core/window_list.h"

namespace {

// The search's result, or none for a range error.
template <typename Search>
std::optional<orlindel::WindowListInfo> Outcome(Search search) {
  try {
    return search();
  } catch (const orlindel::RangeError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  const ImageView image(data, size);
  const auto alone = Outcome([&] { return FindWindowList(image); });
  const auto fused =
      Outcome([&] { return FindWindowList(image, ImageScan(image)); });
  if (alone.has_value() != fused.has_value()) std::abort();
  if (!alone) return 0;
  if (alone->offset != fused->offset || alone->count != fused->count)
    std::abort();
  const WindowListInfo list = *alone;
  if (list.count == 0) return 0;
  if (list.count < WListMinIndex + 1 || list.count > WListMaxIndex + 1)
    std::abort();
  try {
    for (int n = 0; n < list.count; ++n) {
      const int64_t record = WindowRecordOffset(image, list, n);
      if (!IsValidWindowRecord(n, ReadWindowRecordAt(image, record)))
        std::abort();
    }
  } catch (const RangeError&) {
  }
  return 0;
}
