// printf-style formatting for log lines and reports, checked by the compiler.
#pragma once

#include <string>
#include <vector>

// Patterns follow C99 on every system (%zu, %lld, %llX). The Windows build
// formats with mingw-w64's own printf (__USE_MINGW_ANSI_STDIO), not the
// system runtime's older dialect, and the compiler checks for that one.
#ifdef __MINGW32__
#define ORLINDEL_PRINTF_STYLE(pattern, first) \
  [[gnu::format(gnu_printf, pattern, first)]]
#else
#define ORLINDEL_PRINTF_STYLE(pattern, first) \
  [[gnu::format(printf, pattern, first)]]
#endif

namespace orlindel {

ORLINDEL_PRINTF_STYLE(1, 2) std::string Format(const char* pattern, ...);

// The optional analysis log: routines receive a pointer that may be null and
// format no line at all when it is.
using AnalysisLog = std::vector<std::string>;

// Appends one formatted line to `log`; formats nothing when `log` is null.
ORLINDEL_PRINTF_STYLE(2, 3)
void LogLine(AnalysisLog* log, const char* pattern, ...);

}  // namespace orlindel
