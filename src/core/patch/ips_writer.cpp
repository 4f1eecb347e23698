#include <algorithm>
#include <iterator>

#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/patch/ips.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr uint8_t kFooter[] = {'E', 'O', 'F'};
constexpr int64_t kRecordHeaderSize = 5;  // offset and size

// Calls `record(start, size)` for each record that turns `before` into
// `after`, in offset order: one per changed run, split at
// kIpsMaxRecordSize, none starting at kIpsEofOffset.
template <typename Record>
void PlanRecords(ImageView before, ImageView after, Record record) {
  VisitImageDifferences(before, after, [&](const DiffRun& run) {
    const int64_t end = run.offset + std::ssize(run.after);
    for (int64_t pos = run.offset; pos < end;) {
      // The byte in front is taken along (unchanged, or already written by
      // the record before); the run is then at least two bytes long.
      const int64_t start = pos == kIpsEofOffset ? pos - 1 : pos;
      if (start > kIpsMaxOffset)
        throw PatchError(Format(
            "An IPS patch cannot hold the change at 0x%.6llX: its records "
            "start at offsets up to 0xFFFFFF",
            static_cast<unsigned long long>(start)));
      const int64_t size = std::min(end - start, kIpsMaxRecordSize);
      record(start, size);
      pos = start + size;
    }
  });
}

}  // namespace

std::vector<uint8_t> WriteIps(ImageView before, ImageView after) {
  // The records are planned twice, once to size the patch and once to write
  // it: comparing is cheap, and the patch never grows by copying.
  int64_t size = std::ssize(kIpsMagic) + std::ssize(kFooter);
  PlanRecords(before, after, [&size](int64_t /*start*/, int64_t length) {
    size += kRecordHeaderSize + length;
  });
  std::vector<uint8_t> patch;
  patch.reserve(static_cast<size_t>(size));
  patch.assign(kIpsMagic.begin(), kIpsMagic.end());
  PlanRecords(before, after, [&](int64_t start, int64_t length) {
    const auto offset = static_cast<uint32_t>(start);
    const auto count = static_cast<uint32_t>(length);
    patch.insert(
        patch.end(),
        {static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 8),
         static_cast<uint8_t>(offset), static_cast<uint8_t>(count >> 8),
         static_cast<uint8_t>(count)});
    const auto data =
        after.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
    patch.insert(patch.end(), data.begin(), data.end());
  });
  patch.insert(patch.end(), std::begin(kFooter), std::end(kFooter));
  return patch;
}

}  // namespace orlindel
