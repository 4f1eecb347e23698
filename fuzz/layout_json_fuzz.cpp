// Layout documents from arbitrary text. Reading may only refuse with a
// layout error; a layout read is written back and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.h"
#include "core/layout/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlindel;
  Layout layout;
  try {
    layout = LayoutFromJson(
        std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const LayoutError&) {
    return 0;
  }
  if (LayoutFromJson(LayoutToJson(layout)) != layout) std::abort();
  return 0;
}
