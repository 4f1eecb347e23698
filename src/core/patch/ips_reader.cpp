#include <algorithm>
#include <string_view>
#include <utility>

#include "core/checks.h"
#include "core/errors.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr int64_t kHeaderSize = 5;
constexpr int64_t kRecordHeaderSize = 5;  // offset and size
constexpr int64_t kRunHeaderSize = 3;     // count and value

// Reads the patch front to back; every read is checked against its end.
class PatchReader {
 public:
  explicit PatchReader(std::span<const uint8_t> patch) : patch_(patch) {}

  int64_t position() const { return position_; }
  int64_t remaining() const { return std::ssize(patch_) - position_; }
  bool StartsWith(std::string_view text) const {
    return remaining() >= std::ssize(text) &&
           std::equal(text.begin(), text.end(), patch_.begin() + position_);
  }
  uint32_t BigEndian(int count) {
    uint32_t value = 0;
    for (int k = 0; k < count; ++k)
      value = value << 8 | ByteAt(patch_, position_++);
    return value;
  }
  std::span<const uint8_t> Take(int64_t count) {
    if (count < 0 || count > remaining()) throw RangeError();
    const auto bytes = patch_.subspan(static_cast<size_t>(position_),
                                      static_cast<size_t>(count));
    position_ += count;
    return bytes;
  }

 private:
  std::span<const uint8_t> patch_;
  int64_t position_ = 0;
};

PatchError Truncated(int64_t record_position) {
  return PatchError(
      Format("The patch is truncated: the record at patch offset %lld is "
             "incomplete",
             static_cast<long long>(record_position)));
}

}  // namespace

std::vector<IpsRecord> ParseIps(std::span<const uint8_t> patch) {
  PatchReader reader(patch);
  if (!reader.StartsWith("PATCH"))
    throw PatchError("Not an IPS patch: it does not begin with \"PATCH\"");
  reader.Take(kHeaderSize);

  std::vector<IpsRecord> records;
  while (!reader.StartsWith("EOF")) {
    const int64_t at = reader.position();
    if (reader.remaining() == 0)
      throw PatchError("The patch ends without \"EOF\"");
    if (reader.remaining() < kRecordHeaderSize) throw Truncated(at);
    IpsRecord record;
    record.offset = reader.BigEndian(3);
    const uint32_t size = reader.BigEndian(2);
    if (size == 0) {
      if (reader.remaining() < kRunHeaderSize) throw Truncated(at);
      const uint32_t count = reader.BigEndian(2);
      record.data.assign(count, static_cast<uint8_t>(reader.BigEndian(1)));
    } else {
      if (reader.remaining() < size) throw Truncated(at);
      const auto data = reader.Take(size);
      record.data.assign(data.begin(), data.end());
    }
    records.push_back(std::move(record));
  }
  reader.Take(3);
  // A trailing 3-byte length would truncate the image: nothing after "EOF"
  // is taken on trust.
  if (reader.remaining() != 0)
    throw PatchError(Format("The patch has %lld bytes after \"EOF\"",
                            static_cast<long long>(reader.remaining())));
  return records;
}

FirmwareImage ApplyIpsRecords(ImageView image,
                              std::span<const IpsRecord> records) {
  // Every record is checked before the first one is written.
  for (const IpsRecord& record : records) {
    if (!FitsInside(image, record.offset, std::ssize(record.data)))
      throw PatchError(
          Format("The patch reaches past the end of the image: %zu bytes at "
                 "0x%.6llX, but the image is 0x%zX bytes long",
                 record.data.size(),
                 static_cast<unsigned long long>(record.offset), image.size()));
  }
  FirmwareImage patched(image.begin(), image.end());
  for (const IpsRecord& record : records)
    std::copy(record.data.begin(), record.data.end(),
              patched.begin() + record.offset);
  return patched;
}

FirmwareImage ApplyIps(ImageView image, std::span<const uint8_t> patch) {
  return ApplyIpsRecords(image, ParseIps(patch));
}

}  // namespace orlindel
