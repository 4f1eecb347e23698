// JSON output of orlindel-cli: one compact object per line, always valid UTF-8.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orlindel::cli {

// Objects keep their members in the order they were added.
using Json = nlohmann::ordered_json;

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// `text` with every ill-formed part replaced by U+FFFD: one replacement per
// maximal subpart (a lead byte with the continuation bytes that still fit
// it), as decoders do. Well-formed text comes back unchanged.
std::string ToValidUtf8(std::string_view text);

// Sets object[key] to `text`. Text that is not UTF-8 (a file name on a
// system whose names are bytes) is stored with replacement characters, and
// its raw bytes as upper-case hex under key + "Bytes", so that nothing is
// lost.
void SetText(Json& object, const std::string& key, std::string_view text);

// The lines as a JSON array of strings, each made valid UTF-8.
Json TextArray(const std::vector<std::string>& lines);

// Appends `text` as a JSON string (quoted, escaped, made valid UTF-8), as
// WriteJsonLine would write it, for output written piece by piece.
void AppendJsonString(std::string& out, std::string_view text);

// Writes `value` compactly, then a newline.
void WriteJsonLine(std::ostream& out, const Json& value);

}  // namespace orlindel::cli
