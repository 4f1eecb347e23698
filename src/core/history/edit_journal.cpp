#include "core/history/edit_journal.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/checks.h"
#include "core/history/byte_edit.h"
#include "core/patch/crc32.h"

namespace orlindel {

namespace {

using Json = nlohmann::json;

constexpr char kFormat[] = "orlindel-journal";
// Version 2 opens with the format's name, without a terminator.
constexpr size_t kMagicLength = sizeof(kFormat) - 1;
// Version 1 was JSON, each edit with its old and new bytes in hex.
constexpr int kJsonVersion = 1;

int HexDigit(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

std::optional<std::vector<uint8_t>> FromHex(const std::string& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return bytes;
}

std::optional<ByteEdit> DecodeEdit(const Json& json) {
  if (!json.is_object()) return std::nullopt;
  const Json& offset = json.at("offset");
  if (!offset.is_number_integer() || offset.get<int64_t>() < 0)
    return std::nullopt;
  auto old_bytes = FromHex(json.at("old").get<std::string>());
  auto new_bytes = FromHex(json.at("new").get<std::string>());
  if (!old_bytes || !new_bytes || old_bytes->size() != new_bytes->size())
    return std::nullopt;
  return ByteEdit{offset.get<int64_t>(), std::move(*old_bytes),
                  std::move(*new_bytes)};
}

std::optional<EditJournal> DecodeJsonJournal(std::string_view text) {
  const Json document = Json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return std::nullopt;
  try {
    if (document.at("format") != kFormat ||
        document.at("version") != kJsonVersion)
      return std::nullopt;
    const Json& size = document.at("size");
    const Json& crc = document.at("crc32");
    if (!size.is_number_integer() || size.get<int64_t>() < 0 ||
        !crc.is_number_unsigned() || crc.get<uint64_t>() > UINT32_MAX)
      return std::nullopt;
    EditJournal journal;
    journal.firmware_path = document.at("path").get<std::string>();
    journal.file_size = size.get<int64_t>();
    journal.file_crc32 = crc.get<uint32_t>();
    for (const Json& entry : document.at("entries")) {
      JournalEntry decoded;
      decoded.text = entry.at("text").get<std::string>();
      for (const Json& edit : entry.at("edits")) {
        std::optional<ByteEdit> one = DecodeEdit(edit);
        if (!one) return std::nullopt;
        decoded.edits.push_back(std::move(*one));
      }
      journal.entries.push_back(std::move(decoded));
    }
    return journal;
  } catch (const Json::exception&) {
    return std::nullopt;
  }
}

// Version 2: numbers little-endian, byte strings as they are.
class JournalWriter {
 public:
  explicit JournalWriter(size_t size) { bytes_.reserve(size); }

  void Number(uint64_t value, int width) {
    for (int k = 0; k < width; ++k)
      bytes_.push_back(static_cast<uint8_t>(value >> (8 * k)));
  }
  void Bytes(std::span<const uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  void Text(std::string_view text) {
    Number(NarrowTo<uint32_t>(text.size()), 4);
    Bytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  std::vector<uint8_t> Finish() {
    Number(Crc32(bytes_), 4);
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads what JournalWriter wrote; every read is checked against what is
// left, so nothing is taken, or allocated, for bytes that are not there.
class JournalReader {
 public:
  explicit JournalReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Left() const { return bytes_.size() - at_; }
  bool Number(uint64_t& value, int width) {
    if (Left() < static_cast<size_t>(width)) return false;
    value = 0;
    for (int k = 0; k < width; ++k)
      value |= uint64_t{bytes_[at_ + static_cast<size_t>(k)]} << (8 * k);
    at_ += static_cast<size_t>(width);
    return true;
  }
  bool Bytes(uint64_t count, std::span<const uint8_t>& bytes) {
    if (Left() < count) return false;
    bytes = bytes_.subspan(at_, static_cast<size_t>(count));
    at_ += static_cast<size_t>(count);
    return true;
  }
  bool Text(std::string& text) {
    uint64_t length = 0;
    std::span<const uint8_t> bytes;
    if (!Number(length, 4) || !Bytes(length, bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

// Calls `visit` with the offset and the bytes each edit of `entry` writes,
// in the order they are written.
template <typename Visit>
void ForEachWrite(const JournalEntryToWrite& entry, Visit&& visit) {
  if (entry.inverted) {
    for (auto edit = entry.edits->rbegin(); edit != entry.edits->rend(); ++edit)
      visit(edit->offset, edit->old_bytes);
  } else {
    for (const ByteEdit& edit : *entry.edits)
      visit(edit.offset, edit.new_bytes);
  }
}

bool IsBinaryJournal(std::span<const uint8_t> bytes) {
  return bytes.size() >= kMagicLength &&
         std::memcmp(bytes.data(), kFormat, kMagicLength) == 0;
}

std::optional<EditJournal> DecodeBinaryJournal(std::span<const uint8_t> bytes,
                                               ImageView file) {
  // The check sum first: a journal cut short or damaged anywhere is refused
  // before anything is taken from it.
  if (bytes.size() < kMagicLength + 4) return std::nullopt;
  const std::span<const uint8_t> body = bytes.first(bytes.size() - 4);
  uint64_t sum = 0;
  JournalReader tail(bytes.last(4));
  if (!tail.Number(sum, 4) || sum != Crc32(body)) return std::nullopt;

  JournalReader reader(body.subspan(kMagicLength));
  EditJournal journal;
  uint64_t version = 0, size = 0, crc = 0, entries = 0;
  if (!reader.Number(version, 4) || version != kJournalVersion ||
      !reader.Text(journal.firmware_path) || !reader.Number(size, 8) ||
      !reader.Number(crc, 4) || !reader.Number(entries, 8))
    return std::nullopt;
  // Only exactly the file the edits were made on.
  if (size != file.size() || crc != Crc32(file)) return std::nullopt;
  journal.file_size = static_cast<int64_t>(size);
  journal.file_crc32 = static_cast<uint32_t>(crc);
  // An entry takes at least 12 bytes, an edit 16 (kJournalEditOverhead).
  if (entries > reader.Left() / 12) return std::nullopt;
  journal.entries.reserve(static_cast<size_t>(entries));
  // An edit's old bytes are the file's while it lies after every edit
  // before it (the ranges of a patch, of the difference to the file); from
  // the first edit that does not, they are read off a copy of the file with
  // the edits before it applied.
  std::optional<FirmwareImage> image;
  uint64_t written_end = 0;
  for (uint64_t n = 0; n < entries; ++n) {
    JournalEntry& entry = journal.entries.emplace_back();
    uint64_t edits = 0;
    if (!reader.Text(entry.text) || !reader.Number(edits, 8) ||
        edits > reader.Left() / kJournalEditOverhead)
      return std::nullopt;
    entry.edits.reserve(static_cast<size_t>(edits));
    for (uint64_t k = 0; k < edits; ++k) {
      uint64_t offset = 0, length = 0;
      std::span<const uint8_t> new_bytes;
      if (!reader.Number(offset, 8) || !reader.Number(length, 8) ||
          length > size || offset > size - length ||
          !reader.Bytes(length, new_bytes))
        return std::nullopt;
      if (!image && offset < written_end) {
        image.emplace(file.begin(), file.end());
        for (const JournalEntry& done : journal.entries)
          for (const ByteEdit& edit : done.edits)
            std::copy(edit.new_bytes.begin(), edit.new_bytes.end(),
                      image->begin() + edit.offset);
      }
      const std::span<const uint8_t> before =
          image ? std::span<const uint8_t>(*image) : file;
      const auto old_bytes = before.subspan(offset, length);
      entry.edits.push_back(
          {static_cast<int64_t>(offset),
           std::vector<uint8_t>(old_bytes.begin(), old_bytes.end()),
           std::vector<uint8_t>(new_bytes.begin(), new_bytes.end())});
      if (image)
        std::copy(new_bytes.begin(), new_bytes.end(),
                  image->begin() + static_cast<int64_t>(offset));
      written_end = std::max(written_end, offset + length);
    }
  }
  if (reader.Left() != 0) return std::nullopt;
  return journal;
}

}  // namespace

int64_t EncodedJournalSize(const JournalHeader& header,
                           std::span<const JournalEntryToWrite> entries) {
  // The format's name, version, path, size, CRC-32, entry count, check sum.
  int64_t size = static_cast<int64_t>(kMagicLength) + 4 + 4 +
                 std::ssize(header.firmware_path) + 8 + 4 + 8 + 4;
  for (const JournalEntryToWrite& entry : entries) {
    size += 4 + std::ssize(entry.text) + 8;
    for (const ByteEdit& edit : *entry.edits)
      size += kJournalEditOverhead + edit.length();
  }
  return size;
}

std::vector<uint8_t> EncodeJournal(
    const JournalHeader& header, std::span<const JournalEntryToWrite> entries) {
  // Written straight into one buffer of its final size: an applied patch may
  // hold tens of MiB of bytes.
  JournalWriter writer(
      static_cast<size_t>(EncodedJournalSize(header, entries)));
  writer.Bytes({reinterpret_cast<const uint8_t*>(kFormat), kMagicLength});
  writer.Number(kJournalVersion, 4);
  writer.Text(header.firmware_path);
  writer.Number(static_cast<uint64_t>(header.file_size), 8);
  writer.Number(header.file_crc32, 4);
  writer.Number(entries.size(), 8);
  for (const JournalEntryToWrite& entry : entries) {
    writer.Text(entry.text);
    writer.Number(entry.edits->size(), 8);
    ForEachWrite(entry,
                 [&writer](int64_t offset, const std::vector<uint8_t>& bytes) {
                   writer.Number(static_cast<uint64_t>(offset), 8);
                   writer.Number(bytes.size(), 8);
                   writer.Bytes(bytes);
                 });
  }
  return writer.Finish();
}

std::vector<uint8_t> EncodeJournal(const EditJournal& journal) {
  std::vector<JournalEntryToWrite> entries;
  for (const JournalEntry& entry : journal.entries)
    entries.push_back({entry.text, &entry.edits, false});
  return EncodeJournal(
      {journal.firmware_path, journal.file_size, journal.file_crc32}, entries);
}

std::optional<EditJournal> DecodeJournal(std::span<const uint8_t> bytes,
                                         ImageView file) {
  if (IsBinaryJournal(bytes)) return DecodeBinaryJournal(bytes, file);
  std::optional<EditJournal> journal = DecodeJsonJournal(
      {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  if (!journal || !JournalFits(*journal, file)) return std::nullopt;
  return journal;
}

bool JournalFits(const EditJournal& journal, ImageView file) {
  if (std::ssize(file) != journal.file_size ||
      Crc32(file) != journal.file_crc32)
    return false;
  // The edits are tried on a copy: each must find its old bytes where it
  // writes, as it did when it was made.
  FirmwareImage image(file.begin(), file.end());
  for (const JournalEntry& entry : journal.entries) {
    for (const ByteEdit& edit : entry.edits) {
      if (edit.offset > std::ssize(image) - edit.length()) return false;
      const auto at = image.begin() + edit.offset;
      if (!std::equal(edit.old_bytes.begin(), edit.old_bytes.end(), at))
        return false;
      std::copy(edit.new_bytes.begin(), edit.new_bytes.end(), at);
    }
  }
  return true;
}

EditList InvertEdits(const EditList& edits) {
  EditList inverted;
  inverted.reserve(edits.size());
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
    inverted.push_back({edit->offset, edit->new_bytes, edit->old_bytes});
  return inverted;
}

}  // namespace orlindel
