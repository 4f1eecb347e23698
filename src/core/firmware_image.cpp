#include "core/firmware_image.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/checks.h"
#include "core/errors.h"
#include "core/io/bounded_read.h"
#include "core/io/safe_write.h"

namespace orlindel {

namespace {

constexpr int64_t kHeaderLengthOffset = 0x200;

uint32_t WordAt(ImageView image, size_t index) {
  uint32_t word = 0;
  for (size_t k = 0; k < 4; ++k)
    word |= static_cast<uint32_t>(image[4 * index + k]) << (8 * k);
  return word;
}

// XOR of the little-endian words first .. end - 1. On a little-endian host
// the words are folded eight bytes at a time.
uint32_t XorOfWords(ImageView image, size_t first, size_t end) {
  uint32_t acc = 0;
  size_t i = first;
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t wide = 0;
    for (; i + 2 <= end; i += 2) {
      uint64_t pair;
      std::memcpy(&pair, image.data() + 4 * i, sizeof pair);
      wide ^= pair;
    }
    acc = static_cast<uint32_t>(wide) ^ static_cast<uint32_t>(wide >> 32);
  }
  for (; i < end; ++i) acc ^= WordAt(image, i);
  return acc;
}

}  // namespace

FirmwareImage RefuseEmpty(FirmwareImage image, const std::string& name) {
  if (image.empty())
    throw FileError(FileError::Kind::kOpen, name, "The file is empty");
  return image;
}

void WriteBE16(std::span<uint8_t> image, int64_t offset, int64_t value) {
  CheckInRange(value, 0, 0xFFFF);
  CheckFits(image, offset, 2);
  image[static_cast<size_t>(offset)] = static_cast<uint8_t>(value >> 8);
  image[static_cast<size_t>(offset) + 1] = static_cast<uint8_t>(value & 0xFF);
}

uint32_t ReadHeaderLength(ImageView image) {
  if (!FitsInside(image, kHeaderLengthOffset, 3)) return 0;
  return static_cast<uint32_t>(image[kHeaderLengthOffset]) |
         static_cast<uint32_t>(image[kHeaderLengthOffset + 1]) << 8 |
         static_cast<uint32_t>(image[kHeaderLengthOffset + 2]) << 16;
}

int64_t SearchAreaLength(ImageView image) {
  const int64_t header_length = ReadHeaderLength(image);
  const auto length = static_cast<int64_t>(image.size());
  return header_length < length ? header_length : length;
}

int64_t TableScanLimit(ImageView image) {
  const int64_t header_length = ReadHeaderLength(image);
  const auto length = static_cast<int64_t>(image.size());
  return header_length < length ? header_length : length - 1;
}

void FixImageChecksum(std::span<uint8_t> image) {
  const size_t words = image.size() / 4;
  if (words == 0) throw RangeError();
  // A single word would have to hold the XOR of itself: it stays as it is.
  if (words == 1) return;
  const uint32_t checksum = XorOfWords(image, 0, words - 1);
  for (size_t k = 0; k < 4; ++k)
    image[4 * (words - 1) + k] = static_cast<uint8_t>(checksum >> (8 * k));
}

bool IsImageChecksumValid(ImageView image) {
  const size_t words = image.size() / 4;
  return words > 0 && XorOfWords(image, 0, words) == 0;
}

uint32_t XorOfWordsFrom(ImageView image, size_t first) {
  const size_t words = image.size() / 4;
  return first < words ? XorOfWords(image, first, words) : 0;
}

FirmwareImage LoadFirmwareFile(const std::string& path) {
  return RefuseEmpty(LoadWholeFile(path), path);
}

io::FileBytes LoadWholeFile(const std::string& path) {
  return io::ReadWholeFile(path, kMaxImageSize);
}

std::string SaveFirmwareFile(const std::string& path, FirmwareImage& image) {
  FixImageChecksum(image);
  return SaveWholeFile(path, image);
}

std::string SaveWholeFile(const std::string& path,
                          std::span<const uint8_t> bytes) {
  return io::WriteFileSafely(path, bytes);
}

std::string SuggestedSaveName(const std::string& path) {
  const size_t delimiter = path.find_last_of("\\:/");
  const size_t dot = path.rfind('.');
  const bool has_extension =
      dot != std::string::npos &&
      (delimiter == std::string::npos || dot > delimiter);
  return (has_extension ? path.substr(0, dot) : path) + "-mod.bin";
}

}  // namespace orlindel
