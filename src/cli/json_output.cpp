#include "cli/json_output.h"

#include <algorithm>
#include <cstdint>

namespace orlindel::cli {

namespace {

// The length of the maximal well-formed prefix of a UTF-8 sequence starting
// at text[at], and whether that prefix is a whole character.
struct Sequence {
  size_t length;
  bool whole;
};

Sequence SequenceAt(std::string_view text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  if (lead < 0x80) return {1, true};
  size_t needed = 0;
  // The allowed range of the second byte; later bytes are 80..BF.
  uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false};  // a continuation byte or a byte UTF-8 never uses
  }
  size_t length = 1;
  for (; length <= needed && at + length < text.size(); ++length) {
    const auto byte = static_cast<uint8_t>(text[at + length]);
    const bool fits = length == 1 ? byte >= low && byte <= high
                                  : byte >= 0x80 && byte <= 0xBF;
    if (!fits) break;
  }
  return {length, length == needed + 1};
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const Sequence sequence = SequenceAt(text, at);
    if (!sequence.whole) return false;
    at += sequence.length;
  }
  return true;
}

std::string ToValidUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Sequence sequence = SequenceAt(text, at);
    if (sequence.whole)
      valid.append(text.substr(at, sequence.length));
    else
      valid += "\xEF\xBF\xBD";
    at += sequence.length;
  }
  return valid;
}

void SetText(Json& object, const std::string& key, std::string_view text) {
  if (IsValidUtf8(text)) {
    object[key] = text;
    return;
  }
  object[key] = ToValidUtf8(text);
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(2 * text.size());
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  object[key + "Bytes"] = hex;
}

Json TextArray(const std::vector<std::string>& lines) {
  Json array = Json::array();
  for (const std::string& line : lines) array.push_back(ToValidUtf8(line));
  return array;
}

void AppendJsonString(std::string& out, std::string_view text) {
  const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
    return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
  });
  if (plain) {
    out += '"';
    out += text;
    out += '"';
  } else {
    out += Json(ToValidUtf8(text)).dump();
  }
}

void WriteJsonLine(std::ostream& out, const Json& value) {
  // Every string went through SetText or is the program's own ASCII; the
  // replace handler only keeps a stray byte from ever aborting the output.
  out << value.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace orlindel::cli
