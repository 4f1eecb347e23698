#include "cli/shell_quote.h"

#include <algorithm>
#include <cstdint>

namespace orlindel::cli {

namespace {

bool IsControl(char c) {
  const auto byte = static_cast<uint8_t>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The escape of one control character inside $'...'.
std::string ControlEscape(char c) {
  switch (c) {
    case '\a':
      return "\\a";
    case '\b':
      return "\\b";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\v':
      return "\\v";
    case '\f':
      return "\\f";
    case '\r':
      return "\\r";
    default: {
      const auto byte = static_cast<uint8_t>(c);
      return {'\\', static_cast<char>('0' + (byte >> 6)),
              static_cast<char>('0' + ((byte >> 3) & 7)),
              static_cast<char>('0' + (byte & 7))};
    }
  }
}

}  // namespace

bool HasControlCharacters(std::string_view text) {
  return std::any_of(text.begin(), text.end(), IsControl);
}

std::string ShellEscaped(std::string_view name) {
  if (!HasControlCharacters(name)) return std::string(name);
  std::string quoted;
  for (size_t at = 0; at < name.size();) {
    const bool control = IsControl(name[at]);
    size_t end = at;
    while (end < name.size() && IsControl(name[end]) == control) ++end;
    quoted += control ? "$'" : "'";
    for (; at < end; ++at) {
      if (control)
        quoted += ControlEscape(name[at]);
      else if (name[at] == '\'')
        quoted += "'\\''";
      else
        quoted += name[at];
    }
    quoted += '\'';
  }
  return quoted;
}

std::string WithNamesEscaped(std::string message,
                             std::span<const std::string> names) {
  for (const std::string& name : names) {
    if (name.empty() || !HasControlCharacters(name)) continue;
    const std::string escaped = ShellEscaped(name);
    for (size_t at = message.find(name); at != std::string::npos;
         at = message.find(name, at + escaped.size()))
      message.replace(at, name.size(), escaped);
  }
  return message;
}

}  // namespace orlindel::cli
