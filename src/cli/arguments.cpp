#include "cli/arguments.h"

#include <charconv>
#include <utility>

namespace orlindel::cli {

std::optional<std::string> CommandLine::Value(const std::string& option) const {
  const auto found = values.find(option);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

std::string RequiredValue(const CommandLine& line, const std::string& option) {
  std::optional<std::string> value = line.Value(option);
  if (!value) throw UsageError("missing option " + option);
  return *std::move(value);
}

int64_t ParseNumber(std::string_view text, int64_t min, int64_t max,
                    std::string_view what) {
  const std::string_view original = text;
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  const bool parsed = !text.empty() && error == std::errc() &&
                      end == text.data() + text.size() &&
                      magnitude <= (uint64_t{1} << 62);
  const int64_t value = negative ? -static_cast<int64_t>(magnitude)
                                 : static_cast<int64_t>(magnitude);
  if (!parsed || value < min || value > max)
    throw UsageError("bad number for " + std::string(what) + ": " +
                     std::string(original));
  return value;
}

}  // namespace orlindel::cli
