// The parsed command line of one orlindel-cli command, and number parsing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"

namespace orlindel::cli {

// A command line the program cannot act on; the text says why.
class UsageError : public OrlindelError {
 public:
  explicit UsageError(const std::string& message)
      : OrlindelError(ErrorKind::kUsage, message) {}
};

// A command's arguments once parsed: its files in order, the flags given and
// the value of each valued option given, all under the option's first name
// ("-o", "--json").
struct CommandLine {
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::map<std::string, std::string> values;
  // The command line as given, the command's name first: what a command
  // run by another program hands on unchanged.
  std::vector<std::string> arguments;

  bool Has(const std::string& flag) const { return flags.contains(flag); }
  std::optional<std::string> Value(const std::string& option) const;
};

// The value of an option the command cannot do without; UsageError when the
// option is missing.
std::string RequiredValue(const CommandLine& line, const std::string& option);

// A decimal or 0x-hexadecimal number, optionally negative, within
// [min, max]; UsageError otherwise, naming `what`.
int64_t ParseNumber(std::string_view text, int64_t min, int64_t max,
                    std::string_view what);

}  // namespace orlindel::cli
