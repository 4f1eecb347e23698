// The in-memory firmware image and the conventions every search relies on:
// banks, big-endian fields, the header length and the image checksum.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/checks.h"
#include "core/errors.h"
#include "core/io/file_bytes.h"

namespace orlindel {

// The loaded file, byte for byte; its length is exactly the file's size.
using FirmwareImage = io::FileBytes;
using ImageView = std::span<const uint8_t>;

inline constexpr int64_t kBankSize = 0x10000;

// The 64 KiB bank that holds `offset`.
constexpr int64_t BankOf(int64_t offset) { return offset >> 16; }
// The image offset at which the bank holding `offset` starts.
constexpr int64_t BankBase(int64_t offset) { return offset & 0xFF0000; }

// The big-endian 16-bit field at `offset`; RangeError outside the image.
inline uint16_t ReadBE16(ImageView image, int64_t offset) {
  CheckFits(image, offset, 2);
  const auto at = static_cast<size_t>(offset);
  return static_cast<uint16_t>(image[at] << 8 | image[at + 1]);
}

// Where image offsets meet the 8051's own units: a bank number as a stored
// structure holds it (one byte), and a 16-bit code address inside a bank.
// They reach an image offset only through ImageOffsetOf.
struct Bank {
  uint8_t number = 0;
  bool operator==(const Bank&) const = default;
};
struct CodeAddress {
  uint16_t value = 0;
  bool operator==(const CodeAddress&) const = default;
};

// The image offset that `address` names inside `bank`.
constexpr int64_t ImageOffsetOf(Bank bank, CodeAddress address) {
  return int64_t{bank.number} * kBankSize + address.value;
}
// The code address of `offset` inside its bank.
constexpr CodeAddress CodeAddressOf(int64_t offset) {
  return {static_cast<uint16_t>(offset & 0xFFFF)};
}
// The big-endian code address (of a CodePointer or an LCALL) at `offset`;
// RangeError outside the image.
inline CodeAddress ReadCodeAddress(ImageView image, int64_t offset) {
  return {ReadBE16(image, offset)};
}
// Stores `value` high byte first; RangeError when `value` exceeds 0xFFFF or
// the field lies outside the image.
void WriteBE16(std::span<uint8_t> image, int64_t offset, int64_t value);

// The 24-bit little-endian header length at 0x200..0x202. An image too short
// to hold the field has header length 0, so no search looks into it.
uint32_t ReadHeaderLength(ImageView image);

// The number of bytes the structure searches cover: the header length when it
// is smaller than the image, else the whole image.
int64_t SearchAreaLength(ImageView image);

// Stores the XOR of all whole little-endian words but the last into the last
// whole word. RangeError for an image shorter than 4 bytes.
void FixImageChecksum(std::span<uint8_t> image);
// True when all whole little-endian words XOR to zero (false under 4 bytes).
bool IsImageChecksumValid(ImageView image);
// The XOR of the whole little-endian words from word `first` (0 past the
// last whole word).
uint32_t XorOfWordsFrom(ImageView image, size_t first);

// The most bytes an image (or a patch) may have; a larger file is refused
// before it is read.
inline constexpr int64_t kMaxImageSize = int64_t{64} << 20;

// Reads the whole file. Throws FileError (open) when the file cannot be opened
// or read completely, is larger than kMaxImageSize or empty ("The file is
// empty"), and OutOfMemoryError when it does not fit in memory.
FirmwareImage LoadFirmwareFile(const std::string& path);
// Reads the whole file, which may be empty. Throws FileError (open) and
// OutOfMemoryError as LoadFirmwareFile does.
io::FileBytes LoadWholeFile(const std::string& path);
// `image` as it is; FileError (open) "The file is empty" naming `name` when
// it holds no byte, as every load of an image refuses an empty one.
FirmwareImage RefuseEmpty(FirmwareImage image, const std::string& name);
// The end bound of the table scans: the header length when it is smaller than
// the image, else the image's last offset (length - 1).
int64_t TableScanLimit(ImageView image);

// Fixes the checksum of `image`, then writes it whole to the file at `path`
// as io::WriteFileSafely does: an existing regular file there is replaced only
// once the new contents are completely on the disk. Throws FileError (create)
// when the file cannot be created or written, or is read-only; the file at
// `path` is then left as it was. Returns the sentence saying what the
// replaced file could not keep (its owner, group, attributes, hard links),
// empty when it kept everything.
std::string SaveFirmwareFile(const std::string& path, FirmwareImage& image);
// Writes `bytes` to the file at `path` exactly as they are (no checksum fix),
// replacing an existing file only once the new contents are complete. Throws
// FileError (create) and returns as SaveFirmwareFile does.
std::string SaveWholeFile(const std::string& path,
                          std::span<const uint8_t> bytes);

// The name offered when saving: `path` with its extension replaced by
// "-mod.bin", or "-mod.bin" appended when it has none.
std::string SuggestedSaveName(const std::string& path);

}  // namespace orlindel
