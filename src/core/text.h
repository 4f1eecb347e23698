// printf-style formatting for log lines and reports, checked by the compiler.
#pragma once

#include <string>
#include <vector>

namespace orlindel {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* pattern, ...);

// The optional analysis log: routines receive a pointer that may be null and
// format no line at all when it is.
using AnalysisLog = std::vector<std::string>;

// Appends one formatted line to `log`; formats nothing when `log` is null.
[[gnu::format(printf, 2, 3)]] void LogLine(AnalysisLog* log,
                                           const char* pattern, ...);

}  // namespace orlindel
