#include <algorithm>
#include <string_view>
#include <utility>

#include "core/checks.h"
#include "core/errors.h"
#include "core/patch/ips.h"
#include "core/patch/patch_format.h"
#include "core/text.h"

namespace orlindel {

namespace {

constexpr auto kHeaderSize = static_cast<int64_t>(kIpsMagic.size());
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

PatchError PastTheEnd(size_t size, int64_t offset, int64_t image_length) {
  return PatchError(
      Format("The patch reaches past the end of the image: %zu bytes at "
             "0x%.6llX, but the image is 0x%llX bytes long",
             size, static_cast<unsigned long long>(offset),
             static_cast<unsigned long long>(image_length)));
}

// A record as the patch holds it: a run not yet expanded.
struct StoredRecord {
  int64_t offset = 0;
  uint32_t size = 0;
  bool run = false;
  uint8_t value = 0;              // of a run
  std::span<const uint8_t> data;  // of any other record
};

// Reads every record of `patch` in order and hands it to `visit`; throws
// PatchError for a malformed patch once reading reaches the fault.
template <typename Visit>
void ReadRecords(std::span<const uint8_t> patch, Visit visit) {
  PatchReader reader(patch);
  if (!reader.StartsWith(kIpsMagic))
    throw PatchError("Not an IPS patch: it does not begin with \"PATCH\"");
  reader.Take(kHeaderSize);
  while (!reader.StartsWith("EOF")) {
    const int64_t at = reader.position();
    if (reader.remaining() == 0)
      throw PatchError("The patch ends without \"EOF\"");
    if (reader.remaining() < kRecordHeaderSize) throw Truncated(at);
    StoredRecord record;
    record.offset = reader.BigEndian(3);
    record.size = reader.BigEndian(2);
    record.run = record.size == 0;
    if (record.run) {
      if (reader.remaining() < kRunHeaderSize) throw Truncated(at);
      record.size = reader.BigEndian(2);
      record.value = static_cast<uint8_t>(reader.BigEndian(1));
    } else {
      if (reader.remaining() < record.size) throw Truncated(at);
      record.data = reader.Take(record.size);
    }
    visit(record);
  }
  reader.Take(3);
  // A trailing 3-byte length would truncate the image: nothing after "EOF"
  // is taken on trust.
  if (reader.remaining() != 0)
    throw PatchError(Format("The patch has %lld bytes after \"EOF\"",
                            static_cast<long long>(reader.remaining())));
}

}  // namespace

std::vector<IpsRecord> ParseIps(std::span<const uint8_t> patch) {
  return ParseIps(patch, kMaxImageSize);
}

std::vector<IpsRecord> ParseIps(std::span<const uint8_t> patch,
                                int64_t image_length) {
  // Run-length records let eight bytes of patch stand for 64 KiB each, so
  // the whole patch is checked before any record is expanded: each record
  // against the image, the data of all of them against the largest image.
  int64_t total = 0;
  size_t count = 0;
  ReadRecords(patch, [&](const StoredRecord& record) {
    if (record.offset + record.size > image_length)
      throw PastTheEnd(record.size, record.offset, image_length);
    total += record.size;
    if (total > kMaxImageSize)
      throw PatchError(Format(
          "The patch writes more than %lld MiB in all, more than an image "
          "may have",
          static_cast<long long>(kMaxImageSize >> 20)));
    ++count;
  });

  std::vector<IpsRecord> records;
  records.reserve(count);
  ReadRecords(patch, [&](const StoredRecord& record) {
    IpsRecord& added = records.emplace_back();
    added.offset = record.offset;
    if (record.run) {
      added.data.assign(record.size, record.value);
    } else {
      added.data.assign(record.data.begin(), record.data.end());
    }
  });
  return records;
}

FirmwareImage ApplyIpsRecords(ImageView image,
                              std::span<const IpsRecord> records) {
  // Every record is checked before the first one is written.
  for (const IpsRecord& record : records) {
    if (!FitsInside(image, record.offset, std::ssize(record.data)))
      throw PastTheEnd(record.data.size(), record.offset, std::ssize(image));
  }
  FirmwareImage patched(image.begin(), image.end());
  for (const IpsRecord& record : records)
    std::copy(record.data.begin(), record.data.end(),
              patched.begin() + record.offset);
  return patched;
}

FirmwareImage ApplyIps(ImageView image, std::span<const uint8_t> patch) {
  return ApplyIpsRecords(image, ParseIps(patch, std::ssize(image)));
}

}  // namespace orlindel
