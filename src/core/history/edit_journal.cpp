#include "core/history/edit_journal.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "core/history/byte_edit.h"
#include "core/patch/crc32.h"

namespace orlindel {

namespace {

using Json = nlohmann::json;

constexpr char kFormat[] = "orlindel-journal";

// Appends `bytes` as a JSON string of lower-case hex.
void AppendHex(std::string& text, const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  text += '"';
  for (const uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  text += '"';
}

// Appends `value` as a JSON string. The path and the names may hold any
// bytes; they are kept, not refused.
void AppendString(std::string& text, const std::string& value) {
  text += Json(value).dump(-1, ' ', false, Json::error_handler_t::replace);
}

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

}  // namespace

std::string EncodeJournal(const EditJournal& journal) {
  // Written straight into one string of about its final size, not built as
  // a JSON document first: an applied patch may hold tens of MiB of bytes,
  // which a document would copy twice over. The keys come in sorted order,
  // as a document prints them.
  size_t size = 256 + 2 * journal.firmware_path.size();
  for (const JournalEntry& entry : journal.entries) {
    size += 64 + 2 * entry.text.size();
    for (const ByteEdit& edit : entry.edits)
      size += 64 + 2 * (edit.old_bytes.size() + edit.new_bytes.size());
  }
  std::string text;
  text.reserve(size);
  text += "{\"crc32\":" + std::to_string(journal.file_crc32) + ",\"entries\":[";
  for (size_t n = 0; n < journal.entries.size(); ++n) {
    const JournalEntry& entry = journal.entries[n];
    text += n == 0 ? "{\"edits\":[" : ",{\"edits\":[";
    for (size_t k = 0; k < entry.edits.size(); ++k) {
      const ByteEdit& edit = entry.edits[k];
      text += k == 0 ? "{\"new\":" : ",{\"new\":";
      AppendHex(text, edit.new_bytes);
      text += ",\"offset\":" + std::to_string(edit.offset) + ",\"old\":";
      AppendHex(text, edit.old_bytes);
      text += '}';
    }
    text += "],\"text\":";
    AppendString(text, entry.text);
    text += '}';
  }
  text += "],\"format\":";
  AppendString(text, kFormat);
  text += ",\"path\":";
  AppendString(text, journal.firmware_path);
  text += ",\"size\":" + std::to_string(journal.file_size) +
          ",\"version\":" + std::to_string(kJournalVersion) + "}\n";
  return text;
}

std::optional<EditJournal> DecodeJournal(std::string_view text) {
  const Json document = Json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return std::nullopt;
  try {
    if (document.at("format") != kFormat ||
        document.at("version") != kJournalVersion)
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
