#include "core/firmware_image.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "core/checks.h"
#include "core/errors.h"

namespace orlindel {

namespace {

constexpr int64_t kHeaderLengthOffset = 0x200;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

uint32_t WordAt(ImageView image, size_t index) {
  uint32_t word = 0;
  for (size_t k = 0; k < 4; ++k)
    word |= static_cast<uint32_t>(image[4 * index + k]) << (8 * k);
  return word;
}

// XOR of the first `count` little-endian words. On a little-endian host the
// words are folded eight bytes at a time.
uint32_t XorOfWords(ImageView image, size_t count) {
  uint32_t acc = 0;
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t wide = 0;
    for (; i + 2 <= count; i += 2) {
      uint64_t pair;
      std::memcpy(&pair, image.data() + 4 * i, sizeof pair);
      wide ^= pair;
    }
    acc = static_cast<uint32_t>(wide) ^ static_cast<uint32_t>(wide >> 32);
  }
  for (; i < count; ++i) acc ^= WordAt(image, i);
  return acc;
}

// Creates `path` afresh and writes `bytes` in one request; returns 0 or the
// system's error number. `opened` tells whether the file was opened for
// writing, so that a caller removes only a file this write made.
int WriteWholeFile(const std::string& path, ImageView bytes, bool& opened) {
  FileHandle file(std::fopen(path.c_str(), "wb"));
  opened = file != nullptr;
  if (!file) return errno;
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  const int write_error = written != bytes.size() ? errno : 0;
  const bool closed = std::fclose(file.release()) == 0;
  if (written != bytes.size()) return write_error != 0 ? write_error : EIO;
  return closed ? 0 : errno;
}

}  // namespace

void WriteBE16(std::span<uint8_t> image, int64_t offset, int64_t value) {
  if (value < 0 || value > 0xFFFF || !FitsInside(image, offset, 2))
    throw RangeError();
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
  const uint32_t checksum = XorOfWords(image, words - 1);
  for (size_t k = 0; k < 4; ++k)
    image[4 * (words - 1) + k] = static_cast<uint8_t>(checksum >> (8 * k));
}

bool IsImageChecksumValid(ImageView image) {
  const size_t words = image.size() / 4;
  return words > 0 && XorOfWords(image, words) == 0;
}

FirmwareImage LoadFirmwareFile(const std::string& path) {
  FirmwareImage image = LoadWholeFile(path);
  if (image.empty()) throw RangeError();
  return image;
}

std::vector<uint8_t> LoadWholeFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) throw FileError(FileError::Kind::kOpen, path, error.message());
  if (fs::is_directory(status))
    throw FileError(FileError::Kind::kOpen, path, SystemReason(EISDIR));
  if (!fs::is_regular_file(status))
    throw FileError(FileError::Kind::kOpen, path, "Not a regular file");

  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) throw FileError(FileError::Kind::kOpen, path, SystemReason(errno));
  const uintmax_t size = fs::file_size(path, error);
  if (error) throw FileError(FileError::Kind::kOpen, path, error.message());
  if (size > static_cast<uintmax_t>(std::numeric_limits<int32_t>::max()))
    throw FileError(FileError::Kind::kOpen, path, SystemReason(EFBIG));

  std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
  const size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (read != bytes.size()) {
    const int reason = std::ferror(file.get()) ? errno : 0;
    throw FileError(FileError::Kind::kOpen, path,
                    reason != 0
                        ? SystemReason(reason)
                        : "The file ended before its full size was read");
  }
  return bytes;
}

void SaveFirmwareFile(const std::string& path, FirmwareImage& image) {
  FixImageChecksum(image);
  SaveWholeFile(path, image);
}

void SaveWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  namespace fs = std::filesystem;
  // A regular file (or a new one) is written beside its final name and moved
  // into place only when complete, so a failed save never leaves the chosen
  // file truncated. A device or other special file is written directly.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  const bool in_place = fs::exists(status) && !fs::is_regular_file(status);
  const std::string written_path = in_place ? path : path + ".orlindel-tmp";
  bool opened = false;
  const int reason = WriteWholeFile(written_path, bytes, opened);
  if (reason != 0) {
    // Whatever stands under the temporary name and could not be opened (a
    // folder, a file of someone else's) is not ours to remove.
    if (!in_place && opened) fs::remove(written_path, error);
    throw FileError(FileError::Kind::kCreate, path, SystemReason(reason));
  }
  if (!in_place) {
    fs::rename(written_path, path, error);
    if (error) {
      fs::remove(written_path, error);
      throw FileError(FileError::Kind::kCreate, path, error.message());
    }
  }
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
