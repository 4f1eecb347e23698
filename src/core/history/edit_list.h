// One change of the image as a byte range with the bytes before and after it,
// so that any edit can be undone and redone exactly. An editor action is an
// EditList: its writes in the order they were made, the checksum word last.
#pragma once

#include <cstdint>
#include <iterator>
#include <vector>

namespace orlindel {

struct ByteEdit {
  int64_t offset = 0;
  std::vector<uint8_t> old_bytes;
  std::vector<uint8_t> new_bytes;  // as long as old_bytes

  int64_t length() const { return std::ssize(new_bytes); }
  bool operator==(const ByteEdit&) const = default;
};

using EditList = std::vector<ByteEdit>;

}  // namespace orlindel
