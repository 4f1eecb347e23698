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

PatchError PastTheEnd(int64_t size, int64_t offset, int64_t image_length) {
  return PatchError(Format(
      "The patch reaches past the end of the image: %lld bytes at "
      "0x%.6llX, but the image is 0x%llX bytes long",
      static_cast<long long>(size), static_cast<unsigned long long>(offset),
      static_cast<unsigned long long>(image_length)));
}

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
    IpsRecord record;
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

int64_t ReadIpsRecords(std::span<const uint8_t> patch, int64_t image_length,
                       const std::function<void(const IpsRecord&)>& visit) {
  // Run-length records let eight bytes of patch stand for 64 KiB each, so
  // the whole patch is checked before any record is visited: each record
  // against the image, the data of all of them against the largest image.
  int64_t total = 0;
  int64_t count = 0;
  ReadRecords(patch, [&](const IpsRecord& record) {
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
  if (visit) ReadRecords(patch, visit);
  return count;
}

int64_t ApplyIpsInPlace(std::span<uint8_t> image,
                        std::span<const uint8_t> patch) {
  return ReadIpsRecords(
      patch, std::ssize(image), [image](const IpsRecord& record) {
        const auto at = image.begin() + record.offset;
        if (record.run)
          std::fill_n(at, record.size, record.value);
        else
          std::copy(record.data.begin(), record.data.end(), at);
      });
}

FirmwareImage ApplyIps(ImageView image, std::span<const uint8_t> patch) {
  FirmwareImage patched(image.begin(), image.end());
  ApplyIpsInPlace(patched, patch);
  return patched;
}

}  // namespace orlindel
