#include <algorithm>
#include <iterator>
#include <utility>

#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/patch/ips.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr uint8_t kFooter[] = {'E', 'O', 'F'};

void CheckRecord(const IpsRecord& record) {
  if (record.offset < 0 || record.offset > kIpsMaxOffset)
    throw PatchError(Format(
        "An IPS patch cannot hold the change at 0x%.6llX: its records start "
        "at offsets up to 0xFFFFFF",
        static_cast<unsigned long long>(record.offset)));
  if (record.offset == kIpsEofOffset || record.data.empty() ||
      std::ssize(record.data) > kIpsMaxRecordSize)
    throw PatchError(Format("An IPS record cannot hold %zu bytes at 0x%.6llX",
                            record.data.size(),
                            static_cast<unsigned long long>(record.offset)));
}

}  // namespace

std::vector<IpsRecord> PlanIpsRecords(ImageView before, ImageView after) {
  std::vector<IpsRecord> records;
  for (const ByteEdit& run : DiffImages(before, after)) {
    const int64_t end = run.offset + run.length();
    for (int64_t pos = run.offset; pos < end;) {
      // The byte in front is taken along (unchanged, or already written by
      // the record before); the run is then at least two bytes long.
      const int64_t start = pos == kIpsEofOffset ? pos - 1 : pos;
      const int64_t size = std::min(end - start, kIpsMaxRecordSize);
      IpsRecord record{start,
                       {after.begin() + start, after.begin() + start + size}};
      CheckRecord(record);
      records.push_back(std::move(record));
      pos = start + size;
    }
  }
  return records;
}

std::vector<uint8_t> EncodeIps(std::span<const IpsRecord> records) {
  std::vector<uint8_t> patch(kIpsMagic.begin(), kIpsMagic.end());
  for (const IpsRecord& record : records) {
    CheckRecord(record);
    const auto offset = static_cast<uint32_t>(record.offset);
    const auto size = static_cast<uint32_t>(record.data.size());
    patch.insert(
        patch.end(),
        {static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 8),
         static_cast<uint8_t>(offset), static_cast<uint8_t>(size >> 8),
         static_cast<uint8_t>(size)});
    patch.insert(patch.end(), record.data.begin(), record.data.end());
  }
  patch.insert(patch.end(), std::begin(kFooter), std::end(kFooter));
  return patch;
}

std::vector<uint8_t> WriteIps(ImageView before, ImageView after) {
  return EncodeIps(PlanIpsRecords(before, after));
}

}  // namespace orlindel
